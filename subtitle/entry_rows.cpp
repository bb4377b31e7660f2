// Entry rows with change announcements.
#include "subtitle/entry_rows.h"

QString EntryRow::text(int column) const {
    switch (column) {
    case kColumnNumber:
        return number ? QString::number(*number) : QString();
    case kColumnShow:
        return show;
    case kColumnHide:
        return hide;
    case kColumnOriginal:
        return original;
    case kColumnTranslated:
        return translated;
    default:
        return {};
    }
}

QString EntryRows::cellText(int row, int column) const {
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows[row].text(column);
}

void EntryRows::append(const EntryRow& row) {
    m_rows.append(row);
    emit rowsInserted(count() - 1, count() - 1);
}

void EntryRows::appendRows(QVector<EntryRow> rows) {
    if (rows.isEmpty())
        return;
    const int first = count();
    if (m_rows.isEmpty())
        m_rows = std::move(rows);
    else
        m_rows.append(rows);
    emit rowsInserted(first, count() - 1);
}

void EntryRows::insert(int at, const EntryRow& row) {
    at = std::clamp(at, 0, count());
    m_rows.insert(at, row);
    emit rowsInserted(at, at);
}

void EntryRows::remove(int at, int n) {
    if (at < 0 || n <= 0 || at >= count())
        return;
    n = std::min(n, count() - at);
    m_rows.remove(at, n);
    emit rowsRemoved(at, at + n - 1);
}

void EntryRows::clear() {
    m_rows.clear();
    emit rowsCleared();
}

void EntryRows::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= m_rows.size())
        return;
    EntryRow& r = m_rows[row];
    switch (column) {
    case kColumnShow:
        r.show = text;
        break;
    case kColumnHide:
        r.hide = text;
        break;
    case kColumnOriginal:
        r.original = text;
        break;
    case kColumnTranslated:
        r.translated = text;
        break;
    default:
        return;
    }
    emit cellChanged(row, column);
}

void EntryRows::setNumber(int row, std::optional<double> number) {
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].number = number;
    emit cellChanged(row, kColumnNumber);
}
