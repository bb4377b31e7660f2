// A cell's text as a viewer reads it: tags taken out, line joins turned into line breaks, and every
// visible character mapped back to its place in the cell so that findings can point into the cell.
#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

struct TextSpan {
    int start = 0;
    int length = 0;
    int end() const { return start + length; }
    friend bool operator==(const TextSpan&, const TextSpan&) = default;
};

struct TagSpan {
    enum class Role { Open, Close, Alone };
    TextSpan span; // in the cell text
    Role role = Role::Alone;
    // Lower-case name of a markup tag ("i", "font"); empty for an override block ("{\an8}", "{y:i}").
    QString name;
    // The tag as written, lower-cased with its spaces squeezed: what makes two tags the same.
    QString key;
};

struct TextLayout {
    QString cell;            // the text laid out
    QString visible;         // lines separated by '\n'
    QVector<TagSpan> tags;   // in cell order
    QVector<TextSpan> lines; // in visible
    QVector<int> lineChars;  // characters (grapheme clusters) of each line
    int chars = 0;           // of all lines: line breaks are not counted

    // A span of visible mapped onto the cell text (covering any tag inside it). Only findings ask,
    // so the places are found again here rather than kept for every character of every row.
    TextSpan cellSpan(TextSpan visibleSpan) const;
    // Lines that hold more than white space.
    int filledLines() const;
};

TextLayout layoutText(const QString& cellText);

// What a reader counts as characters: grapheme clusters, so that a letter with its combining marks,
// a surrogate pair or an ideograph each count once.
int countCharacters(QStringView text);

// Words of visible in reading order, for spelling and doubled words: numbers, words with digits,
// web and mail addresses are left out.
QVector<TextSpan> wordSpans(const TextLayout& layout);

// Space, tab and the no-break spaces.
bool isBlank(QChar c);
