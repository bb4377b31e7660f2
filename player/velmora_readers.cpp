// velmora's readers seen from the player: a file's entries become the player's lines, with times in
// milliseconds and texts with line feeds. Every call into the subtitle core is in this file.
#include "player/velmora_readers.h"

#include "charset/code_page.h"
#include "subtitle/subtitle_reader.h"
#include "subtitle/subtitle_session.h"

#include <QByteArray>
#include <QStringList>
#include <cmath>
#include <limits>
#include <memory>

namespace {

// A line without a hide time of its own (SAMI's last sync) stays this long.
constexpr std::int64_t kDefaultDuration = 3000;

struct Entry {
    QString show;
    QString hide;
    QString text;
};

// What a reader made of a file, before its times are known in milliseconds.
struct Entries {
    QList<Entry> entries;
    PlayerLoadResult shell; // message, encoding and re-decoding; no lines yet
    bool countsFrames = false;
    std::optional<double> fileFrameRate;
};

// The readers join the lines of an entry with "|" and a line feed and keep a format's own "|"
// breaks (MicroDVD, SubViewer 2.0's "[br]"): each is a line break on the screen.
QString screenText(QString text) {
    text.replace(kLineJoiner, QStringLiteral("\n"));
    text.replace(u'|', u'\n');
    return text;
}

std::optional<double> frameRateEntry(const Entry& e) {
    // "{1}{1}23.976": a first entry at frame 0 or 1 whose text is the rate.
    const std::optional<std::int64_t> show = clockTextMilliseconds(e.show);
    if (!show || *show > 1)
        return std::nullopt;
    bool ok = false;
    const double rate = e.text.trimmed().toDouble(&ok);
    if (!ok || !(rate >= kMinFrameRate && rate <= kMaxFrameRate))
        return std::nullopt;
    return rate;
}

Entries readEntries(std::string_view bytes, std::int32_t format) {
    Entries out;
    auto session = std::make_shared<SubtitleSession>();
    const QByteArray data(bytes.data(), qsizetype(bytes.size()));
    const ReadResult read = loadSubtitleBytes(*session, data, SubtitleFormat(format), Side::Original);
    out.shell.message = read.message;
    out.shell.encoding.guess = read.encoding;
    out.shell.encoding.unicodeForm = unicodeFormOf(bytes);
    // Texts arrive decoded; with a mark no other character set can read them better.
    out.shell.encoding.codePage =
        out.shell.encoding.unicodeForm.isEmpty() ? read.encoding.codePage : kUtf8CodePage;
    out.countsFrames = format == kMicroDVD;

    const EntryRows& rows = session->rows();
    out.entries.reserve(rows.count());
    for (int i = 0; i < rows.count(); ++i) {
        const EntryRow& row = rows.at(i);
        out.entries.append(Entry{row.show, row.hide, screenText(row.original)});
    }
    int skipped = 0;
    if (out.countsFrames && !out.entries.isEmpty()) {
        out.fileFrameRate = frameRateEntry(out.entries.front());
        if (out.fileFrameRate) {
            out.entries.removeFirst();
            skipped = 1;
        }
    }
    // The session keeps each entry's bytes: another character set reads them afresh.
    out.shell.redecode = [session, skipped](std::size_t index,
                                            std::uint32_t codePage) -> std::optional<QString> {
        const std::optional<QString> text =
            decodeSourceBytes(session->sources(int(index) + skipped).original, codePage);
        return text ? std::optional(screenText(*text)) : std::nullopt;
    };
    return out;
}

std::int32_t clampTime(std::int64_t t) {
    return std::int32_t(std::clamp<std::int64_t>(t, 0, std::numeric_limits<std::int32_t>::max()));
}

PlayerLoadResult toLines(Entries read, double framesPerSecond) {
    PlayerLoadResult result = std::move(read.shell);
    auto time = [&](const QString& text) -> std::optional<std::int64_t> {
        const std::optional<std::int64_t> t = clockTextMilliseconds(text);
        if (!t || !read.countsFrames)
            return t;
        return std::llround(double(*t) * 1000.0 / framesPerSecond);
    };
    const qsizetype n = read.entries.size();
    std::vector<std::optional<std::int64_t>> shows(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i)
        shows[std::size_t(i)] = time(read.entries[i].show);
    result.lines.reserve(std::size_t(n));
    std::int64_t previousHide = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const Entry& e = read.entries[i];
        // A time that cannot be read: the line follows the one before rather than being lost.
        const std::int64_t show = shows[std::size_t(i)].value_or(previousHide);
        std::optional<std::int64_t> hide = time(e.hide);
        if (!hide) {
            // Formats that give only a start (SAMI) show a line until the next one begins.
            const std::optional<std::int64_t> next = i + 1 < n ? shows[std::size_t(i + 1)] : std::nullopt;
            hide = next && *next > show ? *next : show + kDefaultDuration;
        }
        PlayerLine line;
        line.number = std::int32_t(i + 1);
        line.show = clampTime(show);
        line.hide = clampTime(*hide);
        line.duration = line.hide - line.show;
        const QByteArray utf8 = e.text.toUtf8();
        line.text.assign(utf8.constData(), std::size_t(utf8.size()));
        previousHide = line.hide;
        result.lines.push_back(std::move(line));
    }
    return result;
}

} // namespace

std::optional<std::int64_t> clockTextMilliseconds(QStringView text) {
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    auto number = [](QStringView digits) -> std::optional<std::int64_t> {
        if (digits.isEmpty() || digits.size() > 9)
            return std::nullopt;
        std::int64_t v = 0;
        for (const QChar c : digits) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            v = v * 10 + (c.unicode() - u'0');
        }
        return v;
    };
    const QList<QStringView> fields = text.split(u':');
    if (fields.size() == 1)
        return number(text);
    if (fields.size() > 3)
        return std::nullopt;
    // The seconds carry the fraction, after a full stop or a comma.
    QStringView seconds = fields.back();
    std::int64_t fraction = 0;
    const qsizetype mark = std::max(seconds.indexOf(u'.'), seconds.indexOf(u','));
    if (mark >= 0) {
        QStringView digits = seconds.mid(mark + 1).left(3);
        const std::optional<std::int64_t> f = number(digits);
        if (!f)
            return std::nullopt;
        fraction = *f;
        for (qsizetype k = digits.size(); k < 3; ++k)
            fraction *= 10;
        seconds = seconds.left(mark);
    }
    std::int64_t total = 0;
    for (qsizetype i = 0; i + 1 < fields.size(); ++i) {
        const std::optional<std::int64_t> v = number(fields[i]);
        if (!v)
            return std::nullopt;
        total = total * 60 + *v;
    }
    const std::optional<std::int64_t> s = number(seconds);
    if (!s)
        return std::nullopt;
    return (total * 60 + *s) * 1000 + fraction;
}

VelmoraRead readWithVelmoraReaders(std::string_view bytes, std::int32_t format, double framesPerSecond) {
    Entries entries = readEntries(bytes, format);
    VelmoraRead read;
    read.countsFrames = entries.countsFrames;
    read.fileFrameRate = entries.fileFrameRate;
    read.result = toLines(std::move(entries), framesPerSecond);
    return read;
}

PlayerFileLoad loadAnySubtitle(const QString& path, const FrameRateQuestion& askFrameRate) {
    PlayerFileBytes file = readPlayerFileBytes(path);
    if (!file.bytes)
        return {std::nullopt, std::move(file.refusal)};
    // Told from the bytes read through the checked handle, not from the file read again.
    const SubtitleFormat format =
        guessSubtitleFormat(path, QByteArray(file.bytes->data(), qsizetype(file.bytes->size())));
    if (format == kSubRip)
        return {readPlayerBytes(*file.bytes), std::nullopt};
    Entries entries = readEntries(*file.bytes, format);
    double rate = 0;
    if (entries.countsFrames) {
        const std::optional<double> answer =
            askFrameRate ? askFrameRate(entries.fileFrameRate) : std::nullopt;
        if (!answer || !(*answer >= kMinFrameRate && *answer <= kMaxFrameRate))
            return {};
        rate = *answer;
    }
    return {toLines(std::move(entries), rate), std::nullopt};
}
