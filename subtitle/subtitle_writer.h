// The six savers and the temporary translated subtitle, all written from the document's lists.
#pragma once

#include "subtitle/subtitle_document.h"
#include "support/user_message.h"

#include <QString>
#include <optional>

enum class SaveKind {
    OriginalSubtitle,
    TranslatedSubtitle,
    MixSubtitle,
    OriginalText,
    TranslatedText,
    MixText,
};

struct SaveDialogSpec {
    QString filter;           // the filter string as the user sees it ("SubRip file(*.srt)||")
    QString defaultExtension; // without the dot
};

// The save dialog of a command for the document's current format.
SaveDialogSpec saveDialogSpec(SaveKind kind, std::int32_t formatMode);

// False when the command's source list is empty: then it does nothing at all, not even a dialog.
bool hasSomethingToSave(const SubtitleDocument& document, SaveKind kind);

struct SaveResult {
    bool written = false;
    std::optional<UserMessage> message; // the error to show when the file could not be written
};

// Writes the file (UTF-16LE with byte-order mark, CRLF) beside path and puts it in place only
// when it is complete. In a folder where no file can be made beside it, a file the user may write
// is written over in place instead, and keeps its old content when that write fails. A translated subtitle
// save, once the file is created, copies timeLines into translatedTimeLines. With nothing to save it touches
// nothing and reports neither success nor a message.
SaveResult writeDocument(SubtitleDocument& document, SaveKind kind, const QString& path);

// Writes the translated subtitle to "<folder><seconds since 1970>translated.<ext>" and returns that
// path (also when the file could not be written); nothing and no path when there are no translated
// texts. How the write went lands in *result when given, so the caller can show its message.
std::optional<QString> WriteTemporaryTranslatedSubtitle(SubtitleDocument& document, const QString& folder,
                                                        qint64 secondsSince1970,
                                                        SaveResult* result = nullptr);
