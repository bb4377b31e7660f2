// The ribbon widget layer: tab row, pages of captioned groups and the controls they hold.
#include "app/ribbon/ribbon_bar.h"

#include "app/ribbon/ribbon_keys.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

namespace {

// Captions are quieter than the controls but must stay readable: halfway to the background. Made
// from `source`, the ribbon's palette, since the label's own keeps the colour it was given.
void quietenCaption(QLabel* caption, const QPalette& source) {
    const QColor text = source.color(QPalette::WindowText);
    const QColor back = source.color(QPalette::Base);
    QPalette pal = caption->palette();
    pal.setColor(QPalette::WindowText,
                 QColor((text.red() * 6 + back.red() * 4) / 10, (text.green() * 6 + back.green() * 4) / 10,
                        (text.blue() * 6 + back.blue() * 4) / 10));
    caption->setPalette(pal);
}

constexpr int kLargeIconSize = 32;
constexpr int kLargeButtonMinWidth = 52;
constexpr int kSmallRowSpacing = 4;
const char kIdProperty[] = "ribbonCommandId";
const char kFaceOpensMenuProperty[] = "ribbonFaceOpensMenu";

// Ribbon captions under large icons run over two lines, split where the two lines come out the
// most even; a one-word caption keeps an empty second line so that every first line sits at the
// same height and the icons above them stay aligned.
QString twoLineCaption(const QString& caption) {
    int best = -1;
    int bestLonger = int(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] != u' ')
            continue;
        const int longer = std::max(i, int(caption.size()) - i - 1);
        if (longer < bestLonger) {
            bestLonger = longer;
            best = i;
        }
    }
    if (best < 0)
        return caption + u'\n';
    return caption.left(best) + u'\n' + caption.mid(best + 1);
}

// A drop-down list whose popup is exactly as wide as the box, whatever the style would pick.
class RibbonCombo : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        QComboBox::showPopup();
        QWidget* popup = view()->window();
        if (popup == window())
            return;
        const QPoint left = mapToGlobal(QPoint(0, 0));
        popup->setFixedWidth(width());
        popup->move(left.x(), popup->y());
    }
};

QToolButton* makeLargeButton(QWidget* parent, const QString& caption, const QIcon& icon) {
    auto* b = new QToolButton(parent);
    b->setText(twoLineCaption(caption));
    b->setToolTip(caption);
    b->setAccessibleName(caption);
    b->setIcon(icon);
    b->setIconSize(QSize(kLargeIconSize, kLargeIconSize));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setMinimumWidth(kLargeButtonMinWidth);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

// A caption such as "Show: " leads into its box; said alone, the name goes without the colon.
QString spokenName(const QString& caption) {
    QString name = caption.trimmed();
    if (name.endsWith(u':'))
        name.chop(1);
    return name;
}

QLabel* makeSmallLabel(QWidget* parent, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setToolTip(caption);
    label->setBuddy(buddy);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

// ---------------------------------------------------------------- TimeSpinEdit

TimeSpinEdit::TimeSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    // The text is no number to interpret: keep the spin box from validating or fixing it up on
    // every keystroke; the mask alone governs what can be typed.
    setKeyboardTracking(false);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] { emit textChanged(text()); });
    // A key's edit is reported once the positions it cleared or filled are known.
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        if (m_inKey)
            m_editedInKey = true;
        else
            emit textEdited(text());
    });
}

QString TimeSpinEdit::text() const {
    // QLineEdit::text() drops the mask's blank characters; with '0' as the blank that would
    // drop every zero digit and shift the fields. The line edit cannot tell a blank '0' from a
    // typed one, so the cleared positions are kept here.
    QString shown = lineEdit()->displayText();
    for (qsizetype i = 0; i < shown.size() && i < m_cleared.size(); ++i)
        if (m_cleared[i] && shown[i].isDigit())
            shown[i] = u' ';
    return shown;
}

void TimeSpinEdit::setText(const QString& text) {
    m_cleared.clear();
    lineEdit()->setText(text);
}

void TimeSpinEdit::setInputMask(const QString& mask) {
    m_cleared.clear();
    lineEdit()->setInputMask(mask);
}

void TimeSpinEdit::keyPressEvent(QKeyEvent* event) {
    QLineEdit* edit = lineEdit();
    if (edit->inputMask().isEmpty() || isReadOnly()) {
        QAbstractSpinBox::keyPressEvent(event);
        return;
    }
    const qsizetype selectionStart = edit->hasSelectedText() ? edit->selectionStart() : -1;
    const qsizetype selectionLength = edit->selectedText().size();
    const qsizetype caret = edit->cursorPosition();
    const QString before = edit->displayText();
    m_inKey = true;
    m_editedInKey = false;
    QAbstractSpinBox::keyPressEvent(event);
    m_inKey = false;
    noteKey(*event, selectionStart, selectionLength, caret, before);
    if (m_editedInKey)
        emit textEdited(text());
}

// How a masked line edit changes under a key: a selection is cleared by any key that edits,
// Backspace clears the position it moves the caret to, Delete the input position at the caret,
// and a typed or pasted text fills the positions from where it went in up to the caret.
void TimeSpinEdit::noteKey(const QKeyEvent& event, qsizetype selectionStart, qsizetype selectionLength,
                           qsizetype caret, const QString& before) {
    const QString after = lineEdit()->displayText();
    m_cleared.resize(after.size(), false);
    const bool backspace = event.key() == Qt::Key_Backspace;
    const bool del = event.key() == Qt::Key_Delete;
    const bool paste = event.matches(QKeySequence::Paste);
    const bool typed = !event.text().isEmpty() && event.text()[0].isPrint() &&
                       !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!backspace && !del && !paste && !typed && !event.matches(QKeySequence::Cut))
        return;
    auto clear = [this](qsizetype from, qsizetype to, bool cleared) {
        for (qsizetype i = std::max<qsizetype>(from, 0); i < to && i < m_cleared.size(); ++i)
            m_cleared[i] = cleared;
    };
    const qsizetype caretAfter = lineEdit()->cursorPosition();
    if (selectionStart >= 0) {
        clear(selectionStart, selectionStart + selectionLength, true);
    } else if (backspace && caretAfter < caret) {
        clear(caretAfter, caretAfter + 1, true);
    } else if (del) {
        qsizetype at = caret;
        while (at < before.size() && !before[at].isDigit())
            ++at;
        clear(at, at + 1, true);
    }
    if (paste || typed)
        clear(selectionStart >= 0 ? selectionStart : caret, caretAfter, false);
}

QString TimeSpinEdit::inputMask() const {
    return lineEdit()->inputMask();
}

void TimeSpinEdit::stepBy(int steps) {
    if (steps != 0)
        emit stepped(steps);
}

QSize TimeSpinEdit::sizeHint() const {
    QSize hint = QAbstractSpinBox::sizeHint();
    const int textWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00,000  "));
    const int arrows = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    hint.setWidth(std::max(hint.width(), textWidth + arrows + 8));
    return hint;
}

QAbstractSpinBox::StepEnabled TimeSpinEdit::stepEnabled() const {
    if (isReadOnly() || !isEnabled())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

// ---------------------------------------------------------------- RibbonGroup

RibbonGroup::RibbonGroup(const QString& caption, QWidget* parent) : QWidget(parent), m_caption(caption) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 2, 4, 1);
    outer->setSpacing(2);

    m_controls = new QHBoxLayout;
    m_controls->setSpacing(2);
    m_controls->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(m_controls);
    outer->addStretch(1);

    auto* captionLabel = new QLabel(caption, this);
    captionLabel->setObjectName(QStringLiteral("ribbonGroupCaption"));
    captionLabel->setTextFormat(Qt::PlainText);
    captionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    quietenCaption(captionLabel, palette());
    outer->addWidget(captionLabel);
}

void RibbonGroup::addLarge(QWidget* control) {
    m_column = nullptr;
    m_controls->addWidget(control, 0, Qt::AlignTop);
}

void RibbonGroup::addSmall(QWidget* label, QWidget* control) {
    if (!m_column || m_columnRows == kRowsPerColumn) {
        auto* column = new QWidget(this);
        m_column = new QGridLayout(column);
        m_column->setContentsMargins(4, 2, 2, 0);
        m_column->setHorizontalSpacing(6);
        m_column->setVerticalSpacing(kSmallRowSpacing);
        m_columnRows = 0;
        m_controls->addWidget(column, 0, Qt::AlignTop);
    }
    m_column->addWidget(label, m_columnRows, 0, Qt::AlignLeft | Qt::AlignVCenter);
    m_column->addWidget(control, m_columnRows, 1, Qt::AlignLeft | Qt::AlignVCenter);
    ++m_columnRows;
}

// ---------------------------------------------------------------- RibbonBar

RibbonBar::RibbonBar(QWidget* parent) : QWidget(parent), m_keyboard(new RibbonKeyboard(this)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* tabRowWidget = new QWidget(this);
    m_tabRow = new QHBoxLayout(tabRowWidget);
    m_tabRow->setContentsMargins(2, 2, 4, 0);
    m_tabRow->setSpacing(4);

    m_appButton = new QToolButton(tabRowWidget);
    m_appButton->setObjectName(QStringLiteral("ribbonApplicationButton"));
    m_appButton->setPopupMode(QToolButton::InstantPopup);
    m_appButton->setAutoRaise(true);
    m_appButton->setFocusPolicy(Qt::NoFocus);
    m_appButton->setIconSize(QSize(20, 20));
    // The button itself says it opens a menu; the style's small arrow would only crowd the image.
    m_appButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    m_tabRow->addWidget(m_appButton, 0, Qt::AlignBottom);

    m_tabs = new QTabBar(tabRowWidget);
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    m_tabs->setFocusPolicy(Qt::NoFocus);
    m_tabRow->addWidget(m_tabs, 0, Qt::AlignBottom);
    m_tabRow->addStretch(1);
    outer->addWidget(tabRowWidget);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("ribbonPages"));
    m_pages->setFrameShape(QFrame::StyledPanel);
    m_pages->setAutoFillBackground(true);
    followPalette();
    outer->addWidget(m_pages);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (index < 0)
            return;
        m_pages->setCurrentIndex(index);
        emit currentTabChanged(index);
    });
}

// The pages are drawn on the base colour, the captions mixed from it: both are set colours that a
// later palette (the desktop switching to a dark theme, say) would otherwise leave behind.
void RibbonBar::followPalette() {
    QPalette pal = m_pages->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Base));
    m_pages->setPalette(pal);
    for (QLabel* caption : m_pages->findChildren<QLabel*>(QStringLiteral("ribbonGroupCaption")))
        quietenCaption(caption, palette());
}

void RibbonBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        followPalette();
    QWidget::changeEvent(event);
}

RibbonBar::~RibbonBar() {
    // The keyboard watches every event of the application: it goes before the widgets it reads.
    delete std::exchange(m_keyboard, nullptr);
}

int RibbonBar::addTab(const QString& caption) {
    auto* page = new QWidget(m_pages);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    layout->addStretch(1);
    m_pages->addWidget(page);
    m_pageControls.append(QList<QWidget*>());
    m_keyboard->layoutChanged();
    // Build without announcing: the first tab becomes current while nobody listens yet, and a
    // later tab never changes the current one.
    const QSignalBlocker block(m_tabs);
    const int index = m_tabs->addTab(caption);
    m_pages->setCurrentIndex(m_tabs->currentIndex());
    return index;
}

RibbonGroup* RibbonBar::addGroup(int tab, const QString& caption) {
    QWidget* page = m_pages->widget(tab);
    if (!page)
        return nullptr;
    auto* layout = static_cast<QHBoxLayout*>(page->layout());
    // The trailing stretch stays last; groups and their separators go before it.
    const int at = layout->count() - 1;
    int insertAt = at;
    if (!groups(tab).isEmpty()) {
        auto* separator = new QFrame(page);
        separator->setFrameShape(QFrame::VLine);
        separator->setFrameShadow(QFrame::Sunken);
        separator->setObjectName(QStringLiteral("ribbonGroupSeparator"));
        layout->insertWidget(insertAt++, separator);
    }
    auto* group = new RibbonGroup(caption, page);
    layout->insertWidget(insertAt, group);
    return group;
}

QToolButton* RibbonBar::addButton(RibbonGroup* group, quint16 id, const QString& caption, const QIcon& icon) {
    if (!group)
        return nullptr;
    auto* b = makeLargeButton(group, caption, icon);
    connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
    group->addLarge(b);
    registerControl(id, b, caption, tabOfGroup(group));
    return b;
}

QToolButton* RibbonBar::addSplitButton(RibbonGroup* group, quint16 faceId, const QString& caption,
                                       const QList<QPair<quint16, QString>>& menu, const QIcon& icon,
                                       SplitFace face) {
    if (!group)
        return nullptr;
    auto* b = makeLargeButton(group, caption, icon);
    b->setPopupMode(QToolButton::MenuButtonPopup);
    auto* popup = new QMenu(b);
    for (const auto& [id, text] : menu) {
        QAction* action = popup->addAction(text);
        action->setData(uint(id));
        action->setToolTip(text);
        registerAction(id, action);
    }
    connectMenu(popup);
    b->setMenu(popup);
    b->setProperty(kFaceOpensMenuProperty, face == SplitFace::OpensMenu);
    if (face == SplitFace::OpensMenu)
        connect(b, &QToolButton::clicked, b, &QToolButton::showMenu);
    else
        connect(b, &QToolButton::clicked, this, [this, faceId] { emit commandTriggered(faceId); });
    group->addLarge(b);
    registerControl(faceId, b, caption, tabOfGroup(group));
    return b;
}

QComboBox* RibbonBar::addCombo(RibbonGroup* group, quint16 id, const QString& caption, int width) {
    if (!group)
        return nullptr;
    auto* box = new RibbonCombo(group);
    box->setEditable(false);
    box->setFixedWidth(width);
    box->setToolTip(caption);
    box->setAccessibleName(spokenName(caption));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
    box->setFocusPolicy(Qt::StrongFocus);
    connect(box, &QComboBox::activated, this, [this, id] { emit commandTriggered(id); });
    group->addSmall(makeSmallLabel(group, caption, box), box);
    registerControl(id, box, caption, tabOfGroup(group));
    return box;
}

TimeSpinEdit* RibbonBar::addTimeEdit(RibbonGroup* group, quint16 id, const QString& caption, int width) {
    if (!group)
        return nullptr;
    auto* edit = new TimeSpinEdit(group);
    edit->setFixedWidth(width);
    edit->setToolTip(caption);
    edit->setAccessibleName(spokenName(caption));
    group->addSmall(makeSmallLabel(group, caption, edit), edit);
    registerControl(id, edit, caption, tabOfGroup(group));
    return edit;
}

void RibbonBar::setApplicationMenu(QMenu* menu) {
    if (m_appMenu == menu)
        return;
    if (m_appMenu)
        disconnectMenu(m_appMenu);
    m_appMenu = menu;
    m_appButton->setMenu(menu);
    if (!menu)
        return;
    if (!menu->parent())
        menu->setParent(this, menu->windowFlags());
    connectMenu(menu);
}

void RibbonBar::popupApplicationMenu() {
    if (m_appMenu)
        m_appMenu->popup(m_appButton->mapToGlobal(QPoint(0, m_appButton->height())));
}

void RibbonBar::disconnectMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            disconnectMenu(sub);
            continue;
        }
        disconnect(action, nullptr, this, nullptr);
        for (auto it = m_actions.begin(); it != m_actions.end();)
            it = it.value() == action ? m_actions.erase(it) : std::next(it);
    }
}

void RibbonBar::connectMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            connectMenu(sub);
            continue;
        }
        bool ok = false;
        const uint id = action->data().toUInt(&ok);
        if (!ok || id == 0 || id > 0xFFFF)
            continue;
        if (!m_actions.contains(quint16(id)))
            registerAction(quint16(id), action);
        // One emission per trigger, however deep the sub-menu: connect the action, not the menus,
        // and never twice.
        disconnect(action, &QAction::triggered, this, nullptr);
        connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(quint16(id)); });
    }
}

QToolButton* RibbonBar::addTabRowButton(quint16 id, const QString& caption) {
    auto* b = new QToolButton(this);
    b->setText(caption);
    b->setToolTip(caption);
    b->setAccessibleName(caption);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
    m_tabRow->addWidget(b, 0, Qt::AlignVCenter);
    registerControl(id, b, caption, -1);
    return b;
}

QToolButton* RibbonBar::addQuickAccessButton(quint16 id, const QString& caption, const QIcon& icon) {
    auto* b = new QToolButton(this);
    b->setIcon(icon);
    b->setIconSize(QSize(18, 18));
    b->setToolTip(caption);
    b->setAccessibleName(caption);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(b, &QToolButton::clicked, this, [this, id] { emit commandTriggered(id); });
    // After the application button and the strip's earlier buttons, before the tabs.
    m_tabRow->insertWidget(1 + m_quickAccessCount++, b, 0, Qt::AlignVCenter);
    registerControl(id, b, caption, -1);
    return b;
}

int RibbonBar::tabCount() const {
    return m_tabs->count();
}

QString RibbonBar::tabCaption(int tab) const {
    return m_tabs->tabText(tab);
}

int RibbonBar::currentTab() const {
    return m_tabs->currentIndex();
}

void RibbonBar::setCurrentTab(int tab) {
    if (tab < 0 || tab >= m_tabs->count())
        return;
    m_tabs->setCurrentIndex(tab);
}

QWidget* RibbonBar::control(quint16 id) const {
    return m_controls.value(id, nullptr);
}

QComboBox* RibbonBar::combo(quint16 id) const {
    return qobject_cast<QComboBox*>(control(id));
}

TimeSpinEdit* RibbonBar::timeEdit(quint16 id) const {
    return qobject_cast<TimeSpinEdit*>(control(id));
}

QToolButton* RibbonBar::button(quint16 id) const {
    return qobject_cast<QToolButton*>(control(id));
}

QAction* RibbonBar::menuAction(quint16 id) const {
    return m_actions.value(id, nullptr);
}

QString RibbonBar::caption(quint16 id) const {
    if (m_captions.contains(id))
        return m_captions.value(id);
    if (QAction* action = menuAction(id))
        return action->text();
    return {};
}

RibbonGroup* RibbonBar::group(int tab, const QString& caption) const {
    for (RibbonGroup* g : groups(tab))
        if (g->caption() == caption)
            return g;
    return nullptr;
}

QList<RibbonGroup*> RibbonBar::groups(int tab) const {
    QList<RibbonGroup*> result;
    QWidget* page = m_pages->widget(tab);
    if (!page)
        return result;
    QLayout* layout = page->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (auto* g = qobject_cast<RibbonGroup*>(layout->itemAt(i)->widget()))
            result.append(g);
    return result;
}

bool RibbonBar::trigger(quint16 id) {
    if (QWidget* w = control(id)) {
        if (!w->isEnabled())
            return false;
        emit commandTriggered(id);
        return true;
    }
    if (QAction* action = menuAction(id)) {
        if (!action->isEnabled())
            return false;
        action->trigger();
        return true;
    }
    return false;
}

void RibbonBar::registerControl(quint16 id, QWidget* w, const QString& caption, int tab) {
    w->setProperty(kIdProperty, uint(id));
    m_controls.insert(id, w);
    m_captions.insert(id, caption);
    if (tab >= 0 && tab < m_pageControls.size())
        m_pageControls[tab].append(w);
    else
        m_tabRowControls.append(w);
    m_keyboard->layoutChanged();
}

int RibbonBar::tabOfGroup(const RibbonGroup* group) const {
    return m_pages->indexOf(group->parentWidget());
}

void RibbonBar::showKeyTips() {
    m_keyboard->enter();
}

bool RibbonBar::keyTipsShown() const {
    return m_keyboard->level() != RibbonKeyboard::Level::Off;
}

QString RibbonBar::tabKeyTip(int tab) const {
    return m_keyboard->tabTip(tab);
}

QString RibbonBar::applicationKeyTip() const {
    return m_keyboard->applicationTip();
}

QString RibbonBar::keyTip(quint16 id) const {
    QWidget* w = control(id);
    return w ? m_keyboard->tipOf(w) : QString();
}

int RibbonBar::tabOf(quint16 id) const {
    QWidget* w = control(id);
    for (int tab = 0; w && tab < m_pageControls.size(); ++tab)
        if (m_pageControls[tab].contains(w))
            return tab;
    return -1;
}

QList<QWidget*> RibbonBar::pageControls(int tab) const {
    return m_pageControls.value(tab);
}

quint16 RibbonBar::commandIdOf(const QWidget* control) {
    return control ? quint16(control->property(kIdProperty).toUInt()) : 0;
}

void RibbonBar::popupMenuOf(QToolButton* button) {
    if (QMenu* menu = button->menu())
        menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

bool RibbonBar::faceOpensMenu(const QToolButton* button) {
    return button->property(kFaceOpensMenuProperty).toBool();
}

void RibbonBar::registerAction(quint16 id, QAction* action) {
    m_actions.insert(id, action);
}
