// What a check found in one row: where it is, what kind of problem, and a short message for the list.
#pragma once

#include <QString>
#include <cstdint>

enum class CheckKind : std::uint8_t {
    ReadingSpeed,
    LineLength,
    LineCount,
    ShortDuration,
    LongDuration,
    ShortGap,
    Overlap,
    EmptyTranslation,
    SameAsOriginal,
    MissingNumber,
    UnbalancedTag,
    MissingTag,
    EdgeSpaces,
    DoubledSpaces,
    DoubledWord,
    Spelling,
    Glossary,
};
inline constexpr int kCheckKindCount = int(CheckKind::Glossary) + 1;

// The cells a finding points at: the row's two times, or one of its two texts.
enum class FindingSide : std::uint8_t { Times, Original, Translated };

struct Finding {
    int row = -1;
    FindingSide side = FindingSide::Translated;
    CheckKind kind = CheckKind::ReadingSpeed;
    QString message;
    // In UTF-16 positions of the side's cell text, as a text selection takes them; a finding about
    // the times, or about a text as a whole, covers the whole cell.
    int start = 0;
    int length = 0;

    friend bool operator==(const Finding&, const Finding&) = default;
};

// What a list of findings groups them under ("Reading speed").
QString checkKindName(CheckKind kind);
// The grid column (EntryColumn) a finding's side lives in.
int findingColumn(FindingSide side);
