// A small ribbon: a tab row (application button at its left, extra buttons at its right) over
// pages of captioned groups holding large buttons, split buttons, drop-down combos and time edits.
// Every control carries a command id; activating it emits commandTriggered(id).
#pragma once

#include <QAbstractSpinBox>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QWidget>

class QComboBox;
class QMenu;
class QTabBar;
class QStackedWidget;
class QToolButton;
class QHBoxLayout;

// A masked time edit with spin arrows. Steps are reported, not applied: what a step means
// depends on the document's format, which the frame knows.
class TimeSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TimeSpinEdit(QWidget* parent = nullptr);
    QString text() const;
    void setText(const QString& text);
    // An input mask in QLineEdit's syntax, or an empty string for free text.
    void setInputMask(const QString& mask);
    QString inputMask() const;
    void stepBy(int steps) override;

signals:
    void stepped(int steps);

protected:
    StepEnabled stepEnabled() const override;
};

class RibbonGroup : public QWidget {
    Q_OBJECT
public:
    RibbonGroup(const QString& caption, QWidget* parent = nullptr);
    QString caption() const { return m_caption; }
    QHBoxLayout* controls() const { return m_controls; }

private:
    QString m_caption;
    QHBoxLayout* m_controls;
};

class RibbonBar : public QWidget {
    Q_OBJECT
public:
    explicit RibbonBar(QWidget* parent = nullptr);

    // Building.
    int addTab(const QString& caption); // returns the tab index
    RibbonGroup* addGroup(int tab, const QString& caption);
    QToolButton* addButton(RibbonGroup* group, quint16 id, const QString& caption, const QIcon& icon = {});
    // The face emits nothing of its own when faceId has no handler; the arrow opens the menu of ids.
    QToolButton* addSplitButton(RibbonGroup* group, quint16 faceId, const QString& caption,
                                const QList<QPair<quint16, QString>>& menu, const QIcon& icon = {});
    QComboBox* addCombo(RibbonGroup* group, quint16 id, const QString& caption, int width);
    TimeSpinEdit* addTimeEdit(RibbonGroup* group, quint16 id, const QString& caption, int width);
    void setApplicationMenu(QMenu* menu);
    QToolButton* addTabRowButton(quint16 id, const QString& caption); // at the right of the tab row

    // Reading and driving.
    int tabCount() const;
    QString tabCaption(int tab) const;
    int currentTab() const;
    void setCurrentTab(int tab);
    QWidget* control(quint16 id) const;
    QComboBox* combo(quint16 id) const;
    TimeSpinEdit* timeEdit(quint16 id) const;
    QToolButton* button(quint16 id) const;
    QMenu* applicationMenu() const { return m_appMenu; }
    QToolButton* applicationButton() const { return m_appButton; }
    // Emits commandTriggered as a click on the control would.
    void trigger(quint16 id);

signals:
    void commandTriggered(quint16 id);
    void currentTabChanged(int tab);

private:
    void registerControl(quint16 id, QWidget* w);

    QTabBar* m_tabs;
    QStackedWidget* m_pages;
    QHBoxLayout* m_tabRow;
    QToolButton* m_appButton = nullptr;
    QMenu* m_appMenu = nullptr;
    QHash<quint16, QWidget*> m_controls;
};
