// The session's edits: every change of rows and lists passes here, is checked, and leaves its inverse.
#include "subtitle/subtitle_session.h"

#include "subtitle/format_table.h"
#include "subtitle/time_line_rules.h"

#include <algorithm>
#include <climits>

// ---------------------------------------------------------------- the edit's builder

void SessionEdit::insert(int at, QVector<SessionEntry> entries) {
    QList<int> positions;
    positions.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        positions.append(at + int(i));
    insertAt(std::move(positions), std::move(entries));
}

void SessionEdit::insertAt(QList<int> positions, QVector<SessionEntry> entries) {
    if (entries.isEmpty())
        return;
    m_steps.append(Insert{std::move(positions), std::move(entries)});
}

void SessionEdit::remove(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (!rows.isEmpty())
        m_steps.append(Remove{std::move(rows)});
}

void SessionEdit::replace(int row, SessionEntry entry) {
    m_steps.append(Replace{{row}, {std::move(entry)}});
}

void SessionEdit::replace(QList<int> rows, QVector<SessionEntry> entries) {
    if (!rows.isEmpty())
        m_steps.append(Replace{std::move(rows), std::move(entries)});
}

void SessionEdit::setNumbers(int from, QVector<std::optional<double>> numbers) {
    if (!numbers.isEmpty())
        m_steps.append(SetNumbers{from, std::move(numbers)});
}

void SessionEdit::setCodePage(Side side, std::uint32_t codePage) {
    m_steps.append(SetCodePage{side, codePage});
}

// ---------------------------------------------------------------- what changed

// Gathers the change of several steps. Row indexes of cell changes are those of their own step;
// once rows have come or gone, every row from the first touched one to the end counts as changed.
class SubtitleSession::ChangeBuilder {
public:
    void structure(SessionChange::Shape shape, const QList<int>& rows) {
        const bool contiguous = rows.last() - rows.first() + 1 == rows.size();
        if (m_change.shape == SessionChange::Shape::Unchanged && contiguous) {
            m_change.shape = shape;
            m_change.first = rows.first();
            m_change.count = int(rows.size());
        } else {
            m_change.shape = SessionChange::Shape::Rebuilt;
        }
        m_lowest = std::min(m_lowest, rows.first());
        m_change.timeLinesChanged = m_change.textsChanged = true;
    }
    void cells(int first, int last, ColumnMask columns) {
        if (columns == 0)
            return;
        m_lowest = std::min(m_lowest, first);
        m_highest = std::max(m_highest, last);
        m_change.columns |= columns;
        if (columns & kTimeColumns)
            m_change.timeLinesChanged = true;
        if (columns & kTextColumns)
            m_change.textsChanged = true;
    }
    void lists(bool times, bool texts) {
        m_change.timeLinesChanged |= times;
        m_change.textsChanged |= texts;
    }
    void codePages() { m_change.codePagesChanged = true; }
    void sides(SideMask sides) { m_sides |= sides; }
    SideMask touchedSides() const { return m_sides; }

    SessionChange finish(int rowCount) {
        if (m_lowest != INT_MAX && m_change.columns != 0) {
            m_change.firstChangedRow = std::clamp(m_lowest, 0, std::max(rowCount - 1, 0));
            m_change.lastChangedRow =
                m_change.changesRows() ? rowCount - 1 : std::min(m_highest, rowCount - 1);
            if (m_change.lastChangedRow < m_change.firstChangedRow)
                m_change.firstChangedRow = m_change.lastChangedRow = -1;
        }
        if (m_change.changesRows())
            m_change.columns |= columnBit(kColumnNumber) | kTimeColumns | kTextColumns;
        return m_change;
    }

private:
    SessionChange m_change;
    int m_lowest = INT_MAX;
    int m_highest = -1;
    SideMask m_sides = 0;
};

namespace {

ColumnMask differingColumns(const EntryRow& a, const EntryRow& b) {
    ColumnMask mask = 0;
    if (a.number != b.number)
        mask |= columnBit(kColumnNumber);
    if (a.show != b.show)
        mask |= columnBit(kColumnShow);
    if (a.hide != b.hide)
        mask |= columnBit(kColumnHide);
    if (a.original != b.original)
        mask |= columnBit(kColumnOriginal);
    if (a.translated != b.translated)
        mask |= columnBit(kColumnTranslated);
    return mask;
}

bool isAscendingWithin(const QList<int>& rows, int end) {
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i] < 0 || rows[i] >= end || (i > 0 && rows[i] <= rows[i - 1]))
            return false;
    return true;
}

// Removes the elements at the sorted rows that the list reaches, in one pass; each removed
// element lands in taken (nullopt for rows beyond the list).
template <typename T>
void removeSorted(QList<T>& list, const QList<int>& rows, QVector<std::optional<T>>* taken) {
    // Empty optionals made in place: copying one from a temporary (fill) reads a payload that was
    // never set, only to find it is not engaged, and GCC's optimiser warns of it.
    if (taken) {
        taken->clear();
        taken->resize(rows.size());
    }
    qsizetype write = 0, next = 0;
    const qsizetype size = list.size();
    for (qsizetype read = 0; read < size; ++read) {
        if (next < rows.size() && rows[next] == read) {
            if (taken)
                (*taken)[next] = std::move(list[read]);
            ++next;
            continue;
        }
        if (write != read)
            list[write] = std::move(list[read]);
        ++write;
    }
    list.resize(write);
}

// Inserts values at ascending final positions, in one pass. A position inside the list always
// takes an element (the entry's own, or `fallback` of it), one at the list's end only when the
// entry has its own, one beyond the end none: so the list stays the rows' prefix.
template <typename Value, typename Fallback>
void insertSorted(QStringList& list, const QList<int>& positions, const QVector<SessionEntry>& entries,
                  Value value, Fallback fallback) {
    // Which entries go in, decided front to back against the list as it grows.
    QVector<int> taken;
    taken.reserve(entries.size());
    qsizetype size = list.size();
    for (qsizetype j = 0; j < entries.size(); ++j) {
        const int p = positions[j];
        if (p < size || (p == size && value(entries[j]))) {
            taken.append(int(j));
            ++size;
        }
    }
    if (taken.isEmpty())
        return;
    const qsizetype oldSize = list.size();
    list.resize(size);
    // Back to front: each old element moves down by the number of new ones before it.
    qsizetype read = oldSize - 1;
    qsizetype write = size - 1;
    for (qsizetype t = taken.size() - 1; t >= 0; --t) {
        const qsizetype p = positions[taken[t]];
        while (write > p) {
            list[write--] = std::move(list[read--]);
        }
        const SessionEntry& entry = entries[taken[t]];
        const std::optional<QString>& own = value(entry);
        list[write--] = own ? *own : fallback(entry);
    }
}

} // namespace

// ---------------------------------------------------------------- reading and resetting

SessionEntry SubtitleSession::entry(int row) const {
    SessionEntry e;
    if (row < 0 || row >= m_rows.count())
        return e;
    e.row = m_rows.at(row);
    auto element = [row](const QStringList& list) -> std::optional<QString> {
        if (row < list.size())
            return list[row];
        return std::nullopt;
    };
    e.loadedTimeLine = element(m_document.loadedTimeLines);
    e.timeLine = element(m_document.timeLines);
    e.originalText = element(m_document.originalTexts);
    e.translatedText = element(m_document.translatedTexts);
    e.sources = sources(row);
    return e;
}

const RowSources& SubtitleSession::sources(int row) const {
    static const RowSources none;
    return row >= 0 && row < m_sources.size() ? m_sources[row] : none;
}

void SubtitleSession::reset(SubtitleDocument document, QVector<EntryRow> rows) {
    if (m_observer)
        m_observer->rowsAboutToBeReset();
    m_document = std::move(document);
    m_rows.items() = std::move(rows);
    m_sources = QVector<RowSources>(m_rows.count());
    if (m_observer)
        m_observer->rowsReset();
    clearHistory();
    m_saved[0] = m_saved[1] = SavedState{};
}

void SubtitleSession::restore(SubtitleDocument document, QVector<EntryRow> rows, SideMask originalUnsaved,
                              SideMask translatedUnsaved) {
    reset(std::move(document), std::move(rows));
    m_saved[int(Side::Original)].lacking = originalUnsaved & savedBy(Side::Original);
    m_saved[int(Side::Translated)].lacking = translatedUnsaved & savedBy(Side::Translated);
}

void SubtitleSession::setStartCodePage(Side side, std::uint32_t codePage) {
    (side == Side::Original ? m_document.originalCodePage : m_document.translatedCodePage) = codePage;
}

// ---------------------------------------------------------------- running steps

namespace {
bool isOneRun(const QList<int>& rows) {
    return rows.last() - rows.first() + 1 == rows.size();
}
} // namespace

void SubtitleSession::beforeRowsMove(bool inserting, const QList<int>& rows) {
    if (!m_observer)
        return;
    if (!isOneRun(rows))
        m_observer->rowsAboutToBeReset();
    else if (inserting)
        m_observer->rowsAboutToBeInserted(rows.first(), rows.last());
    else
        m_observer->rowsAboutToBeRemoved(rows.first(), rows.last());
}

void SubtitleSession::afterRowsMove(bool inserting, const QList<int>& rows) {
    if (!m_observer)
        return;
    if (!isOneRun(rows))
        m_observer->rowsReset();
    else if (inserting)
        m_observer->rowsInserted();
    else
        m_observer->rowsRemoved();
}

std::optional<SessionEdit::Step> SubtitleSession::run(const SessionEdit::Step& step, ChangeBuilder& change) {
    // Every row has its sources element; the steps below move both together.
    if (m_sources.size() != m_rows.count())
        m_sources.resize(m_rows.count());
    return std::visit(
        [&](const auto& s) -> std::optional<SessionEdit::Step> {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, SessionEdit::Insert>)
                return runInsert(s, change);
            else if constexpr (std::is_same_v<T, SessionEdit::Remove>)
                return runRemove(s, change);
            else if constexpr (std::is_same_v<T, SessionEdit::Replace>)
                return runReplace(s, change);
            else if constexpr (std::is_same_v<T, SessionEdit::SetNumbers>)
                return runSetNumbers(s, change);
            else if constexpr (std::is_same_v<T, SessionEdit::SetCodePage>)
                return runSetCodePage(s, change);
            else
                return runResize(s, change);
        },
        step);
}

std::optional<SessionEdit::Step> SubtitleSession::runInsert(const SessionEdit::Insert& insert,
                                                            ChangeBuilder& change) {
    const QList<int>& positions = insert.positions;
    const QVector<SessionEntry>& entries = insert.entries;
    // Each position may be at most the row count after the entries before it went in.
    bool valid = !entries.isEmpty() && positions.size() == entries.size();
    for (qsizetype j = 0; valid && j < positions.size(); ++j)
        valid = positions[j] >= 0 && positions[j] <= m_rows.count() + j &&
                (j == 0 || positions[j] > positions[j - 1]);
    if (!valid)
        return std::nullopt;

    beforeRowsMove(true, positions);
    // Rows and their sources move together, back to front in one pass each.
    auto insertInto = [&](auto& list, auto valueOf) {
        const qsizetype oldSize = list.size();
        list.resize(oldSize + entries.size());
        qsizetype read = oldSize - 1, write = list.size() - 1;
        for (qsizetype j = entries.size() - 1; j >= 0; --j) {
            while (write > positions[j])
                list[write--] = std::move(list[read--]);
            list[write--] = valueOf(entries[j]);
        }
    };
    insertInto(m_rows.items(), [](const SessionEntry& e) { return e.row; });
    insertInto(m_sources, [](const SessionEntry& e) { return e.sources; });
    afterRowsMove(true, positions);
    const TimeLineRules rules(m_document.formatMode, m_document.headerLines);
    auto timeLineOf = [&rules](const SessionEntry& e) { return rules.build(e.row.show, e.row.hide); };
    insertSorted(
        m_document.loadedTimeLines, positions, entries,
        [](const SessionEntry& e) -> const std::optional<QString>& { return e.loadedTimeLine; },
        [&](const SessionEntry& e) { return e.timeLine ? *e.timeLine : timeLineOf(e); });
    insertSorted(
        m_document.timeLines, positions, entries,
        [](const SessionEntry& e) -> const std::optional<QString>& { return e.timeLine; }, timeLineOf);
    insertSorted(
        m_document.originalTexts, positions, entries,
        [](const SessionEntry& e) -> const std::optional<QString>& { return e.originalText; },
        [](const SessionEntry& e) { return e.row.original; });
    insertSorted(
        m_document.translatedTexts, positions, entries,
        [](const SessionEntry& e) -> const std::optional<QString>& { return e.translatedText; },
        [](const SessionEntry& e) { return e.row.translated; });
    change.structure(SessionChange::Shape::Inserted, positions);
    change.sides(kTimesAndRows);
    return SessionEdit::Remove{positions};
}

std::optional<SessionEdit::Step> SubtitleSession::runRemove(const SessionEdit::Remove& remove,
                                                            ChangeBuilder& change) {
    const QList<int>& rows = remove.rows;
    if (rows.isEmpty() || !isAscendingWithin(rows, m_rows.count()))
        return std::nullopt;

    SessionEdit::Insert inverse;
    inverse.positions = rows;
    inverse.entries.resize(rows.size());
    QVector<std::optional<EntryRow>> takenRows;
    beforeRowsMove(false, rows);
    removeSorted(m_rows.items(), rows, &takenRows);
    QVector<std::optional<RowSources>> takenSources;
    removeSorted(m_sources, rows, &takenSources);
    afterRowsMove(false, rows);
    QVector<std::optional<QString>> loaded, times, originals, translations;
    removeSorted(m_document.loadedTimeLines, rows, &loaded);
    removeSorted(m_document.timeLines, rows, &times);
    removeSorted(m_document.originalTexts, rows, &originals);
    removeSorted(m_document.translatedTexts, rows, &translations);
    for (qsizetype j = 0; j < rows.size(); ++j) {
        SessionEntry& e = inverse.entries[j];
        e.row = std::move(*takenRows[j]);
        e.sources = std::move(takenSources[j]).value_or(RowSources{});
        e.loadedTimeLine = std::move(loaded[j]);
        e.timeLine = std::move(times[j]);
        e.originalText = std::move(originals[j]);
        e.translatedText = std::move(translations[j]);
    }
    change.structure(SessionChange::Shape::Removed, rows);
    change.sides(kTimesAndRows);
    return inverse;
}

std::optional<SessionEdit::Step> SubtitleSession::runReplace(const SessionEdit::Replace& replace,
                                                             ChangeBuilder& change) {
    const QList<int>& rows = replace.rows;
    if (rows.isEmpty() || rows.size() != replace.entries.size() || !isAscendingWithin(rows, m_rows.count()))
        return std::nullopt;

    SessionEdit::Replace inverse;
    inverse.rows = rows;
    inverse.entries.reserve(rows.size());
    ColumnMask columns = 0;
    bool times = false, originals = false, translations = false, sources = false;
    auto put = [](QStringList& list, int row, const std::optional<QString>& value, bool& changed) {
        if (row < list.size() && value && list[row] != *value) {
            list[row] = *value;
            changed = true;
        }
    };
    for (qsizetype j = 0; j < rows.size(); ++j) {
        const int row = rows[j];
        const SessionEntry& next = replace.entries[j];
        inverse.entries.append(entry(row));
        EntryRow& current = m_rows.items()[row];
        columns |= differingColumns(current, next.row);
        current = next.row;
        if (m_sources[row] != next.sources) {
            m_sources[row] = next.sources;
            sources = true;
        }
        put(m_document.loadedTimeLines, row, next.loadedTimeLine, times);
        put(m_document.timeLines, row, next.timeLine, times);
        put(m_document.originalTexts, row, next.originalText, originals);
        put(m_document.translatedTexts, row, next.translatedText, translations);
    }
    if (columns == 0 && !times && !originals && !translations && !sources)
        return std::nullopt; // every row and element had these texts already
    change.cells(rows.first(), rows.last(), columns);
    change.lists(times, originals || translations);
    // Times are written by both sides' saves; a row number by neither.
    if (times || (columns & kTimeColumns))
        change.sides(kTimesAndRows);
    if (originals || (columns & columnBit(kColumnOriginal)))
        change.sides(sideBit(Side::Original));
    if (translations || (columns & columnBit(kColumnTranslated)))
        change.sides(sideBit(Side::Translated));
    return inverse;
}

std::optional<SessionEdit::Step> SubtitleSession::runSetNumbers(const SessionEdit::SetNumbers& numbers,
                                                                ChangeBuilder& change) {
    const int from = numbers.from;
    const int count = int(std::min<qsizetype>(numbers.numbers.size(), m_rows.count() - qsizetype(from)));
    if (from < 0 || count <= 0)
        return std::nullopt;
    SessionEdit::SetNumbers inverse{from, {}};
    inverse.numbers.reserve(count);
    QVector<EntryRow>& rows = m_rows.items();
    int firstChanged = -1, lastChanged = -1;
    for (int i = 0; i < count; ++i) {
        std::optional<double>& number = rows[from + i].number;
        inverse.numbers.append(number);
        if (number == numbers.numbers[i])
            continue;
        number = numbers.numbers[i];
        if (firstChanged < 0)
            firstChanged = from + i;
        lastChanged = from + i;
    }
    if (firstChanged < 0)
        return std::nullopt; // the rows had these numbers already
    change.cells(firstChanged, lastChanged, columnBit(kColumnNumber));
    return inverse;
}

std::optional<SessionEdit::Step> SubtitleSession::runSetCodePage(const SessionEdit::SetCodePage& page,
                                                                 ChangeBuilder& change) {
    std::uint32_t& current =
        page.side == Side::Original ? m_document.originalCodePage : m_document.translatedCodePage;
    SessionEdit::SetCodePage inverse{page.side, current};
    current = page.codePage;
    change.codePages();
    return inverse;
}

QStringList& SubtitleSession::list(DocumentList which) {
    switch (which) {
    case DocumentList::LoadedTimeLines:
        return m_document.loadedTimeLines;
    case DocumentList::TimeLines:
        return m_document.timeLines;
    case DocumentList::OriginalTexts:
        return m_document.originalTexts;
    case DocumentList::TranslatedTexts:
        break;
    }
    return m_document.translatedTexts;
}

std::optional<SessionEdit::Step> SubtitleSession::runResize(const SessionEdit::Resize& resize,
                                                            ChangeBuilder& change) {
    QStringList& target = list(resize.list);
    const qsizetype old = target.size();
    // A list never reaches beyond the rows, and each new element must be given.
    if (resize.length < 0 || resize.length > m_rows.count() || resize.length == old ||
        (resize.length > old && resize.fill.size() != resize.length - old))
        return std::nullopt;
    SessionEdit::Resize inverse{resize.list, old, {}};
    if (resize.length < old) {
        inverse.fill = target.mid(resize.length);
        target.resize(resize.length);
    } else {
        target += resize.fill;
    }
    switch (resize.list) {
    case DocumentList::LoadedTimeLines:
    case DocumentList::TimeLines:
        change.lists(true, false);
        change.sides(kTimesAndRows);
        break;
    case DocumentList::OriginalTexts:
        change.lists(false, true);
        change.sides(sideBit(Side::Original));
        break;
    case DocumentList::TranslatedTexts:
        change.lists(false, true);
        change.sides(sideBit(Side::Translated));
        break;
    }
    return inverse;
}

// ---------------------------------------------------------------- lists that reach edited rows

QVector<SessionEdit::Step> SubtitleSession::reachFor(const SessionEdit::Step& step) const {
    QVector<SessionEdit::Step> steps;
    const TimeLineRules rules(m_document);
    auto timeLineOf = [&rules](const EntryRow& row) { return rules.build(row.show, row.hide); };
    // A Resize that makes a list `length` long, its new elements made by elementOf(row).
    auto reach = [&](DocumentList which, qsizetype size, qsizetype length, auto elementOf) {
        if (length <= size)
            return;
        SessionEdit::Resize resize{which, length, {}};
        resize.fill.reserve(length - size);
        for (qsizetype row = size; row < length; ++row)
            resize.fill.append(elementOf(int(row)));
        steps.append(std::move(resize));
    };

    if (const auto* replace = std::get_if<SessionEdit::Replace>(&step)) {
        const QList<int>& rows = replace->rows;
        if (rows.isEmpty() || rows.size() != replace->entries.size() ||
            !isAscendingWithin(rows, m_rows.count()))
            return {step}; // refused as it is
        qsizetype originals = 0, translations = 0, times = 0;
        for (qsizetype j = 0; j < rows.size(); ++j) {
            const SessionEntry& next = replace->entries[j];
            const EntryRow& now = m_rows.at(rows[j]);
            const qsizetype length = rows[j] + 1;
            if (next.originalText || next.row.original != now.original)
                originals = std::max(originals, length);
            if (next.translatedText || next.row.translated != now.translated)
                translations = std::max(translations, length);
            if (next.timeLine || next.row.show != now.show || next.row.hide != now.hide)
                times = std::max(times, length);
        }
        // An entry that a side's save writes needs its time line there too.
        times = std::max({times, originals, translations});
        // The element of a replaced row is its new entry's; of any other row, what the row shows.
        auto replacing = [&](int row) -> const SessionEntry* {
            const auto at = std::lower_bound(rows.begin(), rows.end(), row);
            return at != rows.end() && *at == row ? &replace->entries[at - rows.begin()] : nullptr;
        };
        reach(DocumentList::TimeLines, m_document.timeLines.size(), times, [&](int row) {
            const SessionEntry* e = replacing(row);
            return e ? e->timeLine.value_or(timeLineOf(e->row)) : timeLineOf(m_rows.at(row));
        });
        reach(DocumentList::OriginalTexts, m_document.originalTexts.size(), originals, [&](int row) {
            const SessionEntry* e = replacing(row);
            return e ? e->originalText.value_or(e->row.original) : m_rows.at(row).original;
        });
        reach(DocumentList::TranslatedTexts, m_document.translatedTexts.size(), translations, [&](int row) {
            const SessionEntry* e = replacing(row);
            return e ? e->translatedText.value_or(e->row.translated) : m_rows.at(row).translated;
        });
        steps.append(step);
        return steps;
    }

    if (const auto* insert = std::get_if<SessionEdit::Insert>(&step)) {
        const QList<int>& positions = insert->positions;
        const qsizetype count = insert->entries.size();
        if (count == 0 || positions.size() != count)
            return {step};
        // The rows that stand before the last new entry: the lists must reach them all, and the
        // new entries then get an element of each list.
        const qsizetype before = std::clamp<qsizetype>(positions.last() - (count - 1), 0, m_rows.count());
        reach(DocumentList::TimeLines, m_document.timeLines.size(), before,
              [&](int row) { return timeLineOf(m_rows.at(row)); });
        reach(DocumentList::OriginalTexts, m_document.originalTexts.size(), before,
              [&](int row) { return m_rows.at(row).original; });
        reach(DocumentList::TranslatedTexts, m_document.translatedTexts.size(), before,
              [&](int row) { return m_rows.at(row).translated; });
        SessionEdit::Insert complete = *insert;
        for (SessionEntry& e : complete.entries) {
            if (!e.timeLine)
                e.timeLine = timeLineOf(e.row);
            if (!e.originalText)
                e.originalText = e.row.original;
            if (!e.translatedText)
                e.translatedText = e.row.translated;
        }
        steps.append(std::move(complete));
        return steps;
    }
    return {step};
}

// ---------------------------------------------------------------- edits and history

SessionChange SubtitleSession::apply(const SessionEdit& edit) {
    ChangeBuilder builder;
    HistoryStep step;
    step.label = edit.label();
    step.selection = edit.selection();
    step.focus = edit.focus();
    step.rebuildsMapping = edit.rebuildsMapping();
    step.mergeKey = edit.mergeKey();
    for (const SessionEdit::Step& s : edit.steps()) {
        for (SessionEdit::Step& prepared : reachFor(s)) {
            // A step that did nothing (an index out of range) has no inverse and stays out of
            // the history.
            std::optional<SessionEdit::Step> inverse = run(prepared, builder);
            if (!inverse)
                continue;
            step.redo.append(std::move(prepared));
            step.undo.prepend(std::move(*inverse));
        }
    }
    step.sides = builder.touchedSides();
    SessionChange change = builder.finish(m_rows.count());
    change.selection = edit.selection();
    change.focus = edit.focus();
    change.rebuildsMapping = edit.rebuildsMapping() && !step.redo.isEmpty();
    if (!step.redo.isEmpty())
        record(std::move(step));
    return change;
}

void SubtitleSession::record(HistoryStep step) {
    if (m_group) {
        m_group->redo += step.redo;
        step.undo += m_group->undo;
        m_group->undo = std::move(step.undo);
        m_group->rebuildsMapping |= step.rebuildsMapping;
        m_group->sides |= step.sides;
        return;
    }
    // A saved state that was undone is overwritten now: what the steps that go had changed stays
    // unsaved, counted from here.
    for (Side side : {Side::Original, Side::Translated}) {
        SavedState& saved = m_saved[int(side)];
        if (saved.index > m_index) {
            saved.lacking |= stepsBetween(saved.index) & savedBy(side);
            saved.index = m_index;
        }
    }
    m_steps.resize(m_index);
    const bool savedHere = m_saved[0].index == m_index || m_saved[1].index == m_index;
    if (!step.mergeKey.isEmpty() && m_index > 0 && !savedHere &&
        m_steps[m_index - 1].mergeKey == step.mergeKey) {
        HistoryStep& last = m_steps[m_index - 1];
        last.redo += step.redo;
        step.undo += last.undo;
        last.undo = std::move(step.undo);
        last.selection = step.selection;
        last.focus = step.focus;
        last.sides |= step.sides;
        return;
    }
    m_steps.append(std::move(step));
    m_index = m_steps.size();
}

SessionChange SubtitleSession::replay(const QVector<SessionEdit::Step>& steps, bool selectTouched) {
    ChangeBuilder builder;
    QList<int> touched;
    for (const SessionEdit::Step& s : steps) {
        run(s, builder);
        if (!selectTouched)
            continue;
        if (const auto* insert = std::get_if<SessionEdit::Insert>(&s))
            touched = insert->positions;
        else if (const auto* replace = std::get_if<SessionEdit::Replace>(&s); replace && touched.isEmpty())
            touched = replace->rows;
    }
    SessionChange change = builder.finish(m_rows.count());
    if (selectTouched && !touched.isEmpty()) {
        // Rows placed by a later step may have moved since; keep the ones that still exist.
        touched.erase(
            std::remove_if(touched.begin(), touched.end(), [this](int r) { return r >= m_rows.count(); }),
            touched.end());
        if (!touched.isEmpty()) {
            change.focus = touched.first();
            change.selection = std::move(touched);
        }
    }
    return change;
}

SessionChange SubtitleSession::undo() {
    if (!canUndo())
        return {};
    const HistoryStep& step = m_steps[--m_index];
    SessionChange change = replay(step.undo, true);
    change.rebuildsMapping = step.rebuildsMapping;
    return change;
}

SessionChange SubtitleSession::redo() {
    if (!canRedo())
        return {};
    const HistoryStep& step = m_steps[m_index++];
    SessionChange change = replay(step.redo, !step.selection);
    if (step.selection) {
        change.selection = step.selection;
        change.focus = step.focus;
    }
    change.rebuildsMapping = step.rebuildsMapping;
    return change;
}

void SubtitleSession::applyLoad(LoadedState loaded) {
    // The history is cleared first: it keeps each side's unsaved changes as they stood, which
    // the caller then settles (a loaded side is clean once its file is known).
    clearHistory();
    m_document = std::move(loaded.document);
    m_rows = std::move(loaded.rows);
    m_sources = std::move(loaded.sources);
}

void SubtitleSession::clearHistory() {
    // A side with unsaved changes keeps them, though no step can take it back to its file now.
    for (Side side : {Side::Original, Side::Translated})
        m_saved[int(side)] = SavedState{0, unsavedChanges(side)};
    m_steps.clear();
    m_index = 0;
    m_group.reset();
}

SideMask SubtitleSession::stepsBetween(qsizetype from) const {
    SideMask changed = 0;
    const qsizetype low = std::min(from, m_index), high = std::max(from, m_index);
    for (qsizetype i = low; i < high; ++i)
        changed |= m_steps[i].sides;
    return changed;
}

SideMask SubtitleSession::unsavedChanges(Side side) const {
    const SavedState& saved = m_saved[int(side)];
    SideMask changed = saved.lacking | stepsBetween(saved.index);
    if (m_group)
        changed |= m_group->sides;
    return changed & savedBy(side);
}

void SubtitleSession::setClean(Side side) {
    m_saved[int(side)] = SavedState{m_index, 0};
}

void SubtitleSession::beginGroup(const QString& label) {
    if (m_group)
        return;
    m_group.emplace();
    m_group->label = label;
}

void SubtitleSession::endGroup(bool rebuildsMapping) {
    if (!m_group)
        return;
    HistoryStep step = std::move(*m_group);
    m_group.reset();
    step.rebuildsMapping |= rebuildsMapping;
    if (!step.redo.isEmpty())
        record(std::move(step));
}

// ---------------------------------------------------------------- named edits

SessionChange SubtitleSession::insertEntries(int at, QVector<SessionEntry> entries) {
    SessionEdit edit(QStringLiteral("Insert"));
    QList<int> rows;
    for (qsizetype i = 0; i < entries.size(); ++i)
        rows.append(at + int(i));
    const int focus = rows.isEmpty() ? -1 : rows.last();
    edit.insert(at, std::move(entries));
    edit.select(std::move(rows), focus);
    return apply(edit);
}

SessionChange SubtitleSession::removeEntries(QList<int> rows) {
    SessionEdit edit(QStringLiteral("Delete"));
    edit.remove(std::move(rows));
    return apply(edit);
}

SessionChange SubtitleSession::renumber(int from, double firstNumber) {
    SessionEdit edit(QStringLiteral("Renumber"));
    QVector<std::optional<double>> numbers;
    for (int r = std::max(from, 0); r < m_rows.count(); ++r)
        numbers.append(firstNumber + (r - from));
    edit.setNumbers(from, std::move(numbers));
    return apply(edit);
}

SessionChange SubtitleSession::setTimes(int row, const QString& show, const QString& hide) {
    if (row < 0 || row >= m_rows.count())
        return {};
    SessionEntry e = entry(row);
    e.row.show = show;
    e.row.hide = hide;
    if (e.timeLine)
        e.timeLine =
            TimeLineRules(m_document.formatMode, m_document.headerLines).build(show, hide, *e.timeLine);
    SessionEdit edit(QStringLiteral("Change Time"));
    edit.replace(row, std::move(e));
    return apply(edit);
}

SessionChange SubtitleSession::setTextCell(int row, int column, const QString& text) {
    if (row < 0 || row >= m_rows.count() || (column != kColumnOriginal && column != kColumnTranslated))
        return {};
    SessionEntry e = entry(row);
    e.setText(column == kColumnOriginal ? Side::Original : Side::Translated,
              entryTextFromTyped(text, m_document.formatMode));
    SessionEdit edit(QStringLiteral("Edit Text"));
    edit.replace(row, std::move(e));
    return apply(edit);
}

SessionChange SubtitleSession::setTranslatedTexts(const QList<int>& rows, const QStringList& texts) {
    // Rows arrive as the job found them; the edit wants them ascending and once each.
    QVector<QPair<int, QString>> pairs;
    for (qsizetype i = 0; i < rows.size() && i < texts.size(); ++i)
        if (rows[i] >= 0 && rows[i] < m_rows.count())
            pairs.append({rows[i], texts[i]});
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<int> sorted;
    QVector<SessionEntry> entries;
    for (const auto& [row, text] : pairs) {
        SessionEntry e = entry(row);
        e.setText(Side::Translated, text);
        if (!sorted.isEmpty() && sorted.last() == row) {
            entries.last() = std::move(e); // the later translation of a row wins
            continue;
        }
        sorted.append(row);
        entries.append(std::move(e));
    }
    SessionEdit edit(QStringLiteral("Translate"));
    edit.replace(std::move(sorted), std::move(entries));
    return apply(edit);
}

// ---------------------------------------------------------------- typed text

QString typedLineBreak(std::int32_t formatMode) {
    // A format that keeps an entry on one line parts its lines by the bar alone.
    return formatInfo(formatMode).textForm == TextForm::Unchanged ? QStringLiteral("|") : kLineJoiner;
}

QString entryTextFromTyped(const QString& typed, std::int32_t formatMode) {
    // The savers drop "|" and keep the line feed (or, in MicroDVD, keep "|" and nothing else), so
    // each break must carry both, or in MicroDVD only the bar.
    const QString lineBreak = typedLineBreak(formatMode);
    QString text;
    text.reserve(typed.size() + typed.size() / 8);
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (c == u'\r')
            continue;
        if (c != u'|' && c != u'\n') {
            text += c;
            continue;
        }
        text += lineBreak;
        if (c == u'|') {
            // The line feed of a joiner already there belongs to this break.
            qsizetype next = i + 1;
            while (next < typed.size() && typed[next] == u'\r')
                ++next;
            if (next < typed.size() && typed[next] == u'\n')
                i = next;
        }
    }
    return text;
}
