// Advanced SubStation sections, event fields and event text.
#include "subtitle/substation_format.h"

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The event's own line: the last of its time line.
qsizetype eventLineStart(QStringView timeLine) {
    return timeLine.lastIndexOf(u'\n') + 1;
}

// Whether the line begins with an ASCII word in any case. No character outside ASCII folds to a
// letter of the words asked for here, so this says what a case-insensitive comparison says, at a
// fraction of its cost on every event line.
bool startsWithNoCase(QStringView line, QLatin1StringView word) {
    if (line.size() < word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        char16_t c = line[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
        char w = word[i].toLatin1();
        if (w >= 'A' && w <= 'Z')
            w = char(w - 'A' + 'a');
        if (c != char16_t(uchar(w)))
            return false;
    }
    return true;
}

// The next comma from `at`, or -1. Fields are short: a plain loop beats a call per field.
qsizetype commaFrom(QStringView line, qsizetype at) {
    const char16_t* p = line.utf16();
    for (; at < line.size(); ++at)
        if (p[at] == u',')
            return at;
    return -1;
}

// Where the fields of a "Dialogue:" or "Comment:" line begin, or -1.
qsizetype fieldsStart(QStringView line) {
    qsizetype at = 0;
    if (startsWithNoCase(line, QLatin1StringView("Dialogue:")))
        at = 9;
    else if (startsWithNoCase(line, QLatin1StringView("Comment:")))
        at = 8;
    else
        return -1;
    while (at < line.size() && isBlank(line[at]))
        ++at;
    return at;
}

struct Field {
    qsizetype from = -1;
    qsizetype to = -1;
};

// Field k of an event line, without the blanks around it.
Field fieldAt(QStringView line, int k) {
    qsizetype at = fieldsStart(line);
    if (at < 0)
        return {};
    for (int i = 0; i < k; ++i) {
        at = commaFrom(line, at);
        if (at < 0)
            return {};
        ++at;
    }
    qsizetype end = commaFrom(line, at);
    if (end < 0)
        end = line.size();
    Field f{at, end};
    while (f.from < f.to && isBlank(line[f.from]))
        ++f.from;
    while (f.to > f.from && isBlank(line[f.to - 1]))
        --f.to;
    return f;
}

// What a new event holds in a field the user does not time.
QString usualValue(const QString& name) {
    if (name.compare(u"Style", Qt::CaseInsensitive) == 0)
        return QStringLiteral("Default");
    if (name.compare(u"Marked", Qt::CaseInsensitive) == 0)
        return QStringLiteral("Marked=0");
    if (name.compare(u"Layer", Qt::CaseInsensitive) == 0 || name.startsWith(u"Margin", Qt::CaseInsensitive))
        return QStringLiteral("0");
    return QString();
}

// The override codes that the plain tags can say.
struct PlainCode {
    QStringView code;
    QStringView tag;
};
constexpr PlainCode kPlainCodes[] = {
    {u"\\i1", u"<i>"},  {u"\\i0", u"</i>"}, {u"\\b1", u"<b>"},
    {u"\\b0", u"</b>"}, {u"\\u1", u"<u>"},  {u"\\u0", u"</u>"},
};

} // namespace

QStringList defaultEventFieldNames() {
    return {QStringLiteral("Layer"),   QStringLiteral("Start"),   QStringLiteral("End"),
            QStringLiteral("Style"),   QStringLiteral("Name"),    QStringLiteral("MarginL"),
            QStringLiteral("MarginR"), QStringLiteral("MarginV"), QStringLiteral("Effect"),
            QStringLiteral("Text")};
}

EventFields eventFieldsOfFormatLine(QStringView line) {
    EventFields fields;
    const qsizetype colon = line.indexOf(u':');
    fields.names.clear();
    for (QStringView name : line.mid(colon + 1).split(u','))
        fields.names.append(name.trimmed().toString());
    auto indexOf = [&](QStringView name) {
        for (int i = 0; i < fields.count(); ++i)
            if (fields.names[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    fields.start = indexOf(u"Start");
    fields.end = indexOf(u"End");
    const int text = indexOf(u"Text");
    fields.usable = fields.start >= 0 && fields.end >= 0 && text >= 0 && text == fields.count() - 1;
    return fields;
}

EventFields eventFieldsOfHeader(const QStringList& headerLines) {
    // The [Events] section is nearly always the header's last: look from the end.
    for (qsizetype i = headerLines.size() - 1; i >= 0; --i) {
        const QStringView line = headerLines[i];
        if (!isSectionLine(line))
            continue;
        if (!isEventsSection(line))
            return {};
        for (qsizetype j = i + 1; j < headerLines.size(); ++j)
            if (isFormatLine(headerLines[j]))
                return eventFieldsOfFormatLine(headerLines[j]);
        return {};
    }
    return {};
}

bool isSectionLine(QStringView line) {
    line = line.trimmed();
    return line.size() >= 2 && line.front() == u'[' && line.back() == u']';
}

bool isEventsSection(QStringView line) {
    return line.trimmed().compare(u"[Events]", Qt::CaseInsensitive) == 0;
}

bool isFormatLine(QStringView line) {
    return line.startsWith(u"Format:", Qt::CaseInsensitive);
}

qsizetype eventTextStart(QStringView line, const EventFields& fields) {
    if (!fields.usable)
        return -1;
    qsizetype at = fieldsStart(line);
    if (at < 0)
        return -1;
    for (int i = 0; i + 1 < fields.count(); ++i) {
        at = commaFrom(line, at);
        if (at < 0)
            return -1;
        ++at;
    }
    return at;
}

bool isCommentEvent(QStringView timeLine) {
    return timeLine.mid(eventLineStart(timeLine)).startsWith(u"Comment:", Qt::CaseInsensitive);
}

TimeTexts splitEventTimes(QStringView timeLine, const EventFields& fields) {
    const QStringView line = timeLine.mid(eventLineStart(timeLine));
    const Field show = fieldAt(line, fields.start);
    const Field hide = fieldAt(line, fields.end);
    TimeTexts t;
    if (show.from >= 0)
        t.show = line.mid(show.from, show.to - show.from).toString();
    if (hide.from >= 0)
        t.hide = line.mid(hide.from, hide.to - hide.from).toString();
    return t;
}

QString withEventTimes(const QString& timeLine, const QString& show, const QString& hide,
                       const EventFields& fields) {
    const qsizetype start = eventLineStart(timeLine);
    const QStringView line = QStringView(timeLine).mid(start);
    if (fieldsStart(line) < 0) {
        // A new event: the usual values, these times, and an empty Text to follow.
        QStringList values;
        for (int i = 0; i + 1 < fields.count(); ++i)
            values.append(i == fields.start ? show : i == fields.end ? hide : usualValue(fields.names[i]));
        return timeLine.left(start) + QStringLiteral("Dialogue: ") + values.join(u',') + u',';
    }
    // Replace the later field first, so that the earlier one's place still holds.
    struct Put {
        Field at;
        const QString* value;
    } puts[] = {{fieldAt(line, fields.start), &show}, {fieldAt(line, fields.end), &hide}};
    if (puts[0].at.from < puts[1].at.from)
        std::swap(puts[0], puts[1]);
    QString out = line.toString();
    for (const Put& p : puts)
        if (p.at.from >= 0)
            out.replace(p.at.from, p.at.to - p.at.from, *p.value);
    return timeLine.left(start) + out;
}

QStringList defaultSubStationHeader() {
    return {
        QStringLiteral("[Script Info]"),
        QStringLiteral("ScriptType: v4.00+"),
        QStringLiteral("WrapStyle: 0"),
        QStringLiteral("ScaledBorderAndShadow: yes"),
        QStringLiteral("PlayResX: 384"),
        QStringLiteral("PlayResY: 288"),
        QString(),
        QStringLiteral("[V4+ Styles]"),
        QStringLiteral("Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
                       "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
                       "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding"),
        QStringLiteral(
            "Style: Default,Arial,16,&H00FFFFFF,&H000000FF,&H00000000,&H80000000,0,0,0,0,100,100,0,"
            "0,1,1,0,2,10,10,10,1"),
        QString(),
        QStringLiteral("[Events]"),
        QStringLiteral("Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text"),
    };
}

QString subStationToPlainMarkup(const QString& text, bool* lost) {
    QString out;
    out.reserve(text.size());
    bool drawing = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'{') {
            const qsizetype close = text.indexOf(u'}', i + 1);
            if (close > i) {
                const QStringView block = QStringView(text).mid(i + 1, close - i - 1);
                // Each code runs from its backslash to the next one.
                for (QStringView code : block.split(u'\\', Qt::SkipEmptyParts)) {
                    const QString withSlash = u'\\' + code.trimmed().toString();
                    bool said = false;
                    for (const PlainCode& p : kPlainCodes)
                        if (withSlash == p.code) {
                            out += p.tag;
                            said = true;
                        }
                    if (code.startsWith(u'p') && code.size() > 1 && code[1].isDigit()) {
                        drawing = code.mid(1).toInt() != 0;
                        said = false;
                    }
                    if (!said && lost)
                        *lost = true;
                }
                if (!block.contains(u'\\') && lost && !block.isEmpty())
                    *lost = true; // a note in braces
                i = close;
                continue;
            }
        }
        // Drawing commands are shapes, not words.
        if (drawing) {
            if (lost)
                *lost = true;
            continue;
        }
        if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'h' || text[i + 1] == u'n')) {
            out += text[i + 1] == u'h' ? QChar(u'\u00A0') : QChar(u' ');
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

QString plainMarkupToSubStation(const QString& text, bool* lost) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'<') {
            const qsizetype close = text.indexOf(u'>', i + 1);
            const qsizetype nameAt = i + 1 < text.size() && text[i + 1] == u'/' ? i + 2 : i + 1;
            if (close > nameAt && text[nameAt].isLetter() &&
                !QStringView(text).mid(i + 1, close - i - 1).contains(u'<')) {
                const QStringView tag = QStringView(text).mid(i, close - i + 1);
                bool said = false;
                for (const PlainCode& p : kPlainCodes)
                    if (tag.compare(p.tag, Qt::CaseInsensitive) == 0) {
                        out += u'{' + p.code.toString() + u'}';
                        said = true;
                    }
                if (!said && lost)
                    *lost = true;
                i = close;
                continue;
            }
        }
        out += c;
    }
    return out;
}
