// Keys, tokens and the word-level distance of the translation memory.
#include "memory/memory_text.h"

#include <QChar>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The end of a bracketed span that starts at `from`, or -1: closed by `close` before another
// `open` and within a bound, so that a lone "<" or "{" in text stays text.
int spanEnd(const QString& t, int from, QChar open, QChar close) {
    constexpr int kLongestTag = 512;
    const int last = std::min<int>(t.size(), from + kLongestTag);
    for (int j = from + 1; j < last; ++j) {
        if (t[j] == close)
            return j + 1;
        if (t[j] == open)
            return -1;
    }
    return -1;
}

} // namespace

Markup markupAt(const QString& t, int i) {
    const int n = int(t.size());
    const QChar c = t[i];
    if (c == u'|')
        return {1, true};
    if (c == u'\\' && i + 1 < n && (t[i + 1] == u'N' || t[i + 1] == u'n' || t[i + 1] == u'h'))
        return {2, true};
    if (c == u'<') {
        int j = i + 1;
        if (j < n && t[j] == u'/')
            ++j;
        if (j >= n || !(isAsciiLetter(t[j]) || t[j].isDigit()))
            return {};
        const int end = spanEnd(t, i, u'<', u'>');
        if (end < 0)
            return {};
        if (t[j].isDigit()) {
            for (int k = j; k < end - 1; ++k)
                if (!t[k].isDigit() && t[k] != u':' && t[k] != u'.')
                    return {};
        }
        const QStringView name = QStringView(t).mid(j, end - 1 - j).trimmed();
        const bool isBreak =
            name.startsWith(u"br", Qt::CaseInsensitive) && (name.size() == 2 || !name[2].isLetterOrNumber());
        return {end - i, isBreak};
    }
    if (c == u'{' && i + 2 < n && (t[i + 1] == u'\\' || (isAsciiLetter(t[i + 1]) && t[i + 2] == u':'))) {
        const int end = spanEnd(t, i, u'{', u'}');
        return end < 0 ? Markup{} : Markup{end - i, false};
    }
    return {};
}

// The few character references subtitle text carries (SAMI above all).
CharacterReference characterReferenceAt(const QString& t, int i) {
    if (t[i] != u'&')
        return {};
    const int end = spanEnd(t, i, u'&', u';');
    if (end < 0 || end - i > 10)
        return {};
    const QStringView body = QStringView(t).mid(i + 1, end - i - 2);
    struct Named {
        const char16_t* name;
        char32_t value;
    };
    static constexpr Named kNamed[] = {
        {u"nbsp", 0xA0}, {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''},
    };
    for (const Named& e : kNamed)
        if (body == QStringView(e.name))
            return {end - i, e.value};
    if (body.size() >= 2 && body[0] == u'#') {
        bool ok = false;
        const uint v =
            (body[1] == u'x' || body[1] == u'X') ? body.mid(2).toUInt(&ok, 16) : body.mid(1).toUInt(&ok);
        if (ok && v > 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
            return {end - i, char32_t(v)};
    }
    return {};
}

char32_t codePointAt(const QString& t, int i, int* width) {
    const QChar c = t[i];
    if (c.isHighSurrogate() && i + 1 < t.size() && t[i + 1].isLowSurrogate()) {
        *width = 2;
        return QChar::surrogateToUcs4(c, t[i + 1]);
    }
    *width = 1;
    return c.unicode();
}

namespace {

bool isMarkCategory(char32_t cp) {
    const QChar::Category cat = QChar::category(cp);
    return cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining ||
           cat == QChar::Mark_Enclosing;
}

} // namespace

bool isWordCharacter(char32_t cp) {
    return QChar::isLetterOrNumber(cp) || isMarkCategory(cp);
}

bool isUnspacedScript(char32_t cp) {
    switch (QChar::script(cp)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar:
        return true;
    default:
        return false;
    }
}

bool isSpaceCharacter(char32_t cp) {
    return QChar::isSpace(cp) || cp == 0xA0;
}

QString foldForComparison(const QString& text) {
    QString folded = text.normalized(QString::NormalizationForm_C).toCaseFolded();
    for (QChar& c : folded)
        if (c == u'\u2019' || c == u'\u02BC')
            c = u'\'';
    return folded;
}

QString memoryKey(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool pendingSpace = false;
    const int n = int(text.size());
    const QChar* data = text.constData();
    auto append = [&](QChar c) {
        if (pendingSpace && !out.isEmpty())
            out.append(u' ');
        pendingSpace = false;
        out.append(c);
    };
    for (int i = 0; i < n;) {
        const QChar c = data[i];
        if (c == u'|' || c == u'\\' || c == u'<' || c == u'{') {
            if (const Markup m = markupAt(text, i); m.length > 0) {
                pendingSpace = pendingSpace || m.isBreak;
                i += m.length;
                continue;
            }
        } else if (c == u'&') {
            if (const CharacterReference e = characterReferenceAt(text, i); e.length > 0) {
                i += e.length;
                if (isSpaceCharacter(e.value)) {
                    pendingSpace = true;
                } else {
                    const char32_t one[] = {e.value};
                    for (QChar unit : QString::fromUcs4(one, 1))
                        append(unit);
                }
                continue;
            }
        }
        ++i;
        // No space character lies beyond the first plane: each half of a pair is simply copied.
        if (c.isSpace())
            pendingSpace = true;
        else
            append(c);
    }
    return out.normalized(QString::NormalizationForm_C);
}

QList<MemoryToken> memoryTokens(const QString& text) {
    QList<MemoryToken> tokens;
    const int n = int(text.size());
    auto add = [&](int start, int end, TokenKind kind, const QString& written) {
        tokens.append(MemoryToken{start, end - start, written, foldForComparison(written), kind});
    };
    for (int i = 0; i < n;) {
        if (const Markup m = markupAt(text, i); m.length > 0) {
            i += m.length;
            continue;
        }
        if (const CharacterReference e = characterReferenceAt(text, i); e.length > 0) {
            if (!isSpaceCharacter(e.value)) {
                const char32_t one[] = {e.value};
                add(i, i + e.length, isWordCharacter(e.value) ? TokenKind::Word : TokenKind::Mark,
                    QString::fromUcs4(one, 1));
            }
            i += e.length;
            continue;
        }
        int width = 1;
        const char32_t cp = codePointAt(text, i, &width);
        const int start = i;
        i += width;
        if (isSpaceCharacter(cp))
            continue;
        if (isUnspacedScript(cp) || isWordCharacter(cp)) {
            const bool single = isUnspacedScript(cp);
            while (i < n) {
                const char32_t next = codePointAt(text, i, &width);
                const bool joins =
                    single ? isMarkCategory(next) : (isWordCharacter(next) && !isUnspacedScript(next));
                if (!joins)
                    break;
                i += width;
            }
            add(start, i, TokenKind::Word, text.mid(start, i - start));
        } else {
            if (cp == u'.')
                while (i < n && text[i] == u'.')
                    ++i;
            add(start, i, TokenKind::Mark, text.mid(start, i - start));
        }
    }
    return tokens;
}

int tokenWeight(const MemoryToken& token) {
    return token.kind == TokenKind::Word ? kWordWeight : kMarkWeight;
}

int totalWeight(const QList<MemoryToken>& tokens) {
    int sum = 0;
    for (const MemoryToken& t : tokens)
        sum += tokenWeight(t);
    return sum;
}

WordComparison compareWords(const QList<MemoryToken>& query, const QList<MemoryToken>& other) {
    const int n = int(query.size());
    const int m = int(other.size());
    auto substitution = [&](int a, int b) {
        const MemoryToken& x = query[a];
        const MemoryToken& y = other[b];
        if (x.folded == y.folded && x.kind == y.kind)
            return (x.kind == TokenKind::Word && x.text != y.text) ? kCaseWeight : 0;
        return std::max(tokenWeight(x), tokenWeight(y));
    };
    // d[a][b]: the distance between the first a query tokens and the first b other tokens.
    std::vector<int> d(std::size_t(n + 1) * std::size_t(m + 1));
    auto at = [&](int a, int b) -> int& { return d[std::size_t(a) * std::size_t(m + 1) + std::size_t(b)]; };
    for (int a = 1; a <= n; ++a)
        at(a, 0) = at(a - 1, 0) + tokenWeight(query[a - 1]);
    for (int b = 1; b <= m; ++b)
        at(0, b) = at(0, b - 1) + tokenWeight(other[b - 1]);
    for (int a = 1; a <= n; ++a)
        for (int b = 1; b <= m; ++b)
            at(a, b) = std::min({at(a - 1, b - 1) + substitution(a - 1, b - 1),
                                 at(a - 1, b) + tokenWeight(query[a - 1]),
                                 at(a, b - 1) + tokenWeight(other[b - 1])});

    WordComparison result;
    const int distance = at(n, m);
    const int largest = std::max(totalWeight(query), totalWeight(other));
    if (largest == 0)
        return result;
    result.score = int(std::lround(100.0 * (1.0 - double(distance) / double(largest))));
    if (distance > 0)
        result.score = std::min(result.score, 99);

    // Walk back along one cheapest alignment, marking what differs on either side.
    for (int a = n, b = m; a > 0 || b > 0;) {
        if (a > 0 && b > 0 && at(a, b) == at(a - 1, b - 1) + substitution(a - 1, b - 1)) {
            if (substitution(a - 1, b - 1) > 0) {
                result.inQuery.append({query[a - 1].start, query[a - 1].length});
                result.inMatch.append({other[b - 1].start, other[b - 1].length});
            }
            --a;
            --b;
        } else if (a > 0 && at(a, b) == at(a - 1, b) + tokenWeight(query[a - 1])) {
            result.inQuery.append({query[a - 1].start, query[a - 1].length});
            --a;
        } else {
            result.inMatch.append({other[b - 1].start, other[b - 1].length});
            --b;
        }
    }
    std::reverse(result.inQuery.begin(), result.inQuery.end());
    std::reverse(result.inMatch.begin(), result.inMatch.end());
    return result;
}
