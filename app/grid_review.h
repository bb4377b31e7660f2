// The review in the subtitle grid: the CPS column, a coloured mark and a tooltip on each cell with
// findings, misspelt words underlined in the Translated cells, and their suggestions on right-click,
// the glossary's terms underlined in the Original cells with their translations in the tooltip.
#pragma once

#include "review/finding.h"
#include "support/user_message.h"

#include <QColor>
#include <QRectF>
#include <QVector>
#include <functional>

class CReportView;
class ReviewController;
class QMenu;
class QModelIndex;
class QStyleOptionViewItem;

// The colour a finding's mark takes: timing and layout, consistency, spelling, the glossary.
QColor findingColour(CheckKind kind);
// Whether a finding belongs in a grid column: text findings in their own text's column, timing
// findings in the number and time columns.
bool findingShownIn(const Finding& finding, int column);
// Where the characters [start, start + length) of a cell's text stand as the style drew it, one
// rectangle per line they fall on.
QVector<QRectF> textSpanRects(const QStyleOptionViewItem& option, int start, int length);

// Wires the review into the grid; the grid keeps following the review until either goes.
// What a right-click on a Translated cell offers for its misspelt words: suggestions that replace
// the word, and "Add to My Words"; nullptr when the cell has none. The caller shows and owns it.
QMenu* spellingMenu(CReportView& grid, ReviewController& review,
                    const std::function<void(const UserMessage&)>& tell, const QModelIndex& index);
// A word that cannot be added to the user's list is told through `tell`.
void attachGridReview(CReportView& grid, ReviewController& review,
                      std::function<void(const UserMessage&)> tell);
