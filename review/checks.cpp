// The tables of checks and the loops that run them over rows.
#include "review/checks.h"

#include "review/check_functions.h"
#include "review/entry_times.h"
#include "subtitle/subtitle_document.h"

#include <array>

namespace {

constexpr std::array<TextCheck, 12> kTextChecks{
    checkLineLength,    checkLineCount,      checkEmptyTranslation, checkSameAsOriginal,
    checkNumbers,       checkUnbalancedTags, checkMissingTags,      checkEdgeSpaces,
    checkDoubledSpaces, checkDoubledWords,   checkSpelling,         checkGlossaryTerms,
};

constexpr std::array<TimingCheck, 3> kTimingChecks{checkReadingSpeed, checkDuration, checkGap};

double usableFrameRate(double frameRate) {
    return frameRate > 0 && frameRate <= 1000 ? frameRate : kDefaultFrameRate;
}

} // namespace

QString secondsText(double seconds) {
    return QStringLiteral("%1 s").arg(seconds, 0, 'f', 2);
}

RowTexts analyseRow(const EntryRow& row) {
    RowTexts t;
    t.original = row.original;
    t.translated = row.translated;
    t.originalLayout = layoutText(row.original);
    t.translatedLayout = layoutText(row.translated);
    t.hasTranslation = row.translated != kUntranslated && t.translatedLayout.filledLines() > 0;
    if (t.hasTranslation)
        t.translatedWords = wordSpans(t.translatedLayout);
    return t;
}

RowTiming rowTiming(const QVector<EntryRow>& rows, int row, const CheckOptions& options) {
    RowTiming t;
    if (row < 0 || row >= rows.size())
        return t;
    const std::int32_t format = options.formatMode;
    t.unitsPerSecond = unitsPerSecond(format, usableFrameRate(options.frameRate));
    t.show = timeUnits(rows[row].show, format);
    if (row + 1 < rows.size())
        t.nextShow = timeUnits(rows[row + 1].show, format);
    t.ownHide = hasHideTimes(format);
    t.hide = t.ownHide ? timeUnits(rows[row].hide, format) : t.nextShow;
    return t;
}

std::optional<double> readingSpeed(const RowTexts& texts, const RowTiming& timing) {
    const std::optional<std::int64_t> duration = timing.duration();
    if (!duration || *duration <= 0)
        return std::nullopt;
    return texts.shown().chars * timing.unitsPerSecond / double(*duration);
}

void checkRowTexts(const RowTexts& texts, const CheckOptions& options, QVector<Finding>& out) {
    for (TextCheck check : kTextChecks)
        check(texts, options, out);
}

void checkRowTiming(const RowTexts& texts, const RowTiming& timing, const CheckOptions& options,
                    QVector<Finding>& out) {
    CheckOptions usable = options;
    usable.frameRate = usableFrameRate(options.frameRate);
    for (TimingCheck check : kTimingChecks)
        check(texts, timing, usable, out);
}

QVector<Finding> checkRows(const QVector<EntryRow>& rows, const CheckOptions& options) {
    QVector<Finding> all;
    QVector<Finding> found;
    for (int r = 0; r < rows.size(); ++r) {
        found.clear();
        const RowTexts texts = analyseRow(rows[r]);
        checkRowTexts(texts, options, found);
        checkRowTiming(texts, rowTiming(rows, r, options), options, found);
        for (Finding& f : found) {
            f.row = r;
            all.append(std::move(f));
        }
    }
    return all;
}
