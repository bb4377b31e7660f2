// Which languages the entries of a subtitle file are in, guessed from their scripts and their most
// common words: enough to tell an English file from a French one, or a mix subtitle from either.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct LanguageShare {
    QString code; // ISO 639-1 ("en", "zh", "he")
    int percent = 0;
    friend bool operator==(const LanguageShare&, const LanguageShare&) = default;
};

// The language of one text, or empty when it gives nothing to go by.
QString guessLanguage(const QString& text);
// The languages of the texts (each entry's lines counted apart, so both halves of a mix entry
// count), most first; only those of at least a tenth of the lines that could be told.
QList<LanguageShare> guessLanguages(const QStringList& texts);
