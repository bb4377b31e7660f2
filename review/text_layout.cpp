// Tags, line breaks and characters of a cell text.
#include "review/text_layout.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

// No real tag is longer; a lone "<" in the text must not swallow the rest of the line.
constexpr int kLongestTag = 200;

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString squeezedKey(QStringView tag) {
    QString key;
    key.reserve(tag.size());
    bool lastBlank = false;
    for (QChar c : tag) {
        const bool blank = c.isSpace();
        if (blank && lastBlank)
            continue;
        key += blank ? QChar(u' ') : c.toLower();
        lastBlank = blank;
    }
    return key;
}

// The tag that starts at `at`, if one does: "<i>", "</font>", "<br/>", "{\an8}" or "{y:i}".
std::optional<TagSpan> tagAt(const QString& text, int at) {
    const int size = int(text.size());
    const QChar c = text[at];
    const bool markup = c == u'<' && at + 1 < size &&
                        (isAsciiLetter(text[at + 1]) ||
                         (text[at + 1] == u'/' && at + 2 < size && isAsciiLetter(text[at + 2])));
    const bool override = c == u'{' && at + 2 < size &&
                          (text[at + 1] == u'\\' || (isAsciiLetter(text[at + 1]) && text[at + 2] == u':'));
    if (!markup && !override)
        return std::nullopt;
    const QChar close = markup ? u'>' : u'}';
    const int limit = std::min(size, at + kLongestTag);
    int end = at + 1;
    while (end < limit && text[end] != close && text[end] != c && text[end] != u'|' && text[end] != u'\n')
        ++end;
    if (end >= limit || text[end] != close)
        return std::nullopt;
    TagSpan tag;
    tag.span = {at, end + 1 - at};
    tag.key = squeezedKey(QStringView(text).mid(at, end + 1 - at));
    if (markup) {
        const bool closing = text[at + 1] == u'/';
        int n = at + (closing ? 2 : 1);
        const int nameStart = n;
        while (n < end && (text[n].isLetterOrNumber()))
            ++n;
        tag.name = text.mid(nameStart, n - nameStart).toLower();
        tag.role = closing ? TagSpan::Role::Close
                           : (text[end - 1] == u'/' ? TagSpan::Role::Alone : TagSpan::Role::Open);
    }
    return tag;
}

} // namespace

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == QChar(0x00A0) || c == QChar(0x202F);
}

int countCharacters(QStringView text) {
    // Below the combining marks every code unit is a character of its own.
    bool simple = true;
    for (QChar c : text)
        if (c.unicode() >= 0x0300 || c == u'\r') {
            simple = false;
            break;
        }
    if (simple)
        return int(text.size());
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), int(text.size()));
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

int TextLayout::filledLines() const {
    int filled = 0;
    for (const TextSpan& line : lines) {
        const QStringView s = QStringView(visible).mid(line.start, line.length);
        if (std::any_of(s.begin(), s.end(), [](QChar c) { return !c.isSpace(); }))
            ++filled;
    }
    return filled;
}

namespace {

// The cell as a viewer reads it: onChar(c, at) for each visible character (a line break as '\n')
// with its place in the cell, onTag for each tag that is not a line break.
template <typename OnChar, typename OnTag>
void walkCell(const QString& text, OnChar&& onChar, OnTag&& onTag) {
    const int size = int(text.size());
    for (int i = 0; i < size;) {
        const QChar c = text[i];
        if (c == u'|') {
            // The joiner is "|" and a line feed; a MicroDVD line has the "|" alone.
            onChar(QChar(u'\n'), i);
            i += (i + 1 < size && text[i + 1] == u'\n') ? 2 : 1;
            continue;
        }
        if (c == u'\r') {
            ++i;
            continue;
        }
        if (c == u'<' || c == u'{') {
            if (std::optional<TagSpan> tag = tagAt(text, i)) {
                i = tag->span.end();
                if (tag->name == u"br")
                    onChar(QChar(u'\n'), tag->span.start);
                else
                    onTag(std::move(*tag));
                continue;
            }
        }
        onChar(c, i);
        ++i;
    }
}

// Nothing in it is hidden or turned into a line break: what is read is the cell as it is.
bool readsAsWritten(const QString& text) {
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c == u'|' || c == u'\r' || c == u'<' || c == u'{'; });
}

} // namespace

TextSpan TextLayout::cellSpan(TextSpan v) const {
    const int size = int(visible.size());
    const bool valid = v.length > 0 && v.start >= 0 && v.end() <= size;
    if (!valid && (v.start < 0 || v.start > size))
        return {0, 0};
    // The places in the cell of visible's characters `first` and `last`; the end of the cell
    // stands after the last one.
    const int first = v.start;
    const int last = valid ? v.end() - 1 : v.start;
    int firstAt = int(cell.size()), lastAt = int(cell.size());
    if (cell.size() == visible.size() && readsAsWritten(cell)) {
        firstAt = first;
        lastAt = last;
    } else {
        int n = 0;
        walkCell(
            cell,
            [&](QChar, int at) {
                if (n == first)
                    firstAt = at;
                if (n == last)
                    lastAt = at;
                ++n;
            },
            [](TagSpan&&) {});
    }
    if (!valid)
        return {firstAt, 0};
    return {firstAt, lastAt + 1 - firstAt};
}

TextLayout layoutText(const QString& text) {
    TextLayout layout;
    layout.cell = text;
    if (readsAsWritten(text)) {
        // Most cells: the visible text is the cell's own, shared rather than copied.
        layout.visible = text;
    } else {
        layout.visible.reserve(text.size());
        walkCell(
            text, [&](QChar c, int) { layout.visible += c; },
            [&](TagSpan&& tag) { layout.tags.append(std::move(tag)); });
    }

    int start = 0;
    const int visibleSize = int(layout.visible.size());
    for (int i = 0; i <= visibleSize; ++i) {
        if (i < visibleSize && layout.visible[i] != u'\n')
            continue;
        const TextSpan line{start, i - start};
        const int chars = countCharacters(QStringView(layout.visible).mid(line.start, line.length));
        layout.lines.append(line);
        layout.lineChars.append(chars);
        layout.chars += chars;
        start = i + 1;
    }
    return layout;
}

QVector<TextSpan> wordSpans(const TextLayout& layout) {
    QVector<TextSpan> words;
    const QString& v = layout.visible;
    if (v.isEmpty())
        return words;
    // Addresses are names, not words of a language.
    static const QRegularExpression addresses(
        QStringLiteral(R"((?:https?://|ftp://|www\.)\S+|[^\s@<>]+@[^\s@<>]+\.[^\s@<>]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QVector<TextSpan> skipped;
    if (v.contains(u'/') || v.contains(u'@') || v.contains(QLatin1String("www."), Qt::CaseInsensitive)) {
        for (auto it = addresses.globalMatch(v); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            skipped.append({int(m.capturedStart()), int(m.capturedLength())});
        }
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, v);
    int from = 0;
    for (int to = finder.toNextBoundary(); to > 0; from = to, to = finder.toNextBoundary()) {
        const QStringView word = QStringView(v).mid(from, to - from);
        bool letter = false, digit = false;
        for (QChar c : word) {
            letter |= c.isLetter();
            digit |= c.isDigit();
        }
        if (!letter || digit)
            continue;
        const bool inAddress = std::any_of(skipped.begin(), skipped.end(),
                                           [&](const TextSpan& s) { return from < s.end() && to > s.start; });
        if (!inAddress)
            words.append({from, to - from});
    }
    return words;
}
