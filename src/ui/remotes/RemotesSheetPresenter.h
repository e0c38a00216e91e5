#pragma once

#include "ui/remotes/RemotesSheet.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace tolvane {


// Opens the Remotes sheet over `owner` while the state asks for it, and tells the state when
// the user closed it.
class RemotesSheetPresenter : public QObject {
    Q_OBJECT
public:
    RemotesSheetPresenter(RemotesState& remotes, QWidget* owner);

    RemotesSheet* sheet() const { return m_sheet; }

private:
    void sync();

    QPointer<RemotesState> m_remotes;
    QWidget* m_owner;
    QPointer<RemotesSheet> m_sheet;
};

} // namespace tolvane
