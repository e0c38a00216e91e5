#include "engine/signingConfiguration.h"

#include <QFileInfo>
#include <QList>

namespace tolvane {
namespace {

// git's boolean spellings.
bool isTrue(const QString& value) {
    const QString lower = value.trimmed().toLower();
    return lower == QLatin1String("true") || lower == QLatin1String("yes") ||
           lower == QLatin1String("on") || lower == QLatin1String("1");
}

} // namespace

QString signingConfigurationPattern() {
    return QStringLiteral("^(commit\\.gpgsign|gpg\\.format|user\\.signingkey)$");
}

QString describeSigning(const QHash<QString, QString>& configuration) {
    if (!isTrue(configuration.value(QStringLiteral("commit.gpgsign"))))
        return QStringLiteral("Commits are not signed.");
    const QString format = configuration.value(QStringLiteral("gpg.format")).trimmed().toLower();
    const QString key = configuration.value(QStringLiteral("user.signingkey")).trimmed();
    if (format == QLatin1String("ssh")) {
        if (key.isEmpty())
            return QStringLiteral("Commits are signed with SSH, but no key is set "
                                  "(user.signingkey), so git will refuse to commit.");
        // A literal key is long; its comment or its start is enough to recognise it.
        QString shown = key;
        if (shown.startsWith(QLatin1String("key::")) || shown.startsWith(QLatin1String("ssh-"))) {
            const QStringList parts = shown.mid(shown.startsWith(QLatin1String("key::")) ? 5 : 0)
                                          .split(u' ', Qt::SkipEmptyParts);
            shown = parts.size() > 2
                        ? parts.mid(2).join(u' ')
                        : parts.value(0) + QStringLiteral(" ") + parts.value(1).right(12);
        }
        return QStringLiteral("Commits are signed with SSH key ") + shown + u'.';
    }
    if (format == QLatin1String("x509"))
        return key.isEmpty()
                   ? QStringLiteral("Commits are signed with your X.509 certificate.")
                   : QStringLiteral("Commits are signed with X.509 certificate ") + key + u'.';
    return key.isEmpty()
               ? QStringLiteral("Commits are signed with the OpenPGP key of your committer "
                                "e-mail address.")
               : QStringLiteral("Commits are signed with OpenPGP key ") + key + u'.';
}

} // namespace tolvane
