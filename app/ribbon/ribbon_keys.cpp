// The ribbon from the keyboard, as desktop ribbons have it: Alt alone or F10 puts a small badge
// with a letter on every tab; the tab's letter shows the letters of its page's controls, and
// typing those runs the control. Arrow keys walk the tabs and the controls instead.
#include "app/ribbon/ribbon_keys.h"

#include "app/ribbon/ribbon_bar.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSet>
#include <QTabBar>
#include <QToolButton>

namespace {

const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
// The application button stands where desktop ribbons have their File tab, and takes its letter.
const QString kApplicationCaption = QStringLiteral("File");

// The letters and digits of a caption, upper case, each once, in the order they come.
QString lettersOf(const QString& caption) {
    QString letters;
    for (QChar c : caption) {
        const QChar up = c.toUpper();
        const bool usable = (up >= u'A' && up <= u'Z') || (up >= u'0' && up <= u'9');
        if (usable && !letters.contains(up))
            letters.append(up);
    }
    return letters;
}

// The letter after a caption's '&', upper case; null when it has none ("&&" is a plain '&').
QChar mnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

// The letter or digit a key types, whatever the Shift state; null for any other key.
QChar typedLetter(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return QChar(key);
    return {};
}

bool isModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Meta || key == Qt::Key_Alt ||
           key == Qt::Key_AltGr;
}

bool isNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

// Large buttons draw no focus of their own when they are raised only on hover: this frame shows
// which one the arrow keys reached.
class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("ribbonFocusMark"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
};

} // namespace

QStringList assignKeyTips(const QStringList& captions, const QString& taken) {
    const QString reserved = taken.toUpper();
    QStringList tips(captions.size());
    QString singles = reserved;
    QList<int> leftovers;
    for (int i = 0; i < captions.size(); ++i) {
        for (QChar c : lettersOf(captions[i])) {
            if (!singles.contains(c)) {
                tips[i] = c;
                singles.append(c);
                break;
            }
        }
        if (tips[i].isEmpty())
            leftovers.append(i);
    }
    QString free;
    for (QChar c : kAlphabet)
        if (!singles.contains(c))
            free.append(c);
    // One key is quicker than two, even when it is not the caption's.
    if (leftovers.size() <= free.size()) {
        for (qsizetype i = 0; i < leftovers.size(); ++i)
            tips[leftovers[i]] = free[i];
        return tips;
    }
    // More controls than keys: every control takes two letters, so that none is another's start,
    // led by its caption's own letters where the pair is still free.
    QSet<QString> pairs;
    for (int i = 0; i < captions.size(); ++i) {
        const QString own = lettersOf(captions[i]);
        const QString letters = own + kAlphabet;
        tips[i].clear();
        for (qsizetype a = 0; a < letters.size() && tips[i].isEmpty(); ++a) {
            if (reserved.contains(letters[a]))
                continue;
            for (QChar second : letters) {
                const QString pair = QString(letters[a]) + second;
                if (!pairs.contains(pair)) {
                    pairs.insert(pair);
                    tips[i] = pair;
                    break;
                }
            }
        }
    }
    return tips;
}

RibbonKeyboard::RibbonKeyboard(RibbonBar* ribbon) : QObject(ribbon), m_ribbon(ribbon) {
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!m_navigating || !now)
            return;
        // A combo's list opens in a window of its own and gives the focus back when it closes.
        if (!m_ribbon->isAncestorOf(now) && now->window()->windowType() != Qt::Popup)
            stopNavigating(false);
        else
            placeFocusMark();
    });
}

void RibbonKeyboard::computeTips() {
    if (m_tipsValid)
        return;
    m_tips.clear();
    m_tabTips.clear();
    QString taken;
    for (int tab = 0; tab < m_ribbon->tabCount(); ++tab) {
        const QChar mnemonic = mnemonicOf(m_ribbon->tabCaption(tab));
        m_tabTips.append(mnemonic.isNull() || taken.contains(mnemonic) ? QString() : QString(mnemonic));
        taken += m_tabTips.last();
    }
    // The application button, the tabs without a mnemonic of their own and the tab row's buttons
    // share what the mnemonics leave.
    QStringList captions = {kApplicationCaption};
    QList<int> tabsWithout;
    for (int tab = 0; tab < m_tabTips.size(); ++tab)
        if (m_tabTips[tab].isEmpty()) {
            tabsWithout.append(tab);
            captions.append(m_ribbon->tabCaption(tab));
        }
    const QList<QWidget*> row = m_ribbon->tabRowControls();
    for (QWidget* w : row)
        captions.append(m_ribbon->caption(RibbonBar::commandIdOf(w)));
    const QStringList rowTips = assignKeyTips(captions, taken);
    m_applicationTip = rowTips[0];
    for (int i = 0; i < tabsWithout.size(); ++i)
        m_tabTips[tabsWithout[i]] = rowTips[1 + i];
    for (int i = 0; i < row.size(); ++i)
        m_tips.insert(row[i], rowTips[1 + tabsWithout.size() + i]);

    for (int tab = 0; tab < m_ribbon->tabCount(); ++tab) {
        const QList<QWidget*> controls = m_ribbon->pageControls(tab);
        QStringList pageCaptions;
        for (QWidget* w : controls)
            pageCaptions.append(m_ribbon->caption(RibbonBar::commandIdOf(w)));
        const QStringList tips = assignKeyTips(pageCaptions);
        for (int i = 0; i < controls.size(); ++i)
            m_tips.insert(controls[i], tips[i]);
    }
    m_tipsValid = true;
}

QString RibbonKeyboard::tabTip(int tab) {
    computeTips();
    return m_tabTips.value(tab);
}

QString RibbonKeyboard::applicationTip() {
    computeTips();
    return m_applicationTip;
}

QString RibbonKeyboard::tipOf(QWidget* control) {
    computeTips();
    return m_tips.value(control);
}

void RibbonKeyboard::enter() {
    if (!m_ribbon->isVisible() || m_ribbon->tabCount() == 0)
        return;
    computeTips();
    m_level = Level::Tabs;
    m_typed.clear();
    showBadges();
}

void RibbonKeyboard::leave() {
    m_level = Level::Off;
    m_typed.clear();
    clearBadges();
}

bool RibbonKeyboard::isOurKeyEvent(QObject* watched) const {
    // A key goes first to the focus widget and then up its parents: it is looked at once, there.
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != m_ribbon->window() || !m_ribbon->isVisible())
        return false;
    const QWidget* focus = QApplication::focusWidget();
    return focus ? w == focus : w == w->window();
}

bool RibbonKeyboard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        m_altAlone = false;
        if (m_level != Level::Off)
            leave();
        return false;
    case QEvent::WindowDeactivate:
        if (watched == m_ribbon->window()) {
            m_altAlone = false;
            if (m_level != Level::Off)
                leave();
        }
        return false;
    case QEvent::ShortcutOverride: {
        if (!isOurKeyEvent(watched))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Alt)
            m_altAlone = false;
        // Keys that are the ribbon's now come as key presses, not as the window's shortcuts.
        const QWidget* focus = QApplication::focusWidget();
        const bool navigation =
            m_navigating && focus && m_ribbon->isAncestorOf(focus) && isNavigationKey(key->key());
        if (m_level != Level::Off || navigation) {
            event->accept();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        if (!isOurKeyEvent(watched))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt) {
            if (!key->isAutoRepeat())
                m_altAlone = true;
            return m_level != Level::Off;
        }
        m_altAlone = false;
        if (m_level != Level::Off)
            return tipKey(key);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
            enter();
            return true;
        }
        QWidget* focus = QApplication::focusWidget();
        if (m_navigating && focus && m_ribbon->isAncestorOf(focus))
            return navigationKey(focus, key);
        return false;
    }
    case QEvent::KeyRelease: {
        if (!isOurKeyEvent(watched))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt && m_altAlone && !key->isAutoRepeat()) {
            m_altAlone = false;
            if (m_level == Level::Off)
                enter();
            else
                leave();
            return true;
        }
        return m_level != Level::Off;
    }
    default:
        return false;
    }
}

bool RibbonKeyboard::tipKey(QKeyEvent* event) {
    const int key = event->key();
    if (isModifierKey(key))
        return true;
    switch (key) {
    case Qt::Key_Escape:
        if (!m_typed.isEmpty()) {
            m_typed.clear();
        } else if (m_level == Level::Page) {
            m_level = Level::Tabs;
        } else {
            leave();
            return true;
        }
        showBadges();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        leave();
        startNavigating();
        focusTabs(key == Qt::Key_Left ? -1 : 1);
        return true;
    case Qt::Key_Down: {
        leave();
        startNavigating();
        moveAmongControls(nullptr, key);
        return true;
    }
    default:
        break;
    }
    const QChar letter = typedLetter(*event);
    if (letter.isNull()) {
        leave();
        return true;
    }
    const QString typed = m_typed + letter;
    bool partial = false;
    auto consider = [&](const QString& tip, auto run) {
        if (tip == typed) {
            run();
            return true;
        }
        partial = partial || (!tip.isEmpty() && tip.startsWith(typed));
        return false;
    };
    if (m_level == Level::Tabs) {
        for (int tab = 0; tab < m_ribbon->tabCount(); ++tab)
            if (consider(tabTip(tab), [&] {
                    m_ribbon->setCurrentTab(tab);
                    m_level = Level::Page;
                    m_typed.clear();
                    showBadges();
                }))
                return true;
        if (consider(applicationTip(), [&] {
                leave();
                m_ribbon->popupApplicationMenu();
            }))
            return true;
        for (QWidget* w : m_ribbon->tabRowControls())
            if (consider(tipOf(w), [&] { runTip(w); }))
                return true;
    } else {
        for (QWidget* w : m_ribbon->pageControls(m_ribbon->currentTab()))
            if (consider(tipOf(w), [&] { runTip(w); }))
                return true;
    }
    if (!partial) {
        leave();
        return true;
    }
    m_typed = typed;
    showBadges();
    return true;
}

void RibbonKeyboard::runTip(QWidget* target) {
    if (!target->isEnabled()) {
        // The badge is greyed as the control is: nothing runs, the tips stay for another try.
        QApplication::beep();
        m_typed.clear();
        showBadges();
        return;
    }
    leave();
    if (auto* box = qobject_cast<QComboBox*>(target)) {
        startNavigating();
        focusControl(box);
        box->showPopup();
    } else if (auto* edit = qobject_cast<QAbstractSpinBox*>(target)) {
        startNavigating();
        focusControl(edit);
        edit->selectAll();
    } else if (auto* button = qobject_cast<QToolButton*>(target)) {
        if (m_navigating)
            stopNavigating(true);
        if (button->menu())
            openMenu(button);
        else
            button->click();
    }
}

bool RibbonKeyboard::navigationKey(QWidget* focus, QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        stopNavigating(true);
        return true;
    }
    if (focus == m_ribbon->tabBar()) {
        switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            focusTabs(key == Qt::Key_Left ? -1 : 1);
            return true;
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            moveAmongControls(nullptr, Qt::Key_Down);
            return true;
        case Qt::Key_Up:
            return true;
        default:
            return false;
        }
    }
    QWidget* control = controlHolding(focus);
    if (!control)
        return false;
    auto* edit = qobject_cast<QAbstractSpinBox*>(control);
    auto* button = qobject_cast<QToolButton*>(control);
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        // In a time box the caret moves, until it stands at the end it moves toward; a box just
        // reached, its whole text selected, is passed through.
        if (auto* line = edit ? edit->findChild<QLineEdit*>() : nullptr) {
            const int length = int(line->displayText().size());
            const bool whole = line->selectionStart() == 0 && line->selectionLength() == length;
            const int end = key == Qt::Key_Left ? 0 : length;
            if (!whole && (line->hasSelectedText() || line->cursorPosition() != end))
                return false;
        }
        moveAmongControls(control, key);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (edit) // they step the time
            return false;
        if (key == Qt::Key_Down && button && button->menu()) {
            openMenu(button);
            return true;
        }
        moveAmongControls(control, key);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (auto* box = qobject_cast<QComboBox*>(control)) {
            box->showPopup();
            return true;
        }
        if (!button)
            return false;
        if (button->menu() && RibbonBar::faceOpensMenu(button)) {
            openMenu(button);
        } else {
            // The command runs where the focus was, as it would after a click.
            stopNavigating(true);
            button->click();
        }
        return true;
    default:
        return false;
    }
}

QWidget* RibbonKeyboard::controlHolding(QWidget* focus) const {
    const QList<QWidget*> controls = m_ribbon->pageControls(m_ribbon->currentTab());
    for (QWidget* w = focus; w && w != m_ribbon; w = w->parentWidget())
        if (controls.contains(w))
            return w;
    return nullptr;
}

void RibbonKeyboard::startNavigating() {
    if (m_navigating)
        return;
    QWidget* focus = QApplication::focusWidget();
    m_returnFocus = focus && !m_ribbon->isAncestorOf(focus) ? focus : nullptr;
    m_navigating = true;
}

void RibbonKeyboard::stopNavigating(bool restoreFocus) {
    m_navigating = false;
    if (m_focusMark)
        m_focusMark->hide();
    if (!restoreFocus)
        return;
    if (m_returnFocus) {
        m_returnFocus->setFocus(Qt::OtherFocusReason);
    } else if (QWidget* focus = QApplication::focusWidget(); focus && m_ribbon->isAncestorOf(focus)) {
        focus->clearFocus();
    }
    m_returnFocus = nullptr;
}

void RibbonKeyboard::focusTabs(int step) {
    QTabBar* tabs = m_ribbon->tabBar();
    const int count = m_ribbon->tabCount();
    if (count == 0)
        return;
    if (step != 0)
        m_ribbon->setCurrentTab((m_ribbon->currentTab() + step + count) % count);
    tabs->setFocus(Qt::TabFocusReason);
    placeFocusMark();
}

void RibbonKeyboard::focusControl(QWidget* control) {
    control->setFocus(Qt::TabFocusReason);
    if (auto* box = qobject_cast<QComboBox*>(control))
        connect(box, &QComboBox::activated, this, &RibbonKeyboard::comboChosen, Qt::UniqueConnection);
    placeFocusMark();
}

void RibbonKeyboard::comboChosen() {
    // A choice made from the keyboard ends the trip into the ribbon.
    auto* box = qobject_cast<QComboBox*>(sender());
    if (m_navigating && box && box->hasFocus())
        stopNavigating(true);
}

// Left and Right walk the page's controls in their order, round at either end; Up and Down go to
// the nearest control above or below in the same column, and Up from the top row to the tabs.
// Without a control to start from, the page's first one is taken.
void RibbonKeyboard::moveAmongControls(QWidget* from, int key) {
    QList<QWidget*> reachable;
    for (QWidget* w : m_ribbon->pageControls(m_ribbon->currentTab()))
        if (w->isVisible() && w->isEnabled())
            reachable.append(w);
    const qsizetype at = reachable.indexOf(from);
    if (reachable.isEmpty() || at < 0) {
        if (reachable.isEmpty())
            focusTabs(0);
        else
            focusControl(reachable.first());
        return;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        const qsizetype step = key == Qt::Key_Left ? -1 : 1;
        focusControl(reachable[(at + step + reachable.size()) % reachable.size()]);
        return;
    }
    auto rectOf = [this](QWidget* w) { return QRect(w->mapTo(m_ribbon, QPoint(0, 0)), w->size()); };
    const QRect here = rectOf(from);
    QWidget* best = nullptr;
    int bestDistance = 0;
    for (QWidget* w : reachable) {
        const QRect r = rectOf(w);
        const bool sameColumn = r.left() <= here.right() && here.left() <= r.right();
        const int distance = key == Qt::Key_Down ? r.top() - here.bottom() : here.top() - r.bottom();
        if (w == from || !sameColumn || distance < 0)
            continue;
        if (!best || distance < bestDistance) {
            best = w;
            bestDistance = distance;
        }
    }
    if (best)
        focusControl(best);
    else if (key == Qt::Key_Up)
        focusTabs(0);
}

void RibbonKeyboard::openMenu(QToolButton* button) {
    RibbonBar::popupMenuOf(button);
    // Opened from the keyboard, the menu starts on its first item, as a menu bar's does.
    if (QMenu* menu = button->menu())
        for (QAction* action : menu->actions())
            if (action->isEnabled() && !action->isSeparator() && action->isVisible()) {
                menu->setActiveAction(action);
                break;
            }
}

void RibbonKeyboard::placeFocusMark() {
    QWidget* focus = QApplication::focusWidget();
    QRect rect;
    if (m_navigating && focus == m_ribbon->tabBar()) {
        const QRect tab = m_ribbon->tabBar()->tabRect(m_ribbon->currentTab());
        rect = QRect(focus->mapTo(m_ribbon, tab.topLeft()), tab.size());
    } else if (m_navigating && qobject_cast<QToolButton*>(focus) && m_ribbon->isAncestorOf(focus)) {
        rect = QRect(focus->mapTo(m_ribbon, QPoint(0, 0)), focus->size());
    }
    if (rect.isEmpty()) {
        if (m_focusMark)
            m_focusMark->hide();
        return;
    }
    if (!m_focusMark)
        m_focusMark = new FocusMark(m_ribbon);
    m_focusMark->setGeometry(rect);
    m_focusMark->show();
    m_focusMark->raise();
}

QLabel* RibbonKeyboard::badge(const QString& tip, bool enabled) {
    auto* label = new QLabel(tip, m_ribbon);
    label->setObjectName(QStringLiteral("ribbonKeyTip"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Tooltip colours: the desktop keeps them readable in light and dark palettes alike. A
    // disabled command's letter is faded halfway into the background.
    const QPalette pal = m_ribbon->palette();
    const QColor back = pal.color(QPalette::Active, QPalette::ToolTipBase);
    const QColor text = pal.color(QPalette::Active, QPalette::ToolTipText);
    const QColor faded((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
                       (text.blue() + back.blue()) / 2);
    label->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid %2;"
                                        " border-radius: 2px; padding: 0px 3px; }"
                                        " QLabel:disabled { color: %3; border-color: %3; }")
                             .arg(back.name(), text.name(), faded.name()));
    label->setEnabled(enabled);
    label->adjustSize();
    label->resize(std::max(label->width(), label->height()), label->height());
    return label;
}

void RibbonKeyboard::showBadges() {
    clearBadges();
    // A badge is centred on a point of its target, kept inside the ribbon.
    auto place = [this](const QString& tip, QWidget* target, QPoint at) {
        if (tip.isEmpty() || !tip.startsWith(m_typed) || !target->isVisible())
            return;
        QLabel* b = badge(tip, target->isEnabled());
        QPoint topLeft = target->mapTo(m_ribbon, at) - QPoint(b->width() / 2, b->height() / 2);
        topLeft.setX(std::clamp(topLeft.x(), 0, std::max(0, m_ribbon->width() - b->width())));
        topLeft.setY(std::clamp(topLeft.y(), 0, std::max(0, m_ribbon->height() - b->height())));
        b->move(topLeft);
        b->show();
        b->raise();
        m_badges.append(b);
    };
    if (m_level == Level::Tabs) {
        QTabBar* tabs = m_ribbon->tabBar();
        for (int tab = 0; tab < m_ribbon->tabCount(); ++tab) {
            const QRect r = tabs->tabRect(tab);
            place(tabTip(tab), tabs, QPoint(r.center().x(), r.bottom()));
        }
        QWidget* app = m_ribbon->applicationButton();
        place(applicationTip(), app, QPoint(app->width() / 2, app->height()));
        for (QWidget* w : m_ribbon->tabRowControls())
            place(tipOf(w), w, QPoint(w->width() / 2, w->height()));
    } else if (m_level == Level::Page) {
        for (QWidget* w : m_ribbon->pageControls(m_ribbon->currentTab())) {
            // On the lower edge of a large button, under its caption; on the lower left corner of
            // a box, between its label and its text.
            const bool large = qobject_cast<QToolButton*>(w) != nullptr;
            place(tipOf(w), w, large ? QPoint(w->width() / 2, w->height()) : QPoint(2, w->height() - 2));
        }
    }
}

void RibbonKeyboard::clearBadges() {
    qDeleteAll(m_badges);
    m_badges.clear();
}
