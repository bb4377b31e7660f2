// The client view and its tab strip.
#include "app/child_view.h"

#include "app/mapping_view.h"
#include "app/report_view.h"
#include "media/search_view.h"

#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int kSearchPage = 2;

// The grid's tab stands out in dark red, bright red while selected; the others keep the style's look.
class ViewTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    void paintEvent(QPaintEvent* event) override {
        QTabBar::paintEvent(event);
        if (count() == 0)
            return;
        QStylePainter painter(this);
        QStyleOptionTab option;
        initStyleOption(&option, 0);
        const bool selected = currentIndex() == 0;
        const QRect r = tabRect(0).adjusted(1, selected ? 0 : 2, -1, 0);
        painter.fillRect(r, selected ? QColor(255, 0, 0) : QColor(128, 0, 0));
        painter.setPen(Qt::white);
        painter.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic, tabText(0));
    }
};

class TabWidget : public QTabWidget {
public:
    explicit TabWidget(QWidget* parent) : QTabWidget(parent) { setTabBar(new ViewTabBar(this)); }
};
} // namespace

CChildView::CChildView(SubtitleSession& session, QWidget* parent)
    : QWidget(parent), m_tabs(new TabWidget(this)), m_grid(new CReportView(session)),
      m_mapping(new CCusFormView), m_search(new CSearchView) {
    setObjectName(QStringLiteral("childView"));
    m_tabs->setObjectName(QStringLiteral("viewTabs"));
    m_grid->setAccessibleName(QStringLiteral("Subtitles"));
    m_grid->setAccessibleDescription(
        QStringLiteral("One row per subtitle: its times, original and translation"));
    m_tabs->setTabPosition(QTabWidget::South);
    m_tabs->setDocumentMode(true);

    m_tabs->addTab(m_grid, QStringLiteral("Language Text"));
    m_tabs->addTab(m_mapping, QStringLiteral("Mapping Text"));
    m_tabs->addTab(m_search, QStringLiteral("Search by Google"));
    m_tabs->setCurrentIndex(0);
    // The browser is made and sent to the start page only when its page is selected, every time.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == kSearchPage)
            m_search->navigateToStartPage();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    setFocusProxy(m_grid);
}

bool CChildView::OnCmdMsg(CommandId) {
    // No command belongs to the view's pages yet; the frame's table takes them all.
    return false;
}
