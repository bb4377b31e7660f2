// The Library dialog.
#include "app/view_voca_lib.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

CViewVocaLib::CViewVocaLib(LibraryMode mode, const std::vector<DictionaryRecord>& records, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_list(new QTableWidget(this)) {
    setWindowTitle(QStringLiteral("Library"));
    setObjectName(QStringLiteral("library"));

    const QStringList columns = libraryColumns(mode);
    const QVector<QStringList> rows = libraryRows(records, mode);
    m_list->setObjectName(QStringLiteral("libraryList"));
    m_list->setColumnCount(int(columns.size()));
    m_list->setHorizontalHeaderLabels(columns);
    m_list->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            m_list->setItem(r, c, item);
        }
    const QList<int> widths =
        mode == LibraryMode::Vocabulary ? QList<int>{50, 220, 220} : QList<int>{50, 500};
    for (int c = 0; c < widths.size(); ++c)
        m_list->setColumnWidth(c, widths[c]);
    m_list->verticalHeader()->hide();
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(mode == LibraryMode::Vocabulary ? 540 : 600, 320);
}
