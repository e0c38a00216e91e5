#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tolvane {

// The records of `git ls-files -z`, decoded losslessly (engine/gitText.h). A wide tree lists
// its files again on every refresh, nearly always unchanged: when the output for `repoPath` is
// byte for byte the previous one, the list made then is handed back, shared, so that neither
// the parse nor the comparison of a hundred thousand names is paid again. Thread-safe.
QStringList trackedFilesFromOutput(const QString& repoPath, const QByteArray& output);

} // namespace tolvane
