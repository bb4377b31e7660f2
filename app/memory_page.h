// The Toolbox's "Memory" page: the memory's nearest units for the focused row, best first, with
// their scores and the words that differ from the row marked; one is put into the Translated cell
// by a double-click or Ctrl+1…5.
#pragma once

#include "memory/memory_store.h"

#include <QWidget>
#include <functional>

class QLabel;
class QListWidget;
class QListWidgetItem;

// The page's setting, kept in memory.ini beside the docking layout.
inline constexpr char kMemoryThresholdKey[] = "Memory/Threshold";
// The threshold a settings file asks for, kept within what the store can search (a missing or
// unreadable value is the default).
int readMatchThreshold(const QString& settingsFile);

// The unit's source as rich text, the ranges given in a highlight and everything else escaped.
QString highlightedHtml(const QString& text, const QList<TextRange>& ranges);

// A unit's target as a cell is typed: the memory's line joiner "|\n" is one "|".
QString typedFromMemoryText(const QString& target);

class MemoryPage : public QWidget {
    Q_OBJECT
public:
    // Ctrl+1…5 are the window's: they work whichever Toolbox page is on top.
    MemoryPage(QWidget* window, QWidget* parent = nullptr);

    void setStore(const MemoryStore* store) { m_store = store; }
    void setThreshold(int threshold) { m_threshold = threshold; }
    int threshold() const { return m_threshold; }

    // Looks up the row's original text; row -1 or an empty text empties the page.
    void showMatches(int row, const QString& original, const LanguagePair& languages);
    // The same row and text looked up again (after an import).
    void refresh();

    const QList<MemoryMatch>& matches() const { return m_matches; }
    QListWidget* list() const { return m_list; }
    // Hands match `index` (0-based) to the chooser; false when there is none.
    bool choose(int index);

signals:
    // A match was chosen for `row`: its target, as typed.
    void matchChosen(int row, const QString& typed);

private:
    const MemoryStore* m_store = nullptr;
    int m_threshold = kDefaultMatchThreshold;
    int m_row = -1;
    QString m_original;
    LanguagePair m_languages;
    QList<MemoryMatch> m_matches;
    QLabel* m_status = nullptr;
    QListWidget* m_list = nullptr;
};
