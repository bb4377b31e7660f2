// What a screen reader can call each control of a window, for tests that every control has a name.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringList>
#include <QTabBar>
#include <QTextEdit>
#include <QWidget>

inline bool isInteractive(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTabBar*>(w);
}

// The name a screen reader announces. A combo's interface answers with its current item on Linux,
// where the reader takes the name from the label the combo is the buddy of: a value is no name.
inline QString accessibleNameOf(QWidget* w, const QList<QLabel*>& labels) {
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    for (QLabel* label : labels)
        if (label->buddy() == w && !label->text().isEmpty())
            return label->text();
    if (qobject_cast<QComboBox*>(w))
        return {};
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QString();
}

// The interactive widgets under root that have no name, by class and object name. Qt's own parts of
// a control (a combo's list and line edit, a spin box's line edit, a view's headers, cell editors
// and scroll bars) are named through the control that holds them, and a scroll bar is announced
// with the area it scrolls: neither is asked for a name of its own.
inline QStringList unnamedControls(QWidget* root) {
    const QList<QLabel*> labels = root->findChildren<QLabel*>();
    QStringList unnamed;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!isInteractive(w) || qobject_cast<QScrollBar*>(w))
            continue;
        bool part = false;
        for (QWidget* up = w->parentWidget(); up && up != root && !part; up = up->parentWidget())
            part = isInteractive(up);
        // "..." or "+" alone tells nothing: a name has a letter or a digit.
        if (part || accessibleNameOf(w, labels).contains(QRegularExpression(QStringLiteral("\\w"))))
            continue;
        unnamed.append(QStringLiteral("%1 '%2' in %3")
                           .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                                QString::fromLatin1(w->parentWidget()->metaObject()->className())));
    }
    return unnamed;
}
