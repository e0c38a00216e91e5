#include "platform/SingleInstance.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QUrl>
#include <QVariantMap>

namespace tolvane {
namespace {

const QString applicationInterface = QStringLiteral("org.freedesktop.Application");

// Open takes URIs; a launcher may also send plain paths.
QStringList localPaths(const QStringList& uris) {
    QStringList paths;
    for (const QString& uri : uris) {
        const QUrl url(uri);
        paths.append(url.isLocalFile() ? url.toLocalFile() : uri);
    }
    return paths;
}

} // namespace

// The freedesktop application interface, as desktop launchers and later launches call it.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(SingleInstance* owner)
        : QDBusAbstractAdaptor(owner), m_owner(owner) {}

public Q_SLOTS:
    void Activate(const QVariantMap& platformData) {
        Q_UNUSED(platformData);
        Q_EMIT m_owner->activationRequested({});
    }
    void Open(const QStringList& uris, const QVariantMap& platformData) {
        Q_UNUSED(platformData);
        Q_EMIT m_owner->activationRequested(localPaths(uris));
    }
    // The program has no application actions; asking for one still brings the window up.
    void ActivateAction(const QString& name, const QVariantList& parameter,
                        const QVariantMap& platformData) {
        Q_UNUSED(name);
        Q_UNUSED(parameter);
        Q_UNUSED(platformData);
        Q_EMIT m_owner->activationRequested({});
    }

private:
    SingleInstance* m_owner;
};

SingleInstance::SingleInstance(const QString& applicationId, QObject* parent)
    : QObject(parent), m_applicationId(applicationId) {
    new ApplicationAdaptor(this);
}

SingleInstance::~SingleInstance() {
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(m_applicationId);
    bus.unregisterObject(objectPath(m_applicationId));
}

QString SingleInstance::objectPath(const QString& applicationId) {
    QString path = applicationId;
    path.replace(QLatin1Char('.'), QLatin1Char('/')).replace(QLatin1Char('-'), QLatin1Char('_'));
    return QLatin1Char('/') + path;
}

SingleInstance::Claim SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Claim::NoBus;
    // The object is there before the name is, so that a launch that finds the name can call it.
    if (!bus.registerObject(objectPath(m_applicationId), this, QDBusConnection::ExportAdaptors))
        return Claim::NoBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(m_applicationId,
                                         QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_registered = true;
        return Claim::Owned;
    }
    bus.unregisterObject(objectPath(m_applicationId));
    // A bus that refuses the name for another reason (a policy) is as good as none.
    if (!reply.isValid())
        return Claim::NoBus;
    return Claim::Taken;
}

bool SingleInstance::forward(const QStringList& paths) {
    QDBusMessage call;
    if (paths.isEmpty()) {
        call = QDBusMessage::createMethodCall(m_applicationId, objectPath(m_applicationId),
                                              applicationInterface, QStringLiteral("Activate"));
        call << QVariantMap();
    } else {
        QStringList uris;
        for (const QString& path : paths)
            uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
        call = QDBusMessage::createMethodCall(m_applicationId, objectPath(m_applicationId),
                                              applicationInterface, QStringLiteral("Open"));
        call << uris << QVariantMap();
    }
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, forwardTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    m_error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    m_ownerGone = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                  reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    return false;
}

SingleInstance::Role SingleInstance::start(const QStringList& paths) {
    // The running copy may be quitting between our claim and our call; then the name is free
    // again and this launch becomes the one that runs.
    for (int attempt = 0; attempt < 3; ++attempt) {
        switch (claim()) {
        case Claim::Owned:
            return Role::Primary;
        case Claim::NoBus:
            return Role::Alone;
        case Claim::Taken:
            if (forward(paths))
                return Role::Forwarded;
            if (!m_ownerGone)
                return Role::Failed;
            break;
        }
    }
    return Role::Failed;
}

} // namespace tolvane

#include "SingleInstance.moc"
