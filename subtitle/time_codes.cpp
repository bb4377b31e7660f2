// Time line split, build and shift for the five formats.
#include "subtitle/time_codes.h"

#include "subtitle/subtitle_format.h"

#include <algorithm>
#include <cstdio>

namespace {

QString trimBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.mid(b, e - b).toString();
}

// Fields sit at fixed positions with no check of the separators; past the end reads as the end.
std::int32_t fieldAt(QStringView text, qsizetype first, qsizetype last) {
    if (first >= text.size())
        return 0;
    const qsizetype end = std::min(last + 1, text.size());
    return decimalValue(text.mid(first, end - first));
}

// Where "Start=" first stands, or -1: asked of every SAMI sync line, so a loop over its "S".
qsizetype startIn(QStringView line) {
    const char16_t* p = line.utf16();
    for (qsizetype i = 0; i + 6 <= line.size(); ++i)
        if (p[i] == u'S' && p[i + 1] == u't' && p[i + 2] == u'a' && p[i + 3] == u'r' && p[i + 4] == u't' &&
            p[i + 5] == u'=')
            return i;
    return -1;
}

// The text between the first "Start=" and the ">" after it, trimmed.
QString samiStart(QStringView line) {
    const qsizetype s = startIn(line);
    if (s < 0)
        return QString();
    const qsizetype from = s + 6;
    qsizetype gt = from;
    while (gt < line.size() && line[gt] != u'>')
        ++gt;
    return trimBlanks(line.mid(from, gt - from));
}

} // namespace

// A plain loop: every entry asks it of a short line, where a general search costs more.
qsizetype arrowIn(QStringView line) {
    const char16_t* p = line.utf16();
    for (qsizetype i = 0; i + 3 <= line.size(); ++i)
        if (p[i] == u'-' && p[i + 1] == u'-' && p[i + 2] == u'>')
            return i;
    return -1;
}

std::int32_t decimalValue(QStringView text) {
    qsizetype i = 0;
    auto byteAt = [&](qsizetype k) { return static_cast<unsigned char>(text[k].unicode() & 0xFF); };
    // isspace in the C locale
    while (i < text.size() && (byteAt(i) == ' ' || (byteAt(i) >= '\t' && byteAt(i) <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (byteAt(i) == '+' || byteAt(i) == '-')) {
        negative = byteAt(i) == '-';
        ++i;
    }
    // Accumulate in 64 bits and saturate, so absurd input cannot overflow.
    std::int64_t value = 0;
    while (i < text.size() && byteAt(i) >= '0' && byteAt(i) <= '9') {
        value = value * 10 + (byteAt(i) - '0');
        if (value > INT32_MAX)
            value = std::int64_t(INT32_MAX) + 1;
        ++i;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    if (value < INT32_MIN)
        value = INT32_MIN;
    return static_cast<std::int32_t>(value);
}

TimeTexts SplitTimeLine(const QString& line, std::int32_t formatMode) {
    TimeTexts t;
    switch (formatMode) {
    case kMicroDVD: {
        const qsizetype a = line.indexOf(u'{');
        if (a < 0)
            return t;
        const qsizetype b = line.indexOf(u'}', a + 1);
        if (b < 0)
            return t;
        t.show = line.mid(a + 1, b - a - 1);
        const qsizetype c = line.indexOf(u'{', b + 1);
        if (c < 0)
            return t;
        const qsizetype d = line.indexOf(u'}', c + 1);
        if (d < 0)
            return t;
        t.hide = line.mid(c + 1, d - c - 1);
        return t;
    }
    case kSAMI: {
        const qsizetype cut = line.indexOf(kSamiClearingSeparator);
        t.show = samiStart(cut < 0 ? QStringView(line) : QStringView(line).left(cut));
        if (cut >= 0)
            t.hide = samiStart(QStringView(line).mid(cut + 1));
        return t;
    }
    case kSubViewer:
    case kSubViewer2: {
        const qsizetype c = line.indexOf(u',');
        if (c < 0) {
            t.show = trimBlanks(line);
            return t;
        }
        t.show = trimBlanks(QStringView(line).left(c));
        t.hide = trimBlanks(QStringView(line).mid(c + 1));
        return t;
    }
    case kSubRip:
    default: {
        const qsizetype a = arrowIn(line);
        if (a < 0) {
            t.show = trimBlanks(line);
            return t;
        }
        t.show = trimBlanks(QStringView(line).left(a));
        t.hide = trimBlanks(QStringView(line).mid(a + 3));
        return t;
    }
    }
}

QString BuildTimeLine(const QString& show, const QString& hide, std::int32_t formatMode) {
    switch (formatMode) {
    case kMicroDVD:
        return QStringLiteral("{") + show + QStringLiteral("}{") + hide + QStringLiteral("}");
    case kSAMI: {
        QString line = QStringLiteral("<SYNC Start=") + show + QStringLiteral(">");
        // Only a hide time after the show time can end the entry. An empty one, or one not after
        // the show (a delay turns an empty hide into the delay itself), leaves it on screen until
        // the next entry.
        const QString h = trimBlanks(hide);
        const bool digits =
            !h.isEmpty() && std::all_of(h.begin(), h.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (digits && decimalValue(h) > decimalValue(show))
            line += kSamiClearingSeparator + QStringLiteral("<SYNC Start=") + h + QStringLiteral(">&nbsp;");
        return line;
    }
    case kSubViewer:
    case kSubViewer2:
        return show + u',' + hide;
    case kSubRip:
    default:
        return show + QStringLiteral(" --> ") + hide;
    }
}

QString ShiftTimeText(const QString& text, std::int32_t delta, std::int32_t formatMode) {
    char out[64];
    // Wrapping 32-bit arithmetic, done unsigned so that overflow is defined.
    auto add = [](std::int64_t a, std::int32_t d) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(a)) +
                                         static_cast<std::uint32_t>(d));
    };
    const QStringView v(text);
    switch (formatMode) {
    case kMicroDVD:
    case kSAMI: {
        const std::int32_t n = add(decimalValue(v), delta);
        if (n > 0)
            std::snprintf(out, sizeof out, "%d", n);
        else
            std::snprintf(out, sizeof out, "0");
        break;
    }
    case kSubViewer:
    case kSubViewer2: {
        const std::int64_t base = std::int64_t(fieldAt(v, 0, 1)) * 360000 +
                                  std::int64_t(fieldAt(v, 3, 4)) * 6000 +
                                  std::int64_t(fieldAt(v, 6, 7)) * 100 + fieldAt(v, 9, 10);
        std::int32_t t = add(base, delta);
        if (t < 0)
            t = 0;
        std::snprintf(out, sizeof out, "%02d:%02d:%02d.%02d", (t / 360000) % 60, (t / 6000) % 60,
                      (t / 100) % 60, t % 100);
        break;
    }
    case kSubRip:
    default: {
        const std::int64_t base =
            ((std::int64_t(fieldAt(v, 0, 1)) * 60 + fieldAt(v, 3, 4)) * 60 + fieldAt(v, 6, 7)) * 1000 +
            fieldAt(v, 9, 11);
        std::int32_t t = add(base, delta);
        if (t < 0)
            t = 0;
        std::snprintf(out, sizeof out, "%02d:%02d:%02d,%03d", (t / 3600000) % 60, (t / 60000) % 60,
                      (t / 1000) % 60, t % 1000);
        break;
    }
    }
    return QString::fromLatin1(out);
}
