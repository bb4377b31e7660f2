// The window's keys for moving between its areas and switching their pages.
#include "app/focus_areas.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QTabBar>
#include <QTabWidget>
#include <memory>

namespace {

bool takesKeyboardFocus(const QWidget* w) {
    return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// Steps through the pages and wraps, as Ctrl+Tab does in a tab widget that holds the focus.
void stepPage(QTabWidget* pages, int step) {
    if (!pages || !pages->isVisible() || pages->count() < 2)
        return;
    const int count = pages->count();
    int index = pages->currentIndex();
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        if (pages->isTabEnabled(index) && pages->isTabVisible(index)) {
            pages->setCurrentIndex(index);
            return;
        }
    }
}

void addKeys(QMainWindow* window, const QList<QKeySequence>& keys, std::function<void()> run) {
    auto* action = new QAction(window);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, std::move(run));
    window->addAction(action);
}

} // namespace

bool FocusAreas::enter(const Area& area) {
    QWidget* holder = area.holder();
    QWidget* entry = area.entry();
    if (!holder || !entry || !holder->isVisible() || !entry->isVisible() || !entry->isEnabled())
        return false;
    if (takesKeyboardFocus(entry)) {
        entry->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    // The focus chain runs through the whole window; the first of the entry's own widgets on it.
    for (QWidget* w = entry->nextInFocusChain(); w != entry; w = w->nextInFocusChain()) {
        if (entry->isAncestorOf(w) && takesKeyboardFocus(w)) {
            w->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    for (QTabBar* bar : holder->findChildren<QTabBar*>()) {
        if (bar->isVisible()) {
            bar->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return false;
}

int FocusAreas::currentArea() const {
    const QWidget* focused = QApplication::focusWidget();
    for (int i = 0; focused && i < m_areas.size(); ++i) {
        const QWidget* holder = m_areas[i].holder();
        if (holder && (holder == focused || holder->isAncestorOf(focused)))
            return i;
    }
    return -1;
}

bool FocusAreas::cycle(bool forward) {
    const int count = int(m_areas.size());
    if (count == 0)
        return false;
    const int current = currentArea();
    // From outside every area, F6 starts at the first and Shift+F6 at the last.
    int index = current >= 0 ? current : (forward ? -1 : count);
    for (int tried = 0; tried < count; ++tried) {
        index = ((forward ? index + 1 : index - 1) + count) % count;
        if (index != current && enter(m_areas[index]))
            return true;
    }
    return false;
}

void installAreaKeys(QMainWindow* window, QList<FocusAreas::Area> areas,
                     std::function<QTabWidget*()> bottomPages, std::function<QTabWidget*()> toolboxPages) {
    auto cycler = std::make_shared<FocusAreas>(std::move(areas));
    addKeys(window, {QKeySequence(Qt::Key_F6)}, [cycler] { cycler->cycle(true); });
    addKeys(window, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}, [cycler] { cycler->cycle(false); });
    // Shift+Tab arrives as Backtab on most desktops, with or without Shift in its modifiers.
    addKeys(window, {QKeySequence(Qt::CTRL | Qt::Key_Tab)}, [bottomPages] { stepPage(bottomPages(), 1); });
    addKeys(window,
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_Backtab)},
            [bottomPages] { stepPage(bottomPages(), -1); });
    addKeys(window, {QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
            [toolboxPages] { stepPage(toolboxPages(), 1); });
    addKeys(window, {QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
            [toolboxPages] { stepPage(toolboxPages(), -1); });
}
