#pragma once

#include "state/ObservableField.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

namespace tolvane {

// How git signs commits, as the user's global configuration says; read, never written.
class SigningStatus : public QObject {
    Q_OBJECT
    // One sentence for Settings; empty until read.
    TOLVANE_FIELD(QString, description, setDescription)

public:
    explicit SigningStatus(QObject* parent = nullptr) : QObject(parent) {}
    // Reads the configuration again (git runs on a worker).
    QCoro::Task<> load();

Q_SIGNALS:
    void descriptionChanged();
};

} // namespace tolvane
