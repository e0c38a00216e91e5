#include "ui/window/AboutDialog.h"

#include "ui/common/viewColors.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

QString AboutDialog::displayVersion(const QString& buildVersion) {
    const QString trimmed = buildVersion.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("dev") : trimmed;
}

AboutDialog::AboutDialog(const QString& version, const QPixmap& icon, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Tolvane"));

    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("aboutIcon"));
    iconLabel->setPixmap(icon);
    iconLabel->setAlignment(Qt::AlignCenter);

    auto* name = new QLabel(QStringLiteral("Tolvane"), this);
    name->setObjectName(QStringLiteral("aboutName"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);

    auto* versionLabel = new QLabel(QStringLiteral("Version ") + displayVersion(version), this);
    versionLabel->setObjectName(QStringLiteral("aboutVersion"));
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette secondary = versionLabel->palette();
    secondary.setColor(QPalette::WindowText, ViewColors::secondaryLabel(palette()));
    versionLabel->setPalette(secondary);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("aboutClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 16);
    layout->setSpacing(8);
    layout->addWidget(iconLabel);
    layout->addSpacing(4);
    layout->addWidget(name);
    layout->addWidget(versionLabel);
    layout->addSpacing(12);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

} // namespace tolvane
