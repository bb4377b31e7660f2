// The format table.
#include "subtitle/format_table.h"

#include "subtitle/subtitle_document.h"

#include <algorithm>

namespace {

constexpr QStringView kCrLf = u"\r\n";

// ---------------------------------------------------------------- time texts

// Digits alone, blanks around them allowed.
std::optional<std::int64_t> countOf(QStringView text) {
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min<std::int64_t>(value * 10 + (c.unicode() - u'0'), TimeCode::kMaxMilliseconds);
    }
    return value;
}

std::optional<TimeCode> parseClock(QStringView text, FrameRate) {
    return parseClockTime(text);
}

std::optional<TimeCode> parseMilliseconds(QStringView text, FrameRate) {
    const std::optional<std::int64_t> n = countOf(text);
    return n ? std::optional(TimeCode::fromMilliseconds(*n)) : std::nullopt;
}

std::optional<TimeCode> parseFrames(QStringView text, FrameRate rate) {
    const std::optional<std::int64_t> n = countOf(text);
    return n ? std::optional(TimeCode::fromFrames(*n, rate)) : std::nullopt;
}

// Formats with two-digit hours stop at their last moment rather than write a time their own
// reader would take apart at the wrong places.
TimeCode atMost(TimeCode time, std::int64_t milliseconds) {
    return time.milliseconds() > milliseconds ? TimeCode::fromMilliseconds(milliseconds) : time;
}
constexpr std::int64_t kLastTwoDigitHour = ((99LL * 60 + 59) * 60 + 59) * 1000;

QString printSubRip(TimeCode time, FrameRate) {
    return printClockTime(atMost(time, kLastTwoDigitHour + 999), 2, u',', 3);
}
QString printSubViewer(TimeCode time, FrameRate) {
    return printClockTime(atMost(time, kLastTwoDigitHour + 990), 2, u'.', 2);
}
QString printWebVtt(TimeCode time, FrameRate) {
    return printClockTime(time, 2, u'.', 3);
}
QString printSubStation(TimeCode time, FrameRate) {
    return printClockTime(time, 1, u'.', 2);
}
QString printMilliseconds(TimeCode time, FrameRate) {
    return QString::number(time.milliseconds());
}
QString printFrames(TimeCode time, FrameRate rate) {
    return QString::number(time.frames(rate));
}

// ---------------------------------------------------------------- the table

// clang-format off
constexpr SubtitleFormatInfo kFormats[] = {
    {kSubRip, u"SubRip", u"SubRip File(*.srt)|*.srt", u"SubRip file(*.srt)||", u"srt", u"srt",
     TimeUnit::Millisecond, true, true, true, false, true, u"99:99:99,999;0", 1023, false, FileEncoding::Utf16,
     TextForm::DropBars, kCrLf, u"", kCrLf, kCrLf, kCrLf, u"",
     parseClock, printSubRip},
    // One line per entry, the text right after the time prefix.
    {kMicroDVD, u"MicroDVD", u"MicroDVD File(*.sub;*.txt)|*.sub;*.txt", u"MicroDVD File(*.sub;*.txt)|*.sub;*.txt||",
     u"sub", u"txt",
     TimeUnit::Frame, false, true, false, false, true, u"", 1023, false, FileEncoding::Utf16,
     TextForm::Unchanged, u"|", u"", u"", u"|", u"", u"",
     parseFrames, printFrames},
    {kSAMI, u"SAMI", u"Sami File(*.smi)|*.smi", u"Sami file(*.smi)||", u"smi", u"smi;sami",
     TimeUnit::Millisecond, false, false, false, true, false, u"", 1023, false, FileEncoding::Utf16,
     TextForm::DropBars, kCrLf, kCrLf, kCrLf, kCrLf, kCrLf, u"\r\n</BODY></SAMI>",
     parseMilliseconds, printMilliseconds},
    {kSubViewer, u"SubViewer", u"SubViewer File(*.SUB)|*.SUB", u"SubViewer file(*.SUB)||", u"SUB", u"",
     TimeUnit::Centisecond, true, true, false, true, false, u"99:99:99,99;0", 1023, false, FileEncoding::Utf16,
     TextForm::DropBars, kCrLf, u"", kCrLf, kCrLf, kCrLf, u"",
     parseClock, printSubViewer},
    // Original and translation share one line.
    {kSubViewer2, u"SubViewer 2.0", u"SubViewer 2.0 File(*.SUB)|*.SUB", u"SubViewer 2.0 file(*.SUB)||", u"SUB", u"",
     TimeUnit::Centisecond, true, true, false, true, false, u"99:99:99,99;0", 1023, false, FileEncoding::Utf16,
     TextForm::BracketBreak, u"[br]", u"", kCrLf, u"[br]", kCrLf, u"",
     parseClock, printSubViewer},
    // Browsers read UTF-8 only. Cue text may hold blank-free lines of any length.
    {kWebVTT, u"WebVTT", u"WebVTT File(*.vtt)|*.vtt", u"WebVTT file(*.vtt)|*.vtt||", u"vtt", u"vtt",
     TimeUnit::Millisecond, true, true, false, true, false, u"99:99:99.999;0", 0, true, FileEncoding::Utf8,
     TextForm::OwnBreak, kCrLf, kCrLf, kCrLf, kCrLf, kCrLf, u"",
     parseClock, printWebVtt},
    // An event is one line, however long its drawing commands; original and translation share it.
    {kSubStation, u"Advanced SubStation", u"Advanced SubStation File(*.ass;*.ssa)|*.ass;*.ssa",
     u"Advanced SubStation file(*.ass)|*.ass;*.ssa||", u"ass", u"ass;ssa",
     TimeUnit::Centisecond, true, true, false, true, false, u"9:99:99.99;0", 0, true, FileEncoding::Utf8,
     TextForm::OwnBreak, u"\\N", u"", u"", u"\\N", u"", u"",
     parseClock, printSubStation},
};
// clang-format on

static_assert(std::size(kFormats) == kLastFormat - kFirstFormat + 1);

// The lines of an entry's text: a joined entry breaks after its "|"; a line break typed or read in
// any form (CR LF, CR, LF) counts as well, so that no bare one reaches a file.
QStringList textLines(const QString& text) {
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines << text.mid(from, i - from);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    lines << text.mid(from);
    return lines;
}

} // namespace

std::span<const SubtitleFormatInfo> formatTable() {
    return kFormats;
}

const SubtitleFormatInfo& formatInfo(std::int32_t formatMode) {
    return kFormats[(isValidFormat(formatMode) ? formatMode : kSubRip) - kFirstFormat];
}

std::int32_t documentFormatAfterLoad(std::int32_t current, std::int32_t loaded, Side side, bool hasOriginal) {
    if (side == Side::Translated && hasOriginal && isValidFormat(current) && current != loaded &&
        (formatInfo(current).richTimeLines || formatInfo(loaded).richTimeLines))
        return current;
    return loaded;
}

std::optional<SubtitleFormat> formatFromFileName(QStringView fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0)
        return std::nullopt;
    const QString suffix = fileName.mid(dot + 1).toString().toLower();
    if (suffix.isEmpty())
        return std::nullopt;
    for (const SubtitleFormatInfo& row : kFormats)
        for (QStringView s : row.suffixes.tokenize(u';'))
            if (s == suffix)
                return row.id;
    return std::nullopt;
}

QString loadDialogFilter() {
    QString filter;
    for (const SubtitleFormatInfo& row : kFormats) {
        filter += row.loadFilter;
        filter += u'|';
    }
    return filter + u'|';
}

QString formatFileName(std::int32_t formatMode) {
    const QStringView name = formatInfo(formatMode).name;
    const bool vowel = !name.isEmpty() && QStringView(u"AEIOU").contains(name.front());
    QString text = vowel ? QStringLiteral("an ") : QStringLiteral("a ");
    text += name;
    text += QStringLiteral(" file");
    return text;
}

std::int64_t toFormatUnits(TimeCode time, TimeUnit unit, FrameRate rate) {
    switch (unit) {
    case TimeUnit::Centisecond:
        return time.centiseconds();
    case TimeUnit::Frame:
        return time.frames(rate);
    case TimeUnit::Millisecond:
        break;
    }
    return time.milliseconds();
}

TimeCode fromFormatUnits(std::int64_t units, TimeUnit unit, FrameRate rate) {
    switch (unit) {
    case TimeUnit::Centisecond:
        return TimeCode::fromMilliseconds(std::clamp<std::int64_t>(units, 0, TimeCode::kMaxMilliseconds) *
                                          10);
    case TimeUnit::Frame:
        return TimeCode::fromFrames(units, rate);
    case TimeUnit::Millisecond:
        break;
    }
    return TimeCode::fromMilliseconds(units);
}

QString entryTextOfLine(QString line, std::int32_t formatMode) {
    // Read lines seldom hold anything to change: one look over the line spares the searches below.
    const char16_t* units = reinterpret_cast<const char16_t*>(line.utf16());
    if (std::none_of(units, units + line.size(),
                     [](char16_t c) { return c == u'\r' || c == u'\n' || c == u'[' || c == u'\\'; }))
        return line;
    line.remove(u'\r');
    line.remove(u'\n');
    if (formatMode == kSubViewer2)
        line.replace(QStringLiteral("[br]"), QStringLiteral("|"))
            .replace(QStringLiteral("[BR]"), QStringLiteral("|"));
    else if (formatMode == kSubStation)
        line.replace(QStringLiteral("\\N"), kLineJoiner);
    return line;
}

void appendFileTextOfEntry(QString& out, const QString& text, std::int32_t formatMode) {
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    if (formatInfo(formatMode).textForm != TextForm::DropBars ||
        std::none_of(units, units + text.size(),
                     [](char16_t c) { return c == u'|' || c == u'\r' || c == u'\n'; })) {
        out += fileTextOfEntry(text, formatMode);
        return;
    }
    // Every bar goes and every line break, in any form, becomes CR LF: every line of the file
    // ends in CR LF, those inside an entry too.
    qsizetype run = 0; // where the characters copied as they are begin
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = units[i];
        if (c != u'|' && c != u'\r' && c != u'\n')
            continue;
        out += QStringView(text).sliced(run, i - run);
        if (c != u'|') {
            out += kCrLf;
            if (c == u'\r' && i + 1 < text.size() && units[i + 1] == u'\n')
                ++i;
        }
        run = i + 1;
    }
    out += QStringView(text).sliced(run);
}

QString fileTextOfEntry(const QString& text, std::int32_t formatMode) {
    const SubtitleFormatInfo& format = formatInfo(formatMode);
    // A line without a break or a bar is written as it is, in every form.
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    if (std::none_of(units, units + text.size(),
                     [](char16_t c) { return c == u'|' || c == u'\r' || c == u'\n'; }))
        return text;
    if (format.textForm == TextForm::DropBars) {
        QString out;
        out.reserve(text.size() + 8);
        appendFileTextOfEntry(out, text, formatMode);
        return out;
    }
    if (format.textForm == TextForm::OwnBreak) {
        // Each line but the last loses the "|" that marks its break and ends in the format's own
        // break; line breaks in any form count. A "|" the text holds for itself stays.
        QString out;
        out.reserve(text.size() + 8);
        qsizetype run = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = units[i];
            if (c != u'\r' && c != u'\n')
                continue;
            QStringView line = QStringView(text).sliced(run, i - run);
            if (line.endsWith(u'|'))
                line.chop(1);
            out += line;
            out += format.lineBreak;
            if (c == u'\r' && i + 1 < text.size() && units[i + 1] == u'\n')
                ++i;
            run = i + 1;
        }
        out += QStringView(text).sliced(run);
        return out;
    }
    const QStringList lines = textLines(text);
    QString out;
    // One line per entry: its lines are parted by "|" only, whether or not a "|" came with the break.
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && !out.endsWith(u'|'))
            out += u'|';
        out += lines[i];
    }
    if (format.textForm == TextForm::BracketBreak)
        out.replace(u'|', QStringLiteral("[br]"));
    return out;
}
