#include "platform/ColorSchemeHelper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace tolvane {
namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

// Read wraps the value in one more variant than ReadOne does; unwrap whatever nesting arrives.
std::optional<uint> unwrapScheme(QVariant value) {
    for (int depth = 0; depth < 3 && value.canConvert<QDBusVariant>() &&
                        value.typeId() == qMetaTypeId<QDBusVariant>();
         ++depth)
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    return scheme;
}

enum class CallResult { Answered, NoSuchMethod, Failed };

CallResult readScheme(const QString& method, int timeoutMs, std::optional<uint>& scheme) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    call << appearanceNamespace << colorSchemeKey;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"))
            return CallResult::NoSuchMethod;
        return CallResult::Failed;
    }
    if (reply.arguments().isEmpty())
        return CallResult::Failed;
    scheme = unwrapScheme(reply.arguments().constFirst());
    return CallResult::Answered;
}

} // namespace

std::optional<bool> ColorSchemeHelper::portalPrefersDark(int timeoutMs) {
    if (!QDBusConnection::sessionBus().isConnected())
        return std::nullopt;
    std::optional<uint> scheme;
    // ReadOne is the current method; portals older than version 2 only know Read.
    CallResult result = readScheme(QStringLiteral("ReadOne"), timeoutMs, scheme);
    if (result == CallResult::NoSuchMethod)
        result = readScheme(QStringLiteral("Read"), timeoutMs, scheme);
    if (result != CallResult::Answered || !scheme)
        return std::nullopt;
    switch (*scheme) {
    case 1:
        return true;
    case 2:
        return false;
    default:
        return std::nullopt; // no preference: the palette decides
    }
}

bool ColorSchemeHelper::paletteIsDark(const QPalette& palette) {
    return palette.color(QPalette::Active, QPalette::Window).lightness() < 128;
}

bool ColorSchemeHelper::systemIsDark(const QPalette& platformPalette) {
    if (const auto portal = portalPrefersDark())
        return *portal;
    return paletteIsDark(platformPalette);
}

} // namespace tolvane
