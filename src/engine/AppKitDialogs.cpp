#include "engine/AppKitDialogs.h"

#include "engine/lineSplitting.h"

namespace tolvane {

std::optional<QString> AppKitDialogs::validateRefName(const QString& name) {
    const QString t = trimSpacesAndTabs(name).toString();
    if (t.isEmpty())
        return QStringLiteral("Name cannot be empty.");
    if (t.contains(u' '))
        return QStringLiteral("Name cannot contain spaces.");
    if (t.contains(u".."))
        return QStringLiteral("Name cannot contain '..'.");
    if (t.startsWith(u'.') || t.endsWith(u'.'))
        return QStringLiteral("Name cannot start or end with '.'.");
    if (t.startsWith(u'-'))
        return QStringLiteral("Name cannot start with '-'.");
    if (t.endsWith(u".lock"))
        return QStringLiteral("Name cannot end with '.lock'.");
    for (const QChar c : {u'~', u'^', u':', u'\\', u'['}) {
        if (t.contains(c))
            return QStringLiteral("Name contains invalid character.");
    }
    if (t.contains(u"@{"))
        return QStringLiteral("Name cannot contain '@{'.");
    if (t == u"@")
        return QStringLiteral("Name cannot be '@'.");
    if (t.contains(u"//"))
        return QStringLiteral("Name cannot contain consecutive slashes.");
    if (t.startsWith(u'/') || t.endsWith(u'/'))
        return QStringLiteral("Name cannot start or end with '/'.");
    for (const char32_t scalar : t.toUcs4()) {
        if (scalar < 0x20 || scalar == 0x7F)
            return QStringLiteral("Name contains control characters.");
        if (scalar == 0x20 || scalar == 0x2A || scalar == 0x3F)
            return QStringLiteral("Name contains invalid character '") +
                   QString::fromUcs4(&scalar, 1) + QStringLiteral("'.");
    }
    return std::nullopt;
}

} // namespace tolvane
