#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tolvane {

// Shown when no repository tab is active.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeView(QWidget* parent = nullptr);

Q_SIGNALS:
    void openRepositoryRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateSymbol();
    QLabel* m_symbol = nullptr;
    QPushButton* m_openButton = nullptr;
};

} // namespace tolvane
