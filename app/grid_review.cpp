// The review's marks in the grid.
#include "app/grid_review.h"

#include "app/entry_rows_model.h"
#include "app/report_view.h"
#include "app/review_controller.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QSyntaxHighlighter>
#include <QTextLayout>
#include <algorithm>

namespace {

constexpr int kMarkSize = 7;
const QColor kTooFast(0xc0, 0x1c, 0x28);

QString tooltipOf(const QVector<Finding>& findings, int column) {
    QStringList lines;
    for (const Finding& f : findings)
        if (findingShownIn(f, column) && !lines.contains(f.message))
            lines.append(f.message);
    // Plain text: messages quote the user's words.
    return lines.isEmpty() ? QString() : lines.join(u'\n');
}

void paintWave(QPainter* painter, qreal left, qreal right, qreal y) {
    QPainterPath wave;
    wave.moveTo(left, y);
    bool up = true;
    for (qreal x = left + 2; x <= right + 0.5; x += 2, up = !up)
        wave.lineTo(x, up ? y - 2 : y);
    painter->drawPath(wave);
}

// Dotted, and in the glossary's colour: a term is a hint where a misspelt word is a fault.
void paintGlossaryTerms(const ReviewController& review, QPainter* painter,
                        const QStyleOptionViewItem& option) {
    const QList<GlossaryHit> hits = review.glossaryHits(option.text);
    if (hits.isEmpty())
        return;
    painter->save();
    QPen pen(findingColour(CheckKind::Glossary), 1.5, Qt::DotLine);
    painter->setPen(pen);
    for (const GlossaryHit& hit : hits)
        for (const QRectF& span : textSpanRects(option, hit.start, hit.length))
            painter->drawLine(QPointF(span.left(), span.bottom() - 1),
                              QPointF(span.right(), span.bottom() - 1));
    painter->restore();
}

void paintOverlay(const ReviewController& review, QPainter* painter, const QStyleOptionViewItem& option,
                  const QModelIndex& index) {
    const int row = index.row();
    const IncrementalChecker& checker = review.checker();
    if (index.column() == kColumnOriginal)
        paintGlossaryTerms(review, painter, option);
    if (!checker.hasFindings(row))
        return;
    const int column = index.column();
    const QVector<Finding> findings = checker.findingsOf(row);
    const Finding* marked = nullptr;
    for (const Finding& f : findings)
        if (findingShownIn(f, column) && (!marked || f.kind < marked->kind))
            marked = &f;
    if (!marked)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect r = option.rect;
    painter->setPen(Qt::NoPen);
    painter->setBrush(findingColour(marked->kind));
    painter->drawPolygon(
        QPolygon({r.topRight() - QPoint(kMarkSize, 0), r.topRight(), r.topRight() + QPoint(0, kMarkSize)}));
    if (column == kColumnTranslated) {
        painter->setPen(QPen(findingColour(CheckKind::Spelling), 1));
        painter->setBrush(Qt::NoBrush);
        for (const Finding& f : findings) {
            if (f.kind != CheckKind::Spelling || f.side != FindingSide::Translated || f.length <= 0)
                continue;
            for (const QRectF& span : textSpanRects(option, f.start, f.length))
                paintWave(painter, span.left(), span.right(), span.bottom() - 1);
        }
    }
    painter->restore();
}

QVariant reviewData(const ReviewController& review, int row, int column, int role) {
    const IncrementalChecker& checker = review.checker();
    if (column == kColumnCps) {
        const std::optional<double> speed = checker.readingSpeedOf(row);
        if (!speed)
            return {};
        if (role == Qt::DisplayRole)
            return QString::number(*speed, 'f', 1);
        if (role == Qt::ForegroundRole && review.isTooFast(*speed))
            return kTooFast;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    if (role != Qt::ToolTipRole)
        return {};
    QString tip = checker.hasFindings(row) ? tooltipOf(checker.findingsOf(row), column) : QString();
    if (column == kColumnOriginal && !review.glossaryTerms().isEmpty()) {
        const QStringList notes = review.glossaryNotes(review.originalText(row));
        if (!notes.isEmpty())
            tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + notes.join(u'\n');
    }
    return tip.isEmpty() ? QVariant() : QVariant(tip);
}

// Misspelt words underlined as the user types in a Translated cell's editor.
class SpellingHighlighter : public QSyntaxHighlighter {
public:
    SpellingHighlighter(const ReviewController& review, QTextDocument* document)
        : QSyntaxHighlighter(document), m_review(review) {
        m_format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
        m_format.setUnderlineColor(findingColour(CheckKind::Spelling));
    }

protected:
    void highlightBlock(const QString& text) override {
        const SpellChecker& speller = m_review.speller();
        if (!speller.isEnabled())
            return;
        for (const TextSpan& word : speller.misspeltWords(text))
            setFormat(word.start, word.length, m_format);
    }

private:
    const ReviewController& m_review;
    QTextCharFormat m_format;
};

struct Misspelt {
    Finding finding;
    QString word;
};

QVector<Misspelt> misspeltWords(const ReviewController& review, int row, const QString& text) {
    QVector<Misspelt> words;
    for (const Finding& f : review.checker().findingsOf(row)) {
        if (f.kind != CheckKind::Spelling || f.side != FindingSide::Translated || f.length <= 0 ||
            f.start + f.length > text.size())
            continue;
        const QString word = text.mid(f.start, f.length);
        if (std::none_of(words.begin(), words.end(), [&](const Misspelt& m) { return m.word == word; }))
            words.append({f, word});
    }
    return words;
}

} // namespace

QColor findingColour(CheckKind kind) {
    if (kind == CheckKind::Spelling)
        return QColor(0x1c, 0x71, 0xd8);
    if (kind == CheckKind::Glossary)
        return QColor(0x81, 0x3d, 0x9c);
    if (kind >= CheckKind::EmptyTranslation)
        return QColor(0xc0, 0x1c, 0x28);
    return QColor(0xe6, 0x61, 0x00);
}

bool findingShownIn(const Finding& finding, int column) {
    if (finding.side == FindingSide::Times)
        return column == kColumnNumber || column == kColumnShow || column == kColumnHide;
    return findingColumn(finding.side) == column;
}

QVector<QRectF> textSpanRects(const QStyleOptionViewItem& option, int start, int length) {
    // As QCommonStyle lays out an item's text: its text rectangle less the focus margin, the text
    // wrapped at words, the block aligned as the item says.
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget).adjusted(margin, 0, -margin, 0);
    QString text = option.text;
    text.replace(u'\n', QChar::LineSeparator);
    QTextOption textOption;
    textOption.setWrapMode((option.features & QStyleOptionViewItem::WrapText)
                               ? QTextOption::WrapAtWordBoundaryOrAnywhere
                               : QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(QStyle::visualAlignment(option.direction, option.displayAlignment));
    QTextLayout layout(text, option.font);
    layout.setTextOption(textOption);
    layout.beginLayout();
    qreal height = 0;
    qreal widthUsed = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
        widthUsed = std::max(widthUsed, line.naturalTextWidth());
    }
    layout.endLayout();
    const QRect block = QStyle::alignedRect(option.direction, option.displayAlignment,
                                            QSizeF(widthUsed, height).toSize(), textRect);
    QVector<QRectF> rects;
    const int end = start + length;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const int from = std::max(start, line.textStart());
        const int to = std::min(end, line.textStart() + line.textLength());
        if (from >= to)
            continue;
        const qreal left = line.cursorToX(from);
        const qreal right = line.cursorToX(to);
        const QRectF rect(block.left() + std::min(left, right), block.top() + line.y(),
                          std::abs(right - left), line.ascent() + 3);
        // Lines the cell cannot show are not marked.
        if (rect.top() < option.rect.bottom())
            rects.append(rect);
    }
    return rects;
}

QMenu* spellingMenu(CReportView& grid, ReviewController& review,
                    const std::function<void(const UserMessage&)>& tell, const QModelIndex& index) {
    if (!index.isValid() || index.column() != kColumnTranslated)
        return nullptr;
    const int row = index.row();
    const QString text = index.data(Qt::EditRole).toString();
    const QVector<Misspelt> words = misspeltWords(review, row, text);
    if (words.isEmpty())
        return nullptr;
    auto* menu = new QMenu(&grid);
    menu->setObjectName(QStringLiteral("spellingMenu"));
    for (const Misspelt& m : words) {
        // Several misspelt words each get a sub-menu; one word lists its suggestions at once.
        QMenu* into = words.size() > 1 ? menu->addMenu(m.word) : menu;
        const QStringList suggestions = review.speller().suggestions(m.word);
        for (const QString& s : suggestions) {
            QAction* action = into->addAction(s);
            QObject::connect(action, &QAction::triggered, &grid, [&grid, row, m, s, text] {
                // The cell must still hold the text the menu was built from.
                EntryRowsModel* model = grid.rowsModel();
                if (model->index(row, kColumnTranslated).data(Qt::EditRole).toString() != text)
                    return;
                model->OnEditChanged(row, kColumnTranslated,
                                     QString(text).replace(m.finding.start, m.finding.length, s));
            });
        }
        if (suggestions.isEmpty())
            into->addAction(QStringLiteral("No suggestions"))->setEnabled(false);
        into->addSeparator();
        QAction* add = into->addAction(QStringLiteral("Add \"%1\" to My Words").arg(m.word));
        QObject::connect(add, &QAction::triggered, &grid, [&review, tell, word = m.word] {
            if (std::optional<UserMessage> problem = review.addToMyWords(word); problem && tell)
                tell(*problem);
        });
    }
    return menu;
}

void attachGridReview(CReportView& grid, ReviewController& review,
                      std::function<void(const UserMessage&)> tell) {
    EntryRowsModel* model = grid.rowsModel();
    model->setCellReview(
        [&review](int row, int column, int role) { return reviewData(review, row, column, role); });
    grid.setCellOverlay(
        [&review](QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) {
            paintOverlay(review, painter, option, index);
        });
    grid.setEditorHook([&review](QPlainTextEdit* editor, const QModelIndex& index) {
        if (index.column() == kColumnTranslated)
            new SpellingHighlighter(review, editor->document());
    });
    grid.setColumnWidth(kColumnCps, EntryRowsModel::columnWidth(kColumnCps));
    grid.setColumnHidden(kColumnCps, !review.showsCpsColumn());
    QObject::connect(&review, &ReviewController::cpsColumnShown, &grid,
                     [&grid](bool shown) { grid.setColumnHidden(kColumnCps, !shown); });
    // The view asks the model at every paint: a repaint shows the new marks, without telling every
    // model follower of a change in the rows.
    QObject::connect(&review, &ReviewController::findingsChanged, &grid,
                     [&grid] { grid.viewport()->update(); });
    grid.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&grid, &QWidget::customContextMenuRequested, &grid,
                     [&grid, &review, tell = std::move(tell)](const QPoint& at) {
                         QMenu* menu = spellingMenu(grid, review, tell, grid.indexAt(at));
                         if (!menu)
                             return;
                         menu->setAttribute(Qt::WA_DeleteOnClose);
                         menu->popup(grid.viewport()->mapToGlobal(at));
                     });
}
