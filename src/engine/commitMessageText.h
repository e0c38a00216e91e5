#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace tolvane {

// `text` cleaned up as git does for `commit.cleanup` = `mode` when the message comes from an
// editor: "strip" (and "default" or empty) drops lines that start with `commentChar`, then
// trailing spaces, repeated and surrounding blank lines; "whitespace" and "scissors" do all but
// the comments (scissors also cuts at its line); "verbatim" changes nothing. Pure.
[[nodiscard]] QString cleanedUpMessage(const QString& text, const QString& mode,
                                       QChar commentChar = u'#');

// A word of a message line that spelling should look at.
struct WordSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    friend bool operator==(const WordSpan&, const WordSpan&) = default;
};

// The words of `line` worth checking: not inside `backticks`, not part of a path, a file name,
// an option or a URL, not written like code (snake_case, camelCase, with digits), and not one
// of `identifiers`. Pure.
[[nodiscard]] QList<WordSpan> wordsToCheck(const QString& line, const QSet<QString>& identifiers);

// The names that a diff's lines use (letters, digits and underscores), so that a message may
// mention them without being told they are misspelt. Pure.
[[nodiscard]] QSet<QString> diffIdentifiers(const QString& diff);

} // namespace tolvane
