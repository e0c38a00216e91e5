#include "ui/common/ConfirmationPresenter.h"

#include "state/RepositoryState.h"
#include "ui/common/ConfirmationAlert.h"

#include <QWidget>

namespace tolvane {

ConfirmationPresenter::ConfirmationPresenter(QWidget* owner, RepositoryState* state,
                                             QList<Entry> entries)
    : QObject(owner), m_owner(owner), m_state(state) {
    for (Entry& entry : entries)
        m_shown.append(Shown{std::move(entry), nullptr});
    for (qsizetype i = 0; i < m_shown.size(); ++i) {
        connect(state, m_shown[i].entry.confirmation.shownChanged, this, [this, i] { sync(i); });
        sync(i);
    }
}

ConfirmationAlert* ConfirmationPresenter::openDialog() const {
    for (const Shown& shown : m_shown) {
        if (shown.dialog)
            return shown.dialog;
    }
    return nullptr;
}

void ConfirmationPresenter::sync(qsizetype index) {
    Shown& shown = m_shown[index];
    const Confirmation& confirmation = shown.entry.confirmation;
    const bool on = m_state && ((*m_state).*confirmation.isShown)();
    if (on && !shown.dialog) {
        QPointer<RepositoryState> state = m_state;
        auto* dialog = new ConfirmationAlert(
            [state, describe = confirmation.describe] { return describe(*state); }, m_owner);
        dialog->setObjectName(shown.entry.objectName);
        dialog->setWindowModality(Qt::WindowModal);
        if (shown.entry.decorate)
            shown.entry.decorate(dialog);
        connect(dialog, &ConfirmationAlert::buttonChosen, this,
                [this, index](int button) { choose(index, button); });
        connect(dialog, &QDialog::rejected, this, [this, index] {
            const ConfirmationAlert* open = m_shown[index].dialog;
            std::optional<int> cancel;
            for (int i = 0; open && i < open->description().buttons.size(); ++i) {
                if (open->description().buttons.at(i).role == DialogButtonRole::Cancel) {
                    cancel = i;
                    break;
                }
            }
            choose(index, cancel);
        });
        shown.dialog = dialog;
        dialog->open();
    } else if (!on && shown.dialog) {
        dismiss(index);
    }
}

void ConfirmationPresenter::choose(qsizetype index, std::optional<int> button) {
    const ConfirmationAlert* dialog = m_shown[index].dialog;
    if (!dialog)
        return;
    std::function<QCoro::Task<>()> action;
    if (button && *button >= 0 && *button < dialog->description().buttons.size())
        action = dialog->description().buttons.at(*button).action;
    dismiss(index);
    if (m_state)
        ((*m_state).*m_shown[index].entry.confirmation.setShown)(false);
    if (action)
        action(); // the operation reports its own outcome; the view does not wait for it
}

void ConfirmationPresenter::dismiss(qsizetype index) {
    ConfirmationAlert* dialog = m_shown[index].dialog;
    m_shown[index].dialog = nullptr;
    if (!dialog)
        return;
    dialog->disconnect(this);
    dialog->hide();
    dialog->deleteLater();
}

} // namespace tolvane
