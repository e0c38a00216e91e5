#include "ui/blame/BlameView.h"

#include "engine/gitText.h"
#include "state/RepositoryState.h"
#include "ui/SymbolIcon.h"
#include "ui/blame/BlameGroupDelegate.h"
#include "ui/blame/BlameGroupModel.h"
#include "ui/diff/placeholderPage.h"
#include "ui/diff/viewColors.h"
#include "ui/window/ProgressSpinner.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {

BlameView::BlameView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_model(new BlameGroupModel(this)), m_icon(new QLabel(this)),
      m_path(new QLabel(this)), m_count(new QLabel(this)), m_close(new QToolButton(this)),
      m_body(new QStackedWidget(this)), m_spinner(nullptr), m_list(nullptr) {
    setObjectName(QStringLiteral("blameView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("blameHeader"));
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(12, 8, 8, 8);
    headerLayout->setSpacing(8);
    m_path->setObjectName(QStringLiteral("blameFilePath"));
    QFont pathFont = m_path->font();
    pathFont.setWeight(QFont::DemiBold);
    m_path->setFont(pathFont);
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_count->setObjectName(QStringLiteral("blameLineCount"));
    QFont caption = m_count->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_count->setFont(caption);
    m_count->setForegroundRole(QPalette::PlaceholderText);
    m_close->setObjectName(QStringLiteral("blameCloseButton"));
    m_close->setAutoRaise(true);
    m_close->setToolTip(QStringLiteral("Close blame view"));
    m_close->setIconSize(QSize(16, 16));
    headerLayout->addWidget(m_icon);
    headerLayout->addWidget(m_path);
    headerLayout->addWidget(m_count);
    headerLayout->addStretch(1);
    headerLayout->addWidget(m_close);
    layout->addWidget(header);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);

    auto* loading = new QWidget(m_body);
    loading->setObjectName(QStringLiteral("blameLoading"));
    auto* loadingLayout = new QVBoxLayout(loading);
    loadingLayout->addStretch(1);
    m_spinner = new ProgressSpinner(loading);
    loadingLayout->addWidget(m_spinner, 0, Qt::AlignHCenter);
    auto* loadingText = new QLabel(QStringLiteral("Loading blame..."), loading);
    loadingText->setObjectName(QStringLiteral("blameLoadingText"));
    loadingText->setForegroundRole(QPalette::PlaceholderText);
    loadingLayout->addWidget(loadingText, 0, Qt::AlignHCenter);
    loadingLayout->addStretch(1);

    QWidget* empty = makePlaceholderPage(QStringLiteral("questionmark.circle"),
                                         QStringLiteral("No blame data available"),
                                         QStringLiteral("blameEmpty"), m_body);

    m_list = new QListView(m_body);
    m_list->setObjectName(QStringLiteral("blameList"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new BlameGroupDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);

    m_body->addWidget(loading);
    m_body->addWidget(empty);
    m_body->addWidget(m_list);
    layout->addWidget(m_body, 1);

    connect(m_close, &QToolButton::clicked, this, [this] { m_state->closeBlameView(); });
    connect(m_state, &RepositoryState::blameLinesChanged, this, &BlameView::syncWithState);
    connect(m_state, &RepositoryState::blameFilePathChanged, this, &BlameView::syncWithState);
    connect(m_state, &RepositoryState::isLoadingDiffChanged, this, &BlameView::syncWithState);
    updateHeaderIcons();
    syncWithState();
}

BlameView::Page BlameView::page() const {
    return Page(m_body->currentIndex());
}

QString BlameView::hoveredGroup() const {
    return m_model->hoveredGroup();
}

void BlameView::syncWithState() {
    m_path->setText(displayText(m_state->blameFilePath()));
    m_count->setText(QString::number(m_state->blameLines().size()) + QStringLiteral(" lines"));
    m_model->setLines(m_state->blameLines());
    Page page = Page::Groups;
    if (m_state->isLoadingDiff())
        page = Page::Loading;
    else if (m_state->blameLines().isEmpty())
        page = Page::Empty;
    m_body->setCurrentIndex(int(page));
    m_spinner->setSpinning(page == Page::Loading);
}

void BlameView::updateHeaderIcons() {
    const qreal dpr = devicePixelRatioF();
    const QColor secondary = ViewColors::secondary(palette());
    m_icon->setPixmap(tintedSymbol(QStringLiteral("person.text.rectangle"), secondary, 16, dpr));
    m_close->setIcon(QIcon(tintedSymbol(QStringLiteral("xmark.circle.fill"), secondary, 16, dpr)));
}

void BlameView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        updateHeaderIcons();
    QWidget::changeEvent(event);
}

bool BlameView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QModelIndex index = m_list->indexAt(move->position().toPoint());
            m_model->setHoveredGroup(
                index.isValid() ? index.data(BlameGroupModel::GroupIdRole).toString() : QString());
        } else if (event->type() == QEvent::Leave) {
            m_model->setHoveredGroup({});
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
