#pragma once

#include <QDialog>
#include <QPixmap>

namespace tolvane {

// The About window: the icon, "Tolvane" and the version of the build.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const QString& version, const QPixmap& icon, QWidget* parent = nullptr);

    // The version to show: the build's own, or "dev" when the build has none.
    static QString displayVersion(const QString& buildVersion);
};

} // namespace tolvane
