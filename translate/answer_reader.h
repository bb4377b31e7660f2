// Reading the service's answer: the markers that tell an answer from anything else, the JSON
// segments, the entities and tags the service leaves in them, and the split into one piece per line.
#pragma once

#include "support/user_message.h"
#include "translate/translate_messages.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// No answer for 25 subtitle lines comes near this; anything this large or larger is refused unread.
inline constexpr qsizetype kMaxAnswerBytes = 1024 * 1024;
// Bounds on what an answer may decode to, whole and per line: far above any subtitle text, and low
// enough that a hostile answer cannot fill the grid with megabytes.
inline constexpr qsizetype kMaxAnswerTextChars = 51200;
inline constexpr qsizetype kMaxPieceChars = 4096;

struct AnswerText {
    QString text;                       // the segments in order, decoded and repaired
    std::optional<UserMessage> message; // set when the bytes are not a translation answer
};

// Takes the raw answer bytes (any bytes at all: they come from the network).
AnswerText readAnswer(QByteArrayView answer);

// HTML entities (named, decimal, hexadecimal) decoded once, the service's doubled escapes and broken
// subtitle tags mended, and the line joiner's escaped line feed dropped; other text is left alone.
QString repairText(const QString& text);

struct BatchAnswer {
    QStringList pieces; // lineCount pieces, or none when `message` is set
    std::optional<UserMessage> message;
    // The answer has fewer pieces than the batch has lines: sent one line at a time, each line
    // comes back whole.
    bool mismatch = false;
};

// One piece per line of the batch, the k-th piece for the k-th line, shaped for `formatMode`;
// fewer separators than lines is a mismatch, never a piece given to two lines.
BatchAnswer splitPieces(const QString& text, int lineCount, std::int32_t formatMode);

BatchAnswer readBatchAnswer(QByteArrayView answer, int lineCount, std::int32_t formatMode);

// Removes the spaces (U+0020) at the start.
QString TrimLeadingSpaces(QString text);
// Puts a line feed after every occurrence of `c`.
QString BreakAfterChar(const QString& text, QChar c);
