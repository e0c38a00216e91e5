#include "settings/AppSettings.h"

#include "settings/SettingsNotifier.h"

#include <QDir>
#include <QSettings>
#include <memory>

namespace tolvane {
namespace {

std::unique_ptr<QSettings> store() {
    return std::make_unique<QSettings>(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
}

QString keyText(const char* key) {
    return QString::fromLatin1(key);
}

// The native store on Linux is a text file, so values come back as text: accept a real bool or
// the words the store writes for one.
std::optional<bool> asBool(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

std::optional<int> asInt(const QVariant& value) {
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return value.toInt();
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const int number = value.toString().toInt(&ok);
        if (ok)
            return number;
    }
    return std::nullopt;
}

std::optional<QString> asText(const QVariant& value) {
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return std::nullopt;
}

bool readBool(const char* key, bool fallback) {
    return asBool(store()->value(keyText(key))).value_or(fallback);
}

void write(const char* key, const QVariant& value) {
    const auto settings = store();
    const QString name = keyText(key);
    const QVariant old = settings->value(name);
    settings->setValue(name, value);
    if (old != value)
        Q_EMIT SettingsNotifier::instance().changed(name);
}

} // namespace

QString AppSettings::cloneParentFolder() {
    const std::optional<QString> folder =
        asText(store()->value(keyText(SettingsKey::cloneParentFolder)));
    return folder && !folder->isEmpty() ? *folder : QDir::homePath();
}
void AppSettings::setCloneParentFolder(const QString& value) {
    write(SettingsKey::cloneParentFolder, value);
}

QString AppSettings::appearance() {
    return asText(store()->value(keyText(SettingsKey::appearance)))
        .value_or(SettingsDefault::appearance);
}
void AppSettings::setAppearance(const QString& value) {
    write(SettingsKey::appearance, value);
}

bool AppSettings::showCommitGraph() {
    return readBool(SettingsKey::showCommitGraph, SettingsDefault::showCommitGraph);
}
void AppSettings::setShowCommitGraph(bool value) {
    write(SettingsKey::showCommitGraph, value);
}

int AppSettings::maxGraphColumns() {
    return asInt(store()->value(keyText(SettingsKey::maxGraphColumns)))
        .value_or(SettingsDefault::maxGraphColumns);
}
void AppSettings::setMaxGraphColumns(int value) {
    write(SettingsKey::maxGraphColumns, value);
}

bool AppSettings::shortenBranchLines() {
    return readBool(SettingsKey::shortenBranchLines, SettingsDefault::shortenBranchLines);
}
void AppSettings::setShortenBranchLines(bool value) {
    write(SettingsKey::shortenBranchLines, value);
}

bool AppSettings::showDotFiles() {
    return readBool(SettingsKey::showDotFiles, SettingsDefault::showDotFiles);
}
void AppSettings::setShowDotFiles(bool value) {
    write(SettingsKey::showDotFiles, value);
}

QString AppSettings::updateSubmodules() {
    const QString value = asText(store()->value(keyText(SettingsKey::updateSubmodules)))
                              .value_or(SettingsDefault::updateSubmodules);
    const bool known = value == u"ask" || value == u"always" || value == u"never";
    return known ? value : SettingsDefault::updateSubmodules;
}
void AppSettings::setUpdateSubmodules(const QString& value) {
    write(SettingsKey::updateSubmodules, value);
}

bool AppSettings::showAllFiles() {
    return readBool(SettingsKey::showAllFiles, SettingsDefault::showAllFiles);
}
void AppSettings::setShowAllFiles(bool value) {
    write(SettingsKey::showAllFiles, value);
}

bool AppSettings::enforceNoreplyEmail() {
    return readBool(SettingsKey::enforceNoreplyEmail, SettingsDefault::enforceNoreplyEmail);
}
void AppSettings::setEnforceNoreplyEmail(bool value) {
    write(SettingsKey::enforceNoreplyEmail, value);
}

QString AppSettings::noreplyEmail() {
    return asText(store()->value(keyText(SettingsKey::noreplyEmail)))
        .value_or(SettingsDefault::noreplyEmail);
}
void AppSettings::setNoreplyEmail(const QString& value) {
    write(SettingsKey::noreplyEmail, value);
}

QString AppSettings::keptCommitMessage(const QString& path) {
    return store()->value(keyText(SettingsKey::keptCommitMessages)).toMap().value(path).toString();
}
void AppSettings::setKeptCommitMessage(const QString& path, const QString& message) {
    const auto settings = store();
    const QString name = keyText(SettingsKey::keptCommitMessages);
    QVariantMap kept = settings->value(name).toMap();
    if (kept.value(path).toString() == message)
        return;
    if (message.isEmpty())
        kept.remove(path);
    else
        kept.insert(path, message);
    // Written as typed, so it is not announced to every settings view.
    settings->setValue(name, kept);
}

std::optional<QString> AppSettings::gitHubUsername() {
    return asText(store()->value(keyText(SettingsKey::gitHubUsername)));
}
void AppSettings::setGitHubUsername(const std::optional<QString>& value) {
    if (value)
        write(SettingsKey::gitHubUsername, *value);
    else
        remove(SettingsKey::gitHubUsername);
}

bool AppSettings::hasGitHubToken() {
    return readBool(SettingsKey::hasGitHubToken, SettingsDefault::hasGitHubToken);
}
void AppSettings::setHasGitHubToken(bool value) {
    write(SettingsKey::hasGitHubToken, value);
}

std::optional<QList<QByteArray>> AppSettings::savedRepositoryBookmarks() {
    const QVariant value = store()->value(keyText(SettingsKey::savedRepositoryBookmarks));
    if (!value.isValid() || value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<QByteArray> grants;
    for (const QVariant& item : value.toList()) {
        if (item.typeId() != QMetaType::QByteArray)
            return std::nullopt;
        grants.append(item.toByteArray());
    }
    return grants;
}
void AppSettings::setSavedRepositoryBookmarks(const QList<QByteArray>& value) {
    QVariantList list;
    list.reserve(value.size());
    for (const QByteArray& grant : value)
        list.append(grant);
    write(SettingsKey::savedRepositoryBookmarks, list);
}

std::optional<QString> AppSettings::lastActiveRepositoryPath() {
    return asText(store()->value(keyText(SettingsKey::lastActiveRepositoryPath)));
}
void AppSettings::setLastActiveRepositoryPath(const std::optional<QString>& value) {
    if (value)
        write(SettingsKey::lastActiveRepositoryPath, *value);
    else
        remove(SettingsKey::lastActiveRepositoryPath);
}

QString AppSettings::noreplyPlaceholder() {
    const QString name = gitHubUsername().value_or(QString());
    const QString local = name.isEmpty() ? QStringLiteral("user") : name;
    return local + QLatin1Char('@') + gitHubNoreplyDomain;
}

QVariant AppSettings::rawValue(const char* key) {
    return store()->value(keyText(key));
}

void AppSettings::setRawValue(const char* key, const QVariant& value) {
    write(key, value);
}

void AppSettings::remove(const char* key) {
    const auto settings = store();
    const QString name = keyText(key);
    if (!settings->contains(name))
        return;
    settings->remove(name);
    Q_EMIT SettingsNotifier::instance().changed(name);
}

} // namespace tolvane
