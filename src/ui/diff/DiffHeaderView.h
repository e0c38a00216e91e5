#pragma once

#include "state/RepositoryState.h"

#include <QWidget>

namespace tolvane {

// The line above the diff: what is shown (a file with its status and hunk count, or a commit
// with its hash, subject and file count), painted and elided to the width available.
class DiffHeaderView : public QWidget {
    Q_OBJECT
public:
    DiffHeaderView(RepositoryState* state, QWidget* parent = nullptr);

    // The header's texts in display order, for tests and accessibility.
    QStringList texts() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The selected commit's signature in words, once checked; empty when it is not signed.
    QString signatureText() const;

    RepositoryState* m_state;
};

} // namespace tolvane
