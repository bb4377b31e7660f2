// The subtitle grid: entry rows in five columns, several rows selectable, one focused.
#pragma once

#include <QTableView>
#include <functional>

class EntryRowsModel;
class QPlainTextEdit;
class SubtitleSession;

class CReportView : public QTableView {
    Q_OBJECT
public:
    explicit CReportView(SubtitleSession& session, QWidget* parent = nullptr);

    EntryRowsModel* rowsModel() const { return m_model; }
    // The focused row, or -1.
    int focusedRow() const;
    void setFocusedRow(int row);
    int selectedRowCount() const;
    QList<int> selectedRowIndexes() const;
    // Selects exactly these rows and makes `focus` the focused row (kept selected), shown in view.
    void selectRows(const QList<int>& rows, int focus);
    // Hides or shows a column; Original and Translated then share the width anew.
    void setColumnHidden(int column, bool hide);
    void fitTextColumns();
    // Drawn over each cell after its text, with the cell's style options as its text was drawn.
    using CellOverlay = std::function<void(QPainter*, const QStyleOptionViewItem&, const QModelIndex&)>;
    void setCellOverlay(CellOverlay overlay);
    // Called with each in-place editor as it opens, for what it shows beyond the text.
    using EditorHook = std::function<void(QPlainTextEdit* editor, const QModelIndex& index)>;
    void setEditorHook(EditorHook hook);
    // Rows grow with their entries' lines, from two up to kMaxRowLines; longer entries end in "…".
    static constexpr int kMaxRowLines = 4;
    int rowHeightFor(int lines) const;
    // Ends an in-place edit that is still open, keeping what was typed, as Enter would.
    void commitOpenEditor();

signals:
    // The focused row or the selection changed. Sent once the view has settled (a click moves
    // the focus before it updates the selection), with whether the focused row itself moved.
    void gridFocusChanged(bool focusMoved);

protected:
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    // Heights from line counts, not from laying out each row's text: a 4000-row load stays cheap.
    void fitRowHeights(int first, int last);
    void scheduleFocusChange(bool focusMoved);
    void flushFocusChange();

    EntryRowsModel* m_model;
    bool m_pending = false;
    bool m_focusMoved = false;
};
