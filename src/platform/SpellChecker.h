#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class Hunspell;

namespace tolvane {

// Hunspell with the dictionary of the desktop's language (en_US when there is none for it),
// and the user's own word list, which "Add to Dictionary" extends.
class SpellChecker {
public:
    // `language` as QLocale names it ("de_DE"); `dictionaryFolders` where the .aff/.dic pairs
    // are; `userWordsFile` one word a line.
    SpellChecker(const QString& language, const QStringList& dictionaryFolders,
                 QString userWordsFile);
    ~SpellChecker();

    // The checker of this desktop, made at first use.
    static SpellChecker& shared();

    bool isAvailable() const { return m_hunspell != nullptr; }
    // The dictionary in use ("en_US"); empty when none was found.
    const QString& language() const { return m_language; }
    // True for a word known to the dictionary or the user, and whenever no dictionary is there.
    bool isCorrect(const QString& word) const;
    QStringList suggestions(const QString& word) const;
    // Adds `word` to the user's list (kept in the file) and to this checker.
    bool addWord(const QString& word);

private:
    std::unique_ptr<Hunspell> m_hunspell;
    QString m_language;
    QString m_userWordsFile;
    QSet<QString> m_userWords;
};

} // namespace tolvane
