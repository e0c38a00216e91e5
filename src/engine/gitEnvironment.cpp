#include "engine/gitEnvironment.h"

namespace tolvane {
namespace {

bool startsWithAny(const QString& text, std::initializer_list<const char*> prefixes) {
    for (const char* prefix : prefixes) {
        if (text.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

// Options a listing form of branch or tag may carry; anything else names a branch to create.
bool onlyListingOptions(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!startsWithAny(argument, {"--format", "--sort", "--show-current", "-r", "-a", "-l",
                                      "--list", "--contains", "--merged", "--no-merged",
                                      "--points-at", "-v", "--no-color"}))
            return false;
    }
    return true;
}

} // namespace

bool isReadOnlyQuery(const QStringList& arguments) {
    qsizetype first = 0;
    // Skip leading "-c key=value" pairs.
    while (first + 1 < arguments.size() && arguments[first] == u"-c")
        first += 2;
    if (first >= arguments.size())
        return false;
    const QStringList command = arguments.mid(first);
    const QString& sub = command.first();
    static const QStringList alwaysReading{
        QStringLiteral("status"),       QStringLiteral("ls-files"),
        QStringLiteral("log"),          QStringLiteral("diff"),
        QStringLiteral("show"),         QStringLiteral("blame"),
        QStringLiteral("rev-parse"),    QStringLiteral("merge-base"),
        QStringLiteral("rev-list"),     QStringLiteral("for-each-ref"),
        QStringLiteral("cat-file"),     QStringLiteral("ls-tree"),
        QStringLiteral("diff-tree"),    QStringLiteral("diff-index"),
        QStringLiteral("diff-files"),   QStringLiteral("show-ref"),
        QStringLiteral("symbolic-ref"), QStringLiteral("count-objects")};
    if (alwaysReading.contains(sub))
        return sub != u"symbolic-ref" || command.size() <= 2;
    if (sub == u"branch" || sub == u"tag")
        return onlyListingOptions(command);
    const QString second = command.value(1);
    if (sub == u"stash" || sub == u"worktree" || sub == u"sparse-checkout")
        return second == u"list";
    if (sub == u"fsmonitor--daemon")
        return second == u"status";
    if (sub == u"remote")
        return second == u"get-url" || second == u"-v" || command.size() == 1;
    if (sub == u"config")
        return second.startsWith(QLatin1String("--get"));
    return false;
}

QList<QPair<QString, QString>> stableOutputSettings(GitAccess access) {
    QList<QPair<QString, QString>> settings{
        // Escape codes in front of diff lines, names or refs.
        {QStringLiteral("color.ui"), QStringLiteral("never")},
        {QStringLiteral("color.diff"), QStringLiteral("never")},
        {QStringLiteral("color.status"), QStringLiteral("never")},
        {QStringLiteral("color.branch"), QStringLiteral("never")},
        // Patch headers the partial-patch builder and git apply rely on.
        {QStringLiteral("diff.noprefix"), QStringLiteral("false")},
        {QStringLiteral("diff.mnemonicPrefix"), QStringLiteral("false")},
        {QStringLiteral("diff.srcPrefix"), QStringLiteral("a/")},
        {QStringLiteral("diff.dstPrefix"), QStringLiteral("b/")},
        {QStringLiteral("diff.relative"), QStringLiteral("false")},
        {QStringLiteral("diff.suppressBlankEmpty"), QStringLiteral("false")},
        {QStringLiteral("diff.context"), QStringLiteral("3")},
        {QStringLiteral("diff.interHunkContext"), QStringLiteral("0")},
        {QStringLiteral("diff.renames"), QStringLiteral("true")},
        {QStringLiteral("status.renames"), QStringLiteral("true")},
        // A staged line must reach the index exactly as it was shown, trailing spaces included.
        {QStringLiteral("apply.whitespace"), QStringLiteral("nowarn")},
        // Signature text would otherwise come before the first field of every commit.
        {QStringLiteral("log.showSignature"), QStringLiteral("false")},
        {QStringLiteral("log.decorate"), QStringLiteral("short")},
        {QStringLiteral("i18n.logOutputEncoding"), QStringLiteral("UTF-8")},
        {QStringLiteral("branch.sort"), QStringLiteral("refname")},
        {QStringLiteral("core.quotePath"), QStringLiteral("false")},
    };
    if (access == GitAccess::ReadOnly)
        settings.append({QStringLiteral("core.fsmonitor"), QStringLiteral("false")});
    return settings;
}

QProcessEnvironment gitChildEnvironment(QProcessEnvironment base, GitAccess access,
                                        const QList<QPair<QString, QString>>& repositorySettings) {
    // Inherited from a hook or a terminal, these would point every command at another
    // repository or change the diffs we parse.
    for (const char* name :
         {"GIT_DIR", "GIT_WORK_TREE", "GIT_INDEX_FILE", "GIT_OBJECT_DIRECTORY",
          "GIT_ALTERNATE_OBJECT_DIRECTORIES", "GIT_COMMON_DIR", "GIT_NAMESPACE", "GIT_PREFIX",
          "GIT_EXTERNAL_DIFF", "GIT_DIFF_OPTS", "GIT_PAGER", "GIT_CONFIG_PARAMETERS"})
        base.remove(QString::fromLatin1(name));

    bool countValid = false;
    int count = base.value(QStringLiteral("GIT_CONFIG_COUNT")).toInt(&countValid);
    if (!countValid || count < 0)
        count = 0;
    for (const auto& [key, value] : stableOutputSettings(access) + repositorySettings) {
        base.insert(QStringLiteral("GIT_CONFIG_KEY_%1").arg(count), key);
        base.insert(QStringLiteral("GIT_CONFIG_VALUE_%1").arg(count), value);
        ++count;
    }
    base.insert(QStringLiteral("GIT_CONFIG_COUNT"), QString::number(count));
    if (access == GitAccess::ReadOnly) {
        base.insert(QStringLiteral("GIT_OPTIONAL_LOCKS"), QStringLiteral("0"));
        blockLazyFetching(base);
    }
    return base;
}

void blockLazyFetching(QProcessEnvironment& environment) {
    // A partial clone fetches missing contents from its promisor remote on demand: a diff could
    // then wait on the network or a password unasked. No transport carries this name, so every
    // one is refused before it connects; git 2.45 and later also have a switch of their own.
    environment.insert(QStringLiteral("GIT_ALLOW_PROTOCOL"), QStringLiteral("no-transport"));
    environment.insert(QStringLiteral("GIT_NO_LAZY_FETCH"), QStringLiteral("1"));
}

void allowLazyFetching(QProcessEnvironment& environment) {
    environment.remove(QStringLiteral("GIT_ALLOW_PROTOCOL"));
    environment.remove(QStringLiteral("GIT_NO_LAZY_FETCH"));
}

QHash<QString, QString> englishOutputEnvironment() {
    return {{QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")},
            {QStringLiteral("LANGUAGE"), QString()}};
}

} // namespace tolvane
