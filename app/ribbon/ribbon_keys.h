// The ribbon from the keyboard: key tips after Alt or F10, the arrow keys among tabs and controls,
// Enter and Space on the focused control, Escape back to where the focus came from.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QKeyEvent;
class QLabel;
class QToolButton;
class QWidget;
class RibbonBar;

// Key tips for controls in the order given: each takes the first letter or digit of its caption
// that neither `taken` nor an earlier control holds, or else the first letter nobody holds. When
// there are more controls than letters, every one takes two letters instead, so that no tip is
// the start of another.
QStringList assignKeyTips(const QStringList& captions, const QString& taken = {});

class RibbonKeyboard : public QObject {
    Q_OBJECT
public:
    // Off; badges on the tabs, the application button and the tab row; badges on the page's controls.
    enum class Level { Off, Tabs, Page };

    explicit RibbonKeyboard(RibbonBar* ribbon);

    Level level() const { return m_level; }
    void enter();
    void leave();

    QString tabTip(int tab);
    QString applicationTip();
    QString tipOf(QWidget* control);
    // The tips change when controls are added; they are chosen anew at the next use.
    void layoutChanged() { m_tipsValid = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void computeTips();
    bool tipKey(QKeyEvent* event);
    bool navigationKey(QWidget* focus, QKeyEvent* event);
    void runTip(QWidget* target);
    void showBadges();
    void clearBadges();
    QLabel* badge(const QString& tip, bool enabled);
    // Focus moves into the ribbon; where it was is kept for Escape.
    void startNavigating();
    void stopNavigating(bool restoreFocus);
    void focusTabs(int step);
    void focusControl(QWidget* control);
    void comboChosen();
    void moveAmongControls(QWidget* from, int key);
    QWidget* controlHolding(QWidget* focus) const;
    void openMenu(QToolButton* button);
    void placeFocusMark();
    bool isOurKeyEvent(QObject* watched) const;

    RibbonBar* m_ribbon;
    Level m_level = Level::Off;
    QString m_typed;         // the first letter of a two-letter tip, once typed
    bool m_altAlone = false; // Alt is down and no other key came since
    // The arrow keys move among the ribbon's tabs and controls: after an arrow key in key-tip
    // mode, or in a combo or time box reached by its tip.
    bool m_navigating = false;
    QPointer<QWidget> m_returnFocus;
    QWidget* m_focusMark = nullptr;
    QList<QLabel*> m_badges;

    bool m_tipsValid = false;
    QStringList m_tabTips;
    QString m_applicationTip;
    QHash<QWidget*, QString> m_tips;
};
