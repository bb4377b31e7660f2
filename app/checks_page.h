// The Toolbox's "Checks" page: the findings grouped by kind with their counts, the state of the
// spelling check, and a click that leads to the finding's row and text.
#pragma once

#include "review/finding.h"

#include <QMetaType>
#include <QWidget>

Q_DECLARE_METATYPE(Finding)

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class ReviewController;

class ChecksPage : public QWidget {
    Q_OBJECT
public:
    ChecksPage(ReviewController& review, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    // "3 problems in 2 rows", or that there are none.
    QString summary() const;
    // A kind lists at most this many findings; its count says how many there are.
    static constexpr int kMostListedPerKind = 500;

signals:
    void findingActivated(const Finding& finding);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Changes come in bursts (a translation's batches, a fix over every row): the list is made
    // once they are through, and only while the page is shown.
    void scheduleRebuild();
    void rebuild();
    void showSpellingState();
    void activate(QTreeWidgetItem* item);

    ReviewController& m_review;
    QLabel* m_summary;
    QLabel* m_spelling;
    QTreeWidget* m_list;
    // Which kinds the user opened or closed, kept across rebuilds.
    bool m_collapsed[kCheckKindCount] = {};
    bool m_stale = false;
    bool m_scheduled = false;
};
