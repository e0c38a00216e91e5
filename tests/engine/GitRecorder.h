#pragma once

#include "engine/GitRunnerConfig.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

namespace tolvane::test {

// Stands in for git while alive: a shell script that records each call's arguments and then
// runs the real git with them, so a test can check both the argument list and the effect.
class GitRecorder {
public:
    GitRecorder() {
        const QString script = m_dir.filePath(QStringLiteral("git"));
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n"
                   "dir=\"$(dirname \"$0\")/calls\"\n"
                   "n=$(ls \"$dir\" | wc -l)\n"
                   "printf '%s\\0' \"$(pwd -P)\" \"$@\" > \"$dir/$(printf '%05d' \"$n\")\"\n"
                   "exec /usr/bin/git \"$@\"\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        QDir(m_dir.path()).mkpath(QStringLiteral("calls"));
        GitRunnerConfig config = GitRunnerConfig::current();
        config.gitExecutable = script;
        GitRunnerConfig::set(config);
    }
    ~GitRecorder() { GitRunnerConfig::set(GitRunnerConfig{}); }

    // Every call so far, in order, without the runner's "-c core.quotePath=false" prefix.
    QList<QStringList> calls() const {
        QList<QStringList> result;
        for (QStringList call : rawCalls()) {
            call.removeFirst();
            if (call.size() >= 2 && call[0] == u"-c" && call[1] == u"core.quotePath=false")
                call.remove(0, 2);
            result.append(call);
        }
        return result;
    }

    // The working directory of every call so far, with symbolic links resolved.
    QStringList directories() const {
        QStringList result;
        for (const QStringList& call : rawCalls())
            result.append(call.value(0));
        return result;
    }

    void clear() {
        QDir calls(m_dir.filePath(QStringLiteral("calls")));
        for (const QString& name : calls.entryList(QDir::Files))
            calls.remove(name);
    }

private:
    QList<QStringList> rawCalls() const {
        QList<QStringList> result;
        QDir calls(m_dir.filePath(QStringLiteral("calls")));
        for (const QString& name : calls.entryList(QDir::Files, QDir::Name)) {
            QFile file(calls.filePath(name));
            file.open(QIODevice::ReadOnly);
            QStringList arguments;
            for (const QByteArray& item : file.readAll().split('\0'))
                arguments.append(QString::fromUtf8(item));
            arguments.removeLast(); // after the final NUL
            // The runner's own look at the repository's configuration before a query is not
            // one of the calls a test asks about.
            if (arguments.contains(QStringLiteral("--path-format=absolute")) ||
                arguments.contains(QStringLiteral("--show-scope")))
                continue;
            result.append(arguments);
        }
        return result;
    }

    QTemporaryDir m_dir;
};

} // namespace tolvane::test
