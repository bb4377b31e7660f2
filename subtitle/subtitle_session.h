// The document and its entry rows in one object, the one keeper of their alignment: they change
// only through the operations below, each of which says what it changed and can be undone.
#pragma once

#include "subtitle/entry_rows.h"
#include "subtitle/format_conversion.h"
#include "subtitle/session_edit.h"
#include "subtitle/subtitle_document.h"
#include "subtitle/subtitle_writer.h"

#include <cstdint>
#include <utility>

struct RedecodeResult {
    // Rows whose cell or list element now differs from before.
    int rowsChanged = 0;
    // Rows whose text could not be decoded in the chosen code page and so kept their old text.
    int rowsKept = 0;
    // Rows whose text was not read from 8-bit bytes (UTF-16, a byte-order mark, typed or
    // translated since) and so keeps its characters in any character set.
    int rowsWithoutBytes = 0;
};

// The text a side's source bytes give in a code page (0 = system ANSI), made as the reader made it;
// nullopt when the code page cannot be opened.
std::optional<QString> decodeSourceBytes(const SourceRef& source, std::uint32_t codePage);

// What a line break typed into a cell becomes in an entry of this format: the line joiner, or in
// MicroDVD, whose entries are one line, a bare "|".
QString typedLineBreak(std::int32_t formatMode);
// A cell's text as typed, made into an entry text that the savers write as it looks: every "|" and
// every line feed is one line break of the format (see typedLineBreak); carriage returns go.
QString entryTextFromTyped(const QString& typed, std::int32_t formatMode);

// One step of the edit history: the steps that redo it and, in the order to apply, those that undo it.
struct SessionHistoryStep {
    QString label;
    QVector<SessionEdit::Step> redo;
    QVector<SessionEdit::Step> undo;
    std::optional<QList<int>> selection;
    int focus = -1;
    bool rebuildsMapping = false;
    QString mergeKey;
    // What of the saved files this step changes.
    SideMask sides = 0;
};

// Told before rows come or go and again once they have, so that a view's model can announce each
// move while its views still read the rows as they were. Consecutive rows come or go as one run;
// a step that moves rows in several places, and a new document, count as every row changing.
class RowsObserver {
public:
    virtual ~RowsObserver() = default;
    virtual void rowsAboutToBeInserted(int first, int last) = 0;
    virtual void rowsInserted() = 0;
    virtual void rowsAboutToBeRemoved(int first, int last) = 0;
    virtual void rowsRemoved() = 0;
    virtual void rowsAboutToBeReset() = 0;
    virtual void rowsReset() = 0;
};

class SubtitleSession {
public:
    const SubtitleDocument& document() const { return m_document; }
    const EntryRows& rows() const { return m_rows; }
    int rowCount() const { return m_rows.count(); }
    // Row i with its list elements; an empty entry for a row that does not exist.
    SessionEntry entry(int row) const;
    // The bytes row i's texts were read from (none for a row that does not exist).
    const RowSources& sources(int row) const;

    // At most one; nullptr for none.
    void setRowsObserver(RowsObserver* observer) { m_observer = observer; }

    // A new document in place of the old one, with a fresh history; both sides count as saved.
    void reset(SubtitleDocument document, QVector<EntryRow> rows);
    // The same for work brought back after a crash, with what each side's file still lacked.
    void restore(SubtitleDocument document, QVector<EntryRow> rows, SideMask originalUnsaved,
                 SideMask translatedUnsaved);
    // Settings that a load or the start of the program makes; they are not edits and not undone.
    void setFormatMode(std::int32_t formatMode) { m_document.formatMode = formatMode; }
    void setStartCodePage(Side side, std::uint32_t codePage);

    // Saves write the lists as they are. A translated subtitle save also makes the current times the
    // translated file's, which is not an edit of the document.
    SaveResult save(SaveKind kind, const QString& path) { return writeDocument(m_document, kind, path); }
    // The same in another format (MicroDVD's frames at rate); the document stays as it is.
    SaveAsResult saveAs(SaveKind kind, std::int32_t format, FrameRate rate, const QString& path) {
        return saveDocumentAs(m_document, kind, format, rate, path);
    }
    std::optional<QString> writeTemporaryTranslatedSubtitle(const QString& folder, qint64 secondsSince1970,
                                                            SaveResult* result = nullptr) {
        return WriteTemporaryTranslatedSubtitle(m_document, folder, secondsSince1970, result);
    }

    // ---- edits: each is one undo step and never leaves rows and lists out of step. A list may
    // end before the rows do (a translation shorter than the original, say); an edit that changes
    // a row beyond its end, or inserts rows there, first makes the list reach that row, taking
    // what the rows in between show, so that a save writes every row the grid shows.
    SessionChange apply(const SessionEdit& edit);
    // New entries before row `at` (at the end for the row count); they are selected, the last focused.
    SessionChange insertEntries(int at, QVector<SessionEntry> entries);
    SessionChange removeEntries(QList<int> rows);
    // Rows from `from` on are numbered firstNumber, firstNumber + 1, ...
    SessionChange renumber(int from, double firstNumber);
    // The row's Show and Hide cells and its element of timeLines, built in the document's format.
    SessionChange setTimes(int row, const QString& show, const QString& hide);
    // An Original or Translated cell with its list element (the end of an in-place edit); the text
    // as typed (see entryTextFromTyped).
    SessionChange setTextCell(int row, int column, const QString& text);
    // Translations of many rows at once (a batch of a translation job).
    SessionChange setTranslatedTexts(const QList<int>& rows, const QStringList& texts);
    // Reads one side's texts again in another code page from the bytes they were read from (see
    // redecode.cpp).
    SessionChange redecodeSide(Side side, std::uint32_t codePage, RedecodeResult* result = nullptr);

    // ---- loads
    // A load takes the session's state (a translation is read beside the original's rows) and
    // hands it back whole; a load is not an edit, it starts a new history.
    struct LoadedState {
        SubtitleDocument document;
        EntryRows rows;
        QVector<RowSources> sources; // one element per row
    };
    // Moved out rather than copied: a copy would share the lists with the session, and the load's
    // first change to a shared list copies every element of it. applyLoad() puts them back.
    LoadedState takeStateForLoad() {
        return {std::exchange(m_document, {}), std::exchange(m_rows, {}), std::exchange(m_sources, {})};
    }
    void applyLoad(LoadedState loaded);

    // ---- history
    bool canUndo() const { return !m_group && m_index > 0; }
    bool canRedo() const { return !m_group && m_index < m_steps.size(); }
    QString undoLabel() const { return canUndo() ? m_steps[m_index - 1].label : QString(); }
    QString redoLabel() const { return canRedo() ? m_steps[m_index].label : QString(); }
    SessionChange undo();
    SessionChange redo();
    // A history without steps; each side stays as modified as it was.
    void clearHistory();
    // Every edit until endGroup() becomes one undo step (a translation job's batches).
    void beginGroup(const QString& label);
    void endGroup(bool rebuildsMapping = false);
    bool inGroup() const { return bool(m_group); }
    // What a side's file (as last loaded or saved) lacks of what its save would write now: its
    // texts (sideBit) and the times and rows. Undoing back to that point makes the side clean
    // again; a step that changes nothing a file keeps (new row numbers) leaves it as it is.
    SideMask unsavedChanges(Side side) const;
    bool isModified(Side side) const { return unsavedChanges(side) != 0; }
    bool isClean() const { return !isModified(Side::Original) && !isModified(Side::Translated); }
    // The side's file now holds what its save writes (after a load or a save of that side).
    void setClean(Side side);
    void setClean() {
        setClean(Side::Original);
        setClean(Side::Translated);
    }
    int historySize() const { return int(m_steps.size()); }

private:
    using HistoryStep = SessionHistoryStep;

    class ChangeBuilder;
    std::optional<SessionEdit::Step> run(const SessionEdit::Step& step, ChangeBuilder& change);
    std::optional<SessionEdit::Step> runInsert(const SessionEdit::Insert& insert, ChangeBuilder& change);
    std::optional<SessionEdit::Step> runRemove(const SessionEdit::Remove& remove, ChangeBuilder& change);
    std::optional<SessionEdit::Step> runReplace(const SessionEdit::Replace& replace, ChangeBuilder& change);
    std::optional<SessionEdit::Step> runSetNumbers(const SessionEdit::SetNumbers& numbers,
                                                   ChangeBuilder& change);
    std::optional<SessionEdit::Step> runSetCodePage(const SessionEdit::SetCodePage& page,
                                                    ChangeBuilder& change);
    std::optional<SessionEdit::Step> runResize(const SessionEdit::Resize& resize, ChangeBuilder& change);
    // The steps that make the lists reach the rows a step of a new edit changes, and the step as
    // it is then to run.
    QVector<SessionEdit::Step> reachFor(const SessionEdit::Step& step) const;
    SessionChange replay(const QVector<SessionEdit::Step>& steps, bool selectTouched);
    void record(HistoryStep step);
    QStringList& list(DocumentList which);
    // What the steps between the history position `from` and the current one change.
    SideMask stepsBetween(qsizetype from) const;
    // Around a step's move of these rows (ascending), for the observer.
    void beforeRowsMove(bool inserting, const QList<int>& rows);
    void afterRowsMove(bool inserting, const QList<int>& rows);

    SubtitleDocument m_document;
    EntryRows m_rows;
    // One element per row, moving with it.
    QVector<RowSources> m_sources;

    QVector<HistoryStep> m_steps;
    qsizetype m_index = 0; // steps applied
    // Per side: the history position at which its file held what the side shows, and what the
    // file lacked even there (changes whose steps are gone: a cleared history, or steps undone and
    // then overwritten).
    struct SavedState {
        qsizetype index = 0;
        SideMask lacking = 0;
    };
    SavedState m_saved[2];
    std::optional<HistoryStep> m_group;
    RowsObserver* m_observer = nullptr;
};
