#include "state/SigningStatus.h"

#include "engine/GitError.h"
#include "engine/GitService.h"
#include "engine/signingConfiguration.h"

#include <QDir>
#include <QPointer>

namespace tolvane {

QCoro::Task<> SigningStatus::load() {
    QPointer<SigningStatus> self(this);
    const GitService git(QDir::homePath());
    const QStringList args{QStringLiteral("config"),       QStringLiteral("--global"),
                           QStringLiteral("--includes"),   QStringLiteral("-z"),
                           QStringLiteral("--get-regexp"), signingConfigurationPattern()};
    QString listing;
    std::optional<QString> failure;
    try {
        listing = co_await git.run(args);
    } catch (const GitError& error) {
        // git exits with 1 when none of the keys is set.
        if (error.code() != 1)
            failure = error.message();
    }
    if (!self)
        co_return;
    setDescription(failure ? QStringLiteral("Could not read git's configuration: ") + *failure
                           : describeSigning(parseConfigListing(listing.toUtf8()).last));
}

} // namespace tolvane
