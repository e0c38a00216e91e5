#include "ui/submodules/SubmodulesView.h"

#include "state/RepositoryState.h"
#include "ui/common/ConfirmationAlert.h"
#include "ui/submodules/SubmoduleListModel.h"
#include "ui/submodules/SubmoduleRowDelegate.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

// The question after an operation moved submodule pointers, as the alert renders it.
ConfirmationDialog updatePromptDialog(SubmodulesState* submodules) {
    QPointer<SubmodulesState> guard(submodules);
    const QStringList paths = submodules->movedSubmodules();
    const QString which = paths.size() == 1 ? QStringLiteral("the submodule ") + paths.first()
                                            : QStringLiteral("%1 submodules").arg(paths.size());
    return ConfirmationDialog(
        QStringLiteral("Update Submodules?"),
        QStringLiteral("The commit recorded for %1 has changed, and the checked-out files still "
                       "show the old one. Update to the recorded commit?")
            .arg(which),
        {DialogButton(QStringLiteral("Leave as Is"), DialogButtonRole::Cancel,
                      [guard]() -> QCoro::Task<> {
                          if (guard)
                              guard->declineUpdateMoved();
                          co_return;
                      }),
         DialogButton(
             QStringLiteral("Update"), DialogButtonRole::Default,
             [guard]() -> QCoro::Task<> {
                 if (guard)
                     co_await guard->confirmUpdateMoved();
             },
             true)});
}

} // namespace

SubmodulesView::SubmodulesView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_model(new SubmoduleListModel(this)),
      m_list(new QListView(this)), m_update(new QPushButton(QStringLiteral("Update"), this)),
      m_updateAll(new QPushButton(QStringLiteral("Update All"), this)),
      m_openTab(new QPushButton(QStringLiteral("Open as Tab"), this)),
      m_reveal(new QPushButton(QStringLiteral("Show in File Manager"), this)) {
    setObjectName(QStringLiteral("submodulesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_list->setObjectName(QStringLiteral("submodulesList"));
    m_list->setAccessibleName(tr("Submodules"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new SubmoduleRowDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_list, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);

    // Two rows: the narrow sidebar has no room for four buttons side by side.
    auto* footer = new QVBoxLayout;
    footer->setContentsMargins(10, 8, 10, 8);
    footer->setSpacing(6);
    auto* top = new QHBoxLayout;
    auto* bottom = new QHBoxLayout;
    m_update->setObjectName(QStringLiteral("updateSubmoduleButton"));
    m_updateAll->setObjectName(QStringLiteral("updateAllSubmodulesButton"));
    m_openTab->setObjectName(QStringLiteral("openSubmoduleButton"));
    m_reveal->setObjectName(QStringLiteral("revealSubmoduleButton"));
    top->addWidget(m_update);
    top->addWidget(m_updateAll);
    top->addStretch(1);
    bottom->addWidget(m_openTab);
    bottom->addWidget(m_reveal);
    bottom->addStretch(1);
    footer->addLayout(top);
    footer->addLayout(bottom);
    layout->addLayout(footer);

    SubmodulesState* submodules = &state->submodules();
    connect(m_update, &QPushButton::clicked, this, [this] {
        if (const auto path = selectedPath(); path && m_state)
            m_state->submodules().update(*path);
    });
    connect(m_updateAll, &QPushButton::clicked, this, [this] {
        if (m_state)
            m_state->submodules().updateAll();
    });
    connect(m_openTab, &QPushButton::clicked, this, [this] {
        if (const auto path = selectedPath(); path && m_state)
            m_state->submodules().openAsTab(*path);
    });
    connect(m_reveal, &QPushButton::clicked, this, [this] {
        if (const auto path = selectedPath(); path && m_state)
            m_state->submodules().revealInFileManager(*path);
    });
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = m_list->indexAt(pos);
        if (!index.isValid())
            return;
        m_list->setCurrentIndex(index);
        auto* menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("submoduleContextMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (QPushButton* button : {m_update, m_openTab, m_reveal})
            connect(menu->addAction(button->text()), &QAction::triggered, button,
                    &QPushButton::click);
        menu->popup(m_list->viewport()->mapToGlobal(pos));
    });

    auto refill = [this, submodules] {
        const std::optional<QString> selected = selectedPath();
        m_model->setSubmodules(submodules->submodules());
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (selected && m_model->submoduleAt(row)->path == *selected)
                m_list->setCurrentIndex(m_model->index(row));
        }
        updateButtons();
    };
    connect(submodules, &SubmodulesState::submodulesChanged, this, refill);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &SubmodulesView::updateButtons);
    refill();
    connect(submodules, &SubmodulesState::showUpdatePromptChanged, this,
            &SubmodulesView::syncPrompt);
    syncPrompt();
}

std::optional<QString> SubmodulesView::selectedPath() const {
    const GitSubmodule* submodule = m_model->submoduleAt(m_list->currentIndex().row());
    return submodule ? std::optional<QString>(submodule->path) : std::nullopt;
}

void SubmodulesView::updateButtons() {
    const GitSubmodule* submodule = m_model->submoduleAt(m_list->currentIndex().row());
    m_update->setEnabled(submodule != nullptr);
    m_updateAll->setEnabled(m_model->rowCount() > 0);
    // An uninitialized submodule has no working tree to open or show.
    const bool checkedOut = submodule && submodule->state != SubmoduleState::NotInitialized;
    m_openTab->setEnabled(checkedOut);
    m_reveal->setEnabled(checkedOut);
}

void SubmodulesView::syncPrompt() {
    if (!m_state)
        return;
    SubmodulesState* submodules = &m_state->submodules();
    if (!submodules->showUpdatePrompt()) {
        if (m_prompt)
            m_prompt->close();
        return;
    }
    if (m_prompt)
        return;
    QPointer<SubmodulesState> guard(submodules);
    auto* alert = new ConfirmationAlert([guard] { return updatePromptDialog(guard); }, window());
    alert->setObjectName(QStringLiteral("updateSubmodulesAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    m_prompt = alert;
    connect(alert, &ConfirmationAlert::buttonChosen, alert, [alert](int index) {
        const QList<DialogButton> buttons = alert->description().buttons;
        // A chosen button is not a dismissal: only Escape and the close button decline.
        QObject::disconnect(alert, &QDialog::rejected, nullptr, nullptr);
        alert->close();
        if (index >= 0 && index < buttons.size() && buttons[index].action)
            buttons[index].action();
    });
    connect(alert, &QDialog::rejected, this, [guard] {
        if (guard && guard->showUpdatePrompt())
            guard->declineUpdateMoved();
    });
    alert->open();
}

} // namespace tolvane
