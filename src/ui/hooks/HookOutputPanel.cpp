#include "ui/hooks/HookOutputPanel.h"

#include "state/HookOutput.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {

HookOutputPanel::HookOutputPanel(HookOutput& output, QWidget* parent)
    : QFrame(parent), m_output(output) {
    setObjectName(QStringLiteral("hookOutputPanel"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);
    auto* header = new QHBoxLayout;
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("hookOutputTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    header->addWidget(m_title, 1);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("hookOutputClose"));
    close->setText(QStringLiteral("✕"));
    close->setToolTip(QStringLiteral("Close"));
    close->setAutoRaise(true);
    header->addWidget(close);
    layout->addLayout(header);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("hookOutputText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setMinimumHeight(90);
    layout->addWidget(m_text);

    connect(close, &QToolButton::clicked, this, [this] { m_output.dismiss(); });
    connect(&m_output, &HookOutput::hookNameChanged, this, &HookOutputPanel::update);
    connect(&m_output, &HookOutput::outputChanged, this, &HookOutputPanel::update);
    update();
}

void HookOutputPanel::update() {
    setVisible(m_output.isShown());
    m_title->setText(m_output.hookName() + QStringLiteral(" hook output"));
    if (m_text->toPlainText() != m_output.output()) {
        m_text->setPlainText(m_output.output().isEmpty()
                                 ? QStringLiteral("(the hook printed nothing)")
                                 : m_output.output());
        // The end of a hook's output usually says why it refused.
        m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
    }
}

} // namespace tolvane
