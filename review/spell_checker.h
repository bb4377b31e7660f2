// Spelling of the translated side: Hunspell dictionaries for one or more languages and the user's
// own words. A language without a dictionary is left out with a message; with none, the check is off.
#pragma once

#include "review/hunspell_dictionary.h"
#include "review/my_words.h"
#include "review/text_layout.h"
#include "support/user_message.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <optional>
#include <vector>

struct DictionaryFiles {
    QString aff;
    QString dic;
    friend bool operator==(const DictionaryFiles&, const DictionaryFiles&) = default;
};

// Where Debian's hunspell-* packages put their dictionaries.
QStringList defaultDictionaryFolders();

// The dictionary for a language code as the translation languages name them ("fr", "pt-BR",
// "zh-CN", "iw"): the code's own region first, then the language's main region, then any other.
std::optional<DictionaryFiles> findDictionary(const QString& languageCode, const QStringList& folders);

// The dictionaries installed in the folders, as the codes their files are named by ("fr_FR"),
// sorted and once each; a file without its pair is no dictionary.
QStringList installedDictionaries(const QStringList& folders);

class SpellChecker {
public:
    explicit SpellChecker(QStringList folders = defaultDictionaryFolders(),
                          QString myWordsFile = MyWords::defaultFile());

    // Opens a dictionary for each code, in place of those open before; one message for each code that
    // has none, and for a word list that could not be read.
    QVector<UserMessage> setLanguages(const QStringList& codes);
    QStringList languages() const { return m_codes; }
    bool isEnabled() const { return !m_dictionaries.empty(); }
    // Why the check is off, for the place that shows its state; empty while it is on.
    QString disabledReason() const;

    // A word is right when one of the dictionaries or the user's list knows it.
    bool isCorrect(QStringView word) const;
    // The words of a cell text (tags, numbers and addresses aside) that no dictionary knows, as
    // ranges of the text: for underlining while the user types.
    QVector<TextSpan> misspeltWords(const QString& cellText) const;
    // The first dictionary's suggestions first; at most `most`.
    QStringList suggestions(QStringView word, int most = 8) const;
    // Into the user's list for good, and into the open dictionaries for this run.
    std::optional<UserMessage> addToMyWords(const QString& word);
    const MyWords& myWords() const { return m_myWords; }

private:
    struct Open {
        QString code;
        std::unique_ptr<HunspellDictionary> dictionary;
    };

    QStringList m_folders;
    MyWords m_myWords;
    bool m_myWordsLoaded = false;
    QStringList m_codes;
    std::vector<Open> m_dictionaries;
    QString m_disabledReason;
    // Hunspell takes microseconds a word and films repeat their words: remember each answer.
    mutable QHash<QString, bool> m_known;
};
