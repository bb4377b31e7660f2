// The findings of a session kept up to date edit by edit: after a change only the rows it names
// and their neighbours are checked again, and the result is what a full check would give.
#pragma once

#include "review/checks.h"
#include "subtitle/session_edit.h"

#include <array>

class SubtitleSession;

// Where a walk through the findings stands: a row and the finding's place among that row's.
struct FindingCursor {
    int row = -1;
    int index = -1;
    friend bool operator==(const FindingCursor&, const FindingCursor&) = default;
};

class IncrementalChecker {
public:
    explicit IncrementalChecker(CheckOptions options = {}) : m_options(options) {}

    // New limits, frame rate or speller; the next checkAll uses them.
    void setOptions(const CheckOptions& options) { m_options = options; }
    const CheckOptions& options() const { return m_options; }

    // Every row afresh: after a load, or when the options or the speller's words changed.
    void checkAll(const SubtitleSession& session);
    // The same in steps, so that a long file's review need not hold up the window: begin forgets
    // every row's findings, each checkMore checks up to `rows` more in row order and says whether
    // all are done. The session must not change in between (begin again when it does).
    void beginCheckAll(const SubtitleSession& session);
    bool checkMore(const SubtitleSession& session, int rows);
    bool isComplete() const { return m_nextRow < 0; }
    // Follows one edit, undo or redo of the session, given the change it returned.
    void update(const SubtitleSession& session, const SessionChange& change);

    // In row order, as checkRows gives them.
    QVector<Finding> findings() const;
    QVector<Finding> findingsOf(int row) const;
    // Cheap enough for every painted cell.
    bool hasFindings(int row) const;
    int findingCount() const;
    std::array<int, kCheckKindCount> countsByKind() const;
    // Characters per second of what row's viewer reads, for the grid; nullopt without a duration.
    std::optional<double> readingSpeedOf(int row) const;

    // The finding after (or before) the cursor in row order, going round at the ends; a cursor
    // with index -1 stands before the row's first finding. Nullopt when there is none at all.
    std::optional<FindingCursor> next(FindingCursor from) const;
    std::optional<FindingCursor> previous(FindingCursor from) const;
    std::optional<Finding> findingAt(FindingCursor at) const;

    // Rows whose checks ran in the last checkAll or update (the rest kept their findings).
    int lastRecheckedRows() const { return m_rechecked; }

private:
    struct Slot {
        EntryRow row;     // the row as last checked
        QString nextShow; // the next row's Show text its timing checks read
        bool hasNext = false;
        bool checked = false;       // texts and their findings are the row's
        bool timingChecked = false; // and so are the timing findings
        RowTexts texts;
        QVector<Finding> textFindings;
        QVector<Finding> timingFindings;
        std::optional<double> speed;
    };

    void recheck(const QVector<EntryRow>& rows, int first, int last);
    void recheckRow(const QVector<EntryRow>& rows, int row);
    void checkTexts(Slot& slot, const EntryRow& row);
    void checkTiming(Slot& slot, const QVector<EntryRow>& rows, int row);
    void rebuild(const QVector<EntryRow>& rows);
    void forgetFindings();

    CheckOptions m_options;
    QVector<Slot> m_slots;
    int m_rechecked = 0;
    int m_nextRow = -1; // of a checkAll in steps; -1 when none is under way
};
