// Repositories and settings we did not write: a hostile global configuration or a repository
// whose own configuration and hooks name programs. What we parse must not change, and queries
// run on their own must start none of those programs and take no lock.
#include "StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// A shell script that records its name in the markers file, then does `body`.
QString markingScript(const QTemporaryDir& tools, const QString& name, const QByteArray& body) {
    const QString path = tools.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\necho " + name.toUtf8() + " >> '" +
               tools.filePath(QStringLiteral("markers")).toUtf8() + "'\n" + body + "\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

// A gpg that signs with a fixed signature and calls every signature good, and marks each use.
QString fakeGpgScript(const QTemporaryDir& tools) {
    return markingScript(
        tools, QStringLiteral("gpg"),
        "case \"$*\" in *-bsau*) cat >/dev/null; echo '[GNUPG:] SIG_CREATED ' >&2;"
        " printf -- '-----BEGIN PGP SIGNATURE-----\\nfake\\n-----END PGP SIGNATURE-----\\n';;"
        " *) echo 'gpg: Good signature'; echo '[GNUPG:] GOODSIG 1 fake';; esac");
}

QStringList markers(const QTemporaryDir& tools) {
    QFile file(tools.filePath(QStringLiteral("markers")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestRepositoryStateUntrusted : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void configurationChangesNothingAndStartsNothing_data() {
        QTest::addColumn<bool>("inRepository");
        QTest::newRow("user's global configuration") << false;
        QTest::newRow("repository's own configuration and hooks") << true;
    }
    void configurationChangesNothingAndStartsNothing() {
        QFETCH(bool, inRepository);
        QTemporaryDir tools;
        const QString fakeGpg = fakeGpgScript(tools);

        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\nc\n");
        repo.writeFile(QStringLiteral("notes.txt"), "n\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("notes.txt"), "n2\n");
        repo.git({QStringLiteral("add"), QStringLiteral("notes.txt")});
        repo.advanceClock();
        repo.git({QStringLiteral("-c"), QStringLiteral("gpg.program=") + fakeGpg,
                  QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-S"),
                  QStringLiteral("-m"), QStringLiteral("signed")});
        // Trailing spaces must survive staging even where apply would "fix" them.
        repo.writeFile(QStringLiteral("f.txt"), "a\nB  \nc\nd\n");

        const QByteArray attributes = "* diff=hostile\n";
        const QString attributesFile = tools.filePath(QStringLiteral("attributes"));
        QFile attributesOut(attributesFile);
        attributesOut.open(QIODevice::WriteOnly);
        attributesOut.write(attributes);
        attributesOut.close();
        QByteArray settings =
            "[color]\n\tui = always\n\tdiff = always\n\tstatus = always\n\tbranch = always\n"
            "[diff]\n\tnoprefix = true\n\tmnemonicPrefix = true\n\tsuppressBlankEmpty = true\n"
            "\trenames = false\n\tcontext = 1\n"
            "\texternal = " +
            markingScript(tools, QStringLiteral("external-diff"), "echo external").toUtf8() +
            "\n[diff \"hostile\"]\n\ttextconv = " +
            markingScript(tools, QStringLiteral("textconv"), "echo converted").toUtf8() +
            "\n\tcommand = " +
            markingScript(tools, QStringLiteral("diff-command"), "echo command").toUtf8() +
            "\n[core]\n\tattributesFile = " + attributesFile.toUtf8() + "\n\tfsmonitor = " +
            markingScript(tools, QStringLiteral("fsmonitor"), "exit 1").toUtf8() +
            "\n[log]\n\tshowSignature = true\n[gpg]\n\tprogram = " + fakeGpg.toUtf8() +
            "\n[apply]\n\twhitespace = fix\n[branch]\n\tsort = -refname\n";
        const QString hooks = repo.path() + QStringLiteral("/.git/hooks/");
        if (inRepository) {
            QFile config(repo.path() + QStringLiteral("/.git/config"));
            QVERIFY(config.open(QIODevice::Append));
            config.write(settings);
            for (const char* hook : {"post-index-change", "pre-commit"}) {
                const QString script = markingScript(tools, QString::fromLatin1(hook), "exit 0");
                QVERIFY(QFile::copy(script, hooks + QString::fromLatin1(hook)));
            }
        } else {
            QFile config(m_environment.home() + QStringLiteral("/.gitconfig"));
            QVERIFY(config.open(QIODevice::Append));
            config.write(settings);
        }
        QFile::remove(tools.filePath(QStringLiteral("markers")));
        const auto restore = qScopeGuard([&] {
            if (!inRepository) {
                QFile config(m_environment.home() + QStringLiteral("/.gitconfig"));
                config.open(QIODevice::ReadWrite);
                const QByteArray all = config.readAll();
                config.resize(0);
                config.write(all.left(all.indexOf(settings)));
            }
        });
        // A file whose timestamp makes status want to refresh the index.
        repo.writeFile(QStringLiteral("notes.txt"), "n2\n");
        const QString index = repo.path() + QStringLiteral("/.git/index");
        const QByteArray indexBefore = fileHash(index);

        // Everything that runs on its own: refresh, selecting a file and a commit, blame, paging.
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->currentBranch(), QStringLiteral("main"));
        QCOMPARE(state->commits().size(), 2);
        QCOMPARE(state->commits().first().message, QStringLiteral("signed"));
        QCOMPARE(state->commits().first().id.size(), 40);
        QVERIFY(state->branches().size() >= 1);
        QCOMPARE(state->branches().first().name, QStringLiteral("main"));
        QVERIFY(findChange(*state, QStringLiteral("f.txt"), false).has_value());
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), false), true));
        QVERIFY2(state->showHunkView(), qPrintable(state->diffText()));
        QCOMPARE(state->parsedDiff()->hunks.size(), 1);
        QVERIFY(state->parsedDiff()->headerLines.contains(QStringLiteral("--- a/f.txt")));
        await(state->loadCommitDiff(state->commits().first(), true));
        QVERIFY2(state->diffText().contains(QStringLiteral("diff --git a/notes.txt b/notes.txt")),
                 qPrintable(state->diffText()));
        QVERIFY(state->diffText().contains(QStringLiteral("+n2")));
        await(state->loadBlame(QStringLiteral("f.txt")));
        // The three committed lines and the uncommitted one, none of them converted.
        QCOMPARE(state->blameLines().size(), 4);
        QCOMPARE(state->blameLines().first().content, QStringLiteral("a"));
        await(state->loadMoreCommits());
        QCOMPARE(markers(tools), QStringList());
        QCOMPARE(fileHash(index), indexBefore);
        QVERIFY(!QFile::exists(index + QStringLiteral(".lock")));

        // Line staging both ways gives the index exactly the lines shown.
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), false), true));
        state->buildLineInfoCache();
        const DiffHunk hunk = state->parsedDiff()->hunks.first();
        state->selectAllLinesInHunk(hunk.id);
        await(state->stageSelectedLines(hunk));
        QCOMPARE(repo.stagedBytes(QStringLiteral("f.txt")), QByteArray("a\nB  \nc\nd\n"));
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), true), true));
        state->buildLineInfoCache();
        const DiffHunk staged = state->parsedDiff()->hunks.first();
        for (const DiffLineInfo& info : state->lineInfoByHunkID().value(staged.id)) {
            if (info.rawLine == u"+d")
                state->toggleLineSelection(info.id, staged.id);
        }
        await(state->unstageSelectedLines(staged));
        QCOMPARE(repo.stagedBytes(QStringLiteral("f.txt")), QByteArray("a\nB  \nc\n"));

        // A commit the user asks for runs the repository's hooks, as git does.
        state->setCommitMessage(QStringLiteral("by hand"));
        await(state->commitChanges());
        QCOMPARE(
            repo.git({QStringLiteral("log"), QStringLiteral("-1"), QStringLiteral("--format=%s")}),
            QStringLiteral("by hand"));
        QCOMPARE(markers(tools).contains(QStringLiteral("pre-commit")), inRepository);
    }

    // Each row names one program in the repository's own configuration; every query that runs
    // on its own is then made, with a file whose timestamp alone changed among them.
    void readOnlyQueriesStartNoProgramTheRepositoryNames_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("configuration");
        QTest::addColumn<QByteArray>("attributes");
        for (const char* row : {"fsmonitor", "post-index-change", "external diff", "textconv",
                                "clean filter", "process filter", "gpg program"})
            QTest::newRow(row) << QString::fromLatin1(row) << QByteArray() << QByteArray();
    }
    void readOnlyQueriesStartNoProgramTheRepositoryNames() {
        QFETCH(QString, program);
        QTemporaryDir tools;
        const QByteArray marker = markingScript(tools, QStringLiteral("marker"), "cat").toUtf8();
        const QString fakeGpg = fakeGpgScript(tools);

        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\n");
        repo.writeFile(QStringLiteral("notes.txt"), "n\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\nc\n");
        repo.advanceClock();
        repo.git({QStringLiteral("-c"), QStringLiteral("gpg.program=") + fakeGpg,
                  QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-a"),
                  QStringLiteral("-S"), QStringLiteral("-m"), QStringLiteral("signed")});
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\nc\nstashed\n");
        repo.git({QStringLiteral("stash"), QStringLiteral("-q")});
        repo.writeFile(QStringLiteral("f.txt"), "a\nB\nc\n");

        QByteArray configuration;
        QByteArray attributes;
        if (program == u"fsmonitor") {
            configuration = "[core]\n\tfsmonitor = " + marker + "\n";
        } else if (program == u"post-index-change") {
            const QString hook = repo.path() + QStringLiteral("/.git/hooks/post-index-change");
            QVERIFY(QFile::copy(QString::fromUtf8(marker), hook));
        } else if (program == u"external diff") {
            configuration = "[diff]\n\texternal = " + marker + "\n";
        } else if (program == u"textconv") {
            configuration = "[diff \"x\"]\n\ttextconv = " + marker + "\n";
            attributes = "* diff=x\n";
        } else if (program == u"clean filter") {
            configuration = "[filter \"x\"]\n\tclean = " + marker + "\n\tsmudge = " + marker +
                            "\n\trequired = true\n";
            attributes = "* filter=x\n";
        } else if (program == u"process filter") {
            configuration = "[filter \"x\"]\n\tprocess = " + marker + "\n\trequired = true\n";
            attributes = "* filter=x\n";
        } else if (program == u"gpg program") {
            configuration =
                "[log]\n\tshowSignature = true\n[gpg]\n\tprogram = " + fakeGpg.toUtf8() + "\n";
        }
        QFile config(repo.path() + QStringLiteral("/.git/config"));
        QVERIFY(config.open(QIODevice::Append));
        config.write(configuration);
        config.close();
        // From the repository's own info folder, as a checked-out .gitattributes would.
        QDir().mkpath(repo.path() + QStringLiteral("/.git/info"));
        QFile attributesFile(repo.path() + QStringLiteral("/.git/info/attributes"));
        QVERIFY(attributesFile.open(QIODevice::WriteOnly));
        attributesFile.write(attributes);
        attributesFile.close();
        // Same content, new timestamp: git has to look inside the file again.
        QTest::qWait(1100);
        repo.writeFile(QStringLiteral("notes.txt"), "n\n");
        QFile::remove(tools.filePath(QStringLiteral("markers")));

        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->commits().size(), 2);
        QCOMPARE(state->stashes().size(), 1);
        QVERIFY(!findChange(*state, QStringLiteral("notes.txt"), false).has_value());
        const FileChange changed = findChange(*state, QStringLiteral("f.txt"), false).value();
        await(state->loadDiff(changed, true));
        QVERIFY2(state->diffText().contains(QStringLiteral("+B")), qPrintable(state->diffText()));
        const GitService git = state->git();
        const QStringList diffNotes{QStringLiteral("diff"), QStringLiteral("--"),
                                    QStringLiteral("notes.txt")};
        QCOMPARE(await(git.run(diffNotes)), QString());
        QCOMPARE(await(git.trackedFiles()).size(), 2);
        await(state->loadCommitDiff(state->commits().first(), true));
        QVERIFY(state->diffText().contains(QStringLiteral("+c")));
        await(state->loadBlame(QStringLiteral("f.txt")));
        QCOMPARE(state->blameLines().size(), 3);
        await(state->selectStash(state->stashes().first()));
        QVERIFY(state->diffText().contains(QStringLiteral("+stashed")));
        await(state->loadMoreCommits());
        QCOMPARE(markers(tools), QStringList());
    }

    void filterOfTheUserStillRunsWhenStaging() {
        QTemporaryDir tools;
        const QByteArray marker =
            markingScript(tools, QStringLiteral("user-filter"), "cat").toUtf8();
        QFile global(m_environment.home() + QStringLiteral("/.gitconfig"));
        QVERIFY(global.open(QIODevice::ReadWrite));
        const QByteArray before = global.readAll();
        global.write("[filter \"mine\"]\n\tclean = " + marker + "\n");
        global.close();
        const auto restore = qScopeGuard([&] {
            QFile file(m_environment.home() + QStringLiteral("/.gitconfig"));
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(before);
        });
        RepoFixture repo;
        repo.writeFile(QStringLiteral(".gitattributes"), "*.txt filter=mine\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("new.txt"), "text\n");
        QFile::remove(tools.filePath(QStringLiteral("markers")));
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->stageFile(findChange(*state, QStringLiteral("new.txt"), false).value()));
        QVERIFY(markers(tools).contains(QStringLiteral("user-filter")));
        QCOMPARE(repo.stagedBytes(QStringLiteral("new.txt")), QByteArray("text\n"));
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateUntrusted)
#include "tst_RepositoryStateUntrusted.moc"
