// How the memory reads subtitle text: the key that makes two lines the same line, the words that
// are compared, and the word-level distance that scores a near match.
#pragma once

#include <QList>
#include <QString>

// The text with tags, line breaks and spacing normalised, for exact lookup: subtitle and HTML tags
// and override blocks gone, line joiners and runs of white space one space, trimmed, composed (NFC).
// Case and punctuation stay. Empty when nothing but markup and space is left.
QString memoryKey(const QString& text);

// Subtitle markup at position i of a text: HTML-like tags and WebVTT time stamps, override blocks
// ({\i1}), MicroDVD control codes ({y:i}), the ASS breaks \N \n \h, and the line joiner "|".
struct Markup {
    int length = 0;       // 0: no markup at i
    bool isBreak = false; // stands for a line break or a hard space
};
Markup markupAt(const QString& text, int i);

// A character reference at i ("&nbsp;", "&amp;", "&#233;"…): its length (0: none) and character.
struct CharacterReference {
    int length = 0;
    char32_t value = 0;
};
CharacterReference characterReferenceAt(const QString& text, int i);

// Letters, digits and combining marks make words.
bool isWordCharacter(char32_t c);
// Scripts written without spaces between words (Chinese, Japanese kana, Thai, Lao, Khmer, Myanmar).
bool isUnspacedScript(char32_t c);
bool isSpaceCharacter(char32_t c);
// The code point at i and its width in UTF-16 units.
char32_t codePointAt(const QString& text, int i, int* width);
// How two texts are compared: composed (NFC), case-folded, typographic apostrophes as "'".
QString foldForComparison(const QString& text);

enum class TokenKind { Word, Mark };

// One word or punctuation mark of a text, where it stands in the text as given (markup included).
struct MemoryToken {
    int start = 0;
    int length = 0;
    QString text;   // as written (composed)
    QString folded; // case-folded, apostrophes unified: what the comparison sees
    TokenKind kind = TokenKind::Word;

    friend bool operator==(const MemoryToken&, const MemoryToken&) = default;
};

// Words are runs of letters, digits and marks; every character of a script written without spaces
// (Chinese, Japanese kana, Thai, Lao, Khmer, Myanmar) is a word of its own. Each other character
// that is not space is a mark, except that a run of dots is one mark. Markup is skipped.
QList<MemoryToken> memoryTokens(const QString& text);

// Weights in the distance: a word counts five times a punctuation mark, and the same word in
// another case costs a tenth of a word.
inline constexpr int kWordWeight = 10;
inline constexpr int kMarkWeight = 2;
inline constexpr int kCaseWeight = 1;

int tokenWeight(const MemoryToken& token);
int totalWeight(const QList<MemoryToken>& tokens);

struct TextRange {
    int start = 0;
    int length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

struct WordComparison {
    int score = 0;            // 0..100; 100 only when every token is the same
    QList<TextRange> inMatch; // tokens of the compared text that differ (replaced or added)
    QList<TextRange> inQuery; // tokens of the query that the compared text lacks or replaces
};

// Weighted edit distance between the query's tokens and another text's tokens, turned into a score
// of 100 × (1 − distance / the larger total weight), rounded, and never 100 unless equal.
WordComparison compareWords(const QList<MemoryToken>& query, const QList<MemoryToken>& other);
