#pragma once

#include "state/SidebarTab.h"
#include "ui/window/BarWidget.h"

#include <QPointer>
#include <array>

class QButtonGroup;
class QStackedWidget;

namespace tolvane {

class RepositoryState;

// The left column: the segmented picker of the four sidebar pages and the selected page. The
// pages themselves are plugged in with setPage.
class SidebarView : public BarWidget {
    Q_OBJECT
public:
    explicit SidebarView(RepositoryState& state, QWidget* parent = nullptr);

    // Replaces the page of `tab` (the previous page, placeholder or not, is deleted).
    void setPage(SidebarTab tab, QWidget* page);
    QWidget* page(SidebarTab tab) const { return m_pages[static_cast<size_t>(tab)]; }
    QWidget* currentPage() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void showSelectedTab();
    void showSubmodulesSegment();

    QPointer<RepositoryState> m_state;
    QWidget* m_pickerRow = nullptr;
    QButtonGroup* m_picker = nullptr;
    QStackedWidget* m_stack = nullptr;
    std::array<QWidget*, allSidebarTabs.size()> m_pages{};
};

} // namespace tolvane
