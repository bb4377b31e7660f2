// Saving a document in another format: times through TimeCode, text through the markup both
// formats know, the target's own header; what the target has no place for is named once.
#pragma once

#include "subtitle/subtitle_document.h"
#include "subtitle/subtitle_writer.h"
#include "subtitle/time_code.h"

#include <QString>
#include <optional>

// What a conversion could not carry over.
enum ConversionLoss : unsigned {
    kLostHeader = 1u << 0,     // the header: script info, styles, regions, SAMI's head
    kLostSettings = 1u << 1,   // cue identifiers and settings, event styles and margins, positions
    kLostBlocks = 1u << 2,     // notes between cues, other lines and sections, attachments
    kLostComments = 1u << 3,   // Advanced SubStation's Comment events
    kLostMarkup = 1u << 4,     // voices, classes, override codes without a plain tag
    kLostPrecision = 1u << 5,  // times rounded to the target's unit
    kLostRateLine = 1u << 6,   // MicroDVD's frame rate entry
    kUnreadableTime = 1u << 7, // times that could not be read, written as 0
};

struct ConvertedDocument {
    SubtitleDocument document; // the lists in the target format, element i still entry i's
    unsigned losses = 0;
};

// The rate is MicroDVD's, on whichever side it stands. Converting to the document's own format
// gives the document unchanged.
ConvertedDocument convertDocument(const SubtitleDocument& source, std::int32_t target, FrameRate rate);

// Frame numbers on exactly one side: a rate must be chosen.
bool conversionNeedsFrameRate(std::int32_t source, std::int32_t target);
// The rate a MicroDVD document names in its first entry ("{1}{1}23.976"), if it does.
std::optional<FrameRate> documentFrameRate(const SubtitleDocument& document);

// One line for the status bar: the format the file was saved in and what it could not hold;
// empty when nothing was lost.
QString conversionStatus(unsigned losses, std::int32_t target, FrameRate rate);

struct SaveAsResult {
    SaveResult save;
    QString status; // what the status bar says after a conversion
};
// Saves one of the three subtitle kinds in the target format. In the document's own format this is
// exactly the save of that kind; otherwise the document itself stays as it is.
SaveAsResult saveDocumentAs(SubtitleDocument& document, SaveKind kind, std::int32_t target, FrameRate rate,
                            const QString& path);
