// Table model over the session's entry rows.
#include "app/entry_rows_model.h"

#include <QColor>
#include <algorithm>
#include <utility>

namespace {
struct ColumnSpec {
    const char* caption;
    int width;
};
constexpr ColumnSpec kColumns[kGridColumnCount] = {
    {"No.", 50}, {"Show", 80}, {"Hide", 80}, {"Original", 345}, {"Translated", 345}, {"CPS", 50},
};
} // namespace

EntryRowsModel::EntryRowsModel(SubtitleSession& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session), m_count(session.rowCount()) {
    m_session.setRowsObserver(this);
}

EntryRowsModel::~EntryRowsModel() {
    m_session.setRowsObserver(nullptr);
}

QString EntryRowsModel::columnCaption(int column) {
    return column >= 0 && column < kGridColumnCount ? QString::fromLatin1(kColumns[column].caption)
                                                    : QString();
}

int EntryRowsModel::columnWidth(int column) {
    return column >= 0 && column < kGridColumnCount ? kColumns[column].width : 0;
}

int EntryRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_count;
}

int EntryRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumnCount;
}

namespace {
int linesOf(const QString& text) {
    const qsizetype breaks = text.count(u'\n');
    return int(1 + breaks - (text.endsWith(u'\n') ? 1 : 0));
}
} // namespace

int EntryRowsModel::rowLines(int row) const {
    return std::max(linesOf(m_session.rows().cellText(row, kColumnOriginal)),
                    linesOf(m_session.rows().cellText(row, kColumnTranslated)));
}

QVariant EntryRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (m_review && index.row() < m_session.rowCount()) {
        if (QVariant shown = m_review(index.row(), index.column(), role); shown.isValid()) {
            // A text cell's findings come first, then its whole text as the row may not show it.
            const bool textCell = index.column() == kColumnOriginal || index.column() == kColumnTranslated;
            if (role == Qt::ToolTipRole && textCell) {
                const QString text = m_session.rows().cellText(index.row(), index.column());
                if (!text.isEmpty())
                    return shown.toString() + QStringLiteral("\n\n") + text;
            }
            return shown;
        }
    }
    if (index.column() == kColumnTranslated && m_tagMarks.contains(index.row())) {
        if (role == Qt::ToolTipRole)
            return QStringLiteral("The engine lost or moved a tag of this line: it was put back at the start "
                                  "or end. Check where it belongs.\n\n") +
                   m_session.rows().cellText(index.row(), index.column());
        if (role == Qt::BackgroundRole)
            return QColor(255, 228, 181);
    }
    if (role == Qt::ToolTipRole) {
        if (index.column() != kColumnOriginal && index.column() != kColumnTranslated)
            return {};
        const QString text = m_session.rows().cellText(index.row(), index.column());
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    // Out-of-range reads (while a removal is being announced) give an empty text.
    return m_session.rows().cellText(index.row(), index.column());
}

QVariant EntryRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags EntryRowsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kColumnOriginal || index.column() == kColumnTranslated)
        f |= Qt::ItemIsEditable;
    return f;
}

bool EntryRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (index.row() >= m_session.rowCount())
        return false;
    OnEditChanged(index.row(), index.column(), value.toString());
    return true;
}

void EntryRowsModel::OnEditChanged(int row, int column, const QString& text) {
    if (m_editor)
        m_editor(row, column, text);
    else
        apply(m_session.setTextCell(row, column, text));
}

void EntryRowsModel::beginBulkChange() {
    if (m_bulkDepth++ == 0) {
        m_tagMarks.clear();
        beginResetModel();
    }
}

void EntryRowsModel::markForReview(const QList<int>& rows) {
    for (int row : rows) {
        m_tagMarks.insert(row);
        emit dataChanged(index(row, kColumnTranslated), index(row, kColumnTranslated));
    }
}

void EntryRowsModel::clearReviewMarks() {
    const QSet<int> marked = std::exchange(m_tagMarks, {});
    for (int row : marked)
        emit dataChanged(index(row, kColumnTranslated), index(row, kColumnTranslated));
}

namespace {
// The marks of rows after `first` move by `by` (negative for a removal); those inside a removed
// block go with their rows.
QSet<int> shifted(const QSet<int>& marks, int first, int removedUpTo, int by) {
    QSet<int> moved;
    for (int row : marks) {
        if (row < first)
            moved.insert(row);
        else if (row > removedUpTo)
            moved.insert(row + by);
    }
    return moved;
}
} // namespace

void EntryRowsModel::endBulkChange() {
    if (m_bulkDepth == 0 || --m_bulkDepth > 0)
        return;
    m_count = m_session.rowCount();
    endResetModel();
}

// A load rebuilds the rows in a bulk change, whose reset stands for every move inside it.
void EntryRowsModel::rowsAboutToBeInserted(int first, int last) {
    if (m_bulkDepth > 0)
        return;
    m_tagMarks = shifted(m_tagMarks, first, first - 1, last - first + 1);
    beginInsertRows({}, first, last);
}

void EntryRowsModel::rowsInserted() {
    if (m_bulkDepth > 0)
        return;
    m_count = m_session.rowCount();
    endInsertRows();
}

void EntryRowsModel::rowsAboutToBeRemoved(int first, int last) {
    if (m_bulkDepth > 0)
        return;
    m_tagMarks = shifted(m_tagMarks, first, last, -(last - first + 1));
    beginRemoveRows({}, first, last);
}

void EntryRowsModel::rowsRemoved() {
    if (m_bulkDepth > 0)
        return;
    m_count = m_session.rowCount();
    endRemoveRows();
}

void EntryRowsModel::rowsAboutToBeReset() {
    if (m_bulkDepth > 0)
        return;
    m_tagMarks.clear();
    beginResetModel();
}

void EntryRowsModel::rowsReset() {
    if (m_bulkDepth > 0)
        return;
    m_count = m_session.rowCount();
    endResetModel();
    m_resetSinceApply = true;
}

void EntryRowsModel::apply(const SessionChange& change) {
    if (m_bulkDepth > 0)
        return;
    // The views read every row anew after a reset: the cells it changed need no word of their own.
    if (std::exchange(m_resetSinceApply, false) && m_count == m_session.rowCount())
        return;
    // Had anything moved rows without the session announcing it, start over rather than let the
    // views read rows that are not there.
    if (m_count != m_session.rowCount()) {
        beginResetModel();
        m_count = m_session.rowCount();
        endResetModel();
        return;
    }
    if (change.firstChangedRow < 0 || change.columns == 0 || change.lastChangedRow >= m_count)
        return;
    int left = 0, right = kColumnCount - 1;
    while (!(change.columns & columnBit(left)))
        ++left;
    while (!(change.columns & columnBit(right)))
        --right;
    emit dataChanged(index(change.firstChangedRow, left), index(change.lastChangedRow, right),
                     {Qt::DisplayRole, Qt::EditRole});
}
