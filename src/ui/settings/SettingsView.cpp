#include "ui/settings/SettingsView.h"

#include "settings/AppSettings.h"
#include "settings/SettingsNotifier.h"
#include "state/SigningStatus.h"
#include "ui/settings/SettingsSection.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tolvane {
namespace {

struct AppearanceChoice {
    const char* label;
    const char* value;
};
constexpr AppearanceChoice appearanceChoices[] = {
    {"System", "system"}, {"Light", "light"}, {"Dark", "dark"}, {"Opposite", "opposite"}};

QLabel* helpText(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(7.0, font.pointSizeF() * 0.85));
    label->setFont(font);
    return label;
}

} // namespace

QList<int> SettingsView::graphColumnChoices() {
    return {5, 8, 10, 15, 20, 30, unlimitedGraphColumns};
}

SettingsView::SettingsView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("settingsView"));
    setFixedWidth(viewWidth);

    // Appearance
    auto* appearance = new SettingsSection(QStringLiteral("Appearance"), this);
    appearance->setObjectName(QStringLiteral("appearanceSection"));
    auto* modeRow = new QWidget(appearance);
    auto* modeLayout = new QHBoxLayout(modeRow);
    modeLayout->setContentsMargins(0, 0, 0, 0);
    modeLayout->setSpacing(12);
    modeLayout->addWidget(new QLabel(QStringLiteral("Mode:"), modeRow));
    m_appearance = new QButtonGroup(this);
    for (const AppearanceChoice& choice : appearanceChoices) {
        auto* button = new QRadioButton(QString::fromLatin1(choice.label), modeRow);
        button->setObjectName(QStringLiteral("appearance_%1").arg(QLatin1String(choice.value)));
        button->setProperty("appearanceValue", QString::fromLatin1(choice.value));
        m_appearance->addButton(button);
        modeLayout->addWidget(button);
    }
    modeLayout->addStretch(1);
    appearance->addRow(modeRow);
    connect(m_appearance, &QButtonGroup::buttonClicked, this, [](QAbstractButton* button) {
        AppSettings::setAppearance(button->property("appearanceValue").toString());
    });

    // Commit History
    auto* history = new SettingsSection(QStringLiteral("Commit History"), this);
    history->setObjectName(QStringLiteral("historySection"));
    m_showGraph = new QCheckBox(QStringLiteral("Show commit graph"), history);
    m_showGraph->setObjectName(QStringLiteral("showCommitGraphToggle"));
    history->addRow(m_showGraph);
    connect(m_showGraph, &QCheckBox::toggled, this,
            [](bool on) { AppSettings::setShowCommitGraph(on); });

    m_columnsRow = new QWidget(history);
    m_columnsRow->setObjectName(QStringLiteral("graphColumnsRow"));
    auto* columnsLayout = new QVBoxLayout(m_columnsRow);
    columnsLayout->setContentsMargins(0, 0, 0, 0);
    columnsLayout->setSpacing(6);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->setSpacing(8);
    pickerRow->addWidget(new QLabel(QStringLiteral("Maximum graph columns:"), m_columnsRow));
    m_columns = new QComboBox(m_columnsRow);
    m_columns->setObjectName(QStringLiteral("graphColumnsPicker"));
    m_columns->setFixedWidth(120);
    for (int value : graphColumnChoices())
        m_columns->addItem(value == unlimitedGraphColumns ? QStringLiteral("Unlimited")
                                                          : QString::number(value),
                           value);
    pickerRow->addWidget(m_columns);
    pickerRow->addStretch(1);
    columnsLayout->addLayout(pickerRow);
    m_columnsHelp = helpText(
        QStringLiteral("When more branches exist than the maximum, an overflow indicator (⋯) is "
                       "shown. Set to Unlimited to always draw all branches."),
        "graphColumnsHelp", m_columnsRow);
    columnsLayout->addWidget(m_columnsHelp);
    m_shortenLines = new QCheckBox(QStringLiteral("Shorten long branch lines"), m_columnsRow);
    m_shortenLines->setObjectName(QStringLiteral("shortenBranchLinesToggle"));
    columnsLayout->addWidget(m_shortenLines);
    columnsLayout->addWidget(helpText(
        QStringLiteral("A line that passes many commits without one of its own ends in an arrow "
                       "and comes back just above the commit it leads to. Point at an arrow to "
                       "see where it goes; click it to go there."),
        "shortenBranchLinesHelp", m_columnsRow));
    history->addRow(m_columnsRow);
    connect(m_shortenLines, &QCheckBox::toggled, this,
            [](bool on) { AppSettings::setShortenBranchLines(on); });
    connect(m_columns, &QComboBox::activated, this, [this](int index) {
        AppSettings::setMaxGraphColumns(m_columns->itemData(index).toInt());
    });

    // Changes
    auto* changes = new SettingsSection(QStringLiteral("Changes"), this);
    changes->setObjectName(QStringLiteral("changesSection"));
    m_showDotFiles = new QCheckBox(QStringLiteral("Show dot files and directories"), changes);
    m_showDotFiles->setObjectName(QStringLiteral("showDotFilesToggle"));
    changes->addRow(m_showDotFiles);
    changes->addRow(helpText(
        QStringLiteral("When off, files and directories starting with a dot (e.g. .env, .config/) "
                       "are hidden from the Changes view. Git-specific files like .gitignore and "
                       ".gitattributes are always shown."),
        "dotFilesHelp", changes));
    connect(m_showDotFiles, &QCheckBox::toggled, this,
            [](bool on) { AppSettings::setShowDotFiles(on); });
    auto* submodulesRow = new QHBoxLayout;
    submodulesRow->setSpacing(8);
    submodulesRow->addWidget(
        new QLabel(QStringLiteral("Update submodules after an operation:"), changes));
    auto* submodules = new QComboBox(changes);
    submodules->setObjectName(QStringLiteral("updateSubmodulesPicker"));
    submodules->addItem(QStringLiteral("Ask"), QStringLiteral("ask"));
    submodules->addItem(QStringLiteral("Always"), QStringLiteral("always"));
    submodules->addItem(QStringLiteral("Never"), QStringLiteral("never"));
    submodulesRow->addWidget(submodules);
    submodulesRow->addStretch(1);
    auto* submodulesHolder = new QWidget(changes);
    submodulesRow->setContentsMargins(0, 0, 0, 0);
    submodulesHolder->setLayout(submodulesRow);
    changes->addRow(submodulesHolder);
    changes->addRow(helpText(
        QStringLiteral("When a checkout, pull, merge, reset or stash changes the commit recorded "
                       "for a submodule, update the submodule to it rather than leave it behind."),
        "updateSubmodulesHelp", changes));
    connect(submodules, &QComboBox::activated, this, [submodules](int index) {
        AppSettings::setUpdateSubmodules(submodules->itemData(index).toString());
    });

    // Committer Email
    auto* email = new SettingsSection(QStringLiteral("Committer Email"), this);
    email->setObjectName(QStringLiteral("committerEmailSection"));
    m_enforceNoreply = new QCheckBox(QStringLiteral("Enforce noreply email on commit"), email);
    m_enforceNoreply->setObjectName(QStringLiteral("enforceNoreplyToggle"));
    email->addRow(m_enforceNoreply);
    m_noreplyEmail = new QLineEdit(email);
    m_noreplyEmail->setObjectName(QStringLiteral("noreplyEmailField"));
    m_noreplyEmail->setClearButtonEnabled(true);
    email->addRow(m_noreplyEmail);
    m_noreplyHelp = helpText(
        QStringLiteral("Before each commit, Tolvane will set the repository's user.email to this "
                       "address. Use your GitHub noreply address (e.g. ") +
            QStringLiteral("user@") + gitHubNoreplyDomain +
            QStringLiteral(") to keep your real email private."),
        "noreplyHelp", email);
    email->addRow(m_noreplyHelp);
    connect(m_enforceNoreply, &QCheckBox::toggled, this, [](bool on) {
        // Offer a ready address the first time; a typed one is kept.
        if (on && AppSettings::noreplyEmail().isEmpty())
            AppSettings::setNoreplyEmail(AppSettings::noreplyPlaceholder());
        AppSettings::setEnforceNoreplyEmail(on);
    });
    connect(m_noreplyEmail, &QLineEdit::textEdited, this,
            [](const QString& text) { AppSettings::setNoreplyEmail(text); });

    // Git: how commits are signed, as git's configuration says (we never write it).
    auto* git = new SettingsSection(QStringLiteral("Git"), this);
    git->setObjectName(QStringLiteral("gitSection"));
    m_signingStatus = new SigningStatus(this);
    auto* signing = new QLabel(git);
    signing->setObjectName(QStringLiteral("signingStatusLabel"));
    signing->setWordWrap(true);
    git->addRow(signing);
    auto* signingHelp = helpText(
        QStringLiteral("Set with git config (commit.gpgsign, gpg.format, user.signingkey). "
                       "<a href=\"signing\">About signing and verification</a>"),
        "signingHelp", git);
    signingHelp->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    git->addRow(signingHelp);
    connect(signingHelp, &QLabel::linkActivated, this, &SettingsView::helpRequested);
    connect(m_signingStatus, &SigningStatus::descriptionChanged, signing,
            [this, signing] { signing->setText(m_signingStatus->description()); });
    m_signingStatus->load();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 20);
    layout->setSpacing(18);
    layout->addWidget(appearance);
    layout->addWidget(history);
    layout->addWidget(changes);
    layout->addWidget(email);
    layout->addWidget(git);
    layout->addStretch(1);

    connect(&SettingsNotifier::instance(), &SettingsNotifier::changed, this,
            &SettingsView::onSettingChanged);
    load();
}

void SettingsView::onSettingChanged(const QString& key) {
    static const QStringList shown{QLatin1String(SettingsKey::appearance),
                                   QLatin1String(SettingsKey::showCommitGraph),
                                   QLatin1String(SettingsKey::maxGraphColumns),
                                   QLatin1String(SettingsKey::shortenBranchLines),
                                   QLatin1String(SettingsKey::showDotFiles),
                                   QLatin1String(SettingsKey::enforceNoreplyEmail),
                                   QLatin1String(SettingsKey::noreplyEmail),
                                   QLatin1String(SettingsKey::gitHubUsername)};
    if (shown.contains(key))
        load();
}

void SettingsView::load() {
    if (auto* submodules = findChild<QComboBox*>(QStringLiteral("updateSubmodulesPicker")))
        submodules->setCurrentIndex(submodules->findData(AppSettings::updateSubmodules()));
    const QString appearance = AppSettings::appearance();
    QAbstractButton* systemButton = nullptr;
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* button : m_appearance->buttons()) {
        const QString value = button->property("appearanceValue").toString();
        if (value == QLatin1String("system"))
            systemButton = button;
        if (value == appearance)
            chosen = button;
    }
    // Unknown values behave as "system", so show them as such.
    (chosen ? chosen : systemButton)->setChecked(true);

    const bool showGraph = AppSettings::showCommitGraph();
    {
        const QSignalBlocker block(m_showGraph);
        m_showGraph->setChecked(showGraph);
    }
    {
        const QSignalBlocker block(m_columns);
        m_columns->setCurrentIndex(m_columns->findData(AppSettings::maxGraphColumns()));
    }
    {
        const QSignalBlocker block(m_shortenLines);
        m_shortenLines->setChecked(AppSettings::shortenBranchLines());
    }
    {
        const QSignalBlocker block(m_showDotFiles);
        m_showDotFiles->setChecked(AppSettings::showDotFiles());
    }
    const bool enforce = AppSettings::enforceNoreplyEmail();
    {
        const QSignalBlocker block(m_enforceNoreply);
        m_enforceNoreply->setChecked(enforce);
    }
    const QString email = AppSettings::noreplyEmail();
    // Rewriting the text being typed would move the cursor.
    if (m_noreplyEmail->text() != email)
        m_noreplyEmail->setText(email);
    m_noreplyEmail->setPlaceholderText(AppSettings::noreplyPlaceholder());

    const bool layoutChanges =
        m_columnsRow->isHidden() == showGraph || m_noreplyEmail->isHidden() == enforce;
    m_columnsRow->setVisible(showGraph);
    m_noreplyEmail->setVisible(enforce);
    m_noreplyHelp->setVisible(enforce);
    if (layoutChanges) {
        adjustSize();
        Q_EMIT contentChanged();
    }
}

} // namespace tolvane
