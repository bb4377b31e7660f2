// The answer's markers, its JSON segments, the repair of entities and tags, and the split.
#include "translate/answer_reader.h"

#include "subtitle/format_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringView>

namespace {
// The start of the first segment array; an error page or a captive portal never has it.
constexpr QByteArrayView kAnswerStartMarker = "[[[\"";
constexpr QChar kAnswerSeparator = u'\r';
constexpr QChar kJoinerBar = u'|';

struct Replacement {
    QStringView from;
    QStringView to;
};

// The service escapes some text twice. Where the doubled form is a subtitle tag or one of the
// characters it escapes, the original character is what the user wrote; any other "&amp;" is a
// real ampersand escaped once. Longer forms come first, since they share prefixes.
constexpr Replacement kDoubledEscapes[] = {
    {u"&amp;lt;i&amp;gt;", u"<i>"},
    {u"&amp;lt;/ I&amp;gt;", u"</i>"},
    {u"&amp;lt;/ i&amp;gt;", u"</i>"},
    {u"&amp;lt;/I&amp;gt;", u"</i>"},
    {u"&amp;lt;/i&amp;gt;", u"</i>"},
    {u"&amp;#39;", u"'"},
    {u"&amp;lt;", u"<"},
    {u"&amp;quot;", u"\""},
    {u"&amp;gt;", u">"},
};

// The entities the service writes, and a few typographic ones that translations bring along.
constexpr Replacement kNamedEntities[] = {
    {u"amp", u"&"},        {u"lt", u"<"},         {u"gt", u">"},          {u"quot", u"\""},
    {u"apos", u"'"},       {u"nbsp", u"\u00A0"},  {u"hellip", u"\u2026"}, {u"ndash", u"\u2013"},
    {u"mdash", u"\u2014"}, {u"lsquo", u"\u2018"}, {u"rsquo", u"\u2019"},  {u"ldquo", u"\u201C"},
    {u"rdquo", u"\u201D"}, {u"laquo", u"\u00AB"}, {u"raquo", u"\u00BB"},
};

// What the service does to the tags of subtitle text: a space after the slash, an upper-case
// "I", a capitalised "Font". A line break tag means nothing inside one entry's text.
struct TagMend {
    QLatin1StringView from;
    QLatin1StringView to;
};
constexpr TagMend kTagMending[] = {
    {QLatin1StringView("<br>"), QLatin1StringView("")},
    {QLatin1StringView("</ I>"), QLatin1StringView("</i>")},
    {QLatin1StringView("</ i>"), QLatin1StringView("</i>")},
    {QLatin1StringView("</I>"), QLatin1StringView("</i>")},
    {QLatin1StringView("</ b>"), QLatin1StringView("</b>")},
    {QLatin1StringView("</ Font>"), QLatin1StringView("</font>")},
};

// The character of a numeric reference body ("233", "x27"), or nothing when it is not one that
// stands for a character: no digits, too large, zero or a lone surrogate half.
std::optional<char32_t> numericReference(QStringView body) {
    int base = 10;
    if (body.startsWith(u'x') || body.startsWith(u'X')) {
        base = 16;
        body = body.mid(1);
    }
    if (body.isEmpty() || body.size() > 8)
        return std::nullopt;
    char32_t value = 0;
    for (QChar c : body) {
        const int digit = c.isDigit() ? c.digitValue()
                          : base == 16 && c.toLower() >= u'a' && c.toLower() <= u'f'
                              ? c.toLower().unicode() - u'a' + 10
                              : -1;
        if (digit < 0 || digit >= base || c.unicode() > 0x7F)
            return std::nullopt;
        value = value * char32_t(base) + char32_t(digit);
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return value;
}

// The text an entity at `at` (an "&") stands for, and its length; nothing when it is no entity.
struct Decoded {
    QStringView text;  // a fixed replacement, or
    char32_t code = 0; // the character of a numeric reference
    qsizetype length = 0;
};
std::optional<Decoded> entityAt(QStringView text, qsizetype at) {
    const QStringView rest = text.mid(at);
    for (const Replacement& r : kDoubledEscapes)
        if (rest.startsWith(r.from))
            return Decoded{r.to, 0, r.from.size()};
    // Entity names and numbers are short; a ";" further on belongs to ordinary text.
    constexpr qsizetype kLongestEntity = 12;
    const qsizetype semicolon = rest.mid(1, kLongestEntity).indexOf(u';');
    if (semicolon <= 0)
        return std::nullopt;
    const QStringView body = rest.mid(1, semicolon);
    const qsizetype length = semicolon + 2;
    if (body.startsWith(u'#')) {
        if (std::optional<char32_t> c = numericReference(body.mid(1)))
            return Decoded{{}, *c, length};
        return std::nullopt;
    }
    for (const Replacement& r : kNamedEntities)
        if (body == r.from)
            return Decoded{r.to, 0, length};
    return std::nullopt;
}

// One pass, so that what one entity decodes to is never read as the start of another.
QString decodeEntities(QStringView text) {
    if (!text.contains(u'&'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype amp = text.indexOf(u'&', i);
        if (amp < 0) {
            out += text.mid(i);
            break;
        }
        out += text.mid(i, amp - i);
        if (std::optional<Decoded> d = entityAt(text, amp)) {
            if (d->code)
                out += QChar::fromUcs4(d->code);
            else
                out += d->text;
            i = amp + d->length;
        } else {
            out += u'&';
            i = amp + 1;
        }
    }
    return out;
}

// "|" with its line feed (and any spaces the service put between them) becomes "|" alone; the
// shaping puts exactly one line feed back where the format wants it.
QString dropJoinerLineFeeds(const QString& text) {
    qsizetype bar = text.indexOf(kJoinerBar);
    if (bar < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    while (bar >= 0) {
        out += QStringView(text).mid(from, bar + 1 - from);
        qsizetype j = bar + 1;
        while (j < text.size() && text[j] == u' ')
            ++j;
        from = j < text.size() && text[j] == u'\n' ? j + 1 : bar + 1;
        bar = text.indexOf(kJoinerBar, from);
    }
    out += QStringView(text).mid(from);
    return out;
}

QString shapePiece(QString piece, std::int32_t formatMode) {
    // A format that keeps an entry on one line keeps its "|" as it came.
    if (formatInfo(formatMode).textForm == TextForm::Unchanged)
        return piece;
    return BreakAfterChar(TrimLeadingSpaces(std::move(piece)), kJoinerBar);
}
} // namespace

AnswerText readAnswer(QByteArrayView answer) {
    if (answer.isEmpty())
        return {{}, emptyAnswerMessage()};
    if (answer.size() >= kMaxAnswerBytes || !answer.contains(kAnswerStartMarker))
        return {{}, translatorUnavailableMessage()};

    // Whatever comes before the outer list (a byte-order mark, white space, a ")]}'" guard line)
    // is no part of it.
    const qsizetype open = answer.indexOf('[');
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(answer.data() + open, answer.size() - open), &error);
    // A cut-off answer (a segment without its end) fails here as well.
    const QJsonArray outer = doc.array();
    if (error.error != QJsonParseError::NoError || !doc.isArray() || !outer.at(0).isArray())
        return {{}, translatorUnavailableMessage()};

    // Each segment is the first string of its array; arrays without one (transliterations) and the
    // source texts are passed over.
    QString segments;
    for (const QJsonValue& entry : outer.at(0).toArray()) {
        const QJsonValue first = entry.toArray().at(0);
        if (first.isString())
            segments += first.toString();
        if (segments.size() > kMaxAnswerTextChars)
            return {{}, answerTooLongMessage()};
    }
    return {repairText(segments), std::nullopt};
}

QString repairText(const QString& text) {
    QString out = decodeEntities(text);
    if (out.contains(u'<')) {
        for (const TagMend& r : kTagMending)
            out.replace(r.from, r.to);
    }
    return dropJoinerLineFeeds(out);
}

BatchAnswer splitPieces(const QString& text, int lineCount, std::int32_t formatMode) {
    if (text.size() > kMaxAnswerTextChars)
        return {{}, answerTooLongMessage()};
    QStringList pieces;
    pieces.reserve(lineCount);
    qsizetype cursor = 0;
    for (int k = 0; k < lineCount; ++k) {
        const qsizetype separator = text.indexOf(kAnswerSeparator, cursor);
        QString piece;
        if (separator >= 0) {
            piece = text.mid(cursor, separator - cursor);
            cursor = separator + 1;
        } else if (k + 1 == lineCount) {
            piece = text.mid(cursor);
        } else {
            // Which line lost its separator cannot be told: no piece may land on another's line.
            return {{}, linesMismatchMessage(), true};
        }
        piece = shapePiece(std::move(piece), formatMode);
        if (piece.size() > kMaxPieceChars)
            return {{}, answerTooLongMessage()};
        pieces.append(std::move(piece));
    }
    return {std::move(pieces), std::nullopt};
}

BatchAnswer readBatchAnswer(QByteArrayView answer, int lineCount, std::int32_t formatMode) {
    AnswerText read = readAnswer(answer);
    if (read.message)
        return {{}, std::move(read.message)};
    return splitPieces(read.text, lineCount, formatMode);
}

QString TrimLeadingSpaces(QString text) {
    qsizetype n = 0;
    while (n < text.size() && text[n] == u' ')
        ++n;
    text.remove(0, n);
    return text;
}

QString BreakAfterChar(const QString& text, QChar c) {
    qsizetype at = text.indexOf(c);
    if (at < 0)
        return text;
    QString out;
    out.reserve(text.size() + text.count(c));
    qsizetype from = 0;
    while (at >= 0) {
        out += QStringView(text).mid(from, at + 1 - from);
        out += u'\n';
        from = at + 1;
        at = text.indexOf(c, from);
    }
    out += QStringView(text).mid(from);
    return out;
}
