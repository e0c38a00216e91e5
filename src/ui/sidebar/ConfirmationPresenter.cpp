#include "ui/sidebar/ConfirmationPresenter.h"

#include "state/RepositoryState.h"
#include "ui/sidebar/ConfirmationAlert.h"

#include <QWidget>

namespace tolvane {

ConfirmationPresenter::ConfirmationPresenter(QWidget* owner, Binding binding)
    : QObject(owner), m_owner(owner), m_binding(std::move(binding)) {}

ConfirmationPresenter* ConfirmationPresenter::forFlag(
    QWidget* owner, RepositoryState* state, Flag isShown, FlagSetter setShown, FlagSignal changed,
    std::function<ConfirmationDialog(RepositoryState&)> make, const QString& objectName,
    std::function<void(ConfirmationAlert*)> decorate) {
    QPointer<RepositoryState> s(state);
    auto* presenter = new ConfirmationPresenter(
        owner, Binding{[s, isShown] { return s && (s->*isShown)(); },
                       [s, setShown] {
                           if (s)
                               (s->*setShown)(false);
                       },
                       [s, make] { return make(*s); }, objectName, std::move(decorate)});
    QObject::connect(state, changed, presenter, &ConfirmationPresenter::sync);
    presenter->sync();
    return presenter;
}

void ConfirmationPresenter::sync() {
    const bool shown = m_binding.isShown();
    if (shown && !m_dialog) {
        m_data = m_binding.make();
        auto* dialog = new ConfirmationAlert(*m_data, m_owner);
        dialog->setObjectName(m_binding.objectName);
        dialog->setWindowModality(Qt::WindowModal);
        if (m_binding.decorate)
            m_binding.decorate(dialog);
        connect(dialog, &ConfirmationAlert::buttonChosen, this,
                [this](int index) { choose(index); });
        connect(dialog, &QDialog::rejected, this, [this] {
            std::optional<int> cancel;
            for (int i = 0; m_data && i < m_data->buttons.size(); ++i) {
                if (m_data->buttons.at(i).role == DialogButtonRole::Cancel) {
                    cancel = i;
                    break;
                }
            }
            choose(cancel);
        });
        m_dialog = dialog;
        dialog->open();
    } else if (!shown && m_dialog) {
        dismiss();
    }
}

void ConfirmationPresenter::choose(std::optional<int> index) {
    if (!m_dialog || !m_data)
        return;
    std::function<QCoro::Task<>()> action;
    if (index && *index >= 0 && *index < m_data->buttons.size())
        action = m_data->buttons.at(*index).action;
    dismiss();
    m_binding.hide();
    if (action)
        action(); // the operation reports its own outcome; the view does not wait for it
}

void ConfirmationPresenter::dismiss() {
    ConfirmationAlert* dialog = m_dialog;
    m_dialog = nullptr;
    m_data.reset();
    if (!dialog)
        return;
    dialog->disconnect(this);
    dialog->hide();
    dialog->deleteLater();
}

} // namespace tolvane
