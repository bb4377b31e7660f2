// Table model over the session's entry rows.
#include "app/entry_rows_model.h"

namespace {
struct ColumnSpec {
    const char* caption;
    int width;
};
constexpr ColumnSpec kColumns[kColumnCount] = {
    {"No.", 50}, {"Show", 80}, {"Hide", 80}, {"Original", 345}, {"Translated", 345},
};
} // namespace

EntryRowsModel::EntryRowsModel(SubtitleSession& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session), m_count(session.rows.count()) {
    EntryRows* rows = &m_session.rows;
    connect(rows, &EntryRows::rowsInserted, this, &EntryRowsModel::onRowsInserted);
    connect(rows, &EntryRows::rowsRemoved, this, &EntryRowsModel::onRowsRemoved);
    connect(rows, &EntryRows::cellChanged, this, &EntryRowsModel::onCellChanged);
    connect(rows, &EntryRows::rowsCleared, this, &EntryRowsModel::onRowsCleared);
}

QString EntryRowsModel::columnCaption(int column) {
    return column >= 0 && column < kColumnCount ? QString::fromLatin1(kColumns[column].caption) : QString();
}

int EntryRowsModel::columnWidth(int column) {
    return column >= 0 && column < kColumnCount ? kColumns[column].width : 0;
}

int EntryRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_count;
}

int EntryRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant EntryRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    // Out-of-range reads (while a removal is being announced) give an empty text.
    return m_session.rows.cellText(index.row(), index.column());
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
    if (index.row() >= m_session.rows.count())
        return false;
    OnEditChanged(index.row(), index.column(), value.toString());
    return true;
}

void EntryRowsModel::OnEditChanged(int row, int column, const QString& text) {
    m_session.editCell(row, column, text);
}

void EntryRowsModel::beginBulkChange() {
    if (m_bulkDepth++ == 0)
        beginResetModel();
}

void EntryRowsModel::endBulkChange() {
    if (m_bulkDepth == 0 || --m_bulkDepth > 0)
        return;
    m_count = m_session.rows.count();
    endResetModel();
}

void EntryRowsModel::onRowsInserted(int first, int last) {
    if (m_bulkDepth > 0)
        return;
    beginInsertRows({}, first, last);
    m_count += last - first + 1;
    endInsertRows();
}

void EntryRowsModel::onRowsRemoved(int first, int last) {
    if (m_bulkDepth > 0)
        return;
    beginRemoveRows({}, first, last);
    m_count -= last - first + 1;
    endRemoveRows();
}

void EntryRowsModel::onCellChanged(int row, int column) {
    if (m_bulkDepth > 0)
        return;
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void EntryRowsModel::onRowsCleared() {
    if (m_bulkDepth > 0)
        return;
    beginResetModel();
    m_count = 0;
    endResetModel();
}
