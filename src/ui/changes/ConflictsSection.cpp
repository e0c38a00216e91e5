#include "ui/changes/ConflictsSection.h"

#include "engine/gitText.h"
#include "state/RepositoryState.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/accessibleText.h"
#include "ui/common/oneLineText.h"
#include "ui/common/viewColors.h"

#include <QAbstractListModel>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace tolvane {

class ConflictListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setEntries(QList<UnmergedEntry> entries) {
        beginResetModel();
        m_entries = std::move(entries);
        endResetModel();
    }
    const UnmergedEntry* entry(int row) const {
        return row >= 0 && row < m_entries.size() ? &m_entries[row] : nullptr;
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_entries.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const UnmergedEntry* e = entry(index.row());
        if (!e)
            return {};
        if (role == Qt::DisplayRole)
            return oneLineText(e->path);
        if (role == Qt::ToolTipRole)
            return oneLineText(e->path) + QStringLiteral(": ") + conflictKindText(e->kind);
        if (role == Qt::AccessibleTextRole)
            return fileRowSentence(oneLineText(e->path), ChangeStatus::Conflict, false) +
                   QStringLiteral(", ") + conflictKindText(e->kind);
        return {};
    }

private:
    QList<UnmergedEntry> m_entries;
};

namespace {

constexpr int rowHeight = 24;
constexpr int visibleRows = 6;

// A red warning mark, the path, and how it conflicts in secondary text at the right.
class ConflictRowDelegate : public QStyledItemDelegate {
public:
    ConflictRowDelegate(RepositoryState* state, QObject* parent)
        : QStyledItemDelegate(parent), m_state(state) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto* model = static_cast<const ConflictListModel*>(index.model());
        const UnmergedEntry* entry = model->entry(index.row());
        if (!entry)
            return;
        const QColor red = ViewColors::red();
        const QRect row = option.rect.adjusted(4, 1, -4, -1);
        const FileChange change{ChangeStatus::Conflict, entry->path, false, std::nullopt};
        if (m_state->selectedFiles().contains(change.id())) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addRoundedRect(QRectF(row), 5, 5);
            painter->fillPath(path, ViewColors::withAlpha(red, 0.15));
            painter->restore();
        }
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(
            row.left() + 6, row.top() + (row.height() - 14) / 2,
            tintedSymbol(QStringLiteral("exclamationmark.triangle.fill"), red, 14, dpr));
        const QString kind = conflictKindText(entry->kind);
        QFont small = option.font;
        small.setPointSizeF(small.pointSizeF() - 1);
        const int kindWidth = QFontMetrics(small).horizontalAdvance(kind) + 8;
        const QRect text = row.adjusted(26, 0, -kindWidth - 6, 0);
        painter->setFont(option.font);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                          option.fontMetrics.elidedText(tolvane::oneLineText(entry->path),
                                                        Qt::ElideMiddle, text.width()));
        painter->setFont(small);
        painter->setPen(ViewColors::secondary(option.palette));
        painter->drawText(row.adjusted(0, 0, -6, 0), Qt::AlignVCenter | Qt::AlignRight, kind);
        paintFocusMark(painter, option, row);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(200, rowHeight);
    }

private:
    RepositoryState* m_state;
};

FileChange conflictChange(const QString& path) {
    return FileChange{ChangeStatus::Conflict, path, false, std::nullopt};
}

} // namespace

ConflictsSection::ConflictsSection(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("conflictsSection"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(2);
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("conflictsHeader"));
    m_header->setContentsMargins(10, 2, 8, 2);
    QFont bold = m_header->font();
    bold.setWeight(QFont::DemiBold);
    m_header->setFont(bold);
    column->addWidget(m_header);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("conflictsList"));
    m_list->setAccessibleName(tr("Conflicted files"));
    m_model = new ConflictListModel(this);
    m_list->setModel(m_model);
    m_list->setItemDelegate(new ConflictRowDelegate(state, m_list));
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->viewport()->installEventFilter(this);
    m_list->setAutoFillBackground(false);
    column->addWidget(m_list);

    connect(state, &RepositoryState::conflictsChanged, this, &ConflictsSection::rebuild);
    connect(state, &RepositoryState::selectedFilesChanged, m_list->viewport(),
            qOverload<>(&QWidget::update));
    rebuild();
}

void ConflictsSection::rebuild() {
    const QList<UnmergedEntry>& conflicts = m_state->conflicts();
    setVisible(!conflicts.isEmpty());
    m_header->setText(QStringLiteral("Conflicts (") + QString::number(conflicts.size()) +
                      QLatin1Char(')'));
    m_model->setEntries(conflicts);
    m_list->setFixedHeight(int(std::min<qsizetype>(conflicts.size(), visibleRows)) * rowHeight + 2);
}

void ConflictsSection::buildContextMenu(const UnmergedEntry& entry, QMenu* menu) {
    RepositoryState* state = m_state;
    const QString path = entry.path;
    menu->addAction(QStringLiteral("Take Ours"), this,
                    [state, path] { state->takeConflictSide(path, true); });
    menu->addAction(QStringLiteral("Take Theirs"), this,
                    [state, path] { state->takeConflictSide(path, false); });
    menu->addAction(QStringLiteral("Mark Resolved"), this,
                    [state, path] { state->markConflictResolved(path); });
    if (entry.kind == ConflictKind::DeletedByUs || entry.kind == ConflictKind::DeletedByThem) {
        menu->addSeparator();
        menu->addAction(QStringLiteral("Keep File"), this,
                        [state, path] { state->keepConflictedFile(path); });
        QAction* remove = menu->addAction(QStringLiteral("Delete File"), this,
                                          [state, path] { state->deleteConflictedFile(path); });
        remove->setProperty("destructive", true);
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("Open in Merge Tool"), this,
                    [state, path] { state->openInMergeTool(path); });
    menu->addAction(QStringLiteral("Open"), this,
                    [state, path] { state->openFile(conflictChange(path)); });
}

bool ConflictsSection::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list->viewport())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const UnmergedEntry* entry =
            m_model->entry(m_list->indexAt(mouse->position().toPoint()).row());
        if (entry) {
            const Qt::KeyboardModifiers modifiers = mouse->modifiers();
            m_state->selectFile(conflictChange(entry->path),
                                modifiers.testFlag(Qt::ControlModifier),
                                modifiers.testFlag(Qt::ShiftModifier));
        }
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const UnmergedEntry* entry = m_model->entry(m_list->indexAt(menuEvent->pos()).row());
        if (entry) {
            const UnmergedEntry chosen = *entry;
            QMenu menu(this);
            buildContextMenu(chosen, &menu);
            menu.exec(menuEvent->globalPos());
        }
        return true;
    }
    return false;
}

} // namespace tolvane
