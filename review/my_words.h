// The words a user told the spelling check to accept, kept in a UTF-8 file of one word a line in
// the per-user data folder. The file is only ever added to, and each change replaces it whole.
#pragma once

#include "support/user_message.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// What a file's bytes hold: its words in file order, once each. A line that is not a single word
// in valid UTF-8 is no word, but it stays in the file.
QStringList parseMyWords(QByteArrayView bytes);
// Whether a text can stand in the file as a word (one line, no blanks, not too long).
bool isStorableWord(QStringView word);
// The file's bytes with a storable word added on a line of its own after all that was there
// (the same bytes when the file has the word already).
QByteArray withMyWord(QByteArray bytes, const QString& word);

class MyWords {
public:
    // The file in the per-user data folder ($XDG_DATA_HOME/velmora/my_words.txt).
    static QString defaultFile();
    explicit MyWords(QString file = defaultFile()) : m_file(std::move(file)) {}

    // A missing file is an empty list; an unreadable or oversized one gives a message and is
    // never written to, so nothing in it is lost.
    std::optional<UserMessage> load();
    // Adds the word to the file (read afresh, so another velmora's additions stay) and to the list.
    std::optional<UserMessage> add(const QString& word);

    bool contains(QStringView word) const { return m_set.contains(word.toString()); }
    const QStringList& words() const { return m_words; }
    const QString& file() const { return m_file; }

private:
    std::optional<UserMessage> readFile(QByteArray* bytes) const;

    QString m_file;
    QStringList m_words;
    QSet<QString> m_set;
    bool m_writable = true;
};
