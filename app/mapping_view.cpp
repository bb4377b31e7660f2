// The "Mapping Text" page.
#include "app/mapping_view.h"

#include <QEvent>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

CCusFormView::CCusFormView(QWidget* parent) : QWidget(parent), m_edit(new QTextEdit(this)) {
    setObjectName(QStringLiteral("mappingPage"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    m_edit->setObjectName(QStringLiteral("mappingEdit"));
    m_edit->setAccessibleName(QStringLiteral("Mapping Text"));
    m_edit->setLineWrapMode(QTextEdit::NoWrap);
    m_edit->setAcceptRichText(true);
    m_edit->setFrameShape(QFrame::Box);
    m_edit->setLineWidth(1);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit);
}

void CCusFormView::setRunsSource(std::function<QVector<MappingRun>()> source) {
    m_source = std::move(source);
    m_dirty = true;
    if (isVisible())
        render();
}

QTextEdit* CCusFormView::richEdit() {
    if (m_dirty)
        render();
    return m_edit;
}

void CCusFormView::showEvent(QShowEvent* event) {
    if (m_dirty)
        render();
    QWidget::showEvent(event);
}

void CCusFormView::changeEvent(QEvent* event) {
    // A theme switched to dark (or back) gives the runs other colours.
    if (event->type() == QEvent::PaletteChange) {
        m_dirty = true;
        if (isVisible())
            render();
    }
    QWidget::changeEvent(event);
}

void CCusFormView::render() {
    m_dirty = false;
    // Built off-screen and swapped in: one layout pass instead of one per inserted run.
    auto* document = new QTextDocument(m_edit);
    document->setDefaultFont(m_edit->font());
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    const std::uint32_t page = m_edit->palette().color(QPalette::Base).rgb() & 0xFFFFFFu;
    const QVector<MappingRun> runs = m_source ? m_source() : QVector<MappingRun>();
    for (const MappingRun& run : runs) {
        QTextCharFormat format;
        format.setFontPointSize(run.sizeTwips / 20.0);
        format.setForeground(QColor::fromRgb(QRgb(0xFF000000u | readableOn(run.rgb, page))));
        // A "\r\n" pair is one line end; either character alone would also start a block.
        QString text = run.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        cursor.insertText(text, format);
    }
    cursor.endEditBlock();
    // The editor deletes a previous document that is its child.
    m_edit->setDocument(document);
    m_edit->moveCursor(QTextCursor::Start);
}
