#pragma once

#include <QProcess>
#include <QString>

namespace tolvane::test {

// git's smart HTTP protocol for the bare repositories under one folder, on 127.0.0.1 at a free
// port, demanding HTTP basic credentials (git http-backend behind a small Python server). Stops
// with the object.
class SmartHttpServer {
public:
    SmartHttpServer(const QString& projectRoot, const QString& user, const QString& password);
    ~SmartHttpServer();
    SmartHttpServer(const SmartHttpServer&) = delete;
    SmartHttpServer& operator=(const SmartHttpServer&) = delete;

    bool isRunning() const { return m_port > 0; }
    // "http://127.0.0.1:<port>", no trailing slash.
    QString origin() const;
    // The address of one repository under the project root, e.g. "origin.git".
    QString url(const QString& repository) const;

private:
    QProcess m_process;
    int m_port = 0;
};

} // namespace tolvane::test
