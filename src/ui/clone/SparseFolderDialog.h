#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace tolvane {

// Lets the user tick the top-level folders a sparse clone checks out.
class SparseFolderDialog : public QDialog {
    Q_OBJECT
public:
    SparseFolderDialog(const QStringList& folders, QWidget* parent = nullptr);
    QStringList chosenFolders() const;

private:
    QListWidget* m_list;
};

} // namespace tolvane
