// The subtitle grid's view.
#include "app/report_view.h"

#include "app/entry_rows_model.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

// The in-place editor of a text cell shows an entry's lines as lines. Enter ends the edit, as in
// a line edit; Shift+Enter breaks the line the way the document's format saves a break.
class CellTextEdit : public QPlainTextEdit {
public:
    CellTextEdit(QString lineBreak, QWidget* parent)
        : QPlainTextEdit(parent), m_lineBreak(std::move(lineBreak)) {
        setObjectName(QStringLiteral("cellEditor"));
        setFrameShape(QFrame::Box);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setTabChangesFocus(true);
        connect(this, &QPlainTextEdit::textChanged, this, [this] { fitHeight(); });
    }
    std::function<void()> onFinished;

    // Over the cell, and as tall as the entry's lines need (up to six), never past the grid's
    // bottom.
    void place(const QRect& cell) {
        m_cell = cell;
        fitHeight();
    }

    // The text as typed. The document keeps non-breaking spaces only in its raw text, and marks
    // each line's end with a paragraph separator there.
    QString text() const {
        QString raw = document()->toRawText();
        raw.replace(QChar::ParagraphSeparator, u'\n');
        raw.replace(QChar::LineSeparator, u'\n');
        return raw;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (event->modifiers() & Qt::ShiftModifier)
                insertPlainText(m_lineBreak);
            else if (onFinished)
                onFinished();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }

private:
    void fitHeight() {
        if (m_cell.isNull())
            return;
        const int lines = std::clamp(int(document()->blockCount()), 1, 6);
        const int wanted = lines * fontMetrics().lineSpacing() + 2 * int(document()->documentMargin()) +
                           2 * frameWidth() + 2;
        int height = std::max(wanted, m_cell.height());
        if (const QWidget* area = parentWidget())
            height = std::min(height, std::max(m_cell.height(), area->height() - m_cell.top()));
        setGeometry(m_cell.x(), m_cell.y(), m_cell.width(), height);
    }

    QString m_lineBreak;
    QRect m_cell;
};

class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(const SubtitleSession& session, QObject* parent)
        : QStyledItemDelegate(parent), m_session(session) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* editor = new CellTextEdit(typedLineBreak(m_session.document().formatMode), parent);
        auto* self = const_cast<CellDelegate*>(this);
        editor->onFinished = [self, editor] {
            emit self->commitData(editor);
            emit self->closeEditor(editor, QAbstractItemDelegate::NoHint);
        };
        if (editorHook)
            editorHook(editor, index);
        return editor;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = static_cast<CellTextEdit*>(editor);
        edit->setPlainText(index.data(Qt::EditRole).toString());
        // As in a line edit: what is typed at once replaces the text.
        edit->selectAll();
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<CellTextEdit*>(editor)->text(), Qt::EditRole);
    }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        static_cast<CellTextEdit*>(editor)->place(option.rect);
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (overlay) {
            QStyleOptionViewItem drawn = option;
            initStyleOption(&drawn, index);
            overlay(painter, drawn, index);
        }
        if (option.state & QStyle::State_HasFocus)
            paintCurrentCell(painter, option);
    }

    CReportView::CellOverlay overlay;
    CReportView::EditorHook editorHook;

private:
    // Whole rows are selected, so the selection alone does not say which cell F2 or typing would
    // edit: that cell gets a frame, in the colour that stands out on the row's background.
    static void paintCurrentCell(QPainter* painter, const QStyleOptionViewItem& option) {
        const bool selected = option.state & QStyle::State_Selected;
        const QColor colour = option.palette.color(QPalette::Active, selected ? QPalette::HighlightedText
                                                                              : QPalette::Highlight);
        const QRect r = option.rect;
        constexpr int kWidth = 2;
        painter->fillRect(QRect(r.left(), r.top(), r.width(), kWidth), colour);
        painter->fillRect(QRect(r.left(), r.bottom() - kWidth + 1, r.width(), kWidth), colour);
        painter->fillRect(QRect(r.left(), r.top(), kWidth, r.height()), colour);
        painter->fillRect(QRect(r.right() - kWidth + 1, r.top(), kWidth, r.height()), colour);
    }

    const SubtitleSession& m_session;
};

} // namespace

CReportView::CReportView(SubtitleSession& session, QWidget* parent)
    : QTableView(parent), m_model(new EntryRowsModel(session, this)) {
    setObjectName(QStringLiteral("subtitleGrid"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A click only selects (also a click inside a selection of several rows); double-click, F2 or
    // typing opens the editor.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    // Tab leaves the grid like any other control; the arrows move from cell to cell.
    setTabKeyNavigation(false);
    setWordWrap(true);
    setAlternatingRowColors(false);
    setItemDelegate(new CellDelegate(session, this));
    setFont(QApplication::font("QAbstractItemView"));
    verticalHeader()->hide();
    // Most entries have two lines, the height every row starts with; the few longer ones grow.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(rowHeightFor(2));
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The widths are the least each column gets; the time columns widen to show a whole time
    // in the font this desktop gives the grid.
    const int timeWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00,000")) + 12;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        int width = EntryRowsModel::columnWidth(c);
        if (c == kColumnShow || c == kColumnHide)
            width = std::max(width, timeWidth);
        setColumnWidth(c, width);
    }
    // Show and Hide are for the Timings tab only.
    setColumnHidden(1, true);
    setColumnHidden(2, true);
    horizontalHeader()->setStretchLastSection(false);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { scheduleFocusChange(true); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { scheduleFocusChange(false); });
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { fitRowHeights(0, m_model->rowCount() - 1); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { fitRowHeights(first, last); });
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                if (from.column() <= kColumnTranslated && to.column() >= kColumnOriginal)
                    fitRowHeights(from.row(), to.row());
            });
    // A reset or a removal can drop the selection without a selection signal.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { scheduleFocusChange(false); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { scheduleFocusChange(false); });
}

int CReportView::focusedRow() const {
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void CReportView::setFocusedRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex i = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(i);
}

void CReportView::selectRows(const QList<int>& rows, int focus) {
    const int count = m_model->rowCount();
    QItemSelection selection;
    // Runs of consecutive rows become one range each: selecting 5,000 rows is one range, not 5,000.
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        if (rows[i] >= 0 && rows[j] < count)
            selection.select(m_model->index(rows[i], 0), m_model->index(rows[j], m_model->columnCount() - 1));
        i = j + 1;
    }
    if (focus >= 0 && focus < count) {
        const QModelIndex current = m_model->index(focus, 0);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        scrollTo(current);
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

int CReportView::selectedRowCount() const {
    return int(selectionModel()->selectedRows().size());
}

QList<int> CReportView::selectedRowIndexes() const {
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CReportView::rowHeightFor(int lines) const {
    return fontMetrics().lineSpacing() * std::clamp(lines, 2, kMaxRowLines) + 6;
}

void CReportView::fitRowHeights(int first, int last) {
    QHeaderView* rows = verticalHeader();
    const int normal = rows->defaultSectionSize();
    // Without updates the header does not place every section anew after each resize.
    rows->setUpdatesEnabled(false);
    for (int row = std::max(first, 0); row <= last && row < m_model->rowCount(); ++row) {
        const int lines = m_model->rowLines(row);
        const int height = lines > 2 ? rowHeightFor(lines) : normal;
        if (rows->sectionSize(row) != height)
            rows->resizeSection(row, height);
    }
    rows->setUpdatesEnabled(true);
}

void CReportView::scheduleFocusChange(bool focusMoved) {
    m_focusMoved = m_focusMoved || focusMoved;
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, &CReportView::flushFocusChange);
}

void CReportView::flushFocusChange() {
    const bool moved = m_focusMoved;
    m_pending = false;
    m_focusMoved = false;
    emit gridFocusChanged(moved);
}

void CReportView::setCellOverlay(CellOverlay overlay) {
    static_cast<CellDelegate*>(itemDelegate())->overlay = std::move(overlay);
    viewport()->update();
}

void CReportView::setEditorHook(EditorHook hook) {
    static_cast<CellDelegate*>(itemDelegate())->editorHook = std::move(hook);
}

void CReportView::commitOpenEditor() {
    if (state() != QAbstractItemView::EditingState)
        return;
    if (auto* editor = viewport()->findChild<CellTextEdit*>(QStringLiteral("cellEditor"))) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void CReportView::setColumnHidden(int column, bool hide) {
    QTableView::setColumnHidden(column, hide);
    fitTextColumns();
}

void CReportView::fitTextColumns() {
    // Original and Translated share what the other columns leave of the width, each at least
    // its own width, so that a wide window is not half empty.
    int others = 0;
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (c != kColumnOriginal && c != kColumnTranslated && !isColumnHidden(c))
            others += columnWidth(c);
    const int available = viewport()->width() - others;
    const int each = std::max(EntryRowsModel::columnWidth(kColumnOriginal), available / 2);
    setColumnWidth(kColumnOriginal, each);
    setColumnWidth(kColumnTranslated,
                   std::max(EntryRowsModel::columnWidth(kColumnTranslated), available - each));
}

void CReportView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitTextColumns();
}

QModelIndex CReportView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    const QModelIndex next = QTableView::moveCursor(cursorAction, modifiers);
    // Scrolling by pixels can leave the last row half under the edge; ask for it whole.
    if (cursorAction == MoveEnd && next.isValid())
        QTimer::singleShot(0, this, [this, row = next.row()] {
            if (row < m_model->rowCount())
                scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtBottom);
        });
    return next;
}
