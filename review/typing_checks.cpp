// Slips of typing in the translation: stray spaces, a word typed twice, a word the dictionary lacks.
#include "review/check_functions.h"

#include "review/spell_checker.h"

#include <array>

namespace {

// Words that stand twice in a row in good sentences ("nous nous sommes vus", "he had had enough").
constexpr std::array<const char16_t*, 4> kRepeatableWords{u"nous", u"vous", u"had", u"that"};

bool isRepeatable(QStringView word) {
    return std::any_of(kRepeatableWords.begin(), kRepeatableWords.end(), [&](const char16_t* w) {
        return word.compare(QStringView(w), Qt::CaseInsensitive) == 0;
    });
}

bool allBlank(QStringView s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), isBlank);
}

} // namespace

void checkEdgeSpaces(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    if (!texts.hasTranslation)
        return;
    const TextLayout& layout = texts.translatedLayout;
    const QString& v = layout.visible;
    for (qsizetype i = 0; i < layout.lines.size(); ++i) {
        const TextSpan line = layout.lines[i];
        int lead = 0;
        while (lead < line.length && isBlank(v[line.start + lead]))
            ++lead;
        int trail = 0;
        while (lead < line.length && trail < line.length - lead && isBlank(v[line.end() - 1 - trail]))
            ++trail;
        if (lead > 0)
            out.append(makeFinding(FindingSide::Translated, CheckKind::EdgeSpaces,
                                   QStringLiteral("Space at the start of line %1").arg(i + 1),
                                   layout.cellSpan({line.start, lead})));
        if (trail > 0)
            out.append(makeFinding(FindingSide::Translated, CheckKind::EdgeSpaces,
                                   QStringLiteral("Space at the end of line %1").arg(i + 1),
                                   layout.cellSpan({line.end() - trail, trail})));
    }
}

void checkDoubledSpaces(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    if (!texts.hasTranslation)
        return;
    const TextLayout& layout = texts.translatedLayout;
    const QString& v = layout.visible;
    for (const TextSpan& line : layout.lines) {
        // Runs that touch the line's ends are the edge check's.
        int first = line.start;
        while (first < line.end() && isBlank(v[first]))
            ++first;
        int last = line.end();
        while (last > first && isBlank(v[last - 1]))
            --last;
        for (int i = first; i < last;) {
            if (!isBlank(v[i])) {
                ++i;
                continue;
            }
            int end = i;
            while (end < last && isBlank(v[end]))
                ++end;
            if (end - i >= 2)
                out.append(makeFinding(FindingSide::Translated, CheckKind::DoubledSpaces,
                                       QStringLiteral("%1 spaces in a row").arg(end - i),
                                       layout.cellSpan({i, end - i})));
            i = end;
        }
    }
}

void checkDoubledWords(const RowTexts& texts, const CheckOptions&, QVector<Finding>& out) {
    if (!texts.hasTranslation)
        return;
    const TextLayout& layout = texts.translatedLayout;
    const QStringView v(layout.visible);
    const QVector<TextSpan>& words = texts.translatedWords;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const TextSpan a = words[i - 1], b = words[i];
        const QStringView first = v.mid(a.start, a.length), second = v.mid(b.start, b.length);
        if (!allBlank(v.mid(a.end(), b.start - a.end())) || first.compare(second, Qt::CaseInsensitive) != 0 ||
            isRepeatable(first))
            continue;
        out.append(makeFinding(FindingSide::Translated, CheckKind::DoubledWord,
                               QStringLiteral("\"%1\" twice").arg(second),
                               layout.cellSpan({a.end(), b.end() - a.end()})));
    }
}

void checkSpelling(const RowTexts& texts, const CheckOptions& options, QVector<Finding>& out) {
    if (!texts.hasTranslation || !options.speller || !options.speller->isEnabled())
        return;
    const TextLayout& layout = texts.translatedLayout;
    const QStringView v(layout.visible);
    for (const TextSpan& w : texts.translatedWords) {
        const QStringView word = v.mid(w.start, w.length);
        if (!options.speller->isCorrect(word))
            out.append(makeFinding(FindingSide::Translated, CheckKind::Spelling,
                                   QStringLiteral("\"%1\" is not in the dictionary").arg(word),
                                   layout.cellSpan(w)));
    }
}
