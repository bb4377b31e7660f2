// The frame's client view: a tab strip with "Language Text" (the subtitle grid), "Mapping Text"
// and "Search by Google".
#pragma once

#include "app/command_table.h"

#include <QWidget>

class CCusFormView;
class CReportView;
class CSearchView;
class QTabWidget;
class SubtitleSession;

class CChildView : public QWidget {
    Q_OBJECT
public:
    explicit CChildView(SubtitleSession& session, QWidget* parent = nullptr);

    // Commands are offered here before the frame's own table; true when taken.
    bool OnCmdMsg(CommandId id);

    QTabWidget* tabStrip() const { return m_tabs; }
    CReportView* grid() const { return m_grid; }
    CCusFormView* mappingView() const { return m_mapping; }
    CSearchView* searchPage() const { return m_search; }

private:
    QTabWidget* m_tabs;
    CReportView* m_grid;
    CCusFormView* m_mapping;
    CSearchView* m_search;
};
