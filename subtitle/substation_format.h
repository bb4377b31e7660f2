// Advanced SubStation's own shapes: sections, the [Events] Format line, and the time line velmora
// keeps for an event — the lines before it that are no events, then the event line up to its Text
// field, parted by line feeds — so that style, actor, margins and effect go back as they were.
#pragma once

#include "subtitle/time_codes.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text: what a file without a
// Format line is read with (SSA v4 has Marked in place of Layer, at the same place).
QStringList defaultEventFieldNames();

// Which fields of an event line hold what, from the [Events] section's Format line.
struct EventFields {
    // The field names in order; Text is the last, and it may hold commas.
    QStringList names = defaultEventFieldNames();
    int start = 1;
    int end = 2;
    // Start, End and Text are named and Text comes last: events can be taken apart.
    bool usable = true;

    int count() const { return int(names.size()); }
};

// "Format: Layer, Start, End, …" in any order; fields compared without regard to case.
EventFields eventFieldsOfFormatLine(QStringView line);
// The fields the header's [Events] section names, or the usual ones when it names none.
EventFields eventFieldsOfHeader(const QStringList& headerLines);

// "[Script Info]", "[V4+ Styles]", "[Events]", "[Fonts]" …
bool isSectionLine(QStringView line);
bool isEventsSection(QStringView line);
bool isFormatLine(QStringView line);
// Where the Text field of a "Dialogue:" or "Comment:" line begins, or -1 when the line is no
// event or has fewer fields than the Format line names.
qsizetype eventTextStart(QStringView line, const EventFields& fields);
// A "Comment:" event: shown, kept, never translated.
bool isCommentEvent(QStringView timeLine);

TimeTexts splitEventTimes(QStringView timeLine, const EventFields& fields);
// The time line with show and hide in its Start and End fields; every other field stays. An
// empty time line becomes a new "Dialogue:" event with the usual values.
QString withEventTimes(const QString& timeLine, const QString& show, const QString& hide,
                       const EventFields& fields);

// The header a file converted from another format starts with: script info, one style, the
// events' Format line.
QStringList defaultSubStationHeader();

// Entry text as event text and back, for conversions: override blocks ({\i1}, {\pos(…)}) and the
// \h and \n codes, as far as the plain tags <i> <b> <u> can say them. `lost` is set when more went.
QString subStationToPlainMarkup(const QString& text, bool* lost);
QString plainMarkupToSubStation(const QString& text, bool* lost);
