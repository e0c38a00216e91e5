#include "ui/changes/SubmodulePointersSection.h"

#include "state/RepositoryState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace tolvane {

SubmodulePointersSection::SubmodulePointersSection(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_header(new QLabel(this)), m_list(new QListView(this)),
      m_stage(new QPushButton(QStringLiteral("Stage"), this)),
      m_model(new QStandardItemModel(this)) {
    setObjectName(QStringLiteral("submodulePointersSection"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);
    auto* header = new QHBoxLayout;
    m_header->setObjectName(QStringLiteral("submodulePointersHeader"));
    QFont bold = m_header->font();
    bold.setWeight(QFont::DemiBold);
    m_header->setFont(bold);
    m_stage->setObjectName(QStringLiteral("stageSubmodulePointerButton"));
    m_stage->setToolTip(QStringLiteral("Record the submodule's checked-out commit"));
    header->addWidget(m_header, 1);
    header->addWidget(m_stage);
    layout->addLayout(header);
    m_list->setObjectName(QStringLiteral("submodulePointersList"));
    m_list->setModel(m_model);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    layout->addWidget(m_list);

    connect(m_stage, &QPushButton::clicked, this, [this] {
        const QList<FileChange> chosen = selectedChanges();
        m_state->stageFiles(chosen.isEmpty() ? m_changes : chosen);
    });
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() < m_changes.size())
            m_state->selectFile(m_changes[index.row()], false, false);
    });
    connect(state, &RepositoryState::changesChanged, this, &SubmodulePointersSection::rebuild);
    connect(&state->submodules(), &SubmodulesState::submodulesChanged, this,
            &SubmodulePointersSection::rebuild);
    rebuild();
}

QList<FileChange> SubmodulePointersSection::selectedChanges() const {
    QList<FileChange> chosen;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes()) {
        if (index.row() < m_changes.size())
            chosen.append(m_changes[index.row()]);
    }
    return chosen;
}

void SubmodulePointersSection::rebuild() {
    m_changes.clear();
    for (const FileChange& change : m_state->changes()) {
        if (!change.isStaged && change.status == ChangeStatus::Modified &&
            m_state->submodules().isSubmodule(change.path))
            m_changes.append(change);
    }
    m_model->clear();
    for (const FileChange& change : std::as_const(m_changes)) {
        QString detail;
        for (const GitSubmodule& submodule : m_state->submodules().submodules()) {
            if (submodule.path == change.path)
                detail = submoduleStateText(submodule).toLower();
        }
        auto* item = new QStandardItem(change.path + QStringLiteral("  —  ") + detail);
        item->setToolTip(QStringLiteral("The submodule's checked-out commit differs from the one "
                                        "recorded. Stage All leaves this change alone."));
        m_model->appendRow(item);
    }
    m_header->setText(QStringLiteral("Submodule Pointers (%1)").arg(m_changes.size()));
    m_list->setFixedHeight(qMin<int>(int(m_changes.size()), 4) * 22 + 4);
    setVisible(!m_changes.isEmpty());
}

} // namespace tolvane
