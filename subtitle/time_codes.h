// Time lines stay text in their format's own form; these are the only places that take them apart,
// put them together or move them.
#pragma once

#include <QString>
#include <cstdint>

// A SAMI time line may hold, after this separator, the sync line that clears the entry from the
// screen; that sync's time is the entry's hide time. No line read from a file holds a line feed.
inline constexpr QChar kSamiClearingSeparator = u'\n';

struct TimeTexts {
    QString show;
    QString hide;
    friend bool operator==(const TimeTexts&, const TimeTexts&) = default;
};

TimeTexts SplitTimeLine(const QString& timeLine, std::int32_t formatMode);
QString BuildTimeLine(const QString& show, const QString& hide, std::int32_t formatMode);
// Adds delta, in the format's own unit (ms, frame or hundredth), to one Show or Hide text.
QString ShiftTimeText(const QString& text, std::int32_t delta, std::int32_t formatMode);

// C library decimal conversion on the low 8 bits of each character: leading blanks, a sign, digits.
// Where "-->" first stands in a line, or -1.
qsizetype arrowIn(QStringView line);
std::int32_t decimalValue(QStringView text);
