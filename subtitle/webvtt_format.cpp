// WebVTT time lines and cue text.
#include "subtitle/webvtt_format.h"

#include "subtitle/time_code.h"
#include "subtitle/time_codes.h"

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Where a token of non-blanks begins and ends.
struct Span {
    qsizetype from = 0;
    qsizetype to = 0;
    QStringView of(QStringView s) const { return s.mid(from, to - from); }
};

// The last line of a time line: the cue's timing line.
qsizetype timingLineStart(QStringView timeLine) {
    return timeLine.lastIndexOf(u'\n') + 1;
}

// The show and hide tokens of a timing line, around its arrow.
bool timeSpans(QStringView line, Span& show, Span& hide) {
    const qsizetype arrow = arrowIn(line);
    if (arrow < 0)
        return false;
    show.from = 0;
    while (show.from < arrow && isBlank(line[show.from]))
        ++show.from;
    show.to = arrow;
    while (show.to > show.from && isBlank(line[show.to - 1]))
        --show.to;
    hide.from = arrow + 3;
    while (hide.from < line.size() && isBlank(line[hide.from]))
        ++hide.from;
    hide.to = hide.from;
    while (hide.to < line.size() && !isBlank(line[hide.to]))
        ++hide.to;
    return true;
}

QString normalTime(QStringView text) {
    if (const std::optional<TimeCode> t = parseClockTime(text); t && !text.isEmpty())
        return printClockTime(*t, 2, u'.', 3);
    return text.toString();
}

struct Escape {
    QStringView name;
    QChar character;
};
constexpr Escape kEscapes[] = {
    {u"&amp;", u'&'},       {u"&lt;", u'<'},       {u"&gt;", u'>'},
    {u"&nbsp;", u'\u00A0'}, {u"&lrm;", u'\u200E'}, {u"&rlm;", u'\u200F'},
};

// The name of a tag without its classes, annotation or closing slash: "c" of "<c.yellow>".
QStringView tagName(QStringView tag) {
    if (tag.startsWith(u'/'))
        tag = tag.mid(1);
    qsizetype n = 0;
    while (n < tag.size() && tag[n] != u'.' && !isBlank(tag[n]))
        ++n;
    return tag.left(n);
}

bool isPlainTag(QStringView name) {
    return name == u"i" || name == u"b" || name == u"u";
}

} // namespace

bool isWebVttSignature(QStringView line) {
    if (line.startsWith(u'\uFEFF'))
        line = line.mid(1);
    return line.startsWith(u"WEBVTT") && (line.size() == 6 || isBlank(line[6]));
}

bool isWebVttTimingLine(QStringView line) {
    return arrowIn(line) >= 0;
}

TimeTexts splitWebVttTimes(QStringView timeLine) {
    const QStringView line = timeLine.mid(timingLineStart(timeLine));
    Span show, hide;
    if (!timeSpans(line, show, hide))
        return {};
    return {normalTime(show.of(line)), normalTime(hide.of(line))};
}

QString withWebVttTimes(const QString& timeLine, const QString& show, const QString& hide) {
    const qsizetype start = timingLineStart(timeLine);
    const QStringView line = QStringView(timeLine).mid(start);
    Span s, h;
    if (!timeSpans(line, s, h))
        return timeLine.left(start) + show + QStringLiteral(" --> ") + hide;
    QString out = timeLine.left(start);
    out += line.left(s.from);
    out += show;
    out += line.mid(s.to, h.from - s.to);
    out += hide;
    out += line.mid(h.to);
    return out;
}

QString webVttToPlainMarkup(const QString& text, bool* lost) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'<') {
            const qsizetype close = text.indexOf(u'>', i + 1);
            if (close > i) {
                const QStringView tag = QStringView(text).mid(i + 1, close - i - 1);
                if (isPlainTag(tagName(tag)))
                    out += (tag.startsWith(u'/') ? QStringLiteral("</") : QStringLiteral("<")) +
                           tagName(tag).toString() + u'>';
                else if (lost)
                    *lost = true; // a voice, a class, a language, ruby or an inline time
                i = close;
                continue;
            }
        } else if (c == u'&') {
            bool decoded = false;
            for (const Escape& e : kEscapes)
                if (QStringView(text).mid(i).startsWith(e.name)) {
                    out += e.character;
                    i += e.name.size() - 1;
                    decoded = true;
                    break;
                }
            if (decoded)
                continue;
        }
        out += c;
    }
    return out;
}

QString plainMarkupToWebVtt(const QString& text, bool* lost) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'<') {
            // A tag is "<", a name that begins with a letter (or "/" and one), and ">".
            const qsizetype close = text.indexOf(u'>', i + 1);
            const qsizetype nameAt = i + 1 < text.size() && text[i + 1] == u'/' ? i + 2 : i + 1;
            const bool tag = close > nameAt && text[nameAt].isLetter() &&
                             !QStringView(text).mid(i + 1, close - i - 1).contains(u'<');
            if (tag) {
                const QStringView inner = QStringView(text).mid(i + 1, close - i - 1);
                if (isPlainTag(tagName(inner)) && !inner.contains(u' '))
                    out += QStringView(text).mid(i, close - i + 1);
                else if (lost)
                    *lost = true; // <font …> and the like: WebVTT has no place for them
                i = close;
                continue;
            }
            out += QStringLiteral("&lt;");
        } else if (c == u'&') {
            out += QStringLiteral("&amp;");
        } else if (c == u'>') {
            out += QStringLiteral("&gt;");
        } else {
            out += c;
        }
    }
    return out;
}
