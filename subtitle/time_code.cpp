// Time codes and frame rates.
#include "subtitle/time_code.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

// The NTSC family: n × 1000/1001 for these n.
constexpr std::int64_t kNtscBases[] = {24, 30, 48, 60, 120};

constexpr std::array<FrameRate, 8> kUsualRates = {{
    {24000, 1001},
    {24, 1},
    {25, 1},
    {30000, 1001},
    {30, 1},
    {50, 1},
    {60000, 1001},
    {60, 1},
}};

// a × b / c rounded to the nearest integer, for values the bounds keep below 2^62.
std::int64_t mulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
    const std::int64_t product = a * b;
    return (product + c / 2) / c;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

QString FrameRate::text() const {
    if (!isValid())
        return QString();
    if (numerator % denominator == 0)
        return QString::number(numerator / denominator);
    // Three decimals, without the zeros a person would not write.
    QString t = QString::number(value(), 'f', 3);
    while (t.endsWith(u'0'))
        t.chop(1);
    if (t.endsWith(u'.'))
        t.chop(1);
    return t;
}

std::optional<FrameRate> FrameRate::fromText(QStringView text) {
    text = text.trimmed();
    std::int64_t whole = 0, fraction = 0, scale = 1;
    qsizetype i = 0;
    while (i < text.size() && isDigit(text[i]) && whole < 100000)
        whole = whole * 10 + (text[i++].unicode() - u'0');
    if (i == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == u'.' || text[i] == u',')) {
        ++i;
        while (i < text.size() && isDigit(text[i]) && scale < 1000000) {
            fraction = fraction * 10 + (text[i++].unicode() - u'0');
            scale *= 10;
        }
    }
    if (i != text.size())
        return std::nullopt;
    FrameRate rate{whole * scale + fraction, scale};
    if (rate.numerator <= 0 || rate.value() > 1000)
        return std::nullopt;
    for (std::int64_t base : kNtscBases) {
        const double ntsc = double(base) * 1000.0 / 1001.0;
        if (std::abs(rate.value() - ntsc) < 0.005)
            return FrameRate{base * 1000, 1001};
    }
    const std::int64_t g = std::gcd(rate.numerator, rate.denominator);
    return FrameRate{rate.numerator / g, rate.denominator / g};
}

std::span<const FrameRate> usualFrameRates() {
    return kUsualRates;
}

TimeCode TimeCode::fromMilliseconds(std::int64_t milliseconds) {
    TimeCode t;
    t.m_milliseconds = std::clamp<std::int64_t>(milliseconds, 0, kMaxMilliseconds);
    return t;
}

TimeCode TimeCode::fromFrames(std::int64_t frame, FrameRate rate) {
    if (!rate.isValid())
        return TimeCode();
    // A frame count beyond the bound at the slowest sensible rate means nothing anyway.
    frame = std::clamp<std::int64_t>(frame, 0, kMaxMilliseconds);
    TimeCode t = fromMilliseconds(mulDivRound(frame, 1000 * rate.denominator, rate.numerator));
    t.m_frame = frame;
    t.m_rate = rate;
    return t;
}

std::int64_t TimeCode::frames(FrameRate rate) const {
    if (!rate.isValid())
        return 0;
    if (m_frame >= 0 && m_rate == rate)
        return m_frame;
    return mulDivRound(m_milliseconds, rate.numerator, 1000 * rate.denominator);
}

std::optional<TimeCode> parseClockTime(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    // Up to three ":"-separated fields; every field is capped so that no product overflows.
    std::int64_t fields[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const qsizetype start = i;
        std::int64_t value = 0;
        while (i < text.size() && isDigit(text[i])) {
            value = std::min<std::int64_t>(value * 10 + (text[i].unicode() - u'0'), 10000000);
            ++i;
        }
        if (i == start)
            return std::nullopt;
        fields[count++] = value;
        if (count == 3 || i >= text.size() || text[i] != u':')
            break;
        ++i;
    }
    if (count < 2)
        return std::nullopt;
    std::int64_t milliseconds = 0;
    if (i < text.size() && (text[i] == u',' || text[i] == u'.')) {
        ++i;
        int digits = 0;
        while (i < text.size() && isDigit(text[i])) {
            if (digits < 3) {
                milliseconds = milliseconds * 10 + (text[i].unicode() - u'0');
                ++digits;
            }
            ++i;
        }
        for (; digits > 0 && digits < 3; ++digits)
            milliseconds *= 10;
    }
    // What follows, if anything, is set apart by a blank: "00:00:04,000 X1:100".
    if (i < text.size() && text[i] != u' ' && text[i] != u'\t')
        return std::nullopt;
    const std::int64_t hours = count == 3 ? fields[0] : 0;
    const std::int64_t minutes = count == 3 ? fields[1] : fields[0];
    const std::int64_t seconds = count == 3 ? fields[2] : fields[1];
    return TimeCode::fromMilliseconds(((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds);
}

QString printClockTime(TimeCode time, int hourDigits, QChar separator, int fractionDigits) {
    const std::int64_t perSecond = fractionDigits == 2 ? 100 : 1000;
    const std::int64_t units = fractionDigits == 2 ? time.centiseconds() : time.milliseconds();
    const std::int64_t seconds = units / perSecond;
    if (units < 0) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%0*lld:%02lld:%02lld%c%0*lld", hourDigits,
                      (long long)(seconds / 3600), (long long)(seconds / 60 % 60), (long long)(seconds % 60),
                      char(separator.unicode()), fractionDigits, (long long)(units % perSecond));
        return QString::fromLatin1(buffer);
    }
    // Every load prints two times per entry: digits by hand, not through printf's format parser.
    char16_t buffer[40];
    char16_t* out = buffer;
    auto digits = [&](std::uint64_t value, int width) {
        char16_t reversed[20];
        int n = 0;
        do {
            reversed[n++] = char16_t(u'0' + value % 10);
            value /= 10;
        } while (value != 0);
        for (int pad = width - n; pad > 0; --pad)
            *out++ = u'0';
        while (n > 0)
            *out++ = reversed[--n];
    };
    digits(std::uint64_t(seconds / 3600), hourDigits);
    *out++ = u':';
    digits(std::uint64_t(seconds / 60 % 60), 2);
    *out++ = u':';
    digits(std::uint64_t(seconds % 60), 2);
    *out++ = separator.unicode();
    digits(std::uint64_t(units % perSecond), fractionDigits);
    return QString(reinterpret_cast<const QChar*>(buffer), out - buffer);
}
