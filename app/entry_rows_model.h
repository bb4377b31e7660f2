// The subtitle grid's model: the session's entry rows as a five-column table. Rows that come or go
// are announced as the session moves them, before and after, so that the views never read a row
// that is not there; the cells an edit changed follow in one dataChanged over the changed block.
// So a view keeps its selection and focus, and a command over thousands of rows costs one redraw.
// The text cells carry their whole text as a tooltip, for entries longer than a row shows.
#pragma once

#include "subtitle/subtitle_session.h"

#include <QAbstractTableModel>
#include <QSet>
#include <functional>

// The review's column, after the five of the rows: characters per second of what is read.
inline constexpr int kColumnCps = kColumnCount;
inline constexpr int kGridColumnCount = kColumnCount + 1;

class EntryRowsModel : public QAbstractTableModel, private RowsObserver {
    Q_OBJECT
public:
    // The session outlives the model, which observes its rows until it goes.
    explicit EntryRowsModel(SubtitleSession& session, QObject* parent = nullptr);
    ~EntryRowsModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The end of an in-place edit: the document's list takes the text where it has the row.
    void OnEditChanged(int row, int column, const QString& text);
    // Who carries out an in-place edit; by default the session, with this model following.
    using CellEditor = std::function<void(int row, int column, const QString& text)>;
    void setCellEditor(CellEditor editor) { m_editor = std::move(editor); }

    // What the review shows in the cells (the CPS column, the findings' tooltips); an invalid
    // answer leaves the role to the model.
    using CellReview = std::function<QVariant(int row, int column, int role)>;
    void setCellReview(CellReview review) { m_review = std::move(review); }

    // Follows the cells a change of the session changed; its rows were announced as they moved.
    void apply(const SessionChange& change);

    // Around an operation that rebuilds the rows wholesale (a load): one reset instead of
    // thousands of single-row inserts.
    void beginBulkChange();
    void endBulkChange();

    // How many lines the row's Original and Translated texts take, the longer of the two; a text
    // without a line break is one line.
    int rowLines(int row) const;

    // Rows whose tags a translation put back out of place: their Translated cell is tinted and its
    // tooltip says why, until a new job starts (marks follow inserted and removed rows).
    void markForReview(const QList<int>& rows);
    void clearReviewMarks();
    bool markedForReview(int row) const { return m_tagMarks.contains(row); }

    static QString columnCaption(int column);
    static int columnWidth(int column);

private:
    void rowsAboutToBeInserted(int first, int last) override;
    void rowsInserted() override;
    void rowsAboutToBeRemoved(int first, int last) override;
    void rowsRemoved() override;
    void rowsAboutToBeReset() override;
    void rowsReset() override;

    SubtitleSession& m_session;
    CellEditor m_editor;
    CellReview m_review;
    // The row count the views know; the rows change before they announce it.
    int m_count = 0;
    int m_bulkDepth = 0;
    bool m_resetSinceApply = false; // a step started the rows over since the last apply()
    QSet<int> m_tagMarks;
};
