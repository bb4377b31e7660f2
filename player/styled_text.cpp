// Markup of subtitle texts read into styled runs. Whatever is not markup stays text: a "<" that
// opens no known tag, an "&" that names no entity and a "{" that opens no override are shown.
#include "player/styled_text.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A tag or an override block ends on its own line and within this many characters; beyond that a
// "<" or "{" is taken as text.
constexpr qsizetype kMaxMarkup = 256;

struct NamedColor {
    const char* name;
    std::uint32_t rgb;
};
// The colour names subtitle files use in <font color=...>.
constexpr NamedColor kColorNames[] = {
    {"black", 0x000000},   {"silver", 0xC0C0C0},  {"gray", 0x808080},  {"grey", 0x808080},
    {"white", 0xFFFFFF},   {"maroon", 0x800000},  {"red", 0xFF0000},   {"purple", 0x800080},
    {"fuchsia", 0xFF00FF}, {"magenta", 0xFF00FF}, {"green", 0x008000}, {"lime", 0x00FF00},
    {"olive", 0x808000},   {"yellow", 0xFFFF00},  {"navy", 0x000080},  {"blue", 0x0000FF},
    {"teal", 0x008080},    {"aqua", 0x00FFFF},    {"cyan", 0x00FFFF},  {"orange", 0xFFA500},
    {"pink", 0xFFC0CB},    {"brown", 0xA52A2A},   {"gold", 0xFFD700},  {"violet", 0xEE82EE},
};

// Tags that are markup: the styles, the line break, and the structure and voice tags of SAMI and
// WebVTT, which show nothing themselves.
const char* const kStructureTags[] = {"p", "span",   "div", "c",   "v",     "lang", "ruby", "rt",
                                      "s", "strike", "sub", "sup", "small", "big",  "sync"};

struct Entity {
    const char* name;
    char16_t character;
};
constexpr Entity kEntities[] = {{"amp", u'&'},  {"lt", u'<'},    {"gt", u'>'},
                                {"quot", u'"'}, {"apos", u'\''}, {"nbsp", u'\u00a0'}};

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

std::optional<std::uint32_t> hexValue(QStringView digits) {
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    return ok ? std::optional<std::uint32_t>(value) : std::nullopt;
}

// "#RRGGBB", "#RGB", a bare "RRGGBB" or a colour name.
std::optional<std::uint32_t> parseColor(QStringView text) {
    text = text.trimmed();
    for (const NamedColor& c : kColorNames)
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return c.rgb;
    if (text.startsWith(u'#'))
        text = text.mid(1);
    if (text.size() == 3) {
        const std::optional<std::uint32_t> v = hexValue(text);
        if (!v)
            return std::nullopt;
        const std::uint32_t r = (*v >> 8) & 0xF, g = (*v >> 4) & 0xF, b = *v & 0xF;
        return (r * 0x11) << 16 | (g * 0x11) << 8 | b * 0x11;
    }
    if (text.size() == 6)
        return hexValue(text);
    return std::nullopt;
}

// Blue, green, red as ASS and MicroDVD write them ("&H00BBGGRR&", "$BBGGRR").
std::optional<std::uint32_t> parseBgr(QStringView text) {
    while (!text.isEmpty() &&
           (text.front() == u'&' || text.front() == u'H' || text.front() == u'h' || text.front() == u'$'))
        text = text.mid(1);
    while (!text.isEmpty() && text.back() == u'&')
        text.chop(1);
    const std::optional<std::uint32_t> v = hexValue(text);
    if (!v)
        return std::nullopt;
    return (*v & 0xFF) << 16 | (*v & 0xFF00) | (*v >> 16 & 0xFF);
}

class Parser {
public:
    QList<StyledLine> run(QStringView text) {
        m_text = text;
        m_lines.append(StyledLine{});
        for (m_at = 0; m_at < m_text.size();) {
            const QChar c = m_text[m_at];
            if (c == u'\n') {
                m_lines.append(StyledLine{});
                ++m_at;
            } else if (c == u'\r') {
                ++m_at;
            } else if (!(c == u'<' && tag()) && !(c == u'&' && entity()) && !(c == u'{' && brace()) &&
                       !(c == u'\\' && escape())) {
                append(c);
                ++m_at;
            }
        }
        while (!m_lines.isEmpty() && m_lines.constLast().isEmpty())
            m_lines.removeLast();
        while (!m_lines.isEmpty() && m_lines.constFirst().isEmpty())
            m_lines.removeFirst();
        return m_lines;
    }

private:
    TextStyle style() const {
        TextStyle s;
        s.italic = m_italic > 0;
        s.bold = m_bold > 0;
        s.underline = m_underline > 0;
        if (!m_colors.empty() && m_colors.back() != kUserColor)
            s.color = m_colors.back();
        return s;
    }

    void append(QChar c) {
        StyledLine& line = m_lines.last();
        const TextStyle s = style();
        if (line.isEmpty() || line.constLast().style != s)
            line.append(StyledRun{QString(), s});
        line.last().text.append(c);
    }

    // The markup that starts at m_at and ends at `close` on the same line, or -1.
    qsizetype closing(QChar close) const {
        const qsizetype limit = std::min(m_text.size(), m_at + kMaxMarkup);
        for (qsizetype i = m_at + 1; i < limit; ++i) {
            if (m_text[i] == close)
                return i;
            if (m_text[i] == u'\n')
                return -1;
        }
        return -1;
    }

    static void count(int& depth, bool open) { depth = open ? depth + 1 : std::max(0, depth - 1); }

    bool tag() {
        const qsizetype end = closing(u'>');
        if (end < 0)
            return false;
        QStringView inner = m_text.mid(m_at + 1, end - m_at - 1).trimmed();
        // A WebVTT time stamp inside a cue, such as "<00:00:01.500>".
        const bool timestamp = !inner.isEmpty() && std::all_of(inner.begin(), inner.end(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || c == u':' || c == u'.';
        }) && inner.contains(u':');
        if (timestamp) {
            m_at = end + 1;
            return true;
        }
        const bool close = inner.startsWith(u'/');
        if (close)
            inner = inner.mid(1).trimmed();
        qsizetype n = 0;
        while (n < inner.size() && isAsciiLetter(inner[n]))
            ++n;
        // The name ends at a space, a class (".yellow"), a "/" of "<br/>" or the end.
        if (n == 0 || (n < inner.size() && inner[n] != u' ' && inner[n] != u'.' && inner[n] != u'/' &&
                       inner[n] != u'\t'))
            return false;
        const QString name = inner.left(n).toString().toLower();
        const QStringView rest = inner.mid(n);
        // The styles and the break take no attributes: "<b and c>" is text, "<br />" a break.
        const bool bare = name == u"i" || name == u"b" || name == u"u" || name == u"em" ||
                          name == u"strong" || name == u"br";
        if (bare && !rest.trimmed().isEmpty() && rest.trimmed() != u"/")
            return false;
        if (name == u"i" || name == u"em")
            count(m_italic, !close);
        else if (name == u"b" || name == u"strong")
            count(m_bold, !close);
        else if (name == u"u")
            count(m_underline, !close);
        else if (name == u"font")
            font(rest, close);
        else if (name == u"br")
            m_lines.append(StyledLine{});
        else if (std::none_of(std::begin(kStructureTags), std::end(kStructureTags),
                              [&](const char* t) { return name == QLatin1String(t); }))
            return false;
        m_at = end + 1;
        return true;
    }

    void font(QStringView attributes, bool close) {
        if (close) {
            if (!m_colors.empty())
                m_colors.pop_back();
            return;
        }
        // A font without a colour that can be read keeps the colour before it, so that its
        // closing tag still closes the right one.
        std::optional<std::uint32_t> color = m_colors.empty() ? std::nullopt : std::optional(m_colors.back());
        const qsizetype at = attributes.indexOf(QLatin1String("color"), 0, Qt::CaseInsensitive);
        if (at >= 0) {
            QStringView value = attributes.mid(at + 5).trimmed();
            if (value.startsWith(u'=')) {
                value = value.mid(1).trimmed();
                qsizetype length = 0;
                if (!value.isEmpty() && (value.front() == u'"' || value.front() == u'\'')) {
                    const QChar quote = value.front();
                    value = value.mid(1);
                    length = value.indexOf(quote);
                } else {
                    length = value.indexOf(u' ');
                }
                if (const auto parsed = parseColor(length < 0 ? value : value.left(length)))
                    color = parsed;
            }
        }
        m_colors.push_back(color ? *color : kUserColor);
    }

    bool entity() {
        const qsizetype end = closing(u';');
        if (end < 0 || end - m_at > 10)
            return false;
        const QStringView name = m_text.mid(m_at + 1, end - m_at - 1);
        char32_t character = 0;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
            character = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (!ok || character == 0 || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
                return false;
        } else {
            const auto found = std::find_if(std::begin(kEntities), std::end(kEntities),
                                            [&](const Entity& e) { return name == QLatin1String(e.name); });
            if (found == std::end(kEntities))
                return false;
            character = found->character;
        }
        for (QChar c : QString::fromUcs4(&character, 1))
            append(c);
        m_at = end + 1;
        return true;
    }

    // "{\i1}" of ASS, "{y:i}" and "{c:$0000FF}" of MicroDVD.
    bool brace() {
        const qsizetype end = closing(u'}');
        if (end < 0)
            return false;
        const QStringView inner = m_text.mid(m_at + 1, end - m_at - 1);
        if (inner.startsWith(u'\\'))
            overrides(inner);
        else if (inner.size() >= 2 && inner[1] == u':' && QStringLiteral("yYcCfFsSpPhH").contains(inner[0]))
            controlCode(inner[0].toLower(), inner.mid(2));
        else
            return false;
        m_at = end + 1;
        return true;
    }

    void overrides(QStringView block) {
        for (const QStringView item : block.split(u'\\', Qt::SkipEmptyParts)) {
            const QStringView o = item.trimmed();
            auto flag = [&](const char* name, int& depth) {
                const QStringView value = o.mid(qsizetype(std::strlen(name)));
                depth = value.isEmpty() || value == u"0" ? 0 : 1;
            };
            if (o.startsWith(u"c&") || o.startsWith(u"1c&")) {
                if (const auto c = parseBgr(o.mid(o.indexOf(u'&'))))
                    m_colors.assign(1, *c);
            } else if (o == u"r") {
                m_italic = m_bold = m_underline = 0;
                m_colors.clear();
            } else if (o.startsWith(u'i') && (o.size() == 1 || o[1].isDigit())) {
                flag("i", m_italic);
            } else if (o.startsWith(u'b') && (o.size() == 1 || o[1].isDigit())) {
                flag("b", m_bold);
            } else if (o.startsWith(u'u') && (o.size() == 1 || o[1].isDigit())) {
                flag("u", m_underline);
            }
        }
    }

    void controlCode(QChar code, QStringView value) {
        if (code == u'y') {
            for (const QStringView v : value.split(u','))
                if (v.trimmed().compare(u"i", Qt::CaseInsensitive) == 0)
                    m_italic = 1;
                else if (v.trimmed().compare(u"b", Qt::CaseInsensitive) == 0)
                    m_bold = 1;
                else if (v.trimmed().compare(u"u", Qt::CaseInsensitive) == 0)
                    m_underline = 1;
        } else if (code == u'c') {
            if (const auto c = parseBgr(value))
                m_colors.assign(1, *c);
        }
    }

    // ASS's hard line break "\N" and hard space "\h".
    bool escape() {
        if (m_at + 1 >= m_text.size())
            return false;
        const QChar next = m_text[m_at + 1];
        if (next == u'N' || next == u'n')
            m_lines.append(StyledLine{});
        else if (next == u'h')
            append(QChar(u'\u00a0'));
        else
            return false;
        m_at += 2;
        return true;
    }

    // Stands in the colour stack for "the user's colour" under a font tag without one.
    static constexpr std::uint32_t kUserColor = 0xFF000000;

    QStringView m_text;
    qsizetype m_at = 0;
    QList<StyledLine> m_lines;
    int m_italic = 0;
    int m_bold = 0;
    int m_underline = 0;
    std::vector<std::uint32_t> m_colors;
};

} // namespace

QList<StyledLine> parseStyledText(QStringView text) {
    return Parser().run(text);
}

QString plainText(const QList<StyledLine>& lines) {
    QStringList out;
    for (const StyledLine& line : lines) {
        QString text;
        for (const StyledRun& run : line)
            text += run.text;
        out.append(text);
    }
    return out.join(u'\n');
}
