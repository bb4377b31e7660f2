// Entry rows.
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

void EntryRows::appendRows(QVector<EntryRow> rows) {
    if (m_rows.isEmpty())
        m_rows = std::move(rows);
    else
        m_rows.append(rows);
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
}
