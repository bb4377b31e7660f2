// One reader frame for the five subtitle formats; the format decides only how a line is taken.
#include "subtitle/subtitle_reader.h"

#include "charset/encoding_detector.h"
#include "subtitle/format_table.h"
#include "subtitle/substation_format.h"
#include "subtitle/text_file.h"
#include "subtitle/time_line_rules.h"
#include "subtitle/webvtt_format.h"
#include "support/log.h"
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

QStringView withoutLeadingBlanks(QStringView line) {
    qsizetype i = 0;
    while (i < line.size() && line[i] == u' ')
        ++i;
    return line.mid(i);
}

// Digits alone, whatever blanks or tabs a careless file left after them.
bool isDigitsOnly(QStringView line) {
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'\t' || line[end - 1] == u'\r'))
        --end;
    if (end == 0)
        return false;
    for (qsizetype i = 0; i < end; ++i)
        if (!isDigit(line[i]))
            return false;
    return true;
}

// A clock text "h:m:s" with an optional fraction after one of the fraction separators, from p; the
// position after it, or nullptr. Runs on every line of a file, so it works on the units directly.
const char16_t* clockTextAt(const char16_t* p, const char16_t* end, char16_t separatorA,
                            char16_t separatorB) {
    auto digits = [end](const char16_t* q) {
        while (q < end && *q >= u'0' && *q <= u'9')
            ++q;
        return q;
    };
    for (int field = 0; field < 3; ++field) {
        if (field > 0) {
            if (p >= end || *p != u':')
                return nullptr;
            ++p;
        }
        const char16_t* after = digits(p);
        if (after == p)
            return nullptr;
        p = after;
    }
    if (p < end && (*p == separatorA || *p == separatorB)) {
        const char16_t* after = digits(p + 1);
        if (after > p + 1)
            p = after;
    }
    return p;
}

const char16_t* skipBlanks(const char16_t* p, const char16_t* end) {
    while (p < end && (*p == u' ' || *p == u'\t'))
        ++p;
    return p;
}

// "00:00:01,000 --> 00:00:04,000", with whatever follows (coordinates). Files written with a full
// stop before the milliseconds are common enough to count as well.
bool isSubRipTimeLine(QStringView line) {
    const char16_t* p = line.utf16();
    const char16_t* end = p + line.size();
    // Nearly every time line has the one layout "00:00:01,000 --> 00:00:04,000"; it is checked at
    // fixed places first, and anything else goes through the general reading below.
    static constexpr char16_t kLayout[] = u"dd:dd:dd,ddd --> dd:dd:dd,ddd";
    constexpr qsizetype kLayoutSize = std::size(kLayout) - 1;
    if (line.size() >= kLayoutSize) {
        bool fits = true;
        for (qsizetype i = 0; i < kLayoutSize && fits; ++i)
            fits = kLayout[i] == u'd' ? (p[i] >= u'0' && p[i] <= u'9') : p[i] == kLayout[i];
        if (fits && (line.size() == kLayoutSize || !(p[kLayoutSize] >= u'0' && p[kLayoutSize] <= u'9')))
            return true;
    }
    p = clockTextAt(p, end, u',', u'.');
    if (!p)
        return false;
    p = skipBlanks(p, end);
    if (end - p < 3 || p[0] != u'-' || p[1] != u'-' || p[2] != u'>')
        return false;
    return clockTextAt(skipBlanks(p + 3, end), end, u',', u'.') != nullptr;
}

// Two fields around "-->", neither with a blank inside, the hide field followed by nothing or by
// coordinates ("X1:100"): the shape of a time line whatever its fields hold, as in
// "ab:cd:ef,ghi --> 00:00:05,000". Only where an entry begins is that enough to take it as one.
bool isSubRipTimeLineShape(QStringView line) {
    const qsizetype arrow = line.indexOf(u"-->");
    if (arrow < 0)
        return false;
    const QStringView show = line.left(arrow).trimmed();
    const QList<QStringView> after = line.mid(arrow + 3).split(u' ', Qt::SkipEmptyParts);
    if (show.isEmpty() || show.contains(u' ') || show.contains(u'\t') || after.isEmpty())
        return false;
    return std::all_of(after.begin() + 1, after.end(), [](QStringView t) { return t.contains(u':'); });
}

// "00:00:01.00,00:00:04.00".
bool isSubViewerTimeLine(QStringView line) {
    const char16_t* p = line.utf16();
    const char16_t* end = p + line.size();
    p = clockTextAt(p, end, u'.', u'.');
    if (!p)
        return false;
    p = skipBlanks(p, end);
    if (p >= end || *p != u',')
        return false;
    return clockTextAt(skipBlanks(p + 1, end), end, u'.', u'.') != nullptr;
}

// Reads digits from `at`; returns how many.
qsizetype digitsAt(QStringView line, qsizetype at) {
    qsizetype n = 0;
    while (at + n < line.size() && isDigit(line[at + n]))
        ++n;
    return n;
}

// A MicroDVD entry line begins with two brace groups of frame numbers ("{100}{250}"; the second
// may be empty). Returns the position after the second group, or -1.
qsizetype microDvdTextStart(QStringView line) {
    qsizetype at = 0;
    for (int group = 0; group < 2; ++group) {
        if (at >= line.size() || line[at] != u'{')
            return -1;
        const qsizetype n = digitsAt(line, at + 1);
        if (n == 0 && group == 0)
            return -1;
        at += 1 + n;
        if (at >= line.size() || line[at] != u'}')
            return -1;
        ++at;
    }
    return at;
}

// Whether a tag begins at `at` in the line. Every SAMI line is asked for several, and lines are
// short: a plain loop over the "<" of the line beats a general search per tag.
template <std::size_t N> bool tagAt(QStringView line, qsizetype at, const char16_t (&tag)[N]) {
    constexpr qsizetype size = qsizetype(N) - 1;
    if (line.size() - at < size)
        return false;
    const char16_t* p = line.utf16() + at;
    for (qsizetype i = 0; i < size; ++i)
        if (p[i] != tag[i])
            return false;
    return true;
}

template <typename Match> bool anyTag(QStringView line, Match match) {
    const char16_t* p = line.utf16();
    for (qsizetype i = 0; i < line.size(); ++i)
        if (p[i] == u'<' && match(i))
            return true;
    return false;
}

bool closesSamiBody(QStringView line) {
    return anyTag(line, [line](qsizetype i) {
        return tagAt(line, i, u"</BODY>") || tagAt(line, i, u"</SAMI>") || tagAt(line, i, u"</body>") ||
               tagAt(line, i, u"</sami>");
    });
}

bool hasSyncTag(QStringView line) {
    return anyTag(line, [line](qsizetype i) { return tagAt(line, i, u"<SYNC"); });
}

// Where the text of a "<SYNC" line begins: after the sync tag and the paragraph tag that usually
// follows it ("<SYNC Start=1000><P Class=ENCC>Hello"). Other tags belong to the text.
qsizetype samiTextStart(QStringView line) {
    qsizetype syncEnd = 0;
    while (syncEnd < line.size() && !tagAt(line, syncEnd, u"<SYNC"))
        ++syncEnd;
    while (syncEnd < line.size() && line[syncEnd] != u'>')
        ++syncEnd;
    if (syncEnd == line.size())
        return line.size();
    qsizetype at = syncEnd + 1;
    while (at < line.size() && (line[at] == u' ' || line[at] == u'\t'))
        ++at;
    const QStringView rest = line.mid(at);
    if (rest.size() >= 2 && rest[0] == u'<' && (rest[1] == u'P' || rest[1] == u'p') &&
        (rest.size() == 2 || rest[2] == u' ' || rest[2] == u'>')) {
        const qsizetype close = rest.indexOf(u'>');
        return close < 0 ? line.size() : at + close + 1;
    }
    return syncEnd + 1;
}

// Calls `visible` with each character of SAMI text that would show on screen: the text without its
// tags and blanks. Stops when it returns false.
template <typename Visit> void forEachVisible(QStringView text, Visit visible) {
    bool inTag = false;
    for (QChar c : text) {
        if (c == u'<')
            inTag = true;
        else if (c == u'>' && inTag)
            inTag = false;
        else if (!inTag && c != u' ' && c != u'\t' && !visible(c))
            return;
    }
}

bool hasSamiVisibleText(QStringView text) {
    bool any = false;
    forEachVisible(text, [&any](QChar) { return !(any = true); });
    return any;
}

// "&nbsp;" alone (once or more, in any case) marks a sync that clears the screen.
bool isSamiClearingText(QStringView text) {
    static constexpr QStringView kNbsp = u"&nbsp;";
    qsizetype n = 0;
    bool clearing = true;
    forEachVisible(text, [&](QChar c) {
        const char16_t u = c.unicode();
        const char16_t folded =
            u < 0x80 ? (u >= u'A' && u <= u'Z' ? char16_t(u | 0x20) : u) : c.toCaseFolded().unicode();
        clearing = folded == kNbsp[n % kNbsp.size()];
        ++n;
        return clearing;
    });
    return clearing && n > 0 && n % kNbsp.size() == 0;
}

// A section only SubStation files have, or an event line with its usual fields and two times.
bool isSubStationMark(QStringView line) {
    if (line.startsWith(u'[')) {
        for (QStringView section : {u"[Script Info]", u"[V4+ Styles]", u"[V4 Styles]"})
            if (line.startsWith(section, Qt::CaseInsensitive))
                return true;
        return false;
    }
    if (!line.startsWith(u"Dialogue:", Qt::CaseInsensitive))
        return false;
    static const EventFields usual;
    if (eventTextStart(line, usual) < 0)
        return false;
    const TimeTexts times = splitEventTimes(line, usual);
    return parseClockTime(times.show) && parseClockTime(times.hide);
}

// The bytes of a short entry: index, time line, one line of text, an empty line; a MicroDVD entry is
// one line. Lists reserved for fewer entries than the file has must grow, and growing lists of
// thousands of rows costs more than the whole line scan.
constexpr qint64 kTypicalEntryBytes = 40;
constexpr qint64 kTypicalMicroDvdEntryBytes = 28;

// One line as read: its text and, from an 8-bit file, the bytes it was decoded from.
struct ReadLine {
    // Into the file's decoded text, or into storage where each line is decoded on its own.
    QStringView text;
    QString storage;
    QByteArrayView bytes;
    // An empty line stood before it: where entries are parted in a file without index lines.
    bool afterBlank = false;
};

// Walks the decoded lines of one file and fills one side of the session. New rows are gathered
// here and handed over in one piece, so that a view redraws once per load rather than once per row.
//
// An entry begins at its time line and holds every other line up to the next time line or the
// next index (digits alone with a time line after them), so that no text line is lost and an entry
// without text keeps its place with an empty text: a translation then stays beside its original.
class LineLoop {
public:
    LineLoop(SubtitleSession::LoadedState& state, SubtitleFormat format, Side side, bool keepBytes)
        : m_rows(state.rows), m_doc(state.document), m_sources(state.sources), m_format(format), m_side(side),
          m_keepBytes(keepBytes), m_rules(format) {}

    // Entries this load made on its side.
    qsizetype entriesMade() const {
        return m_side == Side::Original ? m_nextEntry : m_doc.translatedTexts.size();
    }
    const QList<int>& unreadableTimes() const { return m_unreadableTimes; }

    void prepare(qint64 fileSize) {
        if (m_side == Side::Original) {
            // Room for the entries of a typical file at once.
            const qsizetype expected =
                qsizetype(fileSize /
                          (m_format == kMicroDVD ? kTypicalMicroDvdEntryBytes : kTypicalEntryBytes)) +
                16;
            m_newRows.reserve(expected);
            m_rows.clear();
            m_doc.loadedTimeLines.clear();
            m_doc.originalTexts.clear();
            if (formatInfo(m_format).hasHeader)
                m_doc.headerLines.clear();
            m_doc.trailerLines.clear();
            m_doc.loadedTimeLines.reserve(expected);
            m_doc.originalTexts.reserve(expected);
            if (m_keepBytes)
                m_newSources.reserve(expected);
        } else {
            m_doc.translatedTimeLines.clear();
            m_doc.translatedTexts.clear();
        }
        m_existingRows = m_rows.count();
        if (m_keepBytes)
            m_kept.reserve(qsizetype(fileSize));
    }

    // `next` is the following non-empty line, if any: an index is known by the time line after it.
    void feed(const ReadLine& raw, const ReadLine* next) {
        m_raw = &raw;
        // Only the very line that was looked at as the next one; its buffer lives until now.
        m_lineIsKnownTimeLine = m_knownTimeLine && raw.text.data() == m_knownTimeLine;
        m_lineTimesUnreadable = m_lineIsKnownTimeLine && m_knownTimesUnreadable;
        m_knownTimeLine = nullptr;
        m_next = next;
        const QStringView line = withoutLeadingBlanks(raw.text);
        switch (m_format) {
        case kWebVTT:
            // Leading blanks belong to a line here: style sheets and notes keep their indentation.
            webVttLine(raw.text, next);
            break;
        case kSubStation:
            subStationLine(raw.text);
            break;
        case kMicroDVD:
            microDvdLine(line);
            break;
        case kSAMI:
            samiLine(line);
            break;
        case kSubViewer:
        case kSubViewer2:
            subViewerLine(line, next);
            break;
        case kSubRip:
        default:
            subRipLine(line, next);
            break;
        }
        ++m_linesSeen;
        m_raw = nullptr;
        m_next = nullptr;
    }

    // completed is false after an invalid line stopped the load.
    void finish(bool completed) {
        if (completed)
            closeEntry();
        else
            dropUntakenTimeLine(); // the entry's text was the invalid line
        // Blocks or lines after the last entry go back after it.
        if (m_side == Side::Original)
            m_doc.trailerLines += std::exchange(m_pending, {});
        if (m_side == Side::Original)
            finishOriginal(completed);
        else
            finishTranslated();
    }

private:
    // The text of a view as a string of its own; a whole line decoded on its own is shared, not
    // copied, since most time lines and text lines are kept exactly as read.
    QString owned(QStringView v) const {
        if (m_raw && v.data() == m_raw->storage.constData() && v.size() == m_raw->storage.size())
            return m_raw->storage;
        return v.toString();
    }

    // Stray carriage returns and line feeds inside a line would break the joined entry text.
    QString withoutLineBreaks(QStringView line) const {
        qsizetype i = 0;
        while (i < line.size() && line[i] != u'\r' && line[i] != u'\n')
            ++i;
        if (i == line.size())
            return owned(line);
        QString out;
        out.reserve(line.size());
        for (QChar c : line)
            if (c != u'\r' && c != u'\n')
                out.append(c);
        return out;
    }

    // The bytes of the text that begins at `text` within the current line: what lies before it
    // must be ASCII that the bytes spell out one to one, or the bytes cannot be told apart.
    std::optional<QByteArrayView> bytesOf(QStringView text) const {
        if (!m_keepBytes || !m_raw)
            return std::nullopt;
        const qsizetype offset = text.data() - m_raw->text.data();
        const QByteArrayView bytes = m_raw->bytes;
        if (offset < 0 || offset > bytes.size())
            return std::nullopt;
        for (qsizetype i = 0; i < offset; ++i)
            if (m_raw->text[i].unicode() >= 0x80 || bytes[i] != char(m_raw->text[i].unicode()))
                return std::nullopt;
        QByteArrayView rest = bytes.sliced(offset);
        if (rest.endsWith('\r'))
            rest.chop(1);
        return rest;
    }

    using Slice = LoadedBytes::Slice;
    Slice keep(const std::optional<QByteArrayView>& bytes) {
        if (!bytes)
            return {};
        const Slice slice{m_kept.size(), bytes->size()};
        m_kept.append(*bytes);
        return slice;
    }

    QStringList* timeList() {
        if (m_side == Side::Original)
            return &m_doc.loadedTimeLines;
        // Translated SAMI, SubViewer, WebVTT and SubStation files keep no times at all.
        return formatInfo(m_format).keepsTranslatedTimes ? &m_doc.translatedTimeLines : nullptr;
    }

    // A time line begins an entry and ends the one before.
    void openEntry(QStringView line, bool unreadableTimes = false) {
        if (m_format != kSAMI) {
            openEntryWith(owned(line), unreadableTimes);
            return;
        }
        // Nearly every SAMI entry is ended by a sync that clears it, whose line joins this one:
        // room for it now spares growing the line then.
        QString timeLine;
        timeLine.reserve(2 * line.size() + 8);
        timeLine += line;
        openEntryWith(timeLine, unreadableTimes);
    }
    void openEntryWith(const QString& timeLine, bool unreadableTimes) {
        closeEntry();
        if (QStringList* list = timeList()) {
            list->append(timeLine);
            m_timeLineUntaken = true;
        }
        m_entryOpen = true;
        m_entryHasText = false;
        m_timesUnreadable = unreadableTimes;
    }

    // An entry that got no text keeps its place with an empty text, so the entries after it stay
    // beside their translations. A SAMI sync without text is no entry: it clears the screen.
    void closeEntry() {
        if (!m_entryOpen || m_entryHasText)
            return;
        if (m_format == kSAMI) {
            QStringList* list = timeList();
            if (m_timeLineUntaken && list && !list->isEmpty())
                takeClearingSync(list->takeLast());
            m_timeLineUntaken = false;
            m_entryOpen = false;
        } else {
            beginEntry(QString(), QByteArrayView());
        }
        m_entryHasText = true;
    }

    // A SAMI sync that shows nothing ends the entry shown before it: its line joins that entry's
    // time line as the clearing part, which holds the hide time. Before any entry it stays with
    // the header lines, which a save writes back; one right after another says nothing new.
    void takeClearingSync(const QString& syncLine) {
        QStringList* list = timeList();
        if (list && m_clearable >= 0 && m_clearable < list->size()) {
            QString& timeLine = (*list)[m_clearable];
            // A read line holds no separator: the hide time is the show time of the clearing part.
            const bool hadNoSeparator = !timeLine.contains(kSamiClearingSeparator);
            timeLine.reserve(timeLine.size() + 1 + syncLine.size());
            timeLine += kSamiClearingSeparator;
            timeLine += syncLine;
            // The original's rows of this load are its entries, in order.
            if (m_side == Side::Original && m_clearable < m_newRows.size())
                m_newRows[m_clearable].hide = hadNoSeparator && !syncLine.contains(kSamiClearingSeparator)
                                                  ? SplitTimeLine(syncLine, kSAMI).show
                                                  : SplitTimeLine(timeLine, kSAMI).hide;
        } else if (m_side == Side::Original && m_nextEntry == 0) {
            m_doc.headerLines.append(syncLine);
        }
        m_clearable = -1;
    }

    void dropUntakenTimeLine() {
        QStringList* list = timeList();
        if (m_timeLineUntaken && list && !list->isEmpty())
            list->removeLast();
        m_timeLineUntaken = false;
    }

    // The time line of an entry that is about to begin. Every SubViewer 2.0 line after the first
    // under one time line is an entry of its own; it gets a copy of that time line, so that the
    // time list and the text list stay the same length and the savers and the timing edits pair
    // entry i's time with entry i's text.
    QString takeTimeLineForEntry() {
        QStringList* list = timeList();
        if (!list)
            return {};
        if (!m_timeLineUntaken)
            list->append(list->isEmpty() ? QString() : list->constLast());
        m_timeLineUntaken = false;
        m_clearable = list->size() - 1;
        return list->constLast();
    }

    // A line inside an entry.
    void entryLine(QStringView line) {
        if (line.isEmpty())
            return;
        const bool continues = m_entryHasText && m_format != kSubViewer2;
        if (continues && isPlainTextLine(line)) {
            continueEntry(line, bytesOf(line));
        } else {
            QString text = entryTextOfLine(withoutLineBreaks(line), m_format);
            if (continues)
                continueEntry(text, bytesOf(line));
            else
                beginEntry(withRoomForNextLine(std::move(text)), bytesOf(line));
        }
        m_entryHasText = true;
    }

    // A line that is its own entry text: nothing in it to drop or to turn into a line break.
    static bool isPlainTextLine(QStringView line) {
        return std::none_of(line.begin(), line.end(),
                            [](QChar c) { return c == u'\r' || c == u'\n' || c == u'[' || c == u'\\'; });
    }

    // Most entries have a second line: room for it now spares growing the text when it comes.
    QString withRoomForNextLine(QString text) const {
        if (m_format != kSubRip || !m_next || m_next->afterBlank || isDigitsOnly(m_next->text))
            return text;
        QString roomy;
        roomy.reserve(text.size() + kLineJoiner.size() + m_next->text.size());
        roomy += text;
        return roomy;
    }

    void continueEntry(QStringView text, const std::optional<QByteArrayView>& bytes) {
        QStringList& texts = m_doc.texts(m_side);
        if (texts.isEmpty())
            return;
        // The row shares the text; let go of it first, so the text grows where it is.
        const bool rowShares = m_side == Side::Original && !m_newRows.isEmpty();
        if (rowShares)
            m_newRows.last().original = QString();
        QString& last = texts.last();
        last.reserve(last.size() + kLineJoiner.size() + text.size());
        last += kLineJoiner;
        last += text;
        if (m_keepBytes) {
            Slice& kept = m_side == Side::Original ? m_newSources.last() : m_newTranslated.last();
            // The entry's lines follow one another in the kept bytes; a line whose bytes are
            // unknown leaves the entry without any.
            if (kept.offset >= 0 && bytes && kept.offset + kept.length == m_kept.size()) {
                m_kept.append('\n').append(*bytes);
                kept.length += 1 + bytes->size();
            } else {
                kept = Slice{};
            }
        }
        // The original's rows were all made in this run; the translated side syncs its rows at the end.
        if (rowShares)
            m_newRows.last().original = last;
    }

    void beginEntry(const QString& text, const std::optional<QByteArrayView>& bytes) {
        std::optional<TimeTexts> known = std::exchange(m_eventTimes, std::nullopt);
        const QString timeLine = takeTimeLineForEntry();
        if (m_side == Side::Translated) {
            m_doc.translatedTexts.append(text);
            if (m_keepBytes)
                m_newTranslated.append(keep(bytes));
        } else {
            TimeTexts times = known                     ? std::move(*known)
                              : m_format == kSubStation ? splitEventTimes(timeLine, m_fields)
                                                        : m_rules.split(timeLine);
            appendOriginalEntry(std::move(times.show), std::move(times.hide), text, bytes);
        }
        if (m_timesUnreadable)
            m_unreadableTimes.append(int(m_doc.texts(m_side).size()));
        m_timesUnreadable = false;
    }

    void appendOriginalEntry(QString&& show, QString&& hide, const QString& text,
                             const std::optional<QByteArrayView>& bytes) {
        m_doc.originalTexts.append(text);
        QStringList& translated = m_doc.translatedTexts;
        const qsizetype entry = m_nextEntry;
        if (entry >= translated.size())
            translated.append(kUntranslated);
        m_newRows.emplaceBack(
            EntryRow{double(entry + 1), std::move(show), std::move(hide), text, translated.at(entry)});
        if (m_keepBytes)
            m_newSources.append(keep(bytes));
        ++m_nextEntry;
    }

    // Whether a line is a time line of the format; an index already asked it of the line after it.
    bool isTimeLine(QStringView line) {
        if (m_lineIsKnownTimeLine)
            return true;
        return m_format == kSubRip ? isSubRipTimeLine(line) : isSubViewerTimeLine(line);
    }
    bool isIndexBefore(QStringView line, const ReadLine* next) {
        if (!next || !isDigitsOnly(line))
            return false;
        const QStringView nextLine = withoutLeadingBlanks(next->text);
        const bool readable =
            m_format == kSubRip ? isSubRipTimeLine(nextLine) : isSubViewerTimeLine(nextLine);
        if (!readable && !(m_format == kSubRip && isSubRipTimeLineShape(nextLine)))
            return false;
        m_knownTimeLine = next->text.data();
        m_knownTimesUnreadable = !readable;
        return true;
    }

    void subRipLine(QStringView line, const ReadLine* next) {
        if (isTimeLine(line)) {
            // After an index the shape alone made it a time line; its fields may not read.
            openEntry(line, m_lineTimesUnreadable);
            return;
        }
        if (isIndexBefore(line, next))
            return; // the next entry's index
        // Where an entry begins, the shape alone makes a time line: otherwise an unreadable time
        // would merge its entry into the one before and move every later entry a place up.
        if ((!m_entryOpen || m_raw->afterBlank) && isSubRipTimeLineShape(line)) {
            openEntry(line, true);
            return;
        }
        if (m_entryOpen)
            entryLine(line);
    }

    void samiLine(QStringView line) {
        if (line.startsWith(u'\n') || line.startsWith(u'\r') || closesSamiBody(line))
            return;
        if (hasSyncTag(line)) {
            samiSyncLine(line);
            return;
        }
        if (m_entryOpen) {
            // "&nbsp;" as the only text under a sync makes it a clearing sync, not an entry.
            if (!m_entryHasText && isSamiClearingText(line))
                clearOpenEntry(line);
            else
                entryLine(line);
        } else if (!m_seenSync) {
            addHeaderLine(line);
        }
    }

    // The text may stand on the sync line itself, after its tags: the commonest layout.
    void samiSyncLine(QStringView line) {
        m_seenSync = true;
        const qsizetype textAt = samiTextStart(line);
        const QStringView text = withoutLeadingBlanks(line.mid(textAt));
        if (isSamiClearingText(text)) {
            closeEntry();
            m_entryOpen = false;
            takeClearingSync(owned(line));
        } else if (!hasSamiVisibleText(text)) {
            openEntry(line);
        } else {
            openEntry(line.left(textAt));
            entryLine(text);
        }
    }

    // The open entry's sync and its "&nbsp;" line become one clearing sync line.
    void clearOpenEntry(QStringView nbspLine) {
        QStringList* list = timeList();
        if (m_timeLineUntaken && list && !list->isEmpty())
            takeClearingSync(list->takeLast() + nbspLine.toString());
        m_timeLineUntaken = false;
        m_entryOpen = false;
    }

    void subViewerLine(QStringView line, const ReadLine* next) {
        if (isTimeLine(line)) {
            openEntry(line);
            return;
        }
        if (m_entryOpen) {
            if (!isIndexBefore(line, next))
                entryLine(line);
            return;
        }
        // Above the first time line: the header, as far as its lines do not begin with a digit.
        if (line.isEmpty() || !(isDigit(line[0]) || line[0] == u'\n' || line[0] == u'\r'))
            addHeaderLine(line);
    }

    void addHeaderLine(QStringView line) {
        if (m_side == Side::Original)
            m_doc.headerLines.append(withoutLineBreaks(line));
    }

    // A blank line stood before this one, not at the very start of the file.
    bool afterBlankLine() const { return m_raw && m_raw->afterBlank && m_linesSeen > 0; }

    // Lines velmora does not edit, kept in order: before the first entry in the header, between
    // entries in front of the next one's time line, after the last one in the trailer. Blank lines
    // that parted them come back as one.
    void keepLine(QStringView line, bool afterBlank) {
        if (m_side != Side::Original)
            return;
        keepBlankLine(afterBlank);
        (beforeEntries() ? m_doc.headerLines : m_pending).append(line.toString());
    }
    bool beforeEntries() const { return m_nextEntry == 0 && !m_entryOpen; }
    // A blank line before kept lines. Between WebVTT cues the blank line that ends a cue is
    // written anyway; SubStation events have none of their own.
    void keepBlankLine(bool afterBlank) {
        if (!afterBlank || m_side != Side::Original)
            return;
        QStringList& lines = beforeEntries() ? m_doc.headerLines : m_pending;
        if (!lines.isEmpty() || (!beforeEntries() && m_format == kSubStation))
            lines.append(QString());
    }
    // The kept lines in front of the time line that follows them.
    QString withPendingLines(const QString& timeLine) {
        if (m_pending.isEmpty())
            return timeLine;
        QString joined = m_pending.join(u'\n');
        m_pending.clear();
        return joined + u'\n' + timeLine;
    }

    // WebVTT: blocks parted by blank lines. A block whose first or second line holds "-->" is a
    // cue (its first line then being the identifier); any other block (NOTE, STYLE, REGION, or one
    // velmora does not know) is kept where it stood. A line with "-->" further down a block ends
    // it and begins a cue, as browsers read it.
    void webVttLine(QStringView line, const ReadLine* next) {
        bool blockStart = m_linesSeen == 0 || m_raw->afterBlank;
        if (m_linesSeen == 0 && isWebVttSignature(line)) {
            m_vttHeader = true;
            addHeaderLine(line);
            return;
        }
        if (m_vttHeader) {
            if (!blockStart && !isWebVttTimingLine(line)) {
                addHeaderLine(line);
                return;
            }
            m_vttHeader = false;
            blockStart = true;
        }
        if (blockStart) {
            m_vttCue = m_vttBlock = false;
            m_vttIdentifier.reset();
            if (isWebVttTimingLine(line)) {
                openCue(line);
            } else if (next && !next->afterBlank && isWebVttTimingLine(next->text)) {
                m_vttIdentifier = line.toString();
            } else {
                m_vttBlock = true;
                keepLine(line, afterBlankLine());
            }
            return;
        }
        // A timing line ends whatever block it stands in and times a cue of its own.
        if (m_vttIdentifier || isWebVttTimingLine(line))
            openCue(line);
        else if (m_vttCue)
            entryLine(line);
        else if (m_vttBlock)
            keepLine(line, false);
    }

    void openCue(QStringView timingLine) {
        QString timeLine = timingLine.toString();
        if (m_vttIdentifier)
            timeLine = *std::exchange(m_vttIdentifier, std::nullopt) + u'\n' + timeLine;
        if (!m_pending.isEmpty())
            m_pending.append(QString()); // the blank line after the blocks
        TimeTexts times = splitWebVttTimes(timingLine);
        const bool unreadable = !parseClockTime(times.show) || !parseClockTime(times.hide);
        openEntryWith(withPendingLines(timeLine), unreadable);
        // The cue's text begins its entry: its times are split already.
        m_eventTimes = std::move(times);
        m_vttCue = true;
    }

    // Advanced SubStation: sections of lines. The events of [Events] are entries; every other
    // line, the sections after the events too, is kept byte for byte where it stood.
    void subStationLine(QStringView line) {
        const bool afterBlank = afterBlankLine();
        if (m_inTrailer) {
            keepTrailerLine(line, afterBlank);
            return;
        }
        if (isSectionLine(line)) {
            m_inEvents = isEventsSection(line);
            if (m_nextEntry > 0 || m_entryOpen || m_eventsSeen) {
                m_inTrailer = true;
                if (m_side == Side::Original)
                    m_doc.trailerLines += std::exchange(m_pending, {});
                keepTrailerLine(line, afterBlank);
            } else {
                keepLine(line, afterBlank);
            }
            return;
        }
        if (m_inEvents && !m_eventsSeen && !m_formatSeen && isFormatLine(line)) {
            m_formatSeen = true;
            m_fields = eventFieldsOfFormatLine(line);
            keepLine(line, afterBlank);
            return;
        }
        const qsizetype textAt = m_inEvents ? eventTextStart(line, m_fields) : -1;
        if (textAt < 0) {
            if (m_inEvents && (line.startsWith(u"Dialogue:", Qt::CaseInsensitive) ||
                               line.startsWith(u"Comment:", Qt::CaseInsensitive)))
                ++m_linesKeptAsRead;
            keepLine(line, afterBlank);
            return;
        }
        m_eventsSeen = true;
        keepBlankLine(afterBlank);
        const QString timeLine = withPendingLines(line.left(textAt).toString());
        TimeTexts times = splitEventTimes(timeLine, m_fields);
        const bool unreadable = !parseClockTime(times.show) || !parseClockTime(times.hide);
        openEntryWith(timeLine, unreadable);
        // The entry begun below has this time line: its times are split already.
        m_eventTimes = std::move(times);
        const QStringView text = line.mid(textAt);
        beginEntry(entryTextOfLine(text.toString(), kSubStation), bytesOf(text));
        m_entryHasText = true;
    }

    void keepTrailerLine(QStringView line, bool afterBlank) {
        if (m_side != Side::Original)
            return;
        if (afterBlank)
            m_doc.trailerLines.append(QString());
        m_doc.trailerLines.append(line.toString());
    }

    void microDvdLine(QStringView line) {
        const qsizetype textStart = microDvdTextStart(line);
        if (textStart < 0)
            return;
        const QStringView prefix = line.left(textStart);
        const QStringView rest = line.mid(textStart);
        const QString text = withoutLineBreaks(rest);
        if (QStringList* list = timeList())
            list->append(prefix.toString());
        if (m_side == Side::Translated) {
            m_doc.translatedTexts.append(text);
            if (m_keepBytes)
                m_newTranslated.append(keep(bytesOf(rest)));
            return;
        }
        const qsizetype close = line.indexOf(u'}');
        appendOriginalEntry(line.mid(1, close - 1).toString(),
                            line.mid(close + 2, textStart - close - 3).toString(), text, bytesOf(rest));
    }

    // What this load kept, shared by its rows: entry k's bytes and text are element k.
    std::shared_ptr<const LoadedBytes> keptLoad(QVector<Slice> slices, const QStringList& texts) {
        auto load = std::make_shared<LoadedBytes>();
        m_kept.squeeze();
        load->bytes = std::move(m_kept);
        load->slices = std::move(slices);
        load->texts = texts; // shared with the document's list until either changes
        load->format = m_format;
        return load;
    }

    void finishOriginal(bool completed) {
        SubtitleDocument& doc = m_doc;
        const qsizetype made = m_newRows.size();
        if (completed) {
            // Translated entries beyond the last original one still get rows of their own.
            for (qsizetype k = m_nextEntry; k < doc.translatedTexts.size(); ++k) {
                EntryRow row;
                row.number = double(k + 1);
                if (m_format == kSubRip) {
                    const TimeTexts times =
                        SplitTimeLine(elementOrEmpty(doc.translatedTimeLines, k), kSubRip);
                    row.show = times.show;
                    row.hide = times.hide;
                }
                row.translated = doc.translatedTexts[k];
                m_newRows.append(row);
            }
        }
        // The translated side's bytes stay with the translated texts, which stay by index.
        QVector<RowSources> sources(m_newRows.size());
        for (qsizetype k = 0; k < sources.size() && k < m_sources.size(); ++k)
            sources[k].translated = std::move(m_sources[k].translated);
        if (m_keepBytes && made > 0) {
            const std::shared_ptr<const LoadedBytes> load =
                keptLoad(std::move(m_newSources), doc.originalTexts);
            for (qsizetype k = 0; k < made; ++k)
                sources[k].original = SourceRef{load, qint32(k)};
        }
        m_sources = std::move(sources);
        m_rows.appendRows(std::move(m_newRows));
        // Also after an invalid line: timeLines must never pair the previous document's times with
        // the texts just read, and a short timeLines would leave rows without a time to save.
        doc.timeLines = doc.loadedTimeLines;
    }

    // Translated entry k belongs to row k, whatever the row's number: rows made by an earlier
    // translated load carry no number, and skipping them would put the text at the end of the
    // grid, out of step with translatedTexts. Rows are added only past the end of the grid, so
    // the added row's index is the entry's index.
    void finishTranslated() {
        EntryRows& rows = m_rows;
        QStringList& translated = m_doc.translatedTexts;
        const qsizetype existing = std::min<qsizetype>(m_existingRows, rows.count());
        for (qsizetype k = 0; k < existing && k < translated.size(); ++k)
            if (rows.at(int(k)).translated != translated[k])
                rows.setCell(int(k), kColumnTranslated, translated[k]);
        QVector<EntryRow> added;
        for (qsizetype k = existing; k < translated.size(); ++k) {
            EntryRow row;
            row.original = elementOrEmpty(m_doc.originalTexts, k);
            row.translated = translated[k];
            added.append(row);
        }
        rows.appendRows(std::move(added));
        m_sources.resize(rows.count());
        std::shared_ptr<const LoadedBytes> load;
        if (m_keepBytes && !translated.isEmpty())
            load = keptLoad(std::move(m_newTranslated), translated);
        for (qsizetype k = 0; k < translated.size(); ++k)
            m_sources[k].translated = load ? SourceRef{load, qint32(k)} : SourceRef{};
        // Rows beyond this file's entries keep the text they show but get no list element: a
        // translated save then writes only the entries the translation file had.
    }

    EntryRows& m_rows;
    SubtitleDocument& m_doc;
    QVector<RowSources>& m_sources;
    const SubtitleFormat m_format;
    const Side m_side;
    const bool m_keepBytes;
    // Made once: a format's rules are the same for every entry.
    const TimeLineRules m_rules;

    // A time line has begun an entry in this run, and whether that entry has text yet.
    bool m_entryOpen = false;
    bool m_entryHasText = false;
    // The latest time line has no entry yet.
    bool m_timeLineUntaken = false;
    // The latest time line has the shape of one but fields that cannot be read.
    bool m_timesUnreadable = false;
    QList<int> m_unreadableTimes;
    // SAMI: a sync has been seen (lines before it are the header), and the index in the time list
    // of the last entry with text, which a sync showing nothing ends, or -1 once one did.
    bool m_seenSync = false;
    qsizetype m_clearable = -1;
    qsizetype m_nextEntry = 0;
    int m_existingRows = 0;
    QVector<EntryRow> m_newRows;
    // The bytes of each entry made in this run, by entry (original or translated side).
    QVector<Slice> m_newSources;
    QVector<Slice> m_newTranslated;
    // The bytes of the entries made in this run, one after the other; shared by the entries once
    // the load is done.
    QByteArray m_kept;
    const ReadLine* m_raw = nullptr;
    // The text of the line after an index, found to be a time line while looking ahead.
    const QChar* m_knownTimeLine = nullptr;
    bool m_knownTimesUnreadable = false;
    bool m_lineIsKnownTimeLine = false;
    // The known time line had the shape of one but fields that do not read.
    bool m_lineTimesUnreadable = false;
    // The following non-empty line, while a line is fed.
    const ReadLine* m_next = nullptr;

    qsizetype m_linesSeen = 0;
    // Lines kept for the time line of the next entry, or for the trailer.
    QStringList m_pending;
    // WebVTT: in the header block, in a cue, in another block; a cue's identifier line.
    bool m_vttHeader = false;
    bool m_vttCue = false;
    bool m_vttBlock = false;
    std::optional<QString> m_vttIdentifier;
    // SubStation: the section is [Events] (also before any section), its Format line was read, an
    // event was read, the sections after the events have begun.
    bool m_inEvents = true;
    bool m_formatSeen = false;
    bool m_eventsSeen = false;
    bool m_inTrailer = false;
    EventFields m_fields;
    // SubStation and WebVTT: the times of the time line just opened, split to check them already;
    // the entry that takes that time line takes them too.
    std::optional<TimeTexts> m_eventTimes;

public:
    // Event lines that could not be taken apart (too few fields, or no usable Format line).
    int m_linesKeptAsRead = 0;
};

UserMessage oversized() {
    return errorMessage(QStringLiteral("The size of this file is bigger than 400K bytes!"));
}

QString unreadableTimesStatus(const QList<int>& entries) {
    if (entries.isEmpty())
        return QString();
    constexpr qsizetype kListed = 10;
    QStringList numbers;
    for (qsizetype i = 0; i < entries.size() && i < kListed; ++i)
        numbers << QString::number(entries[i]);
    QString list = numbers.join(QStringLiteral(", "));
    if (entries.size() > kListed)
        list += QStringLiteral(" and %1 more").arg(entries.size() - kListed);
    if (entries.size() == 1)
        return QStringLiteral("Entry %1 has a time that cannot be read; it counts as 0 until it is changed.")
            .arg(list);
    return QStringLiteral(
               "Entries %1 have times that cannot be read; they count as 0 until they are changed.")
        .arg(list);
}

ReadResult readLines(SubtitleSession& session, CStdioFileEx& file, qint64 size, SubtitleFormat format,
                     Side side, const EncodingGuess& guess) {
    ReadResult result;
    result.encoding = guess;
    // 8-bit text keeps the bytes it was read from; text read through a mark or as UTF-16 is
    // Unicode already and has nothing another character set could read better.
    const bool keepBytes =
        !file.IsFileUnicodeText() && file.ByteOrderMarkFound() == CStdioFileEx::ByteOrderMark::None;
    file.SetLoneCarriageReturnEndsLine(true);
    SubtitleSession::LoadedState state = session.takeStateForLoad();
    LineLoop loop(state, format, side, keepBytes);
    loop.prepare(size);
    result.changed = true;
    SubtitleDocument& doc = state.document;
    (side == Side::Original ? doc.originalCodePage : doc.translatedCodePage) = guess.codePage;

    // Empty lines are skipped; each line is looked at with the next one in view.
    auto fetch = [&file](ReadLine& out) {
        out.afterBlank = false;
        while (file.ReadLineView(out.text, out.storage)) {
            if (!out.text.isEmpty()) {
                out.bytes = file.LastLineBytes();
                return true;
            }
            out.afterBlank = true;
        }
        return false;
    };
    const qsizetype maxLineLength = formatInfo(format).maxLineLength;
    ReadLine line, next;
    bool have = fetch(line);
    bool completed = true;
    while (have) {
        if (maxLineLength > 0 && line.text.size() >= maxLineLength) {
            result.message = errorMessage(QStringLiteral("Invalid Subtitle File!"));
            completed = false;
            break;
        }
        const bool haveNext = fetch(next);
        loop.feed(line, haveNext ? &next : nullptr);
        std::swap(line, next);
        have = haveNext;
    }
    loop.finish(completed);
    result.completed = completed;
    // An original without a single entry leaves an empty grid: say why, rather than show it
    // without a word.
    if (completed && side == Side::Original && loop.entriesMade() == 0)
        result.message = UserMessage{
            QStringLiteral("No subtitle could be read from this file as %1. It may be in another format.")
                .arg(formatInfo(format).name),
            QStringLiteral("velmora"), MessageIcon::Warning};
    result.unreadableTimes = loop.unreadableTimes();
    QStringList status{unreadableTimesStatus(result.unreadableTimes)};
    if (loop.m_linesKeptAsRead > 0)
        status << (loop.m_linesKeptAsRead == 1
                       ? QStringLiteral("1 event line could not be read as an event; it is kept as it was.")
                       : QStringLiteral(
                             "%1 event lines could not be read as events; they are kept as they were.")
                             .arg(loop.m_linesKeptAsRead));
    status.removeAll(QString());
    result.status = status.join(u' ');
    // The loop's lists are the session's from here on.
    session.applyLoad(std::move(state));
    return result;
}

UserMessage refusal(const QString& path, int err) {
    const QString name = QDir::toNativeSeparators(path);
    switch (err) {
    case EFBIG:
        return oversized();
    case EISDIR:
        return errorMessage(QStringLiteral("\"%1\" is a folder, not a subtitle file.").arg(name));
    case EINVAL:
        return errorMessage(
            QStringLiteral("\"%1\" is not a regular file (it is a pipe, a device or a link to one), so it "
                           "cannot be loaded.")
                .arg(name));
    default:
        return errorMessage(
            QStringLiteral("Cannot open \"%1\": %2.").arg(name, QString::fromLocal8Bit(std::strerror(err))));
    }
}

// The lines as far as telling the format needs them: time lines and braces are ASCII, so the
// ANSI code page serves for every 8-bit file.
QStringList linesForFormat(const QByteArray& bytes) {
    QStringList lines;
    CStdioFileEx file;
    file.OpenBytes(bytes);
    file.SetLoneCarriageReturnEndsLine(true);
    QString line;
    // A UTF-16 file without its mark reads as text with a zero after every character; without
    // them its time lines still tell its format.
    while (file.ReadString(line))
        lines.append(line.remove(QChar(u'\0')));
    return lines;
}

} // namespace

SubtitleFileBytes readSubtitleFile(const QString& givenPath) {
    const QString path = resolveInProgramFolder(givenPath);
    SubtitleFileBytes file;
    const int err = readRegularFile(path, kMaxSubtitleFileSize, file.bytes);
    if (err != 0) {
        log_printf("cannot read %s: error %d (%s)\n", QFile::encodeName(path).constData(), err,
                   std::strerror(err));
        file.refusal = refusal(givenPath, err);
    }
    return file;
}

ReadResult loadSubtitleBytes(SubtitleSession& session, QByteArray bytes, SubtitleFormat format, Side side) {
    if (!isValidFormat(format))
        format = kSubRip;
    if (bytes.size() > kMaxSubtitleFileSize) {
        ReadResult refused;
        refused.message = oversized();
        return refused;
    }
    const qint64 size = bytes.size();
    const EncodingGuess guess = detectEncoding(bytes);
    CStdioFileEx file;
    file.OpenBytes(std::move(bytes));
    if (guess.source == EncodingGuess::Source::Utf8 || guess.source == EncodingGuess::Source::Detector)
        file.SetCodePage(std::int32_t(guess.codePage));
    return readLines(session, file, size, format, side, guess);
}

ReadResult LoadSubtitleFile(SubtitleSession& session, const QString& path, SubtitleFormat format, Side side) {
    SubtitleFileBytes file = readSubtitleFile(path);
    if (file.refusal) {
        ReadResult refused;
        refused.message = std::move(file.refusal);
        return refused;
    }
    return loadSubtitleBytes(session, std::move(file.bytes), format, side);
}

std::optional<SubtitleFormat> subtitleFormatFromLines(const QStringList& lines) {
    // Counted by the time lines and entries the readers would take; a header alone says nothing,
    // except WebVTT's signature and SubStation's sections, which no other format has.
    int subRip = 0, microDvd = 0, subViewer = 0;
    bool lineBreakCodes = false;
    for (const QString& l : lines) {
        if (!l.trimmed().isEmpty()) {
            if (isWebVttSignature(l))
                return kWebVTT;
            break;
        }
    }
    for (const QString& l : lines) {
        const QStringView t = withoutLeadingBlanks(l);
        if (isSubStationMark(t))
            return kSubStation;
        if (t.contains(QStringLiteral("<SYNC"), Qt::CaseInsensitive) ||
            t.contains(QStringLiteral("<SAMI"), Qt::CaseInsensitive))
            return kSAMI;
        if (isSubRipTimeLine(t))
            ++subRip;
        else if (isSubViewerTimeLine(t))
            ++subViewer;
        else if (microDvdTextStart(t) >= 0)
            ++microDvd;
        else if (subViewer > 0 && t.contains(QStringLiteral("[br]"), Qt::CaseInsensitive))
            lineBreakCodes = true;
    }
    const int most = std::max({subRip, microDvd, subViewer});
    if (most == 0)
        return std::nullopt;
    if (subRip == most)
        return kSubRip;
    if (microDvd == most)
        return kMicroDVD;
    return lineBreakCodes ? kSubViewer2 : kSubViewer;
}

std::optional<SubtitleFormat> subtitleFormatFromBytes(const QByteArray& bytes) {
    if (bytes.size() > kMaxSubtitleFileSize)
        return std::nullopt;
    return subtitleFormatFromLines(linesForFormat(bytes));
}

SubtitleFormat guessSubtitleFormat(const QString& path, const QByteArray& bytes) {
    if (const std::optional<SubtitleFormat> format = formatFromFileName(QFileInfo(path).fileName()))
        return *format;
    if (const std::optional<SubtitleFormat> format = subtitleFormatFromBytes(bytes))
        return *format;
    return QFileInfo(path).suffix().toLower() == u"sub" ? kSubViewer : kSubRip;
}

SubtitleFormat guessSubtitleFormat(const QString& path) {
    if (const std::optional<SubtitleFormat> format = formatFromFileName(QFileInfo(path).fileName()))
        return *format;
    return guessSubtitleFormat(path, readSubtitleFile(path).bytes);
}
