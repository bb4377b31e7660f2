// How much text stands on screen at once: characters in a line and lines in an entry.
#include "review/check_functions.h"

void checkLineLength(const RowTexts& texts, const CheckOptions& options, QVector<Finding>& out) {
    const TextLayout& layout = texts.shown();
    const int limit = options.limits.maxCharsPerLine;
    for (qsizetype i = 0; i < layout.lines.size(); ++i) {
        if (layout.lineChars[i] <= limit)
            continue;
        out.append(makeFinding(texts.shownSide(), CheckKind::LineLength,
                               QStringLiteral("Line %1 has %2 characters; at most %3")
                                   .arg(i + 1)
                                   .arg(layout.lineChars[i])
                                   .arg(limit),
                               layout.cellSpan(layout.lines[i])));
    }
}

void checkLineCount(const RowTexts& texts, const CheckOptions& options, QVector<Finding>& out) {
    const int lines = texts.shown().filledLines();
    if (lines <= options.limits.maxLines)
        return;
    out.append(makeFinding(texts.shownSide(), CheckKind::LineCount,
                           QStringLiteral("%1 lines; at most %2").arg(lines).arg(options.limits.maxLines),
                           {0, int(texts.shownText().size())}));
}
