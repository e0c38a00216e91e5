#include "platform/BookmarkHelper.h"

#include "platform/strictUtf8.h"

#include <QFileInfo>
#include <cstdio>

namespace tolvane::BookmarkHelper {
namespace {

void printLine(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

std::optional<QByteArray> createBookmark(const QString& folder) {
    if (folder.isEmpty()) {
        printLine(QStringLiteral("BookmarkHelper: Failed to create bookmark: empty path"));
        return std::nullopt;
    }
    return folder.toUtf8();
}

std::optional<QString> resolveBookmark(const QByteArray& bookmark) {
    const QString path = strictUtf8(bookmark).value_or(QString());
    if (path.isEmpty()) {
        printLine(QStringLiteral("BookmarkHelper: Failed to resolve bookmark: not a folder path"));
        return std::nullopt;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        printLine(QStringLiteral("BookmarkHelper: Failed to resolve bookmark: ") + path +
                  QStringLiteral(" does not exist"));
        return std::nullopt;
    }
    if (!info.isDir()) {
        printLine(QStringLiteral("BookmarkHelper: Failed to resolve bookmark: ") + path +
                  QStringLiteral(" is not a folder"));
        return std::nullopt;
    }
    return path;
}

} // namespace tolvane::BookmarkHelper
