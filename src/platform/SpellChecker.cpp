#include "platform/SpellChecker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <hunspell.hxx>

namespace tolvane {

SpellChecker::SpellChecker(const QString& language, const QStringList& dictionaryFolders,
                           QString userWordsFile)
    : m_userWordsFile(std::move(userWordsFile)) {
    // The desktop's language, then the language alone ("de" of "de_AT"), then English.
    QStringList wanted{language, language.section(u'_', 0, 0), QStringLiteral("en_US")};
    for (const QString& name : wanted) {
        for (const QString& folder : dictionaryFolders) {
            const QDir dir(folder);
            QStringList candidates{name};
            if (!name.contains(u'_'))
                candidates += dir.entryList({name + QStringLiteral("_*.dic")}, QDir::Files);
            for (QString candidate : candidates) {
                candidate.remove(QStringLiteral(".dic"));
                const QString aff = dir.filePath(candidate + QStringLiteral(".aff"));
                const QString dic = dir.filePath(candidate + QStringLiteral(".dic"));
                if (!QFile::exists(aff) || !QFile::exists(dic))
                    continue;
                m_hunspell = std::make_unique<Hunspell>(QFile::encodeName(aff).constData(),
                                                        QFile::encodeName(dic).constData());
                m_language = candidate;
                break;
            }
            if (m_hunspell)
                break;
        }
        if (m_hunspell)
            break;
    }
    QFile words(m_userWordsFile);
    if (words.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : words.readAll().split('\n')) {
            const QString word = QString::fromUtf8(line).trimmed();
            if (!word.isEmpty())
                m_userWords.insert(word);
        }
    }
}

SpellChecker::~SpellChecker() = default;

SpellChecker& SpellChecker::shared() {
    static SpellChecker checker(QLocale::system().name(), {QStringLiteral("/usr/share/hunspell")},
                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                                    QStringLiteral("/dictionary.txt"));
    return checker;
}

bool SpellChecker::isCorrect(const QString& word) const {
    if (!m_hunspell || m_userWords.contains(word))
        return true;
    return m_hunspell->spell(word.toStdString());
}

QStringList SpellChecker::suggestions(const QString& word) const {
    QStringList list;
    if (!m_hunspell)
        return list;
    for (const std::string& suggestion : m_hunspell->suggest(word.toStdString()))
        list.append(QString::fromStdString(suggestion));
    return list;
}

bool SpellChecker::addWord(const QString& word) {
    if (word.isEmpty())
        return false;
    m_userWords.insert(word);
    QDir().mkpath(QFileInfo(m_userWordsFile).absolutePath());
    QFile file(m_userWordsFile);
    if (!file.open(QIODevice::Append))
        return false;
    return file.write(word.toUtf8() + '\n') > 0;
}

} // namespace tolvane
