#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace tolvane {

// Keeps one running copy of the program per user session. The first launch owns the application
// id as a name on the session bus and answers the freedesktop `org.freedesktop.Application`
// interface (Activate, Open) on the id's object path; a later launch hands its paths to it and
// ends. Without a session bus every launch runs on its own.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,   // this process owns the id and receives the other launches
        Forwarded, // the running copy took the paths over: exit with success
        Alone,     // no session bus: run on its own
        Failed,    // a running copy owns the id but did not take the paths (see error())
    };

    // How long a second launch waits for the running copy to answer.
    static constexpr int forwardTimeoutMs = 15000;

    explicit SingleInstance(const QString& applicationId, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Claims the id, or hands `paths` (absolute; none for a bare start) to the copy that owns
    // it. Call once, before anything reads or writes the settings, so that the settings only
    // ever have one writer.
    Role start(const QStringList& paths);
    // Why the paths could not be handed over (Failed).
    QString error() const { return m_error; }

    // The D-Bus object path of an application id ("org.example.App" -> "/org/example/App").
    static QString objectPath(const QString& applicationId);

Q_SIGNALS:
    // Another launch asked to open these paths (none for a bare start): open them and bring the
    // window to the front.
    void activationRequested(const QStringList& paths);

private:
    enum class Claim { Owned, Taken, NoBus };
    Claim claim();
    bool forward(const QStringList& paths);

    QString m_applicationId;
    QString m_error;
    bool m_registered = false;
    bool m_ownerGone = false;
};

} // namespace tolvane
