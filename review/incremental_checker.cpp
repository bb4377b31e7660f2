// Per-row findings that follow the session's changes.
#include "review/incremental_checker.h"

#include "subtitle/subtitle_session.h"

#include <QHash>

namespace {

bool sameTexts(const EntryRow& a, const EntryRow& b) {
    return a.original == b.original && a.translated == b.translated;
}

QString nextShowOf(const QVector<EntryRow>& rows, int row) {
    return row + 1 < rows.size() ? rows[row + 1].show : QString();
}

} // namespace

void IncrementalChecker::checkTexts(Slot& slot, const EntryRow& row) {
    slot.texts = analyseRow(row);
    slot.textFindings.clear();
    checkRowTexts(slot.texts, m_options, slot.textFindings);
}

void IncrementalChecker::checkTiming(Slot& slot, const QVector<EntryRow>& rows, int row) {
    const RowTiming timing = rowTiming(rows, row, m_options);
    slot.timingFindings.clear();
    checkRowTiming(slot.texts, timing, m_options, slot.timingFindings);
    slot.speed = readingSpeed(slot.texts, timing);
    slot.nextShow = nextShowOf(rows, row);
    slot.hasNext = row + 1 < rows.size();
}

void IncrementalChecker::recheckRow(const QVector<EntryRow>& rows, int r) {
    Slot& slot = m_slots[r];
    const EntryRow& row = rows[r];
    const bool textsKept = slot.checked && sameTexts(slot.row, row);
    const bool timingKept = textsKept && slot.timingChecked && slot.row.show == row.show &&
                            slot.row.hide == row.hide && slot.hasNext == (r + 1 < rows.size()) &&
                            slot.nextShow == nextShowOf(rows, r);
    if (timingKept)
        return;
    ++m_rechecked;
    if (!textsKept)
        checkTexts(slot, row);
    checkTiming(slot, rows, r);
    slot.row = row;
    slot.checked = slot.timingChecked = true;
}

void IncrementalChecker::recheck(const QVector<EntryRow>& rows, int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, int(rows.size()) - 1);
    for (int r = first; r <= last; ++r)
        recheckRow(rows, r);
}

void IncrementalChecker::checkAll(const SubtitleSession& session) {
    beginCheckAll(session);
    checkMore(session, int(session.rows().all().size()));
}

void IncrementalChecker::beginCheckAll(const SubtitleSession& session) {
    m_options.formatMode = session.document().formatMode;
    // Until a row's turn comes it shows nothing rather than what an older text had. The slots for
    // rows that had none are made by the first step: at start-up, after the first frame.
    forgetFindings();
    m_rechecked = 0;
    m_nextRow = 0;
}

void IncrementalChecker::forgetFindings() {
    for (Slot& slot : m_slots) {
        slot.checked = slot.timingChecked = false;
        slot.textFindings.clear();
        slot.timingFindings.clear();
        slot.speed.reset();
    }
}

bool IncrementalChecker::checkMore(const SubtitleSession& session, int rows) {
    if (m_nextRow < 0)
        return true;
    const QVector<EntryRow>& all = session.rows().all();
    // Rows came or went since the first step (or there is none yet): begin at the first row. The
    // slots' storage is used again: freeing and making thousands of them costs more than checking.
    if (all.size() != m_slots.size()) {
        m_slots.resize(all.size());
        forgetFindings();
        m_nextRow = 0;
    }
    const int last = int(std::min<qsizetype>(qsizetype(m_nextRow) + std::max(rows, 1), all.size())) - 1;
    recheck(all, m_nextRow, last);
    m_nextRow = last + 1 >= all.size() ? -1 : last + 1;
    return m_nextRow < 0;
}

// Rows came and went in several places: find each row's old slot by its texts, so that only rows
// with new texts run the text checks again.
void IncrementalChecker::rebuild(const QVector<EntryRow>& rows) {
    QMultiHash<QString, int> byText;
    for (int i = 0; i < m_slots.size(); ++i)
        if (m_slots[i].checked)
            byText.insert(m_slots[i].row.original + u'\x1f' + m_slots[i].row.translated, i);
    QVector<Slot> old = std::move(m_slots);
    m_slots = QVector<Slot>(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        const auto it = byText.find(rows[r].original + u'\x1f' + rows[r].translated);
        if (it == byText.end())
            continue;
        Slot& reused = old[it.value()];
        byText.erase(it);
        m_slots[r] = std::move(reused);
        // What its timing checks read then need not hold now.
        m_slots[r].timingChecked = false;
    }
    recheck(rows, 0, int(rows.size()) - 1);
}

void IncrementalChecker::update(const SubtitleSession& session, const SessionChange& change) {
    const QVector<EntryRow>& rows = session.rows().all();
    m_rechecked = 0;
    // Under a check in steps the slots may not be the rows before the change: check them all.
    if (m_nextRow >= 0 || session.document().formatMode != m_options.formatMode) {
        checkAll(session);
        return;
    }
    int first = change.firstChangedRow;
    int last = change.lastChangedRow;
    switch (change.shape) {
    case SessionChange::Shape::Unchanged:
        break;
    case SessionChange::Shape::Inserted:
        if (change.first < 0 || change.first > m_slots.size() || change.count <= 0) {
            checkAll(session);
            return;
        }
        m_slots.insert(change.first, change.count, Slot{});
        first = first < 0 ? change.first : std::min(first, change.first);
        last = std::max(last, change.first + change.count);
        break;
    case SessionChange::Shape::Removed:
        if (change.first < 0 || change.count <= 0 || change.first + change.count > m_slots.size()) {
            checkAll(session);
            return;
        }
        m_slots.remove(change.first, change.count);
        first = first < 0 ? change.first : std::min(first, change.first);
        last = std::max(last, change.first);
        break;
    case SessionChange::Shape::Rebuilt:
        rebuild(rows);
        return;
    }
    if (m_slots.size() != rows.size()) {
        // A change this checker did not follow: start over rather than keep findings of other rows.
        checkAll(session);
        return;
    }
    if (first < 0)
        return;
    // The row before reads this one's Show for its gap (and, in SAMI, for its end).
    recheck(rows, first - 1, last);
}

QVector<Finding> IncrementalChecker::findings() const {
    QVector<Finding> all;
    all.reserve(findingCount());
    for (int r = 0; r < m_slots.size(); ++r) {
        for (const QVector<Finding>* part : {&m_slots[r].textFindings, &m_slots[r].timingFindings})
            for (Finding f : *part) {
                f.row = r;
                all.append(std::move(f));
            }
    }
    return all;
}

QVector<Finding> IncrementalChecker::findingsOf(int row) const {
    QVector<Finding> found;
    if (row < 0 || row >= m_slots.size())
        return found;
    found = m_slots[row].textFindings + m_slots[row].timingFindings;
    for (Finding& f : found)
        f.row = row;
    return found;
}

bool IncrementalChecker::hasFindings(int row) const {
    return row >= 0 && row < m_slots.size() &&
           !(m_slots[row].textFindings.isEmpty() && m_slots[row].timingFindings.isEmpty());
}

int IncrementalChecker::findingCount() const {
    int n = 0;
    for (const Slot& s : m_slots)
        n += int(s.textFindings.size() + s.timingFindings.size());
    return n;
}

std::array<int, kCheckKindCount> IncrementalChecker::countsByKind() const {
    std::array<int, kCheckKindCount> counts{};
    for (const Slot& s : m_slots)
        for (const QVector<Finding>* part : {&s.textFindings, &s.timingFindings})
            for (const Finding& f : *part)
                ++counts[int(f.kind)];
    return counts;
}

std::optional<double> IncrementalChecker::readingSpeedOf(int row) const {
    if (row < 0 || row >= m_slots.size())
        return std::nullopt;
    return m_slots[row].speed;
}

std::optional<Finding> IncrementalChecker::findingAt(FindingCursor at) const {
    if (at.row < 0 || at.row >= m_slots.size() || at.index < 0)
        return std::nullopt;
    const Slot& s = m_slots[at.row];
    if (at.index < s.textFindings.size()) {
        Finding f = s.textFindings[at.index];
        f.row = at.row;
        return f;
    }
    const qsizetype t = at.index - s.textFindings.size();
    if (t >= s.timingFindings.size())
        return std::nullopt;
    Finding f = s.timingFindings[t];
    f.row = at.row;
    return f;
}

std::optional<FindingCursor> IncrementalChecker::next(FindingCursor from) const {
    const int rows = int(m_slots.size());
    if (rows == 0)
        return std::nullopt;
    int row = std::clamp(from.row, 0, rows - 1);
    int index = from.row < 0 ? -1 : std::max(from.index, -1);
    // Once round every row, and into the starting row again for the findings before the cursor.
    for (int step = 0; step <= rows; ++step) {
        const int count = int(m_slots[row].textFindings.size() + m_slots[row].timingFindings.size());
        if (index + 1 < count)
            return FindingCursor{row, index + 1};
        row = (row + 1) % rows;
        index = -1;
    }
    return std::nullopt;
}

std::optional<FindingCursor> IncrementalChecker::previous(FindingCursor from) const {
    const int rows = int(m_slots.size());
    if (rows == 0)
        return std::nullopt;
    int row = from.row < 0 ? rows - 1 : std::min(from.row, rows - 1);
    auto countOf = [this](int r) {
        return int(m_slots[r].textFindings.size() + m_slots[r].timingFindings.size());
    };
    int index = from.row < 0 ? countOf(row) : std::min(from.index, countOf(row));
    if (index < 0)
        index = 0;
    for (int step = 0; step <= rows; ++step) {
        if (index - 1 >= 0 && index - 1 < countOf(row))
            return FindingCursor{row, index - 1};
        row = (row - 1 + rows) % rows;
        index = countOf(row);
    }
    return std::nullopt;
}
