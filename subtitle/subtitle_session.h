// The document and its entry rows in one object, so that keeping them aligned has one keeper.
#pragma once

#include "subtitle/entry_rows.h"
#include "subtitle/subtitle_document.h"

class SubtitleSession {
public:
    SubtitleDocument document;
    EntryRows rows;

    // The end of an in-place edit of a text cell: the list follows only where it has the element.
    void editCell(int row, int column, const QString& text);
};
