// Reading the service's answer: the markers that tell an answer from anything else, the JSON
// segments, the entities and tags the service leaves in them, and the split into one piece per line.
#pragma once

#include "support/user_message.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// No answer for 25 subtitle lines comes near this; anything this large or larger is refused unread.
inline constexpr qsizetype kMaxAnswerBytes = 1024 * 1024;

inline const QString kTranslatorSupportAddress = QStringLiteral("support@velmora.example.org");

// "network is not available right now!": nothing came back.
UserMessage networkUnavailableMessage();
// "The translator is not available now! ..." with the support address: what came back is no answer.
UserMessage translatorUnavailableMessage();

struct AnswerText {
    QString text;                       // the segments in order, decoded and repaired
    std::optional<UserMessage> message; // set when the bytes are not a translation answer
};

// Takes the raw answer bytes (any bytes at all: they come from the network).
AnswerText readAnswer(QByteArrayView answer);

// HTML entities (named, decimal, hexadecimal) decoded once, the service's doubled escapes and broken
// subtitle tags mended, and the line joiner's escaped line feed dropped; other text is left alone.
QString repairText(const QString& text);

// One piece per line of the batch, the k-th piece for the k-th line, shaped for `formatMode`.
QStringList splitPieces(const QString& text, int lineCount, std::int32_t formatMode);

struct BatchAnswer {
    QStringList pieces; // lineCount pieces, or none when `message` is set
    std::optional<UserMessage> message;
};
BatchAnswer readBatchAnswer(QByteArrayView answer, int lineCount, std::int32_t formatMode);

// Removes the spaces (U+0020) at the start.
QString TrimLeadingSpaces(QString text);
// Puts a line feed after every occurrence of `c`.
QString BreakAfterChar(const QString& text, QChar c);
