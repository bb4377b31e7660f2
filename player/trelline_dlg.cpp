// The player window. Only this thread touches widgets: the playback thread's requests arrive as
// queued calls and are dropped when they belong to a playback that has since been paused or stopped.
#include "player/trelline_dlg.h"

#include "charset/charset_table.h"
#include "player/font_color_dialog.h"
#include "player/player_text.h"
#include "support/log.h"
#include "ui/desktop_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <limits>

namespace {
class JumpClickStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
} // namespace

namespace {

constexpr Qt::WindowFlags kNormalFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;
constexpr Qt::WindowFlags kOverlayFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

// The subtitle text is red until a colour is chosen in the font dialog.
const QColor kDefaultTextColor(255, 0, 0);
// Marks the character set box's entry for a Unicode form, which no key lookup knows.
constexpr int kUnicodeFormRole = Qt::UserRole + 1;

// A 35-pixel character cell, which leaves about 30 pixels for the letters themselves.
constexpr int kDefaultTextPixelSize = 30;

} // namespace

CTrellineDlg::CTrellineDlg(PlaybackClock* clock, QWidget* parent) : QDialog(parent, kNormalFlags) {
    if (!clock) {
        m_ownClock = std::make_unique<WaitOrWake>();
        clock = m_ownClock.get();
    }
    m_clock = clock;
    // Called on the playback thread: hand the request over to this window's thread.
    m_session = std::make_unique<PlayerSession>(*clock, [this](const PlaybackEvent& event) {
        m_hop->post([this, event] { receivePlaybackEvent(event); });
    });
    if (m_ownClock)
        m_session->setShowLead(kShowLead);
    m_eventTimer = new QTimer(this);
    m_eventTimer->setSingleShot(true);
    m_eventTimer->setTimerType(Qt::PreciseTimer);
    connect(m_eventTimer, &QTimer::timeout, this, &CTrellineDlg::applyDueEvents);
    m_desktop = std::make_unique<DesktopDialogs>();
    m_dialogs = m_desktop.get();

    setWindowTitle(QStringLiteral("Subtitle Player"));
    setWindowIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    setMouseTracking(true);
    // The window can only become see-through if it is created with an alpha channel; the normal
    // form paints its background itself (paintEvent).
    setAttribute(Qt::WA_TranslucentBackground, true);

    const QFontMetrics metrics(font());
    // Dialog base units as the classic dialog manager computes them from the average letter.
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (letters / 26 + 1) / 2;
    m_baseY = metrics.height();

    createControls();

    const QRect screen = this->screen() ? this->screen()->geometry() : QRect(0, 0, 1024, 768);
    move(screen.left(), screen.top() + screen.height() - kBottomOffset);
    resize(screen.width(), kWindowHeight);

    m_textFont = QApplication::font();
    m_textFont.setPixelSize(kDefaultTextPixelSize);
    m_textFont.setWeight(QFont::Normal);
    m_textColor = kDefaultTextColor;
    applyTextLook();

    m_session->setDelay(0);
    refreshLabels();

    m_clockTick = new QTimer(this);
    m_clockTick->setInterval(kClockTickMs);
    connect(m_clockTick, &QTimer::timeout, this, &CTrellineDlg::refreshLabels);

    m_autoHide = new QTimer(this);
    m_autoHide->setInterval(kAutoHideIntervalMs);
    connect(m_autoHide, &QTimer::timeout, this, [this] { autoHideCheck(QCursor::pos()); });
    m_autoHide->start();
}

CTrellineDlg::~CTrellineDlg() {
    // The playback thread ends before the widgets it reports to go away.
    m_session.reset();
}

void CTrellineDlg::setDialogs(DialogSeam* dialogs) {
    m_dialogs = dialogs ? dialogs : m_desktop.get();
}

void CTrellineDlg::createControls() {
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        m_controls.push_back(b);
        return b;
    };
    // Created in the template's order, which is also the tab order.
    m_loadButton = button("loadButton", QStringLiteral("Load Subtitle"));
    m_fontButton = button("fontButton", QStringLiteral("Font"));
    m_playButton = button("playButton", QStringLiteral("Play"));
    m_stopButton = button("stopButton", QStringLiteral("Stop"));
    m_quitButton = button("quitButton", QStringLiteral("Quit"));
    m_playButton->setDefault(true);

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("positionSlider"));
    m_slider->setTickPosition(QSlider::NoTicks);
    // A click on the groove goes to the line under it, not a page towards it.
    auto* jumpStyle = new JumpClickStyle;
    jumpStyle->setParent(m_slider);
    m_slider->setStyle(jumpStyle);
    m_slider->setRange(1, 1);
    m_slider->setEnabled(false);
    m_controls.push_back(m_slider);

    m_charsetCaption = new QLabel(QStringLiteral("Change CharSet: "), this);
    m_charsetCaption->setObjectName(QStringLiteral("charsetCaption"));
    m_controls.push_back(m_charsetCaption);

    m_charsetCombo = new QComboBox(this);
    m_charsetCombo->setObjectName(QStringLiteral("charsetCombo"));
    QStringList names;
    for (const CharsetEntry& entry : charsetTable())
        names << QString::fromUtf16(entry.displayName);
    // The list is kept sorted, whatever the table's order.
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    m_charsetCombo->addItems(names);
    m_charsetCombo->setCurrentText(QString::fromUtf16(kDefaultCharsetName));
    m_controls.push_back(m_charsetCombo);

    m_delayCaption = new QLabel(QStringLiteral("Time Delay: (ms) "), this);
    m_delayCaption->setObjectName(QStringLiteral("delayCaption"));
    m_controls.push_back(m_delayCaption);

    m_delayEdit = new QSpinBox(this);
    m_delayEdit->setObjectName(QStringLiteral("delayEdit"));
    // Wider than the delay's range, so that a typed number above it can be brought back to it.
    m_delayEdit->setRange(0, std::numeric_limits<int>::max());
    m_delayEdit->setValue(0);
    m_controls.push_back(m_delayEdit);

    m_subtitleLine = new QLabel(QString::fromUtf16(kStartText), this);
    m_subtitleLine->setObjectName(QStringLiteral("subtitleLine"));
    // Subtitles often carry markup such as <i>; it is shown as written.
    m_subtitleLine->setTextFormat(Qt::PlainText);
    m_subtitleLine->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_subtitleLine->setWordWrap(true);
    m_subtitleLine->setMouseTracking(true);
    m_subtitleLine->installEventFilter(this);

    m_currentLabel = new QLabel(this);
    m_currentLabel->setObjectName(QStringLiteral("currentLabel"));
    m_controls.push_back(m_currentLabel);
    m_totalLabel = new QLabel(this);
    m_totalLabel->setObjectName(QStringLiteral("totalLabel"));
    m_controls.push_back(m_totalLabel);

    connect(m_loadButton, &QPushButton::clicked, this, &CTrellineDlg::onLoadSubtitle);
    connect(m_fontButton, &QPushButton::clicked, this, &CTrellineDlg::onFont);
    connect(m_playButton, &QPushButton::clicked, this, &CTrellineDlg::onPlayPause);
    connect(m_stopButton, &QPushButton::clicked, this, &CTrellineDlg::onStop);
    connect(m_quitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_slider, &QSlider::actionTriggered, this, &CTrellineDlg::onSliderAction);
    connect(m_slider, &QSlider::valueChanged, this, &CTrellineDlg::updateSliderTip);
    connect(m_charsetCombo, &QComboBox::currentIndexChanged, this, &CTrellineDlg::onCharsetChanged);
    connect(m_delayEdit, &QSpinBox::textChanged, this, &CTrellineDlg::onDelayTextChanged);
}

QRect CTrellineDlg::dialogUnits(int x, int y, int width, int height) const {
    return QRect(x * m_baseX / 4, y * m_baseY / 8, width * m_baseX / 4, height * m_baseY / 8);
}

int CTrellineDlg::desktopWidth() const {
    return screen() ? screen()->geometry().width() : width();
}

int CTrellineDlg::normalLineHeight() const {
    // Room for a subtitle of two lines in the chosen font, so that the controls never cut one.
    return std::max(kNormalLineHeight, 2 * QFontMetrics(m_textFont).lineSpacing() + kTextMargin);
}

void CTrellineDlg::placeControls() {
    // The time labels may need more room in this font than in the template's; the slider's left
    // edge bounds them.
    const int labelRoom = dialogUnits(91, 0, 0, 0).left() - dialogUnits(7, 0, 0, 0).left() - 2;
    const QFontMetrics metrics(m_currentLabel->font());
    const int timeWidth = std::min(labelRoom, metrics.horizontalAdvance(formatTimeLabel("current", 0)) + 4);
    auto timeLabel = [&](QRect place) {
        place.setWidth(std::max(place.width(), timeWidth));
        place.setHeight(std::max(place.height(), metrics.height()));
        return place;
    };
    const std::pair<QWidget*, QRect> places[] = {
        {m_loadButton, dialogUnits(13, 56, 50, 14)},
        {m_fontButton, dialogUnits(70, 56, 50, 14)},
        {m_playButton, dialogUnits(304, 57, 50, 14)},
        {m_stopButton, dialogUnits(359, 57, 50, 14)},
        {m_quitButton, dialogUnits(414, 57, 50, 14)},
        {m_slider, dialogUnits(91, 33, 411, 11)},
        {m_charsetCaption, dialogUnits(128, 44, 58, 8)},
        {m_charsetCombo, dialogUnits(128, 57, 112, 14)},
        {m_delayCaption, dialogUnits(246, 45, 68, 8)},
        // The edit and its up-down arrows in one control.
        {m_delayEdit, dialogUnits(247, 57, 50, 14)},
        {m_currentLabel, timeLabel(dialogUnits(7, 30, 71, 8))},
        {m_totalLabel, timeLabel(dialogUnits(7, 40, 62, 8))},
    };
    // The controls keep their places among themselves and move down together below the text.
    int top = std::numeric_limits<int>::max();
    for (const auto& [control, place] : places)
        top = std::min(top, place.top());
    const int shift = std::max(0, normalLineHeight() + kTextMargin - top);
    int bottom = 0;
    for (const auto& [control, place] : places) {
        control->setGeometry(place.translated(0, shift));
        bottom = std::max(bottom, place.bottom() + shift);
    }
    m_normalHeight = std::max(kWindowHeight, bottom + 1 + dialogUnits(0, 0, 0, 7).height());
}

void CTrellineDlg::showNormalForm() {
    m_subtitleLine->setGeometry(0, 0, desktopWidth(), normalLineHeight());
    resize(desktopWidth(), m_normalHeight);
    // A window grown for a large font stays on the screen.
    if (const QScreen* where = screen()) {
        const int over = frameGeometry().bottom() - where->availableGeometry().bottom();
        if (over > 0)
            move(x(), std::max(where->availableGeometry().top(), y() - over));
    }
}

void CTrellineDlg::onLoadSubtitle() {
    const QString path = m_dialogs->getOpenFileName(this, {QStringLiteral("Srt File(*.srt)")}).path;
    if (path.isEmpty())
        return;
    const PlayerSession::LoadOutcome outcome = m_session->load(path);
    if (outcome.replaced)
        showEncoding(outcome.encoding);
    if (outcome.message) {
        showMessage(*outcome.message);
        return;
    }
    if (!outcome.firstText)
        return;
    m_slider->setEnabled(true);
    setSubtitleText(*outcome.firstText);
    m_slider->setRange(1, m_session->count());
    m_slider->setValue(1);
    refreshLabels();
}

void CTrellineDlg::onFont() {
    if (!m_fontDialog)
        m_fontDialog = new FontColorDialog(m_textFont, m_textColor, this);
    if (m_dialogs->runModal(*m_fontDialog) != QDialog::Accepted)
        return;
    m_textFont = m_fontDialog->selectedFont();
    m_textColor = m_fontDialog->selectedColor();
    applyTextLook();
}

void CTrellineDlg::onPlayPause() {
    dropHeldEvents();
    switch (m_session->playPause()) {
    case PlayerSession::PlayResult::NotLoaded:
        showMessage(errorMessage(QStringLiteral("Your subtitle is not loaded yet!")));
        return;
    case PlayerSession::PlayResult::Paused:
        m_playButton->setText(QStringLiteral("Play"));
        m_clockTick->stop();
        refreshLabels();
        return;
    case PlayerSession::PlayResult::Started:
        enterOverlayMode();
        m_playButton->setText(QStringLiteral("Pause"));
        update();
        m_slider->setRange(1, m_session->count());
        m_loadButton->setEnabled(false);
        m_clockTick->start();
        return;
    }
}

void CTrellineDlg::onStop() {
    if (!m_session->stop())
        return;
    dropHeldEvents();
    m_clockTick->stop();
    m_playButton->setText(QStringLiteral("Play"));
    m_loadButton->setEnabled(true);
    m_slider->setValue(1);
    refreshLabels();
    if (const std::optional<QString> text = m_session->textAt(1))
        setSubtitleText(*text);
}

void CTrellineDlg::onSliderAction() {
    // The action has moved the slider's position but not yet its value.
    const std::optional<QString> text = m_session->seek(m_slider->sliderPosition());
    if (!text)
        return;
    dropHeldEvents();
    setSubtitleText(*text);
    refreshLabels();
    updateSliderTip();
    QToolTip::showText(QCursor::pos(), m_slider->toolTip(), m_slider);
}

void CTrellineDlg::onCharsetChanged() {
    if (const std::optional<QString> text = m_session->changeCharset(m_charsetCombo->currentText()))
        setSubtitleText(*text);
}

void CTrellineDlg::onDelayTextChanged(const QString& text) {
    const qint64 value = readDecimal(text);
    if (value > kMaxDelay)
        m_delayEdit->setValue(kMaxDelay); // comes back here with the clamped text
    else if (value < 0)
        m_delayEdit->setValue(0);
    m_session->setDelay(clampDelay(value));
}

void CTrellineDlg::receivePlaybackEvent(const PlaybackEvent& event) {
    if (!m_session || !m_session->isCurrent(event.generation, event.seekSerial))
        return;
    // Held events of an older playback or from before a seek can never be shown any more.
    while (!m_heldEvents.empty() &&
           !m_session->isCurrent(m_heldEvents.front().generation, m_heldEvents.front().seekSerial))
        m_heldEvents.pop_front();
    m_heldEvents.push_back(event);
    applyDueEvents();
}

void CTrellineDlg::applyDueEvents() {
    using namespace std::chrono;
    while (!m_heldEvents.empty()) {
        const PlaybackClock::TimePoint due = m_heldEvents.front().due;
        const auto left = due - m_clock->now();
        if (left > kFinalStretch) {
            scheduleNextEvent();
            return;
        }
        if (left > left.zero()) {
            // The final stretch: polling keeps this thread on its processor, where another sleep
            // could leave it waiting behind busy threads. Bounded in real time as well, for a
            // clock that does not move by itself.
            const auto until = steady_clock::now() + left;
            while (m_clock->now() < due && steady_clock::now() < until) {
            }
        }
        const PlaybackEvent event = std::move(m_heldEvents.front());
        m_heldEvents.pop_front();
        applyPlaybackEvent(event);
    }
}

void CTrellineDlg::scheduleNextEvent() {
    using namespace std::chrono;
    const auto left = m_heldEvents.front().due - m_clock->now() - kFinalStretch;
    m_eventTimer->start(int(std::max<milliseconds::rep>(0, duration_cast<milliseconds>(left).count())));
}

void CTrellineDlg::dropHeldEvents() {
    m_heldEvents.clear();
    m_eventTimer->stop();
}

void CTrellineDlg::applyPlaybackEvent(const PlaybackEvent& event) {
    if (!m_session || !m_session->isCurrent(event.generation, event.seekSerial))
        return;
    switch (event.kind) {
    case PlaybackEvent::Kind::ClearText:
        setSubtitleText(QString());
        break;
    case PlaybackEvent::Kind::ShowLine:
        setSubtitleText(event.text);
        m_slider->setValue(event.position);
        break;
    case PlaybackEvent::Kind::ShowEnd:
        setSubtitleText(QString::fromUtf16(kEndText));
        // Playback is over: the next Play starts from the first line.
        m_session->stop();
        m_clockTick->stop();
        m_playButton->setText(QStringLiteral("Play"));
        m_loadButton->setEnabled(true);
        refreshLabels();
        break;
    case PlaybackEvent::Kind::PositionAdvanced:
        refreshLabels();
        break;
    }
}

void CTrellineDlg::setSubtitleText(const QString& text) {
    m_subtitleLine->setText(text);
    emit subtitleShown(text);
}

void CTrellineDlg::refreshLabels() {
    m_currentLabel->setText(m_session->currentLabel());
    m_totalLabel->setText(m_session->totalLabel());
}

void CTrellineDlg::updateSliderTip() {
    // The line under the slider and the time it shows at.
    const int position = m_slider->sliderPosition();
    if (position < 1 || position > m_session->count()) {
        m_slider->setToolTip(QString());
        return;
    }
    m_slider->setToolTip(QStringLiteral("%1  %2").arg(position).arg(
        formatTime(m_session->lines()[std::size_t(position - 1)].show)));
}

void CTrellineDlg::applyTextLook() {
    m_subtitleLine->setFont(m_textFont);
    QPalette palette = m_subtitleLine->palette();
    palette.setColor(QPalette::WindowText, m_textColor);
    m_subtitleLine->setPalette(palette);
    m_subtitleLine->update();
    // The text's room in the normal window follows its size.
    placeControls();
    if (!m_overlay)
        showNormalForm();
}

void CTrellineDlg::showMessage(const UserMessage& message) {
    m_dialogs->showMessage(this, message);
}

void CTrellineDlg::showEncoding(const PlayerEncoding& encoding) {
    // The session reads the texts in this code page already; nothing is to be shown again.
    const QSignalBlocker quiet(m_charsetCombo);
    // A Unicode form's entry is there only while a file in it is loaded.
    for (int i = m_charsetCombo->count() - 1; i >= 0; --i)
        if (m_charsetCombo->itemData(i, kUnicodeFormRole).toBool())
            m_charsetCombo->removeItem(i);
    if (!encoding.unicodeForm.isEmpty()) {
        const QString name = QStringLiteral("Unicode(%1)").arg(encoding.unicodeForm);
        int at = 0;
        while (at < m_charsetCombo->count() &&
               m_charsetCombo->itemText(at).compare(name, Qt::CaseInsensitive) < 0)
            ++at;
        m_charsetCombo->insertItem(at, name);
        m_charsetCombo->setItemData(at, true, kUnicodeFormRole);
        m_charsetCombo->setCurrentIndex(at);
        m_charsetCombo->setEnabled(false);
        m_charsetCombo->setToolTip(
            tr("Read as %1 by its byte-order mark: no other character set reads it better.")
                .arg(encoding.unicodeForm));
        return;
    }
    m_charsetCombo->setEnabled(true);
    m_charsetCombo->setToolTip(QString());
    for (int i = 0; i < m_charsetCombo->count(); ++i)
        if (lookupCharsetKey(m_charsetCombo->itemText(i)) == encoding.codePage) {
            m_charsetCombo->setCurrentIndex(i);
            break;
        }
}

void CTrellineDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused button takes Enter as its own press; anywhere else Enter is Play/Pause, also in
        // the overlay where the Play button is hidden.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused && focused != m_playButton && focused->isVisible() && focused->isEnabled())
            focused->click();
        else
            onPlayPause();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTrellineDlg::paintEvent(QPaintEvent* event) {
    if (!m_overlay) {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
    }
    QDialog::paintEvent(event);
}

void CTrellineDlg::mouseMoveEvent(QMouseEvent* event) {
    leaveOverlayIfOverText(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

bool CTrellineDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_subtitleLine && event->type() == QEvent::MouseMove) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        leaveOverlayIfOverText(m_subtitleLine->mapTo(this, at));
    }
    return QDialog::eventFilter(watched, event);
}

void CTrellineDlg::autoHideCheck(const QPoint& cursorGlobal) {
    if (frameGeometry().contains(cursorGlobal))
        return;
    if (m_session->state() == PlaybackState::Playing && !m_overlay)
        enterOverlayMode();
}

void CTrellineDlg::enterOverlayMode() {
    m_subtitleLine->setGeometry(0, 0, desktopWidth(), kOverlayLineHeight);
    for (QWidget* control : m_controls)
        control->hide();
    if (m_overlay)
        return;
    m_overlay = true;
    log_printf("enter overlay mode\n");
    // The window keeps its top edge; the frame it loses becomes part of the text area.
    const QPoint at = frameGeometry().topLeft();
    const bool visible = isVisible();
    setWindowFlags(kOverlayFlags);
    move(at);
    resize(desktopWidth(), kWindowHeight);
    if (visible) {
        // Coming back over a film must not take the keyboard from its player.
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
    }
}

void CTrellineDlg::leaveOverlayIfOverText(const QPoint& dialogPos) {
    if (m_overlay && m_subtitleLine->geometry().contains(dialogPos))
        leaveOverlayMode();
}

void CTrellineDlg::leaveOverlayMode() {
    m_overlay = false;
    log_printf("leave overlay mode\n");
    const QPoint at = frameGeometry().topLeft();
    const bool visible = isVisible();
    setWindowFlags(kNormalFlags);
    for (QWidget* control : m_controls)
        control->show();
    move(at);
    showNormalForm();
    if (visible) {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
    }
}
