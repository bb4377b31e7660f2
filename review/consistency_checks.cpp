// What the translation must keep of the original: some text at all, its numbers, its tags and the
// client's terms; and what it should not be, the original itself.
#include "review/check_functions.h"

#include "subtitle/subtitle_document.h"

#include <QVarLengthArray>
#include <algorithm>
#include <array>

namespace {

struct NumberSpan {
    TextSpan span; // in visible
    QString value; // ASCII digits, a "." for a decimal separator, no group separators
};

bool isGroupSeparator(QChar c) {
    return c == u',' || c == u'.' || c == u'\'' || c == QChar(0x00A0) || c == QChar(0x202F) || c == u' ';
}

int digitRun(const QString& v, int from) {
    int end = from;
    while (end < v.size() && v[end].isDigit())
        ++end;
    return end - from;
}

// "1,000", "1.000", "1 000" and "1000" are one number; so are "1,5" and "1.5".
QVector<NumberSpan> numbersIn(const QString& v) {
    QVector<NumberSpan> numbers;
    const int size = int(v.size());
    for (int i = 0; i < size;) {
        if (!v[i].isDigit()) {
            ++i;
            continue;
        }
        NumberSpan number;
        number.span.start = i;
        int at = i;
        for (;;) {
            const int run = digitRun(v, at);
            for (int k = at; k < at + run; ++k)
                number.value += QChar(u'0' + v[k].digitValue());
            at += run;
            if (at + 1 >= size || !isGroupSeparator(v[at]) || !v[at + 1].isDigit())
                break;
            const int next = digitRun(v, at + 1);
            const bool thousands = next == 3;
            // A space joins digits only as a thousands separator ("1 000"), never as a decimal one.
            if (!thousands &&
                (v[at].isSpace() || v[at] == QChar(0x00A0) || v[at] == QChar(0x202F) || v[at] == u'\''))
                break;
            if (!thousands)
                number.value += u'.';
            ++at;
        }
        number.span.length = at - i;
        numbers.append(std::move(number));
        i = at;
    }
    return numbers;
}

constexpr std::array<const char16_t*, 11> kPairedTags{u"i", u"b",    u"u",    u"s",  u"font", u"c",
                                                      u"v", u"lang", u"ruby", u"rt", u"span"};

bool isPaired(const QString& name) {
    return std::any_of(kPairedTags.begin(), kPairedTags.end(),
                       [&](const char16_t* p) { return name == QStringView(p); });
}

QString withoutQuotes(QString key) {
    key.remove(u'"');
    key.remove(u'\'');
    return key;
}

void unbalancedIn(const TextLayout& layout, const QString& text, FindingSide side, QVector<Finding>& out) {
    QVector<const TagSpan*> open;
    auto report = [&](const TagSpan& tag, const QString& message) {
        out.append(makeFinding(side, CheckKind::UnbalancedTag,
                               message.arg(text.mid(tag.span.start, tag.span.length)), tag.span));
    };
    for (const TagSpan& tag : layout.tags) {
        if (!isPaired(tag.name) || tag.role == TagSpan::Role::Alone)
            continue;
        if (tag.role == TagSpan::Role::Open) {
            open.append(&tag);
            continue;
        }
        qsizetype match = open.size() - 1;
        while (match >= 0 && open[match]->name != tag.name)
            --match;
        if (match < 0) {
            report(tag, QStringLiteral("%1 closes a tag that is not open"));
            continue;
        }
        for (qsizetype k = match + 1; k < open.size(); ++k)
            report(*open[k], QStringLiteral("%1 is not closed"));
        open.resize(match);
    }
    for (const TagSpan* tag : open)
        report(*tag, QStringLiteral("%1 is not closed"));
}

// Whether two texts read the same once runs of white space count as one space and the ends are
// trimmed (as QString::simplified would make them, without making them).
bool sameWords(QStringView a, QStringView b) {
    qsizetype i = 0, j = 0;
    auto skipSpace = [](QStringView s, qsizetype& k) {
        const qsizetype from = k;
        while (k < s.size() && s[k].isSpace())
            ++k;
        return k > from;
    };
    skipSpace(a, i);
    skipSpace(b, j);
    while (i < a.size() && j < b.size()) {
        const bool spaceA = skipSpace(a, i), spaceB = skipSpace(b, j);
        if (spaceA != spaceB)
            return false;
        if (i >= a.size() || j >= b.size())
            break;
        if (a[i] != b[j])
            return false;
        ++i;
        ++j;
    }
    skipSpace(a, i);
    skipSpace(b, j);
    return i == a.size() && j == b.size();
}

} // namespace

void checkEmptyTranslation(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    if (texts.hasTranslation || texts.originalLayout.filledLines() == 0)
        return;
    out.append(makeFinding(FindingSide::Translated, CheckKind::EmptyTranslation,
                           texts.translated == kUntranslated ? QStringLiteral("Not translated")
                                                             : QStringLiteral("The translation is empty"),
                           {0, int(texts.translated.size())}));
}

void checkSameAsOriginal(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    if (!texts.hasTranslation)
        return;
    const QString& translated = texts.translatedLayout.visible;
    // Text without letters ("...", "♪", "2024") is the same in every language.
    if (!std::any_of(translated.begin(), translated.end(), [](QChar c) { return c.isLetter(); }))
        return;
    if (sameWords(translated, texts.originalLayout.visible))
        out.append(makeFinding(FindingSide::Translated, CheckKind::SameAsOriginal,
                               QStringLiteral("The translation is the original"),
                               {0, int(texts.translated.size())}));
}

void checkNumbers(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    if (!texts.hasTranslation)
        return;
    const QVector<NumberSpan> original = numbersIn(texts.originalLayout.visible);
    if (original.isEmpty())
        return;
    // A line holds a few numbers: short lists, not hash sets, whose tables would be allocated and
    // freed again for every row of a whole file.
    const auto has = [](const QVarLengthArray<QString, 8>& values, const QString& value) {
        return std::find(values.begin(), values.end(), value) != values.end();
    };
    QVarLengthArray<QString, 8> translated;
    for (const NumberSpan& n : numbersIn(texts.translatedLayout.visible))
        translated.append(n.value);
    QVarLengthArray<QString, 8> reported;
    for (const NumberSpan& n : original) {
        if (has(translated, n.value) || has(reported, n.value))
            continue;
        reported.append(n.value);
        out.append(makeFinding(FindingSide::Original, CheckKind::MissingNumber,
                               QStringLiteral("%1 is not in the translation")
                                   .arg(texts.originalLayout.visible.mid(n.span.start, n.span.length)),
                               texts.originalLayout.cellSpan(n.span)));
    }
}

void checkUnbalancedTags(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    unbalancedIn(texts.originalLayout, texts.original, FindingSide::Original, out);
    if (texts.hasTranslation)
        unbalancedIn(texts.translatedLayout, texts.translated, FindingSide::Translated, out);
}

void checkMissingTags(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    if (!texts.hasTranslation || texts.originalLayout.tags.isEmpty())
        return;
    QVector<QString> available;
    for (const TagSpan& tag : texts.translatedLayout.tags)
        available.append(withoutQuotes(tag.key));
    for (const TagSpan& tag : texts.originalLayout.tags) {
        const qsizetype at = available.indexOf(withoutQuotes(tag.key));
        if (at >= 0) {
            available.remove(at);
            continue;
        }
        out.append(makeFinding(FindingSide::Original, CheckKind::MissingTag,
                               QStringLiteral("%1 is not in the translation")
                                   .arg(texts.original.mid(tag.span.start, tag.span.length)),
                               tag.span));
    }
}

// The finding is the translation's as a whole: the missing words have no place in it to point at.
void checkGlossaryTerms(const RowTexts& texts, const CheckOptions& options, QVector<Finding>& out) {
    if (!texts.hasTranslation || !options.terms)
        return;
    for (QString& message : options.terms->missingTerms(texts.original, texts.translated))
        out.append(makeFinding(FindingSide::Translated, CheckKind::Glossary, std::move(message)));
}
