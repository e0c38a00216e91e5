#include "support/SmartHttpServer.h"

#include <QDeadlineTimer>

namespace tolvane::test {

SmartHttpServer::SmartHttpServer(const QString& projectRoot, const QString& user,
                                 const QString& password) {
    m_process.setProgram(QStringLiteral("/usr/bin/python3"));
    m_process.setArguments(
        {QStringLiteral(TOLVANE_SMART_HTTP_SCRIPT), projectRoot, user, password});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return;
    // The server prints its port once it listens.
    const QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    if (m_process.canReadLine())
        m_port = m_process.readLine().trimmed().toInt();
}

SmartHttpServer::~SmartHttpServer() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString SmartHttpServer::origin() const {
    return QStringLiteral("http://127.0.0.1:") + QString::number(m_port);
}

QString SmartHttpServer::url(const QString& repository) const {
    return origin() + QLatin1Char('/') + repository;
}

} // namespace tolvane::test
