// The grid's records as a plain core model. Row i shows entry i of the document.
#pragma once

#include <QString>
#include <QVector>
#include <optional>

// Column order of an entry row; also the grid's column indexes.
enum EntryColumn : int {
    kColumnNumber = 0,
    kColumnShow = 1,
    kColumnHide = 2,
    kColumnOriginal = 3,
    kColumnTranslated = 4,
    kColumnCount = 5,
};

struct EntryRow {
    // A row added for a translated entry without an original row has no number (an empty text item).
    std::optional<double> number;
    QString show;
    QString hide;
    QString original;
    QString translated;

    QString text(int column) const;
    friend bool operator==(const EntryRow&, const EntryRow&) = default;
};
// A load of thousands of rows regrows its vector; moved as bytes, no row's strings are touched.
Q_DECLARE_TYPEINFO(EntryRow, Q_RELOCATABLE_TYPE);

// The rows as the grid shows them. Only the session changes them, so that they move with the lists;
// it tells the views what changed (see SessionChange).
class EntryRows {
public:
    int count() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const EntryRow& at(int row) const { return m_rows.at(row); }
    const QVector<EntryRow>& all() const { return m_rows; }
    // Cell text, or an empty string for a row or column that does not exist.
    QString cellText(int row, int column) const;

    void append(const EntryRow& row) { m_rows.append(row); }
    // Taken by value so that a caller can hand its vector over without a copy.
    void appendRows(QVector<EntryRow> rows);
    void clear() { m_rows.clear(); }
    // Sets the text of a text cell (columns 1 to 4); ignored outside the rows.
    void setCell(int row, int column, const QString& text);

    QVector<EntryRow>& items() { return m_rows; }

private:
    QVector<EntryRow> m_rows;
};
