#pragma once

#include <QFrame>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QLabel;
class QVBoxLayout;

namespace tolvane {

class MessageBarItem;

// Non-modal notices stacked above a view, newest last: a failure with "Show Log", or a success.
// Each goes away by itself after a while (longer texts stay longer, and none while the pointer
// rests on it) or when dismissed; only the newest few are kept, and a repeat of a shown message
// only restarts its time. Hidden while it holds nothing.
class MessageBar : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Failure, Success };

    static constexpr int maximumShown = 3;
    // How many characters of a long message are shown; the whole text is in the tooltip and the
    // log.
    static constexpr int shownCharacters = 400;

    explicit MessageBar(QWidget* parent = nullptr);

    void showMessage(const QString& text, Kind kind);
    // The full texts shown, oldest first.
    QStringList messages() const;
    // How long a message stays, in milliseconds.
    static int durationFor(const QString& text, Kind kind);

Q_SIGNALS:
    void showLogRequested();

private:
    void removeItem(MessageBarItem* item);

    QVBoxLayout* m_layout = nullptr;
    QList<QPointer<MessageBarItem>> m_items;
};

// One notice of the bar: symbol, text, "Show Log" for failures, and a dismiss button.
class MessageBarItem : public QFrame {
    Q_OBJECT
public:
    MessageBarItem(const QString& text, MessageBar::Kind kind, QWidget* parent);

    const QString& text() const { return m_text; }
    MessageBar::Kind kind() const { return m_kind; }
    // Starts the time to go away again.
    void restart();
    const QTimer& expiry() const { return m_expiry; }

Q_SIGNALS:
    void dismissed();
    void showLogRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QColor accent() const;
    void updateIcon();

    QString m_text;
    MessageBar::Kind m_kind;
    QLabel* m_icon = nullptr;
    QTimer m_expiry;
};

} // namespace tolvane
