// The subtitle formats as the command line names them, and what the CLI needs of their times:
// a time text read into milliseconds and written back, and a document carried into another format.
#pragma once

#include "subtitle/subtitle_document.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

struct CliFormat {
    SubtitleFormat id;
    QString name;      // what --to takes
    QString label;     // as people call it
    QString extension; // of the files written, without the dot
    QStringList aliases;
};

std::span<const CliFormat> cliFormats();
const CliFormat& cliFormat(std::int32_t formatMode);
// A name or alias, in any case ("srt", "SubRip", "webvtt").
std::optional<SubtitleFormat> formatNamed(const QString& name);

// A frame rate above 0 and at most 1000 ("25", "23.976").
std::optional<double> parseFrameRate(const QString& text);
// The rate a MicroDVD document names in its first entry ("{1}{1}23.976"), if it does.
std::optional<double> documentFrameRate(const SubtitleDocument& document);

// One Show or Hide text of the format in milliseconds (MicroDVD frames at `fps`); nothing for a
// text that is no time.
std::optional<qint64> timeTextToMs(const QString& text, std::int32_t formatMode, double fps);
QString msToTimeText(qint64 ms, std::int32_t formatMode, double fps);

struct ConvertedDocument {
    SubtitleDocument document;
    // Entries (from 1) whose times could not be read; they are written as 0.
    QList<int> unreadableTimes;
};
// The document in the target format: every time carried exactly as far as the target's unit
// allows, the header the target needs. The texts stay as they are.
ConvertedDocument convertToFormat(const SubtitleDocument& source, std::int32_t target, double fps);
