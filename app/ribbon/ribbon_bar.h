// A small ribbon: a tab row (application button at its left, extra buttons at its right) over
// pages of captioned groups holding large buttons, split buttons, drop-down combos and time edits.
// Every control carries a command id; activating it emits commandTriggered(id).
#pragma once

#include <QAbstractSpinBox>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QWidget>

class QAction;
class QComboBox;
class QGridLayout;
class QMenu;
class QTabBar;
class QStackedWidget;
class QToolButton;
class QHBoxLayout;
class RibbonKeyboard;

// A masked time edit with spin arrows. Steps are reported, not applied: what a step means
// depends on the document's format, which the frame knows.
class TimeSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TimeSpinEdit(QWidget* parent = nullptr);
    // The whole text as shown, so that every field sits at a fixed position even when the mask's
    // blank character is a digit; a position the user cleared and has not typed again reads as a
    // blank (" "), so that a time being typed over is told from one typed as zeros.
    QString text() const;
    void setText(const QString& text);
    // An input mask in QLineEdit's syntax, or an empty string for free text.
    void setInputMask(const QString& mask);
    QString inputMask() const;
    void stepBy(int steps) override;
    QSize sizeHint() const override;

signals:
    void stepped(int steps);
    // Any change of the text, by the user or by setText; carries text().
    void textChanged(const QString& text);
    // Only changes the user typed; carries text().
    void textEdited(const QString& text);

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void noteKey(const QKeyEvent& event, qsizetype selectionStart, qsizetype selectionLength, qsizetype caret,
                 const QString& before);

    QList<bool> m_cleared; // per position of the masked text
    bool m_inKey = false;
    bool m_editedInKey = false;
};

class RibbonGroup : public QWidget {
    Q_OBJECT
public:
    RibbonGroup(const QString& caption, QWidget* parent = nullptr);
    QString caption() const { return m_caption; }
    QHBoxLayout* controls() const { return m_controls; }

    // A control that takes the group's full height (a large button).
    void addLarge(QWidget* control);
    // A labelled small control; small controls stack three to a column, labels aligned.
    void addSmall(QWidget* label, QWidget* control);

    static constexpr int kRowsPerColumn = 3;

private:
    QString m_caption;
    QHBoxLayout* m_controls;
    QGridLayout* m_column = nullptr; // the column that small controls are filling, if any
    int m_columnRows = 0;
};

class RibbonBar : public QWidget {
    Q_OBJECT
public:
    explicit RibbonBar(QWidget* parent = nullptr);
    ~RibbonBar() override;

    // Building.
    int addTab(const QString& caption); // returns the tab index
    RibbonGroup* addGroup(int tab, const QString& caption);
    QToolButton* addButton(RibbonGroup* group, quint16 id, const QString& caption, const QIcon& icon = {});
    // What a click on a split button's face does: emit the face's own id, or open the menu as
    // the arrow does (for a face that has no action of its own).
    enum class SplitFace { SendsCommand, OpensMenu };
    // The arrow opens the menu, whose actions emit their own ids; the face does as `face` says.
    // trigger(faceId) emits faceId either way.
    QToolButton* addSplitButton(RibbonGroup* group, quint16 faceId, const QString& caption,
                                const QList<QPair<quint16, QString>>& menu, const QIcon& icon = {},
                                SplitFace face = SplitFace::SendsCommand);
    QComboBox* addCombo(RibbonGroup* group, quint16 id, const QString& caption, int width);
    TimeSpinEdit* addTimeEdit(RibbonGroup* group, quint16 id, const QString& caption, int width);
    // The menu's actions that carry a command id in data() (also inside sub-menus) emit it.
    void setApplicationMenu(QMenu* menu);
    QToolButton* addTabRowButton(quint16 id, const QString& caption); // at the right of the tab row
    // A small image button in the strip beside the application button (Undo, Redo).
    QToolButton* addQuickAccessButton(quint16 id, const QString& caption, const QIcon& icon);

    // Reading and driving.
    int tabCount() const;
    QString tabCaption(int tab) const;
    int currentTab() const;
    // Selects a tab as the user would: currentTabChanged follows when the tab changes.
    void setCurrentTab(int tab);
    QWidget* control(quint16 id) const;
    QComboBox* combo(quint16 id) const;
    TimeSpinEdit* timeEdit(quint16 id) const;
    QToolButton* button(quint16 id) const;
    // The menu item of a split button or of the application menu that emits id, if any.
    QAction* menuAction(quint16 id) const;
    // The caption a control or menu command was built with (tooltips show the same text).
    QString caption(quint16 id) const;
    RibbonGroup* group(int tab, const QString& caption) const;
    QList<RibbonGroup*> groups(int tab) const;
    QMenu* applicationMenu() const { return m_appMenu; }
    QToolButton* applicationButton() const { return m_appButton; }
    // Opens the application menu under its button without waiting for it to close.
    void popupApplicationMenu();
    // Emits commandTriggered as a click on the control would; a disabled control, like a disabled
    // menu item, emits nothing. Returns whether the command was emitted.
    bool trigger(quint16 id);

    // The keyboard's way in: Alt alone or F10 shows a key tip on every tab, on the application
    // button and on the tab row's buttons; a tab's tip shows those of its page's controls.
    void showKeyTips();
    bool keyTipsShown() const;
    QString tabKeyTip(int tab) const;
    QString applicationKeyTip() const;
    // The tip of a control on a page or in the tab row, "" for an id the ribbon does not show.
    QString keyTip(quint16 id) const;
    // The tab whose page holds the control; -1 for the tab row and for an unknown id.
    int tabOf(quint16 id) const;
    // The controls of a page, or of the tab row, in the order they were added.
    QList<QWidget*> pageControls(int tab) const;
    QList<QWidget*> tabRowControls() const { return m_tabRowControls; }
    QTabBar* tabBar() const { return m_tabs; }
    // The command id a control was added with, 0 for none.
    static quint16 commandIdOf(const QWidget* control);
    // Opens a split button's menu under it without waiting for it to close.
    static void popupMenuOf(QToolButton* button);
    // Whether a click on a split button's face opens its menu (SplitFace::OpensMenu).
    static bool faceOpensMenu(const QToolButton* button);

signals:
    void commandTriggered(quint16 id);
    void currentTabChanged(int tab);

protected:
    void changeEvent(QEvent* event) override;

private:
    void followPalette();
    // tab: the page the control sits on, -1 for the tab row.
    void registerControl(quint16 id, QWidget* w, const QString& caption, int tab);
    int tabOfGroup(const RibbonGroup* group) const;
    void registerAction(quint16 id, QAction* action);
    void connectMenu(QMenu* menu);
    void disconnectMenu(QMenu* menu);

    QTabBar* m_tabs;
    QStackedWidget* m_pages;
    QHBoxLayout* m_tabRow;
    QToolButton* m_appButton = nullptr;
    int m_quickAccessCount = 0;
    QMenu* m_appMenu = nullptr;
    QHash<quint16, QWidget*> m_controls;
    QHash<quint16, QAction*> m_actions;
    QHash<quint16, QString> m_captions;
    QList<QList<QWidget*>> m_pageControls; // per tab
    QList<QWidget*> m_tabRowControls;
    RibbonKeyboard* m_keyboard;
};
