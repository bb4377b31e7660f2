// One reader frame for the five subtitle formats; the format decides only how a line is taken.
#include "subtitle/subtitle_reader.h"

#include "subtitle/text_file.h"
#include "subtitle/time_codes.h"
#include "support/log.h"
#include "support/program_folder.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The readers fill a fresh document in place: a load is not an edit, it starts a new history.
class SessionLoader {
public:
    static SubtitleDocument& document(SubtitleSession& session) { return session.m_document; }
    static EntryRows& rows(SubtitleSession& session) { return session.m_rows; }
};

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A line that may be an index or a time line: a digit first, or a stray line break character.
bool isNumberLike(QStringView line) {
    return !line.isEmpty() && (isDigit(line[0]) || line[0] == u'\n' || line[0] == u'\r');
}

bool isDigitsOnly(QStringView line) {
    if (line.isEmpty())
        return false;
    for (QChar c : line)
        if (!isDigit(c))
            return false;
    return true;
}

QStringView withoutLeadingBlanks(QStringView line) {
    qsizetype i = 0;
    while (i < line.size() && line[i] == u' ')
        ++i;
    return line.mid(i);
}

bool isSubViewerTimeLine(QStringView line) {
    return line.contains(u',') && line.contains(u'.') && line.contains(u':');
}

bool closesSamiBody(QStringView line) {
    return line.contains(u"</BODY>") || line.contains(u"</SAMI>") || line.contains(u"</body>") ||
           line.contains(u"</sami>");
}

// A short entry in a file: index, time line, one line of text, an empty line.
constexpr qint64 kTypicalEntryBytes = 48;

// The rule that takes Show and Hide out of a time line of the format.
std::int32_t splitRule(SubtitleFormat format) {
    return format == kSubViewer2 ? kSubViewer : format;
}

// Walks the decoded lines of one file and fills one side of the session. New rows are gathered
// here and handed over in one piece, so that a view redraws once per load rather than once per row.
class LineLoop {
public:
    LineLoop(SubtitleSession& session, SubtitleFormat format, Side side)
        : m_rows(SessionLoader::rows(session)), m_doc(SessionLoader::document(session)), m_format(format),
          m_side(side) {}

    void prepare(qint64 fileSize) {
        if (m_side == Side::Original) {
            // Room for the entries of a typical file at once: regrowing a vector of thousands of
            // rows costs more than the whole line scan.
            const qsizetype expected = qsizetype(fileSize / kTypicalEntryBytes) + 16;
            m_newRows.reserve(expected);
            m_rows.clear();
            m_doc.loadedTimeLines.clear();
            m_doc.originalTexts.clear();
            if (m_format == kSAMI || m_format == kSubViewer || m_format == kSubViewer2)
                m_doc.headerLines.clear();
            m_doc.loadedTimeLines.reserve(expected);
            m_doc.originalTexts.reserve(expected);
        } else {
            m_doc.translatedTimeLines.clear();
            m_doc.translatedTexts.clear();
        }
        m_existingRows = m_rows.count();
    }

    void feed(const QString& rawLine) {
        m_rawLine = &rawLine;
        const QStringView line = withoutLeadingBlanks(rawLine);
        switch (m_format) {
        case kMicroDVD:
            microDvdLine(line);
            break;
        case kSAMI:
            samiLine(line);
            break;
        case kSubViewer:
        case kSubViewer2:
            subViewerLine(line);
            break;
        case kSubRip:
        default:
            subRipLine(line);
            break;
        }
    }

    // completed is false after an invalid line stopped the load.
    void finish(bool completed) {
        // An entry whose time line got no text is dropped, also at the end of the file, so that
        // the time lines pair with the texts element by element.
        dropUntakenTimeLine();
        if (m_side == Side::Original)
            finishOriginal(completed);
        else
            finishTranslated();
    }

private:
    // The text of a view as a string of its own; the whole line read is shared, not copied, since
    // most time lines and text lines are kept exactly as read.
    QString owned(QStringView v) const {
        if (m_rawLine && v.data() == m_rawLine->constData() && v.size() == m_rawLine->size())
            return *m_rawLine;
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

    QStringList* timeList() {
        if (m_side == Side::Original)
            return m_format == kMicroDVD ? nullptr : &m_doc.loadedTimeLines;
        // Translated SAMI and SubViewer files keep no times at all.
        return m_format == kSubRip || m_format == kMicroDVD ? &m_doc.translatedTimeLines : nullptr;
    }

    void addTimeLine(QStringView line) {
        QStringList* list = timeList();
        if (!list)
            return;
        // A time line directly after one that got no text: that earlier entry is empty and goes.
        dropUntakenTimeLine();
        list->append(owned(line));
        m_timeLineUntaken = true;
    }

    void dropUntakenTimeLine() {
        QStringList* list = timeList();
        if (m_timeLineUntaken && list && !list->isEmpty())
            list->removeLast();
        m_timeLineUntaken = false;
    }

    // The time line of an entry that is about to begin. A text line can begin an entry while the
    // latest time line already belongs to the entry before (after an ignored digit-first line, or
    // every SubViewer 2.0 line after the first under one time line). It gets a copy of that time
    // line, so that the time list and the text list stay the same length and the savers and the
    // timing edits pair entry i's time with entry i's text.
    QString takeTimeLineForEntry() {
        QStringList* list = timeList();
        if (!list)
            return {};
        if (!m_timeLineUntaken)
            list->append(list->isEmpty() ? QString() : list->constLast());
        m_timeLineUntaken = false;
        return list->constLast();
    }

    bool entryBegun() const { return !m_doc.texts(m_side).isEmpty(); }

    // Text-line rule shared by the formats that join continuation lines.
    void textLine(QStringView line, bool continues) {
        m_expectingText = false;
        if (line.isEmpty())
            return;
        QString text = withoutLineBreaks(line);
        if (m_format == kSubViewer2)
            text.replace(QStringLiteral("[br]"), QStringLiteral("|"))
                .replace(QStringLiteral("[BR]"), QStringLiteral("|"));
        if (continues) {
            continueEntry(text);
            return;
        }
        if (m_side == Side::Original && m_doc.loadedTimeLines.isEmpty())
            return; // no time line yet: nothing to show this text at
        m_entryLineCounter = m_lineCounter;
        beginEntry(text);
    }

    bool isContinuation() const { return m_lineCounter <= m_entryLineCounter; }

    void continueEntry(const QString& text) {
        if (!entryBegun())
            return;
        QStringList& texts = m_doc.texts(m_side);
        QString& last = texts.last();
        last.reserve(last.size() + kLineJoiner.size() + text.size());
        last += kLineJoiner;
        last += text;
        // The original's rows were all made in this run; the translated side syncs its rows at the end.
        if (m_side == Side::Original && !m_newRows.isEmpty())
            m_newRows.last().original = last;
    }

    void beginEntry(const QString& text) {
        const QString timeLine = takeTimeLineForEntry();
        if (m_side == Side::Translated) {
            m_doc.translatedTexts.append(text);
            return;
        }
        const TimeTexts times = SplitTimeLine(timeLine, splitRule(m_format));
        appendOriginalEntry(times.show, times.hide, text, text);
    }

    void appendOriginalEntry(const QString& show, const QString& hide, const QString& rowText,
                             const QString& listText) {
        m_doc.originalTexts.append(listText);
        QStringList& translated = m_doc.translatedTexts;
        const qsizetype entry = m_nextEntry;
        if (entry >= translated.size())
            translated.append(kUntranslated);
        m_newRows.append(EntryRow{double(entry + 1), show, hide, rowText, translated[entry]});
        ++m_nextEntry;
    }

    void subRipLine(QStringView line) {
        if (isNumberLike(line)) {
            ++m_lineCounter;
            if (line.contains(u"-->")) {
                addTimeLine(line);
                m_expectingText = true;
                return;
            }
            if (!m_expectingText)
                return; // an index line, or a later text line that begins with a digit
            m_expectingText = false;
            if (isDigitsOnly(line)) {
                // The next entry's index right after a time line: that entry had no text.
                dropUntakenTimeLine();
                return;
            }
        }
        textLine(line, isContinuation());
    }

    void samiLine(QStringView line) {
        if (line.startsWith(u'\n') || line.startsWith(u'\r') || closesSamiBody(line))
            return;
        if (line.contains(u"<SYNC")) {
            ++m_lineCounter;
            addTimeLine(line);
            m_timeLineSeen = true;
            return;
        }
        if (m_timeLineSeen)
            textLine(line, isContinuation());
        else
            addHeaderLine(line);
    }

    void subViewerLine(QStringView line) {
        if (isNumberLike(line)) {
            ++m_lineCounter;
            if (isSubViewerTimeLine(line)) {
                addTimeLine(line);
                m_timeLineSeen = true;
            }
            return;
        }
        if (m_timeLineSeen)
            textLine(line, m_format == kSubViewer && isContinuation());
        else
            addHeaderLine(line);
    }

    void addHeaderLine(QStringView line) {
        if (m_side == Side::Original)
            m_doc.headerLines.append(withoutLineBreaks(line));
    }

    void microDvdLine(QStringView line) {
        if (line.size() <= 4)
            return;
        const qsizetype last = line.lastIndexOf(u'}');
        // A last brace group that is not a frame number is a formatting code, not a time.
        if (last <= 0 || !isDigit(line[last - 1]))
            return;
        const QStringView prefix = line.left(last + 1);
        const QString text = withoutLineBreaks(line.mid(last + 1));
        if (m_side == Side::Translated) {
            m_doc.translatedTimeLines.append(prefix.toString());
            m_doc.translatedTexts.append(text);
            return;
        }
        const qsizetype a = line.indexOf(u'{');
        const qsizetype b = a < 0 ? -1 : line.indexOf(u'}', a);
        const qsizetype c = b < 0 ? -1 : line.indexOf(u'{', b);
        if (c < 0)
            return;
        const qsizetype d = line.indexOf(u'}', c);
        const QString show = line.mid(a + 1, b - a - 1).toString();
        const QString hide = d < 0 ? QString() : line.mid(c + 1, d - c - 1).toString();
        const QString rowText = withoutLineBreaks(d < 0 ? line : line.mid(d + 1));
        m_doc.loadedTimeLines.append(prefix.toString());
        appendOriginalEntry(show, hide, rowText, text);
    }

    void finishOriginal(bool completed) {
        SubtitleDocument& doc = m_doc;
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
        // Rows beyond this file's entries keep the text they show but get no list element: a
        // translated save then writes only the entries the translation file had.
    }

    EntryRows& m_rows;
    SubtitleDocument& m_doc;
    const SubtitleFormat m_format;
    const Side m_side;

    int m_lineCounter = 1;
    int m_entryLineCounter = 1;
    bool m_expectingText = false;
    bool m_timeLineSeen = false;
    // The latest time line has no entry yet.
    bool m_timeLineUntaken = false;
    qsizetype m_nextEntry = 0;
    int m_existingRows = 0;
    QVector<EntryRow> m_newRows;
    const QString* m_rawLine = nullptr;
};

UserMessage oversized() {
    return errorMessage(QStringLiteral("The size of this file is bigger than 400K bytes!"));
}

struct FileCheck {
    bool ok = false;
    qint64 size = 0;
    std::optional<UserMessage> message;
};

// The size check works on the file as the system sees it, before any decoding. Only a regular
// file has a size that bounds what is read: a pipe would block the load and a device such as
// /dev/zero reports 0 bytes and never ends, so both are refused like a file that cannot be opened.
FileCheck checkFile(const QString& path) {
    FileCheck check;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        log_printf("cannot open %s: error %d (%s)\n", native.constData(), err, std::strerror(err));
        return check;
    }
    struct stat st {};
    const bool statOk = ::fstat(fd, &st) == 0;
    const int statErr = errno;
    ::close(fd);
    if (!statOk || !S_ISREG(st.st_mode)) {
        const int err = !statOk ? statErr : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        log_printf("cannot read %s: error %d (%s)\n", native.constData(), err, std::strerror(err));
        return check;
    }
    if (st.st_size > kMaxSubtitleFileSize) {
        check.message = oversized();
        return check;
    }
    check.ok = true;
    check.size = st.st_size;
    return check;
}

ReadResult readLines(SubtitleSession& session, CStdioFileEx& file, qint64 size, SubtitleFormat format,
                     Side side) {
    ReadResult result;
    LineLoop loop(session, format, side);
    loop.prepare(size);
    result.changed = true;
    session.clearHistory();

    QString line;
    bool completed = true;
    while (file.ReadString(line)) {
        if (line.size() >= kMaxSubtitleLineLength) {
            result.message = errorMessage(QStringLiteral("Invalid Subtitle File!"));
            completed = false;
            break;
        }
        if (!line.isEmpty())
            loop.feed(line);
    }
    loop.finish(completed);
    result.completed = completed;
    return result;
}

} // namespace

ReadResult loadSubtitleBytes(SubtitleSession& session, QByteArray bytes, SubtitleFormat format, Side side) {
    if (!isValidFormat(format))
        format = kSubRip;
    if (bytes.size() > kMaxSubtitleFileSize)
        return ReadResult{false, false, oversized()};
    const qint64 size = bytes.size();
    CStdioFileEx file;
    file.OpenBytes(std::move(bytes));
    return readLines(session, file, size, format, side);
}

ReadResult LoadSubtitleFile(SubtitleSession& session, const QString& givenPath, SubtitleFormat format,
                            Side side) {
    ReadResult result;
    if (!isValidFormat(format))
        format = kSubRip;
    const QString path = resolveInProgramFolder(givenPath);

    FileCheck check = checkFile(path);
    if (!check.ok) {
        result.message = std::move(check.message);
        return result;
    }

    errno = 0;
    QFile file(path);
    QByteArray bytes;
    bool read = file.open(QIODevice::ReadOnly);
    if (read) {
        // One byte past the limit tells a file that grew since it was measured.
        bytes = file.read(kMaxSubtitleFileSize + 1);
        read = file.error() == QFileDevice::NoError;
    }
    if (!read) {
        const int errorNumber = errno != 0 ? errno : EIO;
        log_printf("cannot open %s as text: error %d\n", QFile::encodeName(path).constData(), errorNumber);
        // A plain message box: the framework gives it the exclamation icon.
        result.message =
            UserMessage{QString::number(errorNumber), QStringLiteral("velmora"), MessageIcon::Warning};
        return result;
    }
    // The file may have grown since it was measured; what is read is what is checked.
    return loadSubtitleBytes(session, std::move(bytes), format, side);
}

namespace {

bool startsWithBrace(const QStringList& lines) {
    for (const QString& l : lines) {
        const QString t = l.trimmed();
        if (!t.isEmpty())
            return t.startsWith(u'{');
    }
    return false;
}

bool isSubViewer2Content(const QStringList& lines) {
    for (const QString& l : lines) {
        const QString t = l.trimmed();
        if (t.contains(QStringLiteral("[br]"), Qt::CaseInsensitive) ||
            t.compare(QStringLiteral("[INFORMATION]"), Qt::CaseInsensitive) == 0 ||
            t.compare(QStringLiteral("[SUBTITLE]"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool hasSubViewerTimeLine(const QStringList& lines) {
    for (const QString& l : lines) {
        const QStringView t = withoutLeadingBlanks(l);
        if (isNumberLike(t) && isSubViewerTimeLine(t) && !t.contains(u"-->"))
            return true;
    }
    return false;
}

QStringList firstLines(const QString& path) {
    QStringList lines;
    if (QFileInfo(path).size() > kMaxSubtitleFileSize)
        return lines;
    CStdioFileEx file;
    if (!file.Open(path, CStdioFileEx::modeRead | CStdioFileEx::typeText))
        return lines;
    QString line;
    while (file.ReadString(line))
        lines.append(line);
    return lines;
}

} // namespace

SubtitleFormat GuessSubtitleFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"srt")
        return kSubRip;
    if (suffix == u"smi" || suffix == u"sami")
        return kSAMI;
    if (suffix == u"txt")
        return kMicroDVD;

    const QStringList lines = firstLines(path);
    if (suffix == u"sub") {
        if (startsWithBrace(lines))
            return kMicroDVD;
        return isSubViewer2Content(lines) ? kSubViewer2 : kSubViewer;
    }
    for (const QString& l : lines)
        if (l.contains(QStringLiteral("<SYNC"), Qt::CaseInsensitive) ||
            l.contains(QStringLiteral("<SAMI"), Qt::CaseInsensitive))
            return kSAMI;
    for (const QString& l : lines)
        if (l.contains(QStringLiteral("-->")))
            return kSubRip;
    if (startsWithBrace(lines))
        return kMicroDVD;
    if (isSubViewer2Content(lines))
        return kSubViewer2;
    if (hasSubViewerTimeLine(lines))
        return kSubViewer;
    return kSubRip;
}
