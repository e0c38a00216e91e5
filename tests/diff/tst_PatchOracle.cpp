#include "diff/DiffParser.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
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

    // A file of `minimum` to `minimum + spread - 1` lines.
    QByteArray file(int minimum, int spread) {
        QList<QByteArray> lines;
        const int n = minimum + below(spread);
        for (int i = 0; i < n; ++i)
            lines.append(line());
        return compose(lines, chance(80));
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

// How a file's header differs from a plain modification.
enum class Kind { Added, Deleted, Renamed, ModeChanged };
// stage: forwards into the index; unstage: in reverse in the index; discard: in reverse in the
// working tree.
enum class Step { Stage, Unstage, Discard };

// Every line of a file ends in CRLF, or the last line lacks its line feed, or neither is forced.
QByteArray flavoured(const QByteArray& content, const QString& flavour) {
    if (flavour == u"crlf") {
        QList<FileLine> lines = splitFile(content);
        for (FileLine& line : lines) {
            if (line.newline && !line.text.endsWith('\r'))
                line.text += '\r';
        }
        return joinFile(lines);
    }
    if (flavour == u"no newline" && content.endsWith('\n'))
        return content.chopped(1);
    return content;
}

// What one path holds in the index or the working tree; nothing when it is absent.
struct Held {
    QByteArray content;
    bool executable = false;
    friend bool operator==(const Held&, const Held&) = default;
};

std::optional<Held> heldInIndex(const QString& repo, const QString& path) {
    const GitResult entry = runGit(
        repo, {QStringLiteral("ls-files"), QStringLiteral("--stage"), QStringLiteral("--"), path});
    if (entry.out.isEmpty())
        return std::nullopt;
    const GitResult blob =
        runGit(repo, {QStringLiteral("cat-file"), QStringLiteral("blob"), u':' + path});
    return Held{blob.out, entry.out.startsWith("100755")};
}

std::optional<Held> heldInWorkingTree(const QString& repo, const QString& path) {
    QFile file(repo + u'/' + path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Held{file.readAll(), QFileInfo(file).isExecutable()};
}

QString describe(const std::optional<Held>& held) {
    if (!held)
        return QStringLiteral("(absent)");
    return (held->executable ? QStringLiteral("[755] ") : QStringLiteral("[644] ")) +
           QString::fromUtf8(held->content);
}

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

    // Both sides of a file's change; a side without a path has no file.
    struct Sides {
        QString oldPath;
        QString newPath;
        QByteArray oldContent;
        QByteArray newContent;
        bool newExecutable = false;
    };

    // Commits the old side, then makes the change in the working tree and, for `staged`, in the
    // index; an unstaged new name is known to the index by intent only, as `add -N` leaves it.
    static void prepare(test::RepoFixture& repo, const Sides& sides, bool staged) {
        repo.git({QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard")});
        repo.git({QStringLiteral("clean"), QStringLiteral("-fdxq")});
        if (!sides.oldPath.isEmpty() && sides.oldPath != sides.newPath)
            QFile::remove(repo.path() + u'/' + sides.oldPath);
        if (!sides.newPath.isEmpty()) {
            const QString file = repo.path() + u'/' + sides.newPath;
            repo.writeFile(sides.newPath, sides.newContent);
            const QFile::Permissions executable =
                QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
            const QFile::Permissions permissions = QFile::permissions(file);
            QFile::setPermissions(file, sides.newExecutable ? permissions | executable
                                                            : permissions & ~executable);
        }
        if (staged)
            repo.git({QStringLiteral("add"), QStringLiteral("-A")});
        else if (!sides.newPath.isEmpty() && sides.newPath != sides.oldPath)
            repo.git({QStringLiteral("add"), QStringLiteral("-N"), sides.newPath});
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

    // A new file, a deleted file, a rename with edits and a mode change, each staged, unstaged
    // and discarded in part or whole from the diff the program shows for it. git's own patch
    // applies to the whole change; a part leaves the target holding exactly the lines chosen,
    // under the name it has (the new one for a rename) and with the mode it has.
    void partialPatchesOfFileHeaders_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("flavour");
        QTest::addColumn<quint32>("seed");
        quint32 seed = 7;
        const std::pair<Kind, const char*> kinds[] = {{Kind::Added, "new file"},
                                                      {Kind::Deleted, "deleted file"},
                                                      {Kind::Renamed, "rename with edits"},
                                                      {Kind::ModeChanged, "mode change"}};
        for (const auto& [kind, name] : kinds) {
            for (const char* flavour : {"lf", "crlf", "no newline"}) {
                QTest::addRow("%s, %s", name, flavour)
                    << kind << QString::fromLatin1(flavour) << seed++;
            }
        }
    }
    void partialPatchesOfFileHeaders() {
        QFETCH(Kind, kind);
        QFETCH(QString, flavour);
        QFETCH(quint32, seed);
        test::RepoFixture repo;
        Generator random(seed);
        int partial = 0;
        int whole = 0;
        int renames = 0;
        const int cases = 10;
        for (int n = 0; n < cases; ++n) {
            // Renames need files alike enough for git to pair them.
            const bool large = kind == Kind::Renamed || kind == Kind::ModeChanged;
            QByteArray original = flavoured(random.file(large ? 16 : 1, 10), flavour);
            if (original.isEmpty())
                original = flavoured("only\n", flavour);
            QByteArray modified = flavoured(random.edit(original), flavour);
            if (modified == original)
                modified = flavoured("extra\n" + original, flavour);

            Sides sides;
            switch (kind) {
            case Kind::Added:
                sides = {{}, QStringLiteral("f.txt"), {}, original};
                break;
            case Kind::Deleted:
                sides = {QStringLiteral("f.txt"), {}, original, {}};
                break;
            case Kind::Renamed:
                sides = {QStringLiteral("old.txt"), QStringLiteral("new.txt"), original, modified};
                break;
            case Kind::ModeChanged:
                sides = {QStringLiteral("f.txt"), QStringLiteral("f.txt"), original, modified,
                         true};
                break;
            }
            repo.git({QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard")});
            repo.git({QStringLiteral("rm"), QStringLiteral("-rqf"),
                      QStringLiteral("--ignore-unmatch"), QStringLiteral("--"),
                      QStringLiteral(".")});
            if (!sides.oldPath.isEmpty())
                repo.writeFile(sides.oldPath, sides.oldContent);
            repo.commitAll(QStringLiteral("case %1").arg(n));

            for (const Step step : {Step::Stage, Step::Unstage, Step::Discard}) {
                const bool staged = step == Step::Unstage;
                prepare(repo, sides, staged);
                QStringList diffArgs{QStringLiteral("diff")};
                if (staged)
                    diffArgs.append(QStringLiteral("--cached"));
                diffArgs.append(QStringLiteral("--"));
                if (!sides.oldPath.isEmpty() && sides.oldPath != sides.newPath)
                    diffArgs.append(sides.oldPath);
                if (!sides.newPath.isEmpty())
                    diffArgs.append(sides.newPath);
                const GitResult diff = runGit(repo.path(), diffArgs);
                QCOMPARE(diff.status, 0);
                const QString diffText = QString::fromUtf8(diff.out);
                if (kind == Kind::Renamed && !diffText.contains(QStringLiteral("\nrename from ")))
                    break; // too different to be a rename this time
                renames += kind == Kind::Renamed;
                const ParsedFileDiff parsed = DiffParser::parse(diffText);
                QVERIFY(!parsed.hunks.isEmpty());

                // All hunks, one whole hunk, or some lines of one hunk.
                const PatchDirection direction =
                    step == Step::Stage ? PatchDirection::Forward : PatchDirection::Reverse;
                const bool forward = direction == PatchDirection::Forward;
                const DiffHunk& hunk = parsed.hunks[random.below(int(parsed.hunks.size()))];
                const QList<DiffLineInfo> infos = DiffParser::buildLineInfos(hunk);
                const QList<FileLine> target =
                    splitFile(forward ? sides.oldContent : sides.newContent);
                const int choice = random.below(100);
                QList<DiffHunk> chosen;
                QSet<int> indices;
                if (choice < 20) {
                    chosen = parsed.hunks;
                } else if (choice < 35) {
                    chosen = {hunk};
                    for (const DiffLineInfo& info : infos)
                        indices.insert(info.lineIndex);
                } else {
                    QSet<QUuid> ids;
                    const int percent = 20 + random.below(70);
                    for (const DiffLineInfo& info : infos) {
                        if (random.chance(percent)) {
                            ids.insert(info.id);
                            indices.insert(info.lineIndex);
                        }
                    }
                    const std::optional<DiffHunk> reduced =
                        DiffParser::buildPartialHunk(hunk, ids, infos, direction);
                    if (!reduced) {
                        QVERIFY(indices.isEmpty() ||
                                !representable(expectedContent(target, hunk, indices, direction)));
                        continue;
                    }
                    chosen = {*reduced};
                }
                qsizetype changes = 0;
                for (const DiffHunk& h : parsed.hunks)
                    changes += h.addedCount + h.removedCount;
                const bool all = choice < 20 || indices.size() == changes;

                // What the target holds afterwards, by name.
                QString name;
                QString gone;
                Held held;
                if (all) {
                    // As git's own patch leaves it: the whole other side.
                    name = forward ? sides.newPath : sides.oldPath;
                    gone = forward ? sides.oldPath : sides.newPath;
                    held = {forward ? sides.newContent : sides.oldContent,
                            forward && sides.newExecutable};
                } else {
                    name = sides.newPath.isEmpty() ? sides.oldPath : sides.newPath;
                    gone = sides.oldPath == name ? QString() : sides.oldPath;
                    held = {joinFile(expectedContent(target, hunk, indices, direction)),
                            !forward && sides.newExecutable};
                }
                if (gone == name)
                    gone.clear();

                const QString patch = DiffParser::buildPatch(parsed, chosen, direction);
                QStringList apply{QStringLiteral("apply")};
                if (step != Step::Discard)
                    apply.append(QStringLiteral("--cached"));
                if (!forward)
                    apply.append(QStringLiteral("--reverse"));
                const GitResult applied = runGit(repo.path(), apply, patch.toUtf8());
                const QString context =
                    QStringLiteral("case %1, step %2%3\n--- diff:\n%4--- patch:\n%5")
                        .arg(n)
                        .arg(int(step))
                        .arg(all ? QStringLiteral(", all") : QString())
                        .arg(diffText, patch);
                QVERIFY2(applied.status == 0, qPrintable(context + QString::fromUtf8(applied.err)));
                const auto heldAt = [&](const QString& path) {
                    return step == Step::Discard ? heldInWorkingTree(repo.path(), path)
                                                 : heldInIndex(repo.path(), path);
                };
                if (!name.isEmpty()) {
                    const std::optional<Held> now = heldAt(name);
                    QVERIFY2(now == held,
                             qPrintable(context + QStringLiteral("--- expected:\n") +
                                        describe(held) + QStringLiteral("\n--- got:\n") +
                                        describe(now)));
                }
                if (!gone.isEmpty())
                    QVERIFY2(!heldAt(gone), qPrintable(context + gone + QStringLiteral(" stays")));
                ++(all ? whole : partial);
            }
            if (QTest::currentTestFailed())
                return;
        }
        // Every row must reach both outcomes, or it says little.
        qInfo("%d partial, %d whole", partial, whole);
        QVERIFY(partial >= cases / 2 && whole > 0);
        if (kind == Kind::Renamed)
            QVERIFY(renames >= cases);
    }
};

QTEST_GUILESS_MAIN(TestPatchOracle)
#include "tst_PatchOracle.moc"
