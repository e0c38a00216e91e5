#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tolvane {

// The remote a partial clone downloads missing contents from, and the filter it was cloned with.
struct PromisorRemote {
    QString name;
    // "blob:none", "tree:0", ...; empty when the remote names none.
    QString filter;
    friend bool operator==(const PromisorRemote&, const PromisorRemote&) = default;
};

// Reads the output of `git config -z --get-regexp
// '^(remote\..*\.(promisor|partialclonefilter)|extensions\.partialclone)$'`. The remote named by
// extensions.partialClone wins over any other marked as promisor; none when the repository has no
// promisor. Pure.
std::optional<PromisorRemote> parsePromisorRemote(const QByteArray& listing);

// Whether git stopped because contents it needed are only on the promisor remote, which our
// automatic queries are not allowed to reach.
bool isMissingContentsMessage(const QString& message);

} // namespace tolvane
