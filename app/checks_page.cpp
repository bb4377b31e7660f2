// The list of findings in the Toolbox.
#include "app/checks_page.h"

#include "app/review_controller.h"

#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kFindingRole = Qt::UserRole + 1;
constexpr int kKindRole = Qt::UserRole + 2;
} // namespace

ChecksPage::ChecksPage(ReviewController& review, QWidget* parent) : QWidget(parent), m_review(review) {
    setObjectName(QStringLiteral("checksPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("checksSummary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_spelling = new QLabel(this);
    m_spelling->setObjectName(QStringLiteral("spellingState"));
    m_spelling->setTextFormat(Qt::PlainText);
    m_spelling->setWordWrap(true);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("checksList"));
    m_list->setAccessibleName(QStringLiteral("Problems found"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Problem"), QStringLiteral("Row")});
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    layout->addWidget(m_summary);
    layout->addWidget(m_spelling);
    layout->addWidget(m_list, 1);

    connect(m_list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { activate(item); });
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { activate(item); });
    connect(m_list, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { m_collapsed[item->data(0, kKindRole).toInt()] = true; });
    connect(m_list, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { m_collapsed[item->data(0, kKindRole).toInt()] = false; });
    connect(&m_review, &ReviewController::findingsChanged, this, &ChecksPage::scheduleRebuild);
    connect(&m_review, &ReviewController::spellingChanged, this, &ChecksPage::showSpellingState);
    rebuild();
    showSpellingState();
}

QString ChecksPage::summary() const {
    return m_summary->text();
}

void ChecksPage::showSpellingState() {
    const SpellChecker& speller = m_review.speller();
    m_spelling->setText(
        speller.isEnabled()
            ? QStringLiteral("Spelling: %1").arg(speller.languages().join(QStringLiteral(", ")))
            : speller.disabledReason());
}

void ChecksPage::scheduleRebuild() {
    m_stale = true;
    if (m_scheduled || !isVisible())
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        if (m_stale && isVisible())
            rebuild();
    });
}

void ChecksPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_stale)
        rebuild();
}

void ChecksPage::rebuild() {
    m_stale = false;
    if (m_review.isChecking()) {
        m_summary->setText(QStringLiteral("Checking…"));
        m_list->clear();
        return;
    }
    const QVector<Finding> findings = m_review.checker().findings();
    QSet<int> rows;
    for (const Finding& f : findings)
        rows.insert(f.row);
    m_summary->setText(
        findings.isEmpty()
            ? QStringLiteral("No problems found.")
            : QStringLiteral("%1 problem(s) in %2 row(s)").arg(findings.size()).arg(rows.size()));

    m_list->setUpdatesEnabled(false);
    m_list->clear();
    QTreeWidgetItem* groups[kCheckKindCount] = {};
    const std::array<int, kCheckKindCount> counts = m_review.checker().countsByKind();
    for (int kind = 0; kind < kCheckKindCount; ++kind) {
        if (counts[kind] == 0)
            continue;
        auto* group = new QTreeWidgetItem(m_list);
        group->setText(0, QStringLiteral("%1 (%2)").arg(checkKindName(CheckKind(kind))).arg(counts[kind]));
        group->setData(0, kKindRole, kind);
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        group->setFirstColumnSpanned(false);
        groups[kind] = group;
    }
    QList<QTreeWidgetItem*> children[kCheckKindCount];
    for (const Finding& f : findings) {
        if (children[int(f.kind)].size() >= kMostListedPerKind)
            continue;
        auto* item = new QTreeWidgetItem;
        item->setText(0, f.message);
        item->setToolTip(0, f.message);
        item->setText(1, QString::number(f.row + 1));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, kFindingRole, QVariant::fromValue(f));
        children[int(f.kind)].append(item);
    }
    for (int kind = 0; kind < kCheckKindCount; ++kind) {
        if (!groups[kind])
            continue;
        groups[kind]->addChildren(children[kind]);
        if (const int more = counts[kind] - int(children[kind].size()); more > 0) {
            auto* rest = new QTreeWidgetItem(groups[kind]);
            rest->setText(0, QStringLiteral("… and %1 more: F8 walks through them all").arg(more));
            rest->setFlags(Qt::ItemIsEnabled);
        }
        groups[kind]->setExpanded(!m_collapsed[kind]);
    }
    m_list->setUpdatesEnabled(true);
}

void ChecksPage::activate(QTreeWidgetItem* item) {
    const QVariant data = item ? item->data(0, kFindingRole) : QVariant();
    if (data.canConvert<Finding>() && data.isValid())
        emit findingActivated(data.value<Finding>());
}
