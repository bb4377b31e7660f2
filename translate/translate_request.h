// What one batch sends: up to 25 lines joined by carriage returns, percent-encoded into a form body.
#pragma once

#include "subtitle/subtitle_format.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class EntryRows;

inline constexpr int kMaxBatchLines = 25;
inline constexpr char kTranslatePath[] = "/translate_a/single";

struct BatchText {
    QString text; // the lines joined by one carriage return, none before the first or after the last
    int end = 0;  // the job position after the batch
};

// The batch of at most 25 lines that starts at `start`; an empty line still takes its place.
BatchText assembleBatch(const QStringList& lines, int start);

// Letters, digits, "/" and "." pass; every other byte becomes "%" and two upper-case hex digits.
QByteArray PercentEncode(const QByteArray& utf8);

// "sl=<pair>&ie=UTF-8&oe=UTF-8&client=gtx&dt=t&q=<encoded>", sent as the request's content.
QByteArray buildRequestBody(const QByteArray& langPair, const QString& batchText);

// Everything a job needs, copied on the UI thread when it starts: the worker never reads the rows.
struct TranslateRequest {
    QByteArray langPair;               // BuildLanguagePair of the two combos
    QStringList lines;                 // the Original text of each job position
    QList<int> rows;                   // the grid row of each job position
    std::int32_t formatMode = kSubRip; // shapes the pieces
};

// Every row, position i being row i.
TranslateRequest requestForAllRows(const EntryRows& rows, const QByteArray& langPair,
                                   std::int32_t formatMode);
// "Translate Untranslated": the rows whose translation is empty, the "untranslated" mark, or the
// original text itself, in ascending order.
QList<int> untranslatedRows(const EntryRows& rows);
// The given rows in ascending order, each once; rows outside the grid are left out.
TranslateRequest requestForRows(const EntryRows& rows, QList<int> selected, const QByteArray& langPair,
                                std::int32_t formatMode);
