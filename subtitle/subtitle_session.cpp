// Operations that touch both the document and the rows.
#include "subtitle/subtitle_session.h"

void SubtitleSession::editCell(int row, int column, const QString& text) {
    if (column == kColumnOriginal && row >= 0 && row < document.originalTexts.size())
        document.originalTexts[row] = text;
    if (column == kColumnTranslated && row >= 0 && row < document.translatedTexts.size())
        document.translatedTexts[row] = text;
    rows.setCell(row, column, text);
}
