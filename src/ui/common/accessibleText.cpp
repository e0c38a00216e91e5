#include "ui/common/accessibleText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QWidget>

namespace tolvane {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("tolvane::AccessibleText", text);
}

// A tooltip as a name: its first line, without the shortcut it names in parentheses.
QString nameFromToolTip(const QString& toolTip) {
    static const QRegularExpression shortcut(QStringLiteral(R"(\s*\([^()]*\)\s*$)"));
    QString name = toolTip.section(QLatin1Char('\n'), 0, 0).trimmed();
    name.remove(shortcut);
    return name;
}

void nameButton(QAbstractButton* button) {
    if (!button->accessibleName().isEmpty() || !button->text().trimmed().isEmpty())
        return;
    const QString name = nameFromToolTip(button->toolTip());
    if (!name.isEmpty())
        button->setAccessibleName(name);
}

class IconButtonNamer : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A button is named when it is first shown and again whenever its tooltip changes.
        if (event->type() == QEvent::Polish || event->type() == QEvent::ToolTipChange) {
            if (auto* button = qobject_cast<QAbstractButton*>(watched))
                nameButton(button);
        }
        return false;
    }
};

} // namespace

QString spokenList(const QStringList& items) {
    if (items.size() <= 1)
        return items.value(0);
    return QStringList(items.begin(), items.end() - 1).join(QStringLiteral(", ")) + tr(" and ") +
           items.last();
}

QString commitRowSentence(const QString& subject, const QString& author, const QString& when,
                          const QString& shortHash, const QStringList& refs) {
    QStringList parts{subject.isEmpty() ? tr("no message") : subject};
    if (!author.isEmpty())
        parts << tr("by %1").arg(author);
    if (!when.isEmpty())
        parts << when;
    parts << tr("commit %1").arg(shortHash);
    QStringList branches;
    QStringList tags;
    for (const QString& ref : refs) {
        if (ref == u"HEAD")
            continue;
        if (ref.startsWith(u"tag: "))
            tags << ref.mid(5);
        else
            branches << ref;
    }
    if (!branches.isEmpty())
        parts << (branches.size() == 1 ? tr("branch %1") : tr("branches %1"))
                     .arg(spokenList(branches));
    if (!tags.isEmpty())
        parts << (tags.size() == 1 ? tr("tag %1") : tr("tags %1")).arg(spokenList(tags));
    return parts.join(QStringLiteral(", "));
}

QString statusWord(ChangeStatus status) {
    switch (status) {
    case ChangeStatus::Modified:
        return tr("modified");
    case ChangeStatus::Added:
        return tr("added");
    case ChangeStatus::Deleted:
        return tr("deleted");
    case ChangeStatus::Renamed:
        return tr("renamed");
    case ChangeStatus::Untracked:
        return tr("untracked");
    case ChangeStatus::Copied:
        return tr("copied");
    case ChangeStatus::Unmodified:
        return tr("unchanged");
    case ChangeStatus::Conflict:
        return tr("conflicted");
    }
    return {};
}

QString fileRowSentence(const QString& path, ChangeStatus status, bool staged) {
    QStringList parts{path, statusWord(status)};
    // An unchanged file (the "All Files" list) is on neither side.
    if (status != ChangeStatus::Unmodified && status != ChangeStatus::Conflict)
        parts << (staged ? tr("staged") : tr("not staged"));
    return parts.join(QStringLiteral(", "));
}

QString diffLineSentence(DiffLineType type, int lineNumber, const QString& content) {
    const QString text = content.isEmpty() ? tr("empty") : content;
    switch (type) {
    case DiffLineType::Addition:
        return tr("added line %1: %2").arg(lineNumber).arg(text);
    case DiffLineType::Deletion:
        return tr("removed line %1: %2").arg(lineNumber).arg(text);
    case DiffLineType::Context:
        return tr("line %1: %2").arg(lineNumber).arg(text);
    case DiffLineType::HunkHeader:
    case DiffLineType::FileHeader:
        break;
    }
    return text;
}

QString blameGroupSentence(int firstLine, int lastLine, const QString& shortHash,
                           const QString& author, const QString& when) {
    QStringList parts{firstLine == lastLine ? tr("line %1").arg(firstLine)
                                            : tr("lines %1 to %2").arg(firstLine).arg(lastLine)};
    if (!shortHash.isEmpty())
        parts << tr("commit %1").arg(shortHash);
    if (!author.isEmpty())
        parts << tr("by %1").arg(author);
    if (!when.isEmpty())
        parts << when;
    return parts.join(QStringLiteral(", "));
}

void nameIconButtons(QWidget* root) {
    if (!root)
        return;
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        nameButton(button);
}

void installAccessibleNames() {
    static QPointer<IconButtonNamer> namer;
    if (namer)
        return;
    namer = new IconButtonNamer(qApp);
    qApp->installEventFilter(namer);
}

} // namespace tolvane
