#include "diff/DiffParser.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace tolvane;

namespace {

struct GitResult {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// The fixture trims git's output; diffs and blobs are needed byte for byte here.
GitResult runGit(const QString& repo, const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.setWorkingDirectory(repo);
    process.start(QStringLiteral("/usr/bin/git"), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    GitResult result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// One line of a file and whether a line feed ends it.
struct FileLine {
    QByteArray text;
    bool newline = true;
    friend bool operator==(const FileLine&, const FileLine&) = default;
};

QList<FileLine> splitFile(const QByteArray& content) {
    QList<FileLine> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype end = content.indexOf('\n', start);
        if (end < 0) {
            lines.append({content.mid(start), false});
            break;
        }
        lines.append({content.mid(start, end - start), true});
        start = end + 1;
    }
    return lines;
}

QByteArray joinFile(const QList<FileLine>& lines) {
    QByteArray out;
    for (const FileLine& line : lines)
        out += line.text + (line.newline ? "\n" : "");
    return out;
}

// Start and count of one side of a hunk header; a missing count means one line.
std::pair<int, int> headerRange(const QString& header, bool newSide) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^@@ -(\d+)(?:,(\d+))? \+(\d+)(?:,(\d+))? @@)"));
    const QRegularExpressionMatch m = pattern.match(header);
    const int group = newSide ? 3 : 1;
    return {m.captured(group).toInt(),
            m.captured(group + 1).isEmpty() ? 1 : m.captured(group + 1).toInt()};
}

// What the target content should be after applying only the selected lines of `hunk` to `base`
// (forward: base is the old side; reverse: base is the new side and selected changes are undone).
// Within a changed block, the kept lines are ordered removal, addition, removal, ... pairwise.
QList<FileLine> expectedContent(const QList<FileLine>& base, const DiffHunk& hunk,
                                const QSet<int>& selected, PatchDirection direction) {
    const bool forward = direction == PatchDirection::Forward;
    const auto [start, count] = headerRange(hunk.header, !forward);
    const int prefix = count == 0 ? start : start - 1;

    struct Entry {
        int index;
        FileLine line;
    };
    QList<FileLine> middle;
    QList<Entry> removals, additions;
    const auto flush = [&] {
        for (qsizetype k = 0; k < std::max(removals.size(), additions.size()); ++k) {
            if (k < removals.size() && selected.contains(removals[k].index) != forward)
                middle.append(removals[k].line);
            if (k < additions.size() && selected.contains(additions[k].index) == forward)
                middle.append(additions[k].line);
        }
        removals.clear();
        additions.clear();
    };
    for (int i = 1; i < hunk.lines.size(); ++i) {
        const QString& raw = hunk.lines[i];
        if (raw.isEmpty() || raw.startsWith(u'\\'))
            continue;
        const bool newline = !(i + 1 < hunk.lines.size() && hunk.lines[i + 1].startsWith(u'\\'));
        const FileLine line{raw.mid(1).toUtf8(), newline};
        if (raw.startsWith(u'-')) {
            removals.append({i, line});
        } else if (raw.startsWith(u'+')) {
            additions.append({i, line});
        } else {
            flush();
            middle.append(line);
        }
    }
    flush();
    return base.mid(0, prefix) + middle + base.mid(prefix + count);
}

bool representable(const QList<FileLine>& lines) {
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].newline)
            return false;
    }
    return true;
}

class Generator {
public:
    explicit Generator(quint32 seed) : m_random(seed) {}

    int below(int n) { return int(m_random.bounded(n)); }
    bool chance(int percent) { return below(100) < percent; }

    QByteArray line() {
        // Few distinct words give repeated lines, which makes git's matching ambiguous.
        static const char* const words[] = {"a", "b", "c", "", "  indented", "tab\t", "crlf\r"};
        if (chance(50))
            return words[below(7)];
        return "line " + QByteArray::number(m_counter++);
    }

    QByteArray file() {
        QList<QByteArray> lines;
        const int n = below(26);
        for (int i = 0; i < n; ++i)
            lines.append(line());
        return compose(lines, chance(80));
    }

    QByteArray edit(const QByteArray& content) {
        QList<QByteArray> lines;
        for (const FileLine& l : splitFile(content))
            lines.append(l.text);
        const bool hadNewline = content.endsWith('\n') || content.isEmpty();
        const int edits = 1 + below(4);
        for (int e = 0; e < edits; ++e) {
            const int at = below(int(lines.size()) + 1);
            const int kind = below(3);
            const int removeCount = kind == 0 ? 0 : std::min(1 + below(3), int(lines.size()) - at);
            lines.remove(at, removeCount);
            const int insertCount = kind == 1 ? 0 : 1 + below(3);
            for (int k = 0; k < insertCount; ++k)
                lines.insert(at, "new " + QByteArray::number(m_counter++));
        }
        return compose(lines, chance(70) ? hadNewline : !hadNewline);
    }

private:
    static QByteArray compose(const QList<QByteArray>& lines, bool finalNewline) {
        QByteArray out = lines.isEmpty() ? QByteArray() : QByteArrayList(lines).join('\n');
        if (finalNewline && !lines.isEmpty())
            out += '\n';
        return out;
    }

    QRandomGenerator m_random;
    int m_counter = 0;
};

} // namespace

class TestPatchOracle : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

    struct Tally {
        int applied = 0;
        int refusedEmpty = 0;
        int refusedNewline = 0;
    };

    // Builds a partial patch from `diffArgs`' output for a random selection and applies it to
    // the index; the index must then hold exactly the expected content.
    void checkOne(test::RepoFixture& repo, Generator& random, const QByteArray& base,
                  const QStringList& diffArgs, PatchDirection direction, Tally& tally,
                  const QString& caseName) {
        const GitResult diff = runGit(repo.path(), diffArgs);
        QCOMPARE(diff.status, 0);
        const ParsedFileDiff parsed = DiffParser::parse(QString::fromUtf8(diff.out));
        QVERIFY2(!parsed.hunks.isEmpty(), qPrintable(caseName));
        const DiffHunk& hunk = parsed.hunks[random.below(int(parsed.hunks.size()))];
        const QList<DiffLineInfo> infos = DiffParser::buildLineInfos(hunk);

        QSet<QUuid> ids;
        QSet<int> indices;
        const int percent = random.chance(10) ? 0 : 20 + random.below(70);
        for (const DiffLineInfo& info : infos) {
            if (random.chance(percent)) {
                ids.insert(info.id);
                indices.insert(info.lineIndex);
            }
        }
        const QList<FileLine> expected = expectedContent(splitFile(base), hunk, indices, direction);
        const std::optional<DiffHunk> partial =
            DiffParser::buildPartialHunk(hunk, ids, infos, direction);
        const QString context = caseName + QStringLiteral("\n--- diff:\n") +
                                QString::fromUtf8(diff.out) + QStringLiteral("--- selected: ") +
                                QString::number(indices.size());
        if (!partial) {
            if (indices.isEmpty()) {
                ++tally.refusedEmpty;
            } else {
                QVERIFY2(!representable(expected), qPrintable(context));
                ++tally.refusedNewline;
            }
            return;
        }
        QVERIFY2(!indices.isEmpty() && representable(expected), qPrintable(context));

        const QString patch = DiffParser::buildPatch(parsed.headerLines, {*partial});
        QStringList apply{QStringLiteral("apply"), QStringLiteral("--cached")};
        if (direction == PatchDirection::Reverse)
            apply.append(QStringLiteral("--reverse"));
        const GitResult applied = runGit(repo.path(), apply, patch.toUtf8());
        QVERIFY2(applied.status == 0, qPrintable(context + QStringLiteral("\n--- patch:\n") +
                                                 patch + QString::fromUtf8(applied.err)));
        const GitResult index =
            runGit(repo.path(),
                   {QStringLiteral("cat-file"), QStringLiteral("blob"), QStringLiteral(":f.txt")});
        QCOMPARE(index.status, 0);
        QVERIFY2(index.out == joinFile(expected),
                 qPrintable(context + QStringLiteral("\n--- patch:\n") + patch +
                            QStringLiteral("--- index:\n") + QString::fromUtf8(index.out)));
        ++tally.applied;
    }

private Q_SLOTS:
    // git is the judge: for generated edits of a file, a partial patch of random lines of one
    // hunk stages (forwards) or unstages (in reverse) exactly those lines, or is refused only
    // for an empty selection or a missing final newline that cannot stay last.
    void partialPatchesMatchGit() {
        test::RepoFixture repo;
        Generator random(20240611);
        Tally stage, unstage;
        const int cases = 200;
        for (int n = 0; n < cases; ++n) {
            const QByteArray original = random.file();
            QByteArray modified = random.edit(original);
            if (modified == original)
                modified += "extra\n";
            const QString caseName = QStringLiteral("case %1").arg(n);

            repo.writeFile(QStringLiteral("f.txt"), original);
            repo.commitAll(caseName);
            repo.writeFile(QStringLiteral("f.txt"), modified);
            checkOne(repo, random, original, {QStringLiteral("diff")}, PatchDirection::Forward,
                     stage, caseName);
            if (QTest::currentTestFailed())
                return;

            repo.git({QStringLiteral("add"), QStringLiteral("f.txt")});
            checkOne(repo, random, modified, {QStringLiteral("diff"), QStringLiteral("--cached")},
                     PatchDirection::Reverse, unstage, caseName);
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("stage: %d applied, %d empty, %d refused; unstage: %d applied, %d empty, %d "
              "refused",
              stage.applied, stage.refusedEmpty, stage.refusedNewline, unstage.applied,
              unstage.refusedEmpty, unstage.refusedNewline);
        // The generator must reach every outcome, or the property says little.
        QVERIFY(stage.applied > cases / 2 && unstage.applied > cases / 2);
        QVERIFY(stage.refusedNewline > 0 && unstage.refusedNewline > 0);
        QVERIFY(stage.refusedEmpty > 0 && unstage.refusedEmpty > 0);
    }
};

QTEST_GUILESS_MAIN(TestPatchOracle)
#include "tst_PatchOracle.moc"
