#include "state/diffDisplay.h"

#include "diff/DiffParser.h"
#include "engine/pathNames.h"

#include <QSet>
#include <QTextBoundaryFinder>

namespace tolvane {
namespace {

const QSet<QString>& largeDiffExtensions() {
    static const QSet<QString> extensions{QStringLiteral("sublime-workspace"),
                                          QStringLiteral("xcworkspacedata"),
                                          QStringLiteral("xcuserstate"),
                                          QStringLiteral("pbxproj"),
                                          QStringLiteral("lock"),
                                          QStringLiteral("resolved"),
                                          QStringLiteral("min.js"),
                                          QStringLiteral("min.css"),
                                          QStringLiteral("map"),
                                          QStringLiteral("wasm"),
                                          QStringLiteral("db"),
                                          QStringLiteral("sqlite")};
    return extensions;
}

const QString separatorLine(41, QChar(0x2500));

const QString truncatedOutputNotice =
    QStringLiteral("\n\n── Diff truncated (output too large to display fully) ──");

} // namespace

std::optional<QString> skippedDiffNotice(const QString& path) {
    const QString name = lastPathComponent(path).toLower();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1);
    if (!largeDiffExtensions().contains(extension) && !largeDiffExtensions().contains(name))
        return std::nullopt;
    return QStringLiteral("Diff skipped for .") + extension + QStringLiteral(" file");
}

std::optional<QString> cutToGraphemes(const QString& text, qsizetype limit) {
    // A cluster has at least one code unit, so a short text cannot be over the limit.
    if (text.size() <= limit)
        return std::nullopt;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype clusters = 0;
    qsizetype cutAt = -1;
    while (finder.toNextBoundary() >= 0) {
        ++clusters;
        if (clusters == limit)
            cutAt = finder.position();
        if (clusters > limit)
            return text.left(cutAt);
    }
    return std::nullopt;
}

QString untrackedFileDisplay(const QString& path, const QString& content) {
    QString text = QStringLiteral("New file: ") + path + QLatin1Char('\n') + separatorLine +
                   QStringLiteral("\n");
    text.reserve(text.size() + content.size() + content.count(QLatin1Char('\n')) + 2);
    qsizetype start = 0;
    while (true) {
        const qsizetype end = content.indexOf(QLatin1Char('\n'), start);
        text += QLatin1Char('\n');
        text += QLatin1Char('+');
        if (end < 0) {
            text += QStringView(content).mid(start);
            break;
        }
        text += QStringView(content).mid(start, end - start);
        start = end + 1;
    }
    if (const auto cut = cutToGraphemes(text, maxDiffCharacters))
        return *cut + QStringLiteral("\n\n── Diff truncated (file too large to display fully) ──");
    return text;
}

DiffDisplay trackedDiffDisplay(const QString& diff) {
    if (diff.isEmpty())
        return {QStringLiteral("No changes to display"), std::nullopt};
    if (const auto cut = cutToGraphemes(diff, maxDiffCharacters))
        return {*cut + truncatedOutputNotice, std::nullopt};
    return {diff, DiffParser::parse(diff)};
}

QString commitDiffDisplay(const QString& diff) {
    if (const auto cut = cutToGraphemes(diff, maxDiffCharacters))
        return *cut + truncatedOutputNotice;
    return diff;
}

QString commitDiffDisplay(const LimitedOutput& diff) {
    if (diff.complete)
        return commitDiffDisplay(diff.text);
    const auto cut = cutToGraphemes(diff.text, maxDiffCharacters);
    QString shown = cut ? *cut : diff.text;
    // The read may have stopped inside a line, or inside a character.
    const qsizetype lastBreak = shown.lastIndexOf(QLatin1Char('\n'));
    if (!cut && lastBreak >= 0)
        shown.truncate(lastBreak);
    return shown + truncatedOutputNotice;
}

} // namespace tolvane
