// The ten subtitle readers (five formats, each as original or translated) behind one frame.
#pragma once

#include "charset/encoding_detector.h"
#include "subtitle/subtitle_session.h"
#include "support/user_message.h"

#include <QString>
#include <optional>

inline constexpr qint64 kMaxSubtitleFileSize = 409600;
// A line of this many characters or more stops a load as an invalid file.
inline constexpr qsizetype kMaxSubtitleLineLength = 1023;

struct ReadResult {
    // Whether the document or the rows changed (false for an unopenable or oversized file).
    bool changed = false;
    // Whether the load ran to its end (false after "Invalid Subtitle File!" and on open failures).
    // Only a completed load has the "Mapping Text" page rebuilt.
    bool completed = false;
    // What to show the user, if anything.
    std::optional<UserMessage> message;
    // How the bytes were read; the side's code page setting is what they were read with.
    EncodingGuess encoding;
    // Entries (numbered from 1 in the file) whose time line has the shape of one but fields that
    // cannot be read; such a field counts as 0 until the time is changed.
    QList<int> unreadableTimes;
    // What the status bar should say about the load besides its encoding, if anything.
    QString status;

    friend bool operator==(const ReadResult&, const ReadResult&) = default;
};

// A subtitle file's bytes, read through one handle that was checked before anything was read: a
// regular file of at most kMaxSubtitleFileSize bytes. A pipe, a device or a link to one is refused
// without a byte read, so it can neither block a load nor flood it.
struct SubtitleFileBytes {
    QByteArray bytes;
    // Why the file cannot be loaded (then nothing was read).
    std::optional<UserMessage> refusal;
};
// A relative path resolves against the program folder.
SubtitleFileBytes readSubtitleFile(const QString& path);

// Reads the file at path into the session as the original or the translated side, in the given
// format. Does not set formatMode: the caller does, from the filter the user picked, once the load
// is accepted (changed). A relative path resolves against the program folder.
// A refused load (a file that cannot be read) changes nothing at all; an original from which no
// entry could be read leaves an empty grid and says so.
// Afterwards, also after an invalid line: an original load leaves loadedTimeLines, timeLines and
// originalTexts of equal length with one element per entry row it made, and translatedTexts at
// least as long; a translated load leaves one element per entry of its file in translatedTexts,
// element k shown in row k's Translated cell, with rows added only for entries beyond the grid.
ReadResult LoadSubtitleFile(SubtitleSession& session, const QString& path, SubtitleFormat format, Side side);
// The same from a file's bytes already in memory, with the same size limit.
ReadResult loadSubtitleBytes(SubtitleSession& session, QByteArray bytes, SubtitleFormat format, Side side);

// The format of a file named on the command line, from its extension and, for ".sub" or an
// unknown extension, its content: the kind of time line most of its entries have, SubViewer 2.0
// only when its entries use "[br]". SubViewer for a ".sub" and SubRip otherwise when nothing tells.
SubtitleFormat guessSubtitleFormat(const QString& path);
// The same with the file's bytes already read.
SubtitleFormat guessSubtitleFormat(const QString& path, const QByteArray& bytes);
// The format a file's content plainly is, if any (see guessSubtitleFormat).
std::optional<SubtitleFormat> subtitleFormatFromBytes(const QByteArray& bytes);
std::optional<SubtitleFormat> subtitleFormatFromLines(const QStringList& lines);
