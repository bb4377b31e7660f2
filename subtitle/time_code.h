// A moment of a subtitle as a value: milliseconds, or a frame number at a frame rate, so that a
// conversion between formats is exact to the unit the target can hold.
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <span>

// A frame rate as a fraction: the NTSC rates (23.976 is 24000/1001) are not decimal numbers.
struct FrameRate {
    std::int64_t numerator = 25;
    std::int64_t denominator = 1;

    bool isValid() const { return numerator > 0 && denominator > 0; }
    double value() const { return double(numerator) / double(denominator); }
    // "25", "23.976", "29.97": as a person writes it, three decimals at most.
    QString text() const;
    // A decimal rate above 0 and at most 1000; one within a hair of an NTSC rate is that rate.
    static std::optional<FrameRate> fromText(QStringView text);

    friend bool operator==(const FrameRate& a, const FrameRate& b) {
        return a.numerator * b.denominator == b.numerator * a.denominator;
    }
};

// 23.976, 24, 25, 29.97, 30, 50, 59.94, 60.
std::span<const FrameRate> usualFrameRates();

class TimeCode {
public:
    // No subtitle runs this long; the bound keeps every product below 64 bits.
    static constexpr std::int64_t kMaxMilliseconds = std::int64_t(1) << 40;

    TimeCode() = default;
    // Negative values become 0, larger ones the bound.
    static TimeCode fromMilliseconds(std::int64_t milliseconds);
    static TimeCode fromFrames(std::int64_t frame, FrameRate rate);

    std::int64_t milliseconds() const { return m_milliseconds; }
    // The nearest frame at rate; a time read as frames at the same rate keeps its frame.
    std::int64_t frames(FrameRate rate) const;
    // The nearest hundredth of a second.
    std::int64_t centiseconds() const { return (m_milliseconds + 5) / 10; }

    friend bool operator==(const TimeCode& a, const TimeCode& b) {
        return a.m_milliseconds == b.m_milliseconds;
    }
    friend bool operator<(const TimeCode& a, const TimeCode& b) {
        return a.m_milliseconds < b.m_milliseconds;
    }

private:
    std::int64_t m_milliseconds = 0;
    // Set when the time was read as a frame number.
    std::int64_t m_frame = -1;
    FrameRate m_rate;
};

// "h:mm:ss" with a fraction after "," or "." (its digits a decimal fraction of a second), or
// "mm:ss.fff" as WebVTT writes short times; blanks around it and anything after a blank are
// passed over ("00:00:04,000 X1:100"). Fields of any width; nothing when a field has no digits
// or something other than a blank follows.
std::optional<TimeCode> parseClockTime(QStringView text);
// Hours:minutes:seconds with `fractionDigits` digits (2 or 3) after `separator`, the hours at
// least `hourDigits` wide.
QString printClockTime(TimeCode time, int hourDigits, QChar separator, int fractionDigits);
