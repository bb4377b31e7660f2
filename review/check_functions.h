// The checks one by one, for the tables in checks.cpp.
#pragma once

#include "review/checks.h"

using TextCheck = void (*)(const RowTexts&, const CheckOptions&, QVector<Finding>&);
using TimingCheck = void (*)(const RowTexts&, const RowTiming&, const CheckOptions&, QVector<Finding>&);

// timing_checks.cpp
void checkReadingSpeed(const RowTexts&, const RowTiming&, const CheckOptions&, QVector<Finding>&);
void checkDuration(const RowTexts&, const RowTiming&, const CheckOptions&, QVector<Finding>&);
void checkGap(const RowTexts&, const RowTiming&, const CheckOptions&, QVector<Finding>&);

// layout_checks.cpp
void checkLineLength(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkLineCount(const RowTexts&, const CheckOptions&, QVector<Finding>&);

// consistency_checks.cpp
void checkEmptyTranslation(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkSameAsOriginal(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkNumbers(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkUnbalancedTags(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkMissingTags(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkGlossaryTerms(const RowTexts&, const CheckOptions&, QVector<Finding>&);

// typing_checks.cpp
void checkEdgeSpaces(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkDoubledSpaces(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkDoubledWords(const RowTexts&, const CheckOptions&, QVector<Finding>&);
void checkSpelling(const RowTexts&, const CheckOptions&, QVector<Finding>&);

// Seconds as a list shows them ("0.83 s").
QString secondsText(double seconds);
inline Finding makeFinding(FindingSide side, CheckKind kind, QString message, TextSpan span = {}) {
    return Finding{-1, side, kind, std::move(message), span.start, span.length};
}
