#include "ui/remotes/RemotesSheetPresenter.h"

#include "state/RemotesState.h"
#include "ui/remotes/RemotesSheet.h"

#include <QWidget>

namespace tolvane {

RemotesSheetPresenter::RemotesSheetPresenter(RemotesState& remotes, QWidget* owner)
    : QObject(owner), m_remotes(&remotes), m_owner(owner) {
    connect(&remotes, &RemotesState::showRemotesSheetChanged, this, &RemotesSheetPresenter::sync);
    sync();
}

void RemotesSheetPresenter::sync() {
    if (!m_remotes)
        return;
    if (!m_remotes->showRemotesSheet()) {
        if (m_sheet)
            m_sheet->close();
        return;
    }
    if (m_sheet)
        return;
    auto* sheet = new RemotesSheet(*m_remotes, m_owner->window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    m_sheet = sheet;
    QPointer<RemotesState> remotes(m_remotes);
    connect(sheet, &QDialog::finished, this, [remotes] {
        if (remotes)
            remotes->setShowRemotesSheet(false);
    });
    sheet->open();
}

} // namespace tolvane
