#include "ui/window/SidebarView.h"

#include "state/RepositoryState.h"
#include "ui/common/viewColors.h"
#include "ui/window/PanePlaceholder.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

// A segmented control drawn from checkable buttons: the segments touch, the outer ends are
// rounded, the checked one is filled.
QString segmentStyle(const QPalette& palette) {
    const QColor border = ViewColors::divider(palette);
    const QColor checked =
        ViewColors::isDark(palette) ? QColor(255, 255, 255, 46) : QColor(255, 255, 255, 255);
    const QColor background =
        ViewColors::isDark(palette) ? QColor(0, 0, 0, 40) : QColor(0, 0, 0, 14);
    auto rgba = [](const QColor& c) {
        return QStringLiteral("rgba(%1,%2,%3,%4)")
            .arg(c.red())
            .arg(c.green())
            .arg(c.blue())
            .arg(c.alphaF(), 0, 'f', 2);
    };
    return QStringLiteral("QToolButton { border: 1px solid %1; border-left: none; background: %2;"
                          " padding: 3px 2px; border-radius: 0; color: %4; }"
                          "QToolButton:checked { background: %3; font-weight: 600; }"
                          "QToolButton#segmentChanges { border-left: 1px solid %1;"
                          " border-top-left-radius: 6px; border-bottom-left-radius: 6px; }"
                          "QToolButton#segmentStashes[last=\"true\"],"
                          " QToolButton#segmentSubmodules { border-top-right-radius: 6px;"
                          " border-bottom-right-radius: 6px; }")
        .arg(rgba(border), rgba(background), rgba(checked),
             rgba(palette.color(QPalette::WindowText)));
}

} // namespace

SidebarView::SidebarView(RepositoryState& state, QWidget* parent)
    : BarWidget(parent), m_state(&state) {
    setObjectName(QStringLiteral("sidebarView"));

    auto* pickerRow = new QWidget(this);
    m_pickerRow = pickerRow;
    pickerRow->setObjectName(QStringLiteral("sidebarPicker"));
    auto* pickerLayout = new QHBoxLayout(pickerRow);
    pickerLayout->setContentsMargins(8, 8, 8, 8);
    pickerLayout->setSpacing(0);
    m_picker = new QButtonGroup(this);
    m_picker->setExclusive(true);
    for (SidebarTab tab : allSidebarTabs) {
        auto* segment = new QToolButton(pickerRow);
        segment->setText(sidebarTabText(tab));
        segment->setObjectName(QStringLiteral("segment") + sidebarTabText(tab));
        segment->setCheckable(true);
        // Five titles share a narrow sidebar: each segment gets room in proportion to its
        // title (in the bold face of a chosen one) rather than an equal share.
        segment->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        segment->setFocusPolicy(Qt::TabFocus);
        m_picker->addButton(segment, static_cast<int>(tab));
        QFont bold = segment->font();
        bold.setWeight(QFont::DemiBold);
        pickerLayout->addWidget(segment,
                                QFontMetrics(bold).horizontalAdvance(sidebarTabText(tab)) + 8);
    }
    pickerRow->setStyleSheet(segmentStyle(palette()));

    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("sidebarPages"));
    for (SidebarTab tab : allSidebarTabs) {
        auto* placeholder = new PanePlaceholder(sidebarTabText(tab), m_stack);
        m_pages[static_cast<size_t>(tab)] = placeholder;
        m_stack->addWidget(placeholder);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pickerRow);
    layout->addWidget(new DividerLine(Qt::Horizontal, this));
    layout->addWidget(m_stack, 1);

    connect(m_picker, &QButtonGroup::idClicked, this, [this](int id) {
        if (m_state)
            m_state->selectSidebarTab(static_cast<SidebarTab>(id));
    });
    connect(&state, &RepositoryState::selectedTabChanged, this, &SidebarView::showSelectedTab);
    connect(&state.submodules(), &SubmodulesState::submodulesChanged, this,
            &SidebarView::showSubmodulesSegment);
    showSubmodulesSegment();
    showSelectedTab();
}

void SidebarView::showSubmodulesSegment() {
    if (!m_state)
        return;
    // Offered only while the repository has submodules; Stashes ends the row otherwise.
    const bool any = !m_state->submodules().submodules().isEmpty();
    QAbstractButton* segment = m_picker->button(static_cast<int>(SidebarTab::Submodules));
    segment->setVisible(any);
    QAbstractButton* stashes = m_picker->button(static_cast<int>(SidebarTab::Stashes));
    stashes->setProperty("last", !any);
    m_pickerRow->setStyleSheet(segmentStyle(palette()));
    if (!any && m_state->selectedTab() == SidebarTab::Submodules)
        m_state->selectSidebarTab(SidebarTab::Changes);
}

void SidebarView::setPage(SidebarTab tab, QWidget* page) {
    if (!page)
        return;
    const auto index = static_cast<size_t>(tab);
    QWidget* old = m_pages[index];
    if (old == page)
        return;
    const int position = m_stack->indexOf(old);
    m_stack->insertWidget(position, page);
    m_stack->removeWidget(old);
    m_pages[index] = page;
    delete old;
    showSelectedTab();
}

QWidget* SidebarView::currentPage() const {
    return m_stack->currentWidget();
}

void SidebarView::changeEvent(QEvent* event) {
    BarWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_pickerRow)
        m_pickerRow->setStyleSheet(segmentStyle(palette()));
}

void SidebarView::showSelectedTab() {
    if (!m_state)
        return;
    const SidebarTab tab = m_state->selectedTab();
    if (QAbstractButton* button = m_picker->button(static_cast<int>(tab)))
        button->setChecked(true);
    m_stack->setCurrentWidget(m_pages[static_cast<size_t>(tab)]);
}

} // namespace tolvane
