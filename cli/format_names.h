// The names the command line gives the subtitle formats ("srt", "vtt", "ssa", …); everything else
// about a format comes from the format table.
#pragma once

#include "subtitle/subtitle_document.h"

#include <QString>
#include <QStringList>
#include <optional>

struct TargetFormat {
    SubtitleFormat id = kSubRip;
    QString extension; // of the files written, without the dot
    // SubStation Alpha v4 rather than Advanced SubStation: the same events, an older header.
    bool subStationV4 = false;
};

// A command-line name, alias or the table's own name, in any case ("srt", "SubRip", "webvtt").
std::optional<TargetFormat> targetFormatNamed(const QString& name);
// The first name of each written form, which the completion offers.
QStringList targetFormatNames();
// "srt (SubRip), vtt (WebVTT), …".
QString targetFormatList();

// How messages name a file's format: the table's name.
QString formatName(std::int32_t formatMode);

// The header a SubStation Alpha v4 file starts with: script info, one style in v4's fields, and
// the events' Format line, whose first field v4 calls Marked.
QStringList subStationV4Header();
