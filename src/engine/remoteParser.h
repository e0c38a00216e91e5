#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tolvane {

// One configured remote with the addresses git fetches from and pushes to, exactly as
// configured (the push address is the fetch address unless a push address of its own is set).
struct GitRemote {
    QString name;
    QString fetchUrl;
    QString pushUrl;

    friend bool operator==(const GitRemote&, const GitRemote&) = default;
};

// The records of `git config -z --get-regexp '^remote\..*\.(url|pushurl)$'` ("key\nvalue\0"),
// one remote per name in the order configured. A remote name may hold dots itself; the first url
// and the first pushurl of a remote count.
QList<GitRemote> parseRemoteConfig(const QByteArray& output);

// "origin", "origin and upstream", "origin, upstream and fork".
QString joinedNames(const QStringList& names);

} // namespace tolvane
