// WebVTT's own shapes: the signature line, cue timing lines, and the time line velmora keeps for a
// cue — the blocks before it (NOTE, STYLE, REGION), its identifier and its timing line with the
// cue settings, parted by line feeds, so that all of it goes back where it was.
#pragma once

#include "subtitle/time_codes.h"

#include <QString>
#include <QStringView>

// "WEBVTT" alone, or followed by a blank or a tab and any text.
bool isWebVttSignature(QStringView line);
// A line that times a cue: it holds "-->" (nothing else may).
bool isWebVttTimingLine(QStringView line);
// The two times of a cue's time line, as "hh:mm:ss.ttt" when they can be read, else as written.
TimeTexts splitWebVttTimes(QStringView timeLine);
// The time line with show and hide in place of its two times; all else stays as it was. An empty
// time line becomes a plain timing line.
QString withWebVttTimes(const QString& timeLine, const QString& show, const QString& hide);

// Entry text as WebVTT cue text and back, for files converted between formats: the escapes and
// the tags that only WebVTT knows (voices, classes, languages, ruby, inline times). `lost` is set
// when something went that the other side cannot hold.
QString webVttToPlainMarkup(const QString& text, bool* lost);
QString plainMarkupToWebVtt(const QString& text, bool* lost);
