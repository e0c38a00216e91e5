#pragma once

#include <QFrame>

class QLabel;
class QPlainTextEdit;

namespace tolvane {

class HookOutput;

// Below the commit box: what the hook that refused the last commit, merge or push printed,
// under the hook's name, until it is closed or the next commit starts.
class HookOutputPanel : public QFrame {
    Q_OBJECT
public:
    explicit HookOutputPanel(HookOutput& output, QWidget* parent = nullptr);

private:
    void update();

    HookOutput& m_output;
    QLabel* m_title;
    QPlainTextEdit* m_text;
};

} // namespace tolvane
