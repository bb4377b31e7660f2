// The window's keys for moving between its areas and switching their pages.
#pragma once

#include <QList>
#include <functional>

class QMainWindow;
class QTabWidget;
class QWidget;

// F6 and Shift+F6 move the focus to the next or previous main area; an area that is hidden, or
// holds nothing that takes the focus, is passed over.
class FocusAreas {
public:
    // Asked for anew at every press: pages change while the window lives.
    struct Area {
        // Holds the focus while the area is the current one.
        std::function<QWidget*()> holder;
        // Where the focus goes when the area is entered: its first widget that takes the focus
        // from the keyboard, or else the holder's tab bar, whose arrows switch its pages.
        std::function<QWidget*()> entry;
    };
    explicit FocusAreas(QList<Area> areas) : m_areas(std::move(areas)) {}

    // Focuses the area after (or before) the one that holds the focus; false when none can take it.
    bool cycle(bool forward);
    // The index of the area holding the focus, or -1.
    int currentArea() const;
    static bool enter(const Area& area);

private:
    QList<Area> m_areas;
};

// Installs on the window, as window shortcuts: F6 / Shift+F6 through the areas, Ctrl+Tab /
// Ctrl+Shift+Tab through the pages of `bottomPages`, Ctrl+PageDown / Ctrl+PageUp through the pages
// of the Toolbox, whichever widget holds the focus.
void installAreaKeys(QMainWindow* window, QList<FocusAreas::Area> areas,
                     std::function<QTabWidget*()> bottomPages, std::function<QTabWidget*()> toolboxPages);
