// The review checks: pure functions over the session's rows that return what they found. Each row's
// text checks read that row alone; its timing checks read it and the row after it.
#pragma once

#include "review/finding.h"
#include "review/review_limits.h"
#include "review/text_layout.h"
#include "subtitle/entry_rows.h"
#include "subtitle/subtitle_format.h"

#include <QStringList>
#include <QVector>
#include <cstdint>
#include <optional>

class SpellChecker;

// The terms a client wants translated their way. The review knows no term list of its own: the
// window gives it the one kept with the translation memory.
class TermList {
public:
    virtual ~TermList() = default;
    // One message for each term of `original` whose translation `translated` lacks.
    virtual QStringList missingTerms(const QString& original, const QString& translated) const = 0;
};

inline constexpr double kDefaultFrameRate = 25;

struct CheckOptions {
    ReviewLimits limits;
    std::int32_t formatMode = kSubRip;
    // MicroDVD times are frames; the gap limit is frames in every format.
    double frameRate = kDefaultFrameRate;
    // Null, or a checker without a dictionary: no spelling findings.
    const SpellChecker* speller = nullptr;
    // Null, or an empty list: no glossary findings.
    const TermList* terms = nullptr;
};

// A row's two texts, laid out once for all the checks that read them.
struct RowTexts {
    QString original;
    QString translated;
    TextLayout originalLayout;
    TextLayout translatedLayout;
    // The translated cell holds a translation: neither empty nor the placeholder.
    bool hasTranslation = false;
    // The translation's words (see wordSpans), for the checks that read words.
    QVector<TextSpan> translatedWords;

    // What the viewer reads: the translation, or the original while there is none.
    const TextLayout& shown() const { return hasTranslation ? translatedLayout : originalLayout; }
    FindingSide shownSide() const { return hasTranslation ? FindingSide::Translated : FindingSide::Original; }
    const QString& shownText() const { return hasTranslation ? translated : original; }
};
RowTexts analyseRow(const EntryRow& row);

// A row's times in the format's unit; what cannot be read as a time is left out.
struct RowTiming {
    std::optional<std::int64_t> show;
    // SAMI entries last until the next one starts: that start stands in for their hide.
    std::optional<std::int64_t> hide;
    std::optional<std::int64_t> nextShow;
    bool ownHide = true;
    double unitsPerSecond = 1000;

    std::optional<std::int64_t> duration() const {
        return show && hide ? std::optional<std::int64_t>(*hide - *show) : std::nullopt;
    }
};
RowTiming rowTiming(const QVector<EntryRow>& rows, int row, const CheckOptions& options);

// Characters per second of what the viewer reads, for the grid's column; nullopt without a duration.
std::optional<double> readingSpeed(const RowTexts& texts, const RowTiming& timing);

// Findings of one row (their row left at -1 for the caller to set).
void checkRowTexts(const RowTexts& texts, const CheckOptions& options, QVector<Finding>& out);
void checkRowTiming(const RowTexts& texts, const RowTiming& timing, const CheckOptions& options,
                    QVector<Finding>& out);

// Every check over every row, in row order: for each row its text findings, then its timing ones.
QVector<Finding> checkRows(const QVector<EntryRow>& rows, const CheckOptions& options);
