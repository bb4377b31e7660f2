// Split, build and shift for the time lines of one document, whatever its format.
#pragma once

#include "subtitle/substation_format.h"
#include "subtitle/subtitle_document.h"
#include "subtitle/time_codes.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The five formats whose whole timing is in Show and Hide build a time line anew. WebVTT and
// Advanced SubStation put the two times into the time line the entry had, so that a cue's
// identifier and settings, or an event's style, actor, margins and effect, stay as they were.
class TimeLineRules {
public:
    // Advanced SubStation's events are taken apart by the Format line of the header's [Events].
    explicit TimeLineRules(std::int32_t formatMode, const QStringList& headerLines = {});
    explicit TimeLineRules(const SubtitleDocument& document)
        : TimeLineRules(document.formatMode, document.headerLines) {}

    std::int32_t format() const { return m_format; }
    TimeTexts split(const QString& timeLine) const;
    // previous is the time line the entry had, if any.
    QString build(const QString& show, const QString& hide, const QString& previous = QString()) const;
    // Moves one time text by delta units of the format (milliseconds, hundredths or frames).
    QString shift(const QString& text, std::int32_t delta) const;
    // An entry kept and shown but not for translation (Advanced SubStation's Comment events).
    bool isComment(const QString& timeLine) const;

private:
    std::int32_t m_format;
    EventFields m_fields;
};

// The rows among `rows` whose text may go to translation: Advanced SubStation's Comment events
// are shown and kept but never sent.
QList<int> rowsForTranslation(const SubtitleDocument& document, QList<int> rows);
