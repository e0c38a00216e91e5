#include "engine/historyEditFiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace tolvane {
namespace {

QString shellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

bool isHexId(const QString& text) {
    static const QRegularExpression id(QStringLiteral("^[0-9a-f]{4,64}$"));
    return id.match(text).hasMatch();
}

} // namespace

QString historyEditFolder(const QString& gitDir) {
    return QDir(gitDir).filePath(QStringLiteral("tolvane-history-edit"));
}

QString historyEditTodoPath(const QString& gitDir) {
    return QDir(historyEditFolder(gitDir)).filePath(QStringLiteral("todo"));
}

QString historyEditMessagesPath(const QString& gitDir) {
    return QDir(historyEditFolder(gitDir)).filePath(QStringLiteral("messages.json"));
}

QByteArray encodePlannedMessages(const QList<PlannedMessage>& messages) {
    QJsonArray array;
    for (const PlannedMessage& message : messages)
        array.append(QJsonObject{{QStringLiteral("commit"), message.hash},
                                 {QStringLiteral("message"), message.message}});
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QList<PlannedMessage> decodePlannedMessages(const QByteArray& bytes) {
    QList<PlannedMessage> messages;
    const QJsonArray array = QJsonDocument::fromJson(bytes).array();
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        const QString hash = object.value(QStringLiteral("commit")).toString();
        if (!isHexId(hash))
            continue;
        messages.append({hash, object.value(QStringLiteral("message")).toString()});
    }
    return messages;
}

std::optional<QString> messageForStep(const QString& doneText,
                                      const QList<PlannedMessage>& messages) {
    QString last;
    for (const QString& line : doneText.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(u'#'))
            last = trimmed;
    }
    // "fixup -C <id> subject": the id is the first word after the command that is not an option.
    const QStringList words = last.split(u' ', Qt::SkipEmptyParts);
    QString id;
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (words[i].startsWith(u'-'))
            continue;
        id = words[i];
        break;
    }
    if (!isHexId(id))
        return std::nullopt;
    for (const PlannedMessage& message : messages) {
        if (message.hash.startsWith(id) || id.startsWith(message.hash))
            return message.message;
    }
    return std::nullopt;
}

QString withUpdateRefs(const QString& plan, const QString& gitTodo) {
    QList<std::pair<QString, QStringList>> refsAfter;
    QString lastCommit;
    for (const QString& line : gitTodo.split(u'\n')) {
        const QStringList words = line.trimmed().split(u' ', Qt::SkipEmptyParts);
        if (words.size() < 2 || words[0].startsWith(u'#'))
            continue;
        if (words[0] == u"update-ref" && !lastCommit.isEmpty()) {
            if (refsAfter.isEmpty() || refsAfter.last().first != lastCommit)
                refsAfter.append({lastCommit, {}});
            refsAfter.last().second.append(line.trimmed());
        } else if (isHexId(words[1])) {
            lastCommit = words[1];
        }
    }
    if (refsAfter.isEmpty())
        return plan;
    QString result;
    for (const QString& line : plan.split(u'\n', Qt::SkipEmptyParts)) {
        result += line + u'\n';
        const QString id = line.section(u' ', 1, 1);
        for (const auto& [commit, refs] : refsAfter) {
            if (!id.isEmpty() && (id.startsWith(commit) || commit.startsWith(id)))
                result += refs.join(u'\n') + u'\n';
        }
    }
    return result;
}

QString editorCommand(const QString& program, const char* flag, const QString& file) {
    return shellQuoted(program) + u' ' + QString::fromLatin1(flag) + u' ' + shellQuoted(file);
}

} // namespace tolvane
