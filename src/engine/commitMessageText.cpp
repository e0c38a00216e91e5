#include "engine/commitMessageText.h"

#include <QStringList>

namespace tolvane {

QString cleanedUpMessage(const QString& text, const QString& mode, QChar commentChar) {
    const QString how = mode.trimmed().toLower();
    if (how == QLatin1String("verbatim"))
        return text;
    const bool stripComments =
        how.isEmpty() || how == QLatin1String("strip") || how == QLatin1String("default");
    const QString scissors =
        QString(commentChar) +
        QStringLiteral(" ------------------------ >8 ------------------------");
    QStringList lines;
    for (const QString& line : text.split(u'\n')) {
        if (how == QLatin1String("scissors") && line == scissors)
            break;
        if (stripComments && line.startsWith(commentChar))
            continue;
        QString kept = line;
        while (!kept.isEmpty() && kept.back().isSpace())
            kept.chop(1);
        // One blank line between paragraphs, none at the start.
        if (kept.isEmpty() && (lines.isEmpty() || lines.last().isEmpty()))
            continue;
        lines.append(kept);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(u'\n');
}

namespace {

bool isWordCharacter(QChar c) {
    return c.isLetter() || c == u'\'';
}

// A token (between spaces) that names something rather than says something.
bool looksLikeCode(QStringView token) {
    static const QString marks = QStringLiteral("/\\_.:=<>()[]{}#@$%&*+");
    int inner = 0;
    for (qsizetype i = 0; i < token.size(); ++i) {
        const QChar c = token[i];
        if (c.isDigit())
            return true;
        // A full stop or colon that ends a sentence is no file name.
        const bool trailing = i + 1 == token.size() || !token[i + 1].isLetterOrNumber();
        if (marks.contains(c) && !(trailing && (c == u'.' || c == u':' || c == u')')) &&
            !(i == 0 && c == u'('))
            return true;
        if (i > 0 && c.isUpper() && token[i - 1].isLower())
            ++inner; // camelCase
    }
    return inner > 0 || token.startsWith(u'-');
}

} // namespace

QList<WordSpan> wordsToCheck(const QString& line, const QSet<QString>& identifiers) {
    QList<WordSpan> words;
    bool quoted = false;
    qsizetype i = 0;
    while (i < line.size()) {
        if (line[i] == u'`') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        // One token runs to the next space or backtick.
        qsizetype end = i;
        while (end < line.size() && !line[end].isSpace() && line[end] != u'`')
            ++end;
        const QStringView token = QStringView(line).mid(i, end - i);
        if (!quoted && !looksLikeCode(token)) {
            qsizetype at = 0;
            while (at < token.size()) {
                while (at < token.size() && !token[at].isLetter())
                    ++at;
                qsizetype stop = at;
                while (stop < token.size() && isWordCharacter(token[stop]))
                    ++stop;
                // "don't" is one word; a closing quote is not part of it.
                qsizetype length = stop - at;
                while (length > 0 && token[at + length - 1] == u'\'')
                    --length;
                if (length > 1 && !identifiers.contains(token.mid(at, length).toString()))
                    words.append(WordSpan{i + at, length});
                at = stop;
            }
        }
        i = end;
    }
    return words;
}

QSet<QString> diffIdentifiers(const QString& diff) {
    QSet<QString> names;
    const QStringView text(diff);
    qsizetype i = 0;
    while (i < text.size()) {
        if (!(text[i].isLetter() || text[i] == u'_')) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && (text[end].isLetterOrNumber() || text[end] == u'_'))
            ++end;
        if (end - i > 1)
            names.insert(text.mid(i, end - i).toString());
        i = end;
    }
    return names;
}

} // namespace tolvane
