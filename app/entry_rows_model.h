// The subtitle grid's model: the session's entry rows as a five-column table. Changes of the
// rows arrive as row and cell signals and leave as the matching model signals, so a view keeps
// its selection and focus across them.
#pragma once

#include "subtitle/subtitle_session.h"

#include <QAbstractTableModel>

class EntryRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit EntryRowsModel(SubtitleSession& session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The end of an in-place edit: the document's list takes the text where it has the row.
    void OnEditChanged(int row, int column, const QString& text);

    // Around an operation that rebuilds the rows wholesale (a load): one reset instead of
    // thousands of single-row inserts.
    void beginBulkChange();
    void endBulkChange();

    static QString columnCaption(int column);
    static int columnWidth(int column);

private:
    void onRowsInserted(int first, int last);
    void onRowsRemoved(int first, int last);
    void onCellChanged(int row, int column);
    void onRowsCleared();

    SubtitleSession& m_session;
    // The row count the views know; the rows change before they announce it.
    int m_count = 0;
    int m_bulkDepth = 0;
};
