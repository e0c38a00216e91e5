#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <optional>

namespace tolvane {

// One open repository tab. Tabs are equal when their ids are, whatever else they hold.
struct RepositoryTab {
    QUuid id;
    QString path; // the repository's top-level folder
    QString name;
    std::optional<QByteArray> bookmarkData;

    friend bool operator==(const RepositoryTab& a, const RepositoryTab& b) { return a.id == b.id; }
};

} // namespace tolvane
