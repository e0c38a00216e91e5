#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

namespace tolvane {

class RepositoryState;

// Above the history rows: the find field (Ctrl+F; Escape clears it and brings the full history
// back) and, while one file's history is shown, a banner naming the file with a close button.
class HistorySearchBar : public QWidget {
    Q_OBJECT
public:
    HistorySearchBar(RepositoryState* state, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();

    RepositoryState* m_state;
    QLineEdit* m_field;
    QWidget* m_banner;
    QLabel* m_bannerText;
    QToolButton* m_closeBanner;
};

} // namespace tolvane
