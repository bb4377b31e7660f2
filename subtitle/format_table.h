// What velmora knows of each subtitle format, one row per format: the readers, the writers, the
// time boxes, re-decoding, the translation answers and the dialogs all take it from here.
#pragma once

#include "subtitle/subtitle_format.h"
#include "subtitle/time_code.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <span>

enum class TimeUnit { Millisecond, Centisecond, Frame };

// How an entry's text (lines joined by "|" and a line feed) is written into a file.
enum class TextForm {
    DropBars,     // every "|" removed, each line on a line of its own
    Unchanged,    // one file line, the entry's lines parted by "|"
    BracketBreak, // one file line, the entry's lines parted by "[br]"
    OwnBreak,     // only the "|" of a line break goes; the lines are parted by the row's lineBreak
};

// The encoding a save writes, each with its byte-order mark.
enum class FileEncoding { Utf16, Utf8 };

struct SubtitleFormatInfo {
    SubtitleFormat id;
    QStringView name;       // as messages name the format
    QStringView loadFilter; // its entry of the open dialog's filter ("label|patterns")
    QStringView saveFilter; // the save dialog's filter of a save in this format
    QStringView extension;  // what a save and the temporary subtitle are named with
    QStringView suffixes;   // file name suffixes that alone say the format (";"-separated, lower case)

    TimeUnit unit;             // of a time text, of a delay and of a spin step
    bool clockTimes;           // time texts are clock texts, else plain counts
    bool hasHideTime;          // the Hide column and box mean something
    bool numbered;             // each entry is written with its number first
    bool hasHeader;            // lines before the first entry are kept and written back
    bool keepsTranslatedTimes; // a translated load keeps its file's time lines
    QStringView inputMask;     // of the Show and Hide boxes; empty for free text
    qsizetype maxLineLength;   // a line this long stops a load as invalid; 0 for no limit
    // Its time lines hold more than the two times (cue settings, event fields); no other format's
    // rules may read them, nor these rules another format's.
    bool richTimeLines;
    FileEncoding encoding;

    TextForm textForm;
    QStringView lineBreak;        // between an entry's lines, for OwnBreak
    QStringView afterHeader;      // written once after the header lines
    QStringView beforeText;       // between the time line and the text
    QStringView beforeTranslated; // between the original and the translated part of a mix entry
    QStringView entryGap;         // after the line end that closes an entry
    QStringView trailer;          // after the last entry

    // One time text of the format; the rate is used by frame counts only.
    std::optional<TimeCode> (*parseTime)(QStringView text, FrameRate rate);
    QString (*printTime)(TimeCode time, FrameRate rate);
};

std::span<const SubtitleFormatInfo> formatTable();
// The row of a format; anything that is not one reads as the starting format, SubRip.
const SubtitleFormatInfo& formatInfo(std::int32_t formatMode);

// The document's format after a load of `loaded` on `side`: the last load decides, except that
// a translation does not impose its format on an original's time lines that it cannot read (or
// that cannot read it), when either format has rich time lines.
std::int32_t documentFormatAfterLoad(std::int32_t current, std::int32_t loaded, Side side, bool hasOriginal);

// The format a file name's suffix alone says, if any (".sub" says nothing: three formats use it).
std::optional<SubtitleFormat> formatFromFileName(QStringView fileName);
// The open dialog's filter of both loads; entry index + 1 is the format number.
QString loadDialogFilter();
// "a SubRip file", "an Advanced SubStation file".
QString formatFileName(std::int32_t formatMode);

// A time text in the unit the format counts in (milliseconds, hundredths or frames), and back.
std::int64_t toFormatUnits(TimeCode time, TimeUnit unit, FrameRate rate);
TimeCode fromFormatUnits(std::int64_t units, TimeUnit unit, FrameRate rate);

// The text of one file line as an entry holds it (SubViewer 2.0's "[br]" and Advanced SubStation's
// "\N" become the line joiner); the reader and re-decoding both make entry text with it.
QString entryTextOfLine(QString line, std::int32_t formatMode);
// An entry's text as one file line or block of lines of the format, without the final line end.
QString fileTextOfEntry(const QString& text, std::int32_t formatMode);
// The same, written onto the end of `out`: a save of thousands of entries makes no string for each.
void appendFileTextOfEntry(QString& out, const QString& text, std::int32_t formatMode);
