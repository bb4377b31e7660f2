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

signals:
    void findingActivated(const Finding& finding);

private:
    void rebuild();
    void showSpellingState();
    void activate(QTreeWidgetItem* item);

    ReviewController& m_review;
    QLabel* m_summary;
    QLabel* m_spelling;
    QTreeWidget* m_list;
    // Which kinds the user opened or closed, kept across rebuilds.
    bool m_collapsed[kCheckKindCount] = {};
};
