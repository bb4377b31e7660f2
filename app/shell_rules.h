// Rules of velmora's shell that need no window, kept apart so that they can be tested headless.
#pragma once

#include "charset/encoding_detector.h"
#include "subtitle/format_table.h"

#include "support/user_message.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <optional>
#include <vector>

// ----------------------------------------------------------------- start-up clean-up

// The movie pane leaves its temporary subtitles in the program folder under the names it makes
// itself: the seconds since 1970, "translated." and a format's extension ("1478140830translated.srt").
// Only such names are removed at start-up; a user's "my_translated_work.srt" is not ours.
bool isTemporaryTranslatedName(const QString& fileName);
// Deletes the matching plain files directly inside folder (never in sub-folders, never folders
// themselves). Returns how many were deleted; failures are silent.
int deleteTemporaryTranslatedFiles(const QString& folder);

// ----------------------------------------------------------------- loading

// What the status bar says after a load about how the side's bytes were read; empty for plain
// ASCII, which reads the same in every character set.
QString encodingStatus(Side side, const EncodingGuess& guess);
// The question asked when a file picked under one format's filter looks like another format.
UserMessage formatMismatchQuestion(std::int32_t chosen, std::int32_t looksLike);
QString formatName(std::int32_t formatMode);

// ----------------------------------------------------------------- character set boxes

// What a side's character set box shows, and whether picking another set there can read the
// side's text anew.
struct CharsetBoxView {
    QString name; // a display name of the character set table, or a Unicode form it lacks
    bool redecodes = true;
    QString whyNot; // for a box that cannot re-read its side
    friend bool operator==(const CharsetBoxView&, const CharsetBoxView&) = default;
};
// A side read through a byte-order mark shows its Unicode form and cannot be re-read: its text is
// exact and keeps no 8-bit bytes. Any other side shows the code page it was read in or last given.
CharsetBoxView charsetBoxView(Side side, std::uint32_t codePage, const EncodingGuess& readAs);

// What one side's box shows over a run. A box follows its own side only: a load of that side, or
// a move of that side's code page since the box last showed it (a pick, its undo or redo); the
// other side's box stays as it is.
class CharsetBoxFollower {
public:
    explicit CharsetBoxFollower(Side side) : m_side(side) {}
    // The side was read from a file.
    CharsetBoxView loaded(std::uint32_t codePage, const EncodingGuess& readAs);
    // The user picks on the box while the side's page is still codePage.
    void picking(std::uint32_t codePage);
    // The side's page is codePage now: what the box shows instead, if anything.
    std::optional<CharsetBoxView> follow(std::uint32_t codePage);
    bool redecodes() const { return !m_readAs || m_readAs->source != EncodingGuess::Source::ByteOrderMark; }

private:
    CharsetBoxView view(std::uint32_t codePage) const;
    void noteStart(std::uint32_t codePage);

    Side m_side;
    std::optional<EncodingGuess> m_readAs;
    // The page the box showed last, and the one its start selection stands for while the side has
    // not been loaded (the start selection and the start page need not name the same set).
    std::optional<std::uint32_t> m_shown;
    std::optional<std::uint32_t> m_start;
};

// ----------------------------------------------------------------- Timings tab

// The input mask of the Show and Hide boxes for a format (QLineEdit syntax, '0' as the blank),
// or nothing for the frame-number and SAMI formats, whose times have no fixed shape.
std::optional<QString> timingsInputMask(std::int32_t formatMode);

// The mask of the Set Delay dialog's value: the clock layout of the format's unit, or nothing for
// the frame-number and SAMI formats.
std::optional<QString> delayInputMask(std::int32_t formatMode);

// The masks are chosen once per run, by the format loaded at the first visit of the Timings tab;
// later visits in the five first formats leave them alone. WebVTT and Advanced SubStation, whose
// times have shapes of their own, get their mask, and the five theirs again afterwards; an empty
// mask then means free text.
class TimingsMaskLatch {
public:
    // The mask to set now, if any; advances the latch.
    std::optional<QString> take(std::int32_t formatMode);
    bool isSpent() const { return m_count > 0; }

private:
    int m_count = 0;
    QString m_first;   // the mask of the first visit ("" for none)
    QString m_current; // the mask the boxes have now
};

struct TimingControlStates {
    bool showEdit = false;
    bool hideEdit = false;
    bool restoreButton = false;
    friend bool operator==(const TimingControlStates&, const TimingControlStates&) = default;
};

// Enabled states of the Show box, the Hide box and "Restore Original Time" after the grid's
// focus or selection moved: only one selected row with a Show time can be adjusted, and SAMI
// has no hide times of its own to edit.
TimingControlStates timingControlStates(int selectedRows, bool hasFocusedRow, const QString& focusedShow,
                                        std::int32_t formatMode);

// ----------------------------------------------------------------- programs and the user guide

// The user guide as an install lays it out (share/doc/velmora beside bin/); the build tree copies
// it there too. programFolder ends with "/".
QString userGuidePath(const QString& programFolder);
UserMessage userGuideMissing(const QString& path);
UserMessage userGuideNotOpened(const QString& path);
// A program velmora starts (trelline, mini) is looked for beside velmora only.
UserMessage programMissing(const QString& name, const QString& path);
UserMessage programNotStarted(const QString& name, const QString& path);

// ----------------------------------------------------------------- file dialogs

// A Windows filter string ("Label|*.a;*.b|Label 2|*.c||") as Qt name filters, in order. An
// empty pattern part stands for every file.
QStringList qtNameFilters(const QString& windowsFilter);

// The filter of the open dialog of both loads; its entry index + 1 is the format number.
inline const QString kLoadFilter = loadDialogFilter();
