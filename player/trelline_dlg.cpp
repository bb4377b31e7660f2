// The player window. Only this thread touches widgets: the playback thread's requests arrive as
// queued calls and are dropped when they belong to a playback that has since been paused or stopped.
#include "player/trelline_dlg.h"

#include "charset/charset_table.h"
#include "player/font_color_dialog.h"
#include "player/player_text.h"
#include "support/log.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFileDialog>
#include <QFontMetrics>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <limits>
#include <thread>

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

// Every format velmora's readers know, by the extensions their files carry.
const QStringList kNameFilters = {
    QStringLiteral("Subtitle files (*.srt *.sub *.txt *.smi *.sami *.vtt *.ass *.ssa)"),
    QStringLiteral("Srt File(*.srt)"),
    QStringLiteral("All files (*)"),
};

QString openFile(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(kNameFilters);
    dialog.setDefaultSuffix(QStringLiteral("srt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

QString defaultOpenSubtitleFile(QWidget* parent) {
    return openFile(parent, QStringLiteral("Load Subtitle"));
}

QString defaultOpenSecondFile(QWidget* parent) {
    return openFile(parent, QStringLiteral("Second File (shown below the first)"));
}

// The frame rates films come in; the file's own, when it names one, is offered first.
std::optional<double> defaultAskFrameRate(QWidget* parent, std::optional<double> fileRate) {
    QStringList rates = {QStringLiteral("23.976"), QStringLiteral("24"), QStringLiteral("25"),
                         QStringLiteral("29.97"),  QStringLiteral("30"), QStringLiteral("50"),
                         QStringLiteral("59.94"),  QStringLiteral("60")};
    int current = 0;
    if (fileRate) {
        const QString own = QLocale::c().toString(*fileRate, 'g', 6);
        current = int(rates.indexOf(own));
        if (current < 0) {
            rates.prepend(own);
            current = 0;
        }
    }
    bool ok = false;
    const QString label = fileRate
                              ? QStringLiteral("This file counts its times in frames and names its own "
                                               "rate. Frames a second of the film:")
                              : QStringLiteral("This file counts its times in frames. Frames a second of "
                                               "the film:");
    const QString answer =
        QInputDialog::getItem(parent, QStringLiteral("Frame Rate"), label, rates, current, true, &ok);
    if (!ok)
        return std::nullopt;
    const double rate = QLocale::c().toDouble(QString(answer).replace(u',', u'.').trimmed(), &ok);
    if (!ok || !(rate >= kMinFrameRate && rate <= kMaxFrameRate)) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Frame Rate"),
                        QStringLiteral("\"%1\" is not a frame rate between %2 and %3.")
                            .arg(answer)
                            .arg(kMinFrameRate)
                            .arg(kMaxFrameRate),
                        QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return std::nullopt;
    }
    return rate;
}

void defaultShowMessage(QWidget* parent, const UserMessage& message) {
    const QMessageBox::Icon icon = message.icon == MessageIcon::Error     ? QMessageBox::Critical
                                   : message.icon == MessageIcon::Warning ? QMessageBox::Warning
                                                                          : QMessageBox::Information;
    QMessageBox box(icon, message.caption, message.text, QMessageBox::Ok, parent);
    // The text may hold a file's path, which is never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

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
    m_prompts = Prompts{defaultOpenSubtitleFile,
                        defaultShowMessage,
                        [](QDialog& d) { return d.exec() == Accepted; },
                        defaultAskFrameRate,
                        defaultOpenSecondFile,
                        [] { return QSystemTrayIcon::isSystemTrayAvailable(); }};

    setWindowTitle(QStringLiteral("Subtitle Player"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("trelline"), style()->standardIcon(QStyle::SP_MediaPlay)));
    setMouseTracking(true);
    // With every control hidden in the overlay, the window itself takes the keys: a click on it,
    // or Play, gives it the focus.
    setFocusPolicy(Qt::ClickFocus);
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

    m_look.font = QApplication::font();
    m_look.font.setPixelSize(kDefaultTextPixelSize);
    m_look.font.setWeight(QFont::Normal);
    m_look.color = kDefaultTextColor;
    applyTextLook();
    createMenu();
    nameForScreenReaders();

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

void CTrellineDlg::setPrompts(Prompts prompts) {
    if (prompts.openSubtitleFile)
        m_prompts.openSubtitleFile = std::move(prompts.openSubtitleFile);
    if (prompts.showMessage)
        m_prompts.showMessage = std::move(prompts.showMessage);
    if (prompts.runModal)
        m_prompts.runModal = std::move(prompts.runModal);
    if (prompts.askFrameRate)
        m_prompts.askFrameRate = std::move(prompts.askFrameRate);
    if (prompts.openSecondFile)
        m_prompts.openSecondFile = std::move(prompts.openSecondFile);
    if (prompts.trayAvailable)
        m_prompts.trayAvailable = std::move(prompts.trayAvailable);
    updateMenuState();
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
    m_secondButton = button("secondButton", QStringLiteral("Second File"));
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

    m_subtitleLine = new SubtitleLabel(QString::fromUtf16(kStartText), this);
    m_subtitleLine->setObjectName(QStringLiteral("subtitleLine"));
    // The label paints the text itself: its markup becomes styles, never rich text of Qt's.
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

    // Over the text's top right corner, in either form.
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(0, 0, 0, 190); color: white; padding: 4px 10px; border-radius: 4px; }"));
    m_notice->hide();
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(kNoticeMs);
    connect(m_noticeTimer, &QTimer::timeout, m_notice, &QWidget::hide);

    // The sync keys reach the window also from these boxes, as far as the box has no use for them.
    m_charsetCombo->installEventFilter(this);
    m_delayEdit->installEventFilter(this);

    connect(m_loadButton, &QPushButton::clicked, this, &CTrellineDlg::onLoadSubtitle);
    connect(m_fontButton, &QPushButton::clicked, this, &CTrellineDlg::onFont);
    connect(m_playButton, &QPushButton::clicked, this, &CTrellineDlg::onPlayPause);
    connect(m_stopButton, &QPushButton::clicked, this, &CTrellineDlg::onStop);
    connect(m_quitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_secondButton, &QPushButton::clicked, this, &CTrellineDlg::onLoadSecond);
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
    // Room for a subtitle of two lines in the chosen font, so that the controls never cut one, and
    // for two of the second file below it.
    int room = 2 * QFontMetrics(m_look.font).lineSpacing() + kTextMargin + 2 * m_look.outlineWidth;
    if (m_session->hasSecond())
        room += 2 * QFontMetrics(m_subtitleLine->secondFont()).lineSpacing() + kTextMargin;
    return std::max(kNormalLineHeight, room);
}

int CTrellineDlg::overlayHeight() const {
    return std::max(kOverlayLineHeight, normalLineHeight());
}

void CTrellineDlg::relayout() {
    placeControls();
    if (!m_overlay)
        showNormalForm();
    else
        enterOverlayMode();
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
        {m_secondButton, dialogUnits(469, 57, 45, 14)},
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
    if (m_session->state() != PlaybackState::Stopped)
        return;
    const QString path = m_prompts.openSubtitleFile(this);
    if (!path.isEmpty())
        loadPrimary(path);
}

std::optional<double> CTrellineDlg::askFrameRate(std::optional<double> fileRate) {
    return m_prompts.askFrameRate(this, fileRate);
}

void CTrellineDlg::loadPrimary(const QString& path) {
    const PlayerSession::LoadOutcome outcome =
        m_session->load(path, [this](std::optional<double> rate) { return askFrameRate(rate); });
    if (outcome.replaced) {
        showEncoding(outcome.encoding);
        // Each file comes back with the sync it was last given.
        m_primaryPath = path;
        const SyncTiming timing = m_settings.syncFor(path);
        m_session->setTiming(timing);
        if (!timing.isNeutral())
            showNotice(timing.describe());
    }
    if (outcome.message) {
        showMessage(*outcome.message);
        return;
    }
    if (!outcome.firstText)
        return;
    m_slider->setEnabled(true);
    setSubtitleText(*outcome.firstText, m_session->secondTextAt(1));
    m_slider->setRange(1, m_session->count());
    m_slider->setValue(1);
    refreshLabels();
}

void CTrellineDlg::onLoadSecond() {
    if (m_session->state() == PlaybackState::Playing)
        return;
    const QString path = m_prompts.openSecondFile(this);
    if (!path.isEmpty())
        loadSecondFile(path);
}

void CTrellineDlg::loadSecondFile(const QString& path) {
    const PlayerSession::LoadOutcome outcome =
        m_session->loadSecond(path, [this](std::optional<double> rate) { return askFrameRate(rate); });
    if (outcome.message)
        showMessage(*outcome.message);
    if (outcome.replaced) {
        m_subtitleLine->setSecondText(m_session->secondTextAt(m_session->position()));
        relayout();
    }
    updateMenuState();
}

void CTrellineDlg::openFiles(const QString& first, const QString& second) {
    if (!second.isEmpty())
        loadSecondFile(second);
    if (!first.isEmpty())
        loadPrimary(first);
}

void CTrellineDlg::onFont() {
    if (!m_fontDialog)
        m_fontDialog = new FontColorDialog(m_look, this);
    else
        m_fontDialog->setSelectedLook(m_look);
    if (!m_prompts.runModal(*m_fontDialog))
        return;
    m_look = m_fontDialog->selectedLook();
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
        m_secondButton->setEnabled(true);
        refreshLabels();
        updateMenuState();
        return;
    case PlayerSession::PlayResult::Started:
        enterOverlayMode();
        m_playButton->setText(QStringLiteral("Pause"));
        update();
        m_slider->setRange(1, m_session->count());
        m_loadButton->setEnabled(false);
        m_secondButton->setEnabled(false);
        m_clockTick->start();
        updateMenuState();
        // Play was pressed here: the keys stay here, in the overlay as well.
        activateWindow();
        setFocus(Qt::OtherFocusReason);
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
    m_secondButton->setEnabled(true);
    m_slider->setValue(1);
    refreshLabels();
    updateMenuState();
    if (const std::optional<QString> text = m_session->textAt(1))
        setSubtitleText(*text, m_session->secondTextAt(1));
}

void CTrellineDlg::onSliderAction() {
    // The action has moved the slider's position but not yet its value.
    const std::optional<QString> text = m_session->seek(m_slider->sliderPosition());
    if (!text)
        return;
    dropHeldEvents();
    setSubtitleText(*text, m_session->secondTextAt(m_session->position()));
    refreshLabels();
    updateSliderTip();
    QToolTip::showText(QCursor::pos(), m_slider->toolTip(), m_slider);
}

void CTrellineDlg::onCharsetChanged() {
    if (const std::optional<QString> text = m_session->changeCharset(m_charsetCombo->currentText()))
        setSubtitleText(*text, m_session->secondTextAt(m_session->position()));
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
        // The final stretch is slept, not polled: on a busy machine a thread that spins has used
        // up its share when the line is due, and is made to wait, while one that slept is let in
        // at once. In real time, so that a clock that does not move by itself cannot hold it.
        if (left > left.zero())
            std::this_thread::sleep_for(left);
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
        setSubtitleText(event.text, event.secondText);
        m_slider->setValue(event.position);
        break;
    case PlaybackEvent::Kind::ShowEnd:
        setSubtitleText(QString::fromUtf16(kEndText));
        // Over the film nothing follows the last line; the window says "The End" when it is back.
        m_subtitleLine->setBlank(m_overlay);
        // Playback is over: the next Play starts from the first line.
        m_session->stop();
        m_clockTick->stop();
        m_playButton->setText(QStringLiteral("Play"));
        m_loadButton->setEnabled(true);
        m_secondButton->setEnabled(true);
        refreshLabels();
        updateMenuState();
        break;
    case PlaybackEvent::Kind::PositionAdvanced:
        refreshLabels();
        break;
    }
}

void CTrellineDlg::setSubtitleText(const QString& text, const QString& second) {
    m_subtitleLine->setBlank(false);
    m_subtitleLine->setText(text);
    m_subtitleLine->setSecondText(second);
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
    m_subtitleLine->setLook(m_look);
    // The text's room in the normal window follows its size.
    relayout();
}

void CTrellineDlg::showMessage(const UserMessage& message) {
    m_prompts.showMessage(this, message);
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
    // A focused button takes Space itself; it reaches the window only from elsewhere.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        onPlayPause();
        return;
    }
    if (handleSyncKey(*event, false))
        return;
    QDialog::keyPressEvent(event);
}

bool CTrellineDlg::handleSyncKey(const QKeyEvent& event, bool typingNumber) {
    const int key = event.key();
    const bool shifted = event.modifiers() & Qt::ShiftModifier;
    // The key that types "+" unshifted ("=" on a US keyboard, "+" on many others) with Shift
    // types "+" or "*".
    const bool plus = key == Qt::Key_Plus || key == Qt::Key_Equal || (shifted && key == Qt::Key_Asterisk);
    const bool minus = key == Qt::Key_Minus || key == Qt::Key_Underscore;
    // In the delay box digits and signs are what is typed.
    if (typingNumber && (plus || minus || (key >= Qt::Key_0 && key <= Qt::Key_9)))
        return false;
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int step = shifted ? kOffsetBigStep : kOffsetStep;
    const SyncTiming timing = m_session->timing();
    if (plus)
        changeTiming(timing.nudged(step));
    else if (minus)
        changeTiming(timing.nudged(-step));
    else if (key == Qt::Key_0)
        changeTiming(timing.nudged(-timing.offset));
    else if (key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight)
        changeTiming(timing.withSpeed(
            (timing.speed + (key == Qt::Key_BracketRight ? 1 : -1) + int(speedChoices().size())) %
            int(speedChoices().size())));
    else if (key == Qt::Key_Comma || key == Qt::Key_Less)
        jumpLine(-1);
    else if (key == Qt::Key_Period || key == Qt::Key_Greater)
        jumpLine(1);
    else
        return false;
    return true;
}

void CTrellineDlg::changeTiming(const SyncTiming& timing) {
    dropHeldEvents();
    m_session->setTiming(timing);
    m_settings.setSyncFor(m_primaryPath, timing);
    showNotice(timing.describe());
    refreshLabels();
    updateMenuState();
}

void CTrellineDlg::jumpLine(int direction) {
    dropHeldEvents();
    const std::optional<QString> text = m_session->jumpLine(direction);
    if (!text)
        return;
    const int position = m_session->position();
    setSubtitleText(*text, m_session->secondTextAt(position));
    m_slider->setValue(position);
    refreshLabels();
}

void CTrellineDlg::showNotice(const QString& text) {
    m_notice->setText(text);
    m_notice->adjustSize();
    m_notice->move(std::max(0, width() - m_notice->width() - kTextMargin), kTextMargin);
    m_notice->raise();
    m_notice->show();
    m_noticeTimer->start();
}

QString CTrellineDlg::noticeText() const {
    return m_notice->isVisible() ? m_notice->text() : QString();
}

void CTrellineDlg::createMenu() {
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("controlMenu"));
    connect(m_menu, &QMenu::aboutToShow, this, &CTrellineDlg::updateMenuState);
    m_playAction = m_menu->addAction(QStringLiteral("Play"), this, &CTrellineDlg::onPlayPause);
    // As the buttons: a file is opened while stopped, a second one also while paused.
    m_openAction = m_menu->addAction(QStringLiteral("Open Subtitle..."), this, &CTrellineDlg::onLoadSubtitle);
    m_openSecondAction =
        m_menu->addAction(QStringLiteral("Open Second File..."), this, &CTrellineDlg::onLoadSecond);
    m_closeSecondAction = m_menu->addAction(QStringLiteral("Close Second File"), this, [this] {
        m_session->clearSecond();
        m_subtitleLine->setSecondText(QString());
        relayout();
        updateMenuState();
    });

    QMenu* offset = m_menu->addMenu(QStringLiteral("Offset"));
    offset->setObjectName(QStringLiteral("offsetMenu"));
    struct Nudge {
        const char* label;
        int delta;
    };
    const Nudge nudges[] = {{"Later by 0.1 s\t+", kOffsetStep},
                            {"Earlier by 0.1 s\t-", -kOffsetStep},
                            {"Later by 1 s\tShift and +", kOffsetBigStep},
                            {"Earlier by 1 s\tShift and -", -kOffsetBigStep}};
    for (const Nudge& n : nudges)
        offset->addAction(QString::fromUtf8(n.label), this,
                          [this, d = n.delta] { changeTiming(m_session->timing().nudged(d)); });
    offset->addAction(QStringLiteral("No Offset\t0"), this,
                      [this] { changeTiming(m_session->timing().nudged(-m_session->timing().offset)); });
    offset->addSeparator();
    m_speedGroup = new QActionGroup(this);
    for (int i = 0; i < int(speedChoices().size()); ++i) {
        QAction* a = offset->addAction(QString::fromLatin1(speedChoices()[std::size_t(i)].label), this,
                                       [this, i] { changeTiming(m_session->timing().withSpeed(i)); });
        a->setCheckable(true);
        m_speedGroup->addAction(a);
    }
    offset->addSeparator();
    offset->addAction(QStringLiteral("Previous Line\t,"), this, [this] { jumpLine(-1); });
    offset->addAction(QStringLiteral("Next Line\t."), this, [this] { jumpLine(1); });

    m_screenMenu = m_menu->addMenu(QStringLiteral("Screen"));
    m_screenMenu->setObjectName(QStringLiteral("screenMenu"));
    // Screens come and go: the list is made when it opens.
    connect(m_screenMenu, &QMenu::aboutToShow, this, [this] {
        m_screenMenu->clear();
        for (QScreen* s : QGuiApplication::screens()) {
            const QRect g = s->geometry();
            QAction* a = m_screenMenu->addAction(
                QStringLiteral("%1 (%2 \u00d7 %3)").arg(s->name()).arg(g.width()).arg(g.height()), this,
                [this, s] { moveToScreen(s); });
            a->setCheckable(true);
            a->setChecked(s == screen());
        }
    });

    m_clickThroughAction = m_menu->addAction(QStringLiteral("Let Clicks Through"));
    m_clickThroughAction->setCheckable(true);
    connect(m_clickThroughAction, &QAction::triggered, this, [this](bool on) { setClicksThrough(on); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit"), this, &QDialog::accept);

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(windowIcon(), this);
        m_tray->setToolTip(QStringLiteral("trelline"));
        m_tray->setContextMenu(m_menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason != QSystemTrayIcon::Trigger)
                return;
            // With the mouse let through, a click on the tray icon is the way back to the window.
            if (m_clickThrough)
                setClicksThrough(false);
            raise();
            activateWindow();
        });
        m_tray->show();
    }
    updateMenuState();
}

void CTrellineDlg::updateMenuState() {
    if (!m_menu)
        return;
    m_playAction->setText(m_session->state() == PlaybackState::Playing ? QStringLiteral("Pause")
                                                                       : QStringLiteral("Play"));
    const PlaybackState state = m_session->state();
    m_openAction->setEnabled(state == PlaybackState::Stopped);
    m_openSecondAction->setEnabled(state != PlaybackState::Playing);
    m_closeSecondAction->setEnabled(m_session->hasSecond() && state != PlaybackState::Playing);
    const QList<QAction*> speeds = m_speedGroup->actions();
    const int speed = m_session->timing().speed;
    if (speed >= 0 && speed < speeds.size())
        speeds[speed]->setChecked(true);
    m_clickThroughAction->setChecked(m_clickThrough);
}

void CTrellineDlg::nameForScreenReaders() {
    m_charsetCaption->setBuddy(m_charsetCombo);
    m_delayCaption->setBuddy(m_delayEdit);
    m_slider->setAccessibleName(QStringLiteral("Position"));
    m_slider->setAccessibleDescription(QStringLiteral("The line to play from"));
    m_charsetCombo->setAccessibleName(QStringLiteral("Character set"));
    m_delayEdit->setAccessibleName(QStringLiteral("Time delay in milliseconds"));
    m_delayEdit->setAccessibleDescription(QStringLiteral("Waited before every line"));
    m_secondButton->setAccessibleName(QStringLiteral("Second file"));
    m_secondButton->setAccessibleDescription(QStringLiteral("A second subtitle file shown below the first"));
    m_subtitleLine->setAccessibleName(QStringLiteral("Subtitle"));
    m_menu->setAccessibleName(QStringLiteral("trelline"));
}

void CTrellineDlg::applyWindowFlags(Qt::WindowFlags flags) {
    if (m_clickThrough)
        flags |= Qt::WindowTransparentForInput;
    const QPoint at = frameGeometry().topLeft();
    const bool visible = isVisible();
    setWindowFlags(flags);
    move(at);
    if (visible) {
        // Coming back over a film must not take the keyboard from its player.
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
    }
}

bool CTrellineDlg::setClicksThrough(bool on) {
    if (on == m_clickThrough) {
        updateMenuState();
        return true;
    }
    if (on && !m_prompts.trayAvailable()) {
        updateMenuState();
        showMessage(
            UserMessage{QStringLiteral("Letting clicks through needs a system tray: its icon is the way "
                                       "back to the window, which no longer sees the mouse."),
                        QStringLiteral("trelline"), MessageIcon::Warning});
        return false;
    }
    m_clickThrough = on;
    log_printf("%s clicks through\n", on ? "let" : "stop letting");
    // The mouse cannot bring back the controls of a window it goes through.
    if (on && !m_overlay)
        enterOverlayMode();
    else
        applyWindowFlags(m_overlay ? kOverlayFlags : kNormalFlags);
    updateMenuState();
    return true;
}

void CTrellineDlg::moveToScreen(QScreen* target) {
    placeOnScreen(target);
    savePlacement();
}

void CTrellineDlg::placeOnScreen(QScreen* target) {
    if (!target)
        return;
    if (QWindow* window = windowHandle())
        window->setScreen(target);
    const QRect g = target->geometry();
    move(g.left(), g.top() + g.height() - kBottomOffset);
    if (m_overlay) {
        m_subtitleLine->setGeometry(0, 0, g.width(), overlayHeight());
        resize(g.width(), overlayHeight());
    } else {
        resize(g.width(), height());
        placeControls();
        showNormalForm();
    }
}

void CTrellineDlg::useSettings(const QString& file) {
    m_settings = PlayerSettings(file);
    const std::optional<PlayerSettings::Placement> placement = m_settings.placement();
    if (!placement)
        return;
    for (QScreen* s : QGuiApplication::screens()) {
        // Only where it would still be seen: screens change between runs.
        if (s->name() != placement->screen || !s->geometry().intersects(placement->geometry))
            continue;
        // Not remembered again until it closes: the place read above is the one to keep.
        placeOnScreen(s);
        const QRect g = s->geometry();
        const QRect saved = placement->geometry;
        const int w = std::clamp(saved.width(), std::min(g.width(), 200), g.width());
        move(std::clamp(saved.left(), g.left(), g.right() + 1 - w),
             std::clamp(saved.top(), g.top(), g.bottom() - kNormalLineHeight));
        resize(w, height());
        return;
    }
}

void CTrellineDlg::savePlacement() {
    if (const QScreen* s = screen())
        m_settings.setPlacement(
            {s->name(), QRect(frameGeometry().topLeft(), QSize(width(), m_normalHeight))});
}

void CTrellineDlg::done(int result) {
    savePlacement();
    QDialog::done(result);
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

void CTrellineDlg::mousePressEvent(QMouseEvent* event) {
    // A click on the overlay gives it the keyboard, which a tool window does not get by itself.
    activateWindow();
    if (!focusWidget() || !focusWidget()->isVisible())
        setFocus(Qt::MouseFocusReason);
    QDialog::mousePressEvent(event);
}

void CTrellineDlg::contextMenuEvent(QContextMenuEvent* event) {
    updateMenuState();
    m_menu->popup(event->globalPos());
}

bool CTrellineDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_subtitleLine && event->type() == QEvent::MouseMove) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        leaveOverlayIfOverText(m_subtitleLine->mapTo(this, at));
    }
    if ((watched == m_charsetCombo || watched == m_delayEdit) && event->type() == QEvent::KeyPress &&
        handleSyncKey(*static_cast<QKeyEvent*>(event), watched == m_delayEdit))
        return true;
    return QDialog::eventFilter(watched, event);
}

void CTrellineDlg::autoHideCheck(const QPoint& cursorGlobal) {
    if (frameGeometry().contains(cursorGlobal))
        return;
    if (m_session->state() == PlaybackState::Playing && !m_overlay)
        enterOverlayMode();
}

void CTrellineDlg::enterOverlayMode() {
    m_subtitleLine->setGeometry(0, 0, desktopWidth(), overlayHeight());
    for (QWidget* control : m_controls)
        control->hide();
    if (m_overlay) {
        resize(desktopWidth(), overlayHeight());
        return;
    }
    m_overlay = true;
    log_printf("enter overlay mode\n");
    // The window keeps its top edge; the frame it loses becomes part of the text area.
    applyWindowFlags(kOverlayFlags);
    resize(desktopWidth(), overlayHeight());
}

void CTrellineDlg::leaveOverlayIfOverText(const QPoint& dialogPos) {
    if (m_overlay && m_subtitleLine->geometry().contains(dialogPos))
        leaveOverlayMode();
}

void CTrellineDlg::leaveOverlayMode() {
    m_overlay = false;
    log_printf("leave overlay mode\n");
    m_subtitleLine->setBlank(false);
    for (QWidget* control : m_controls)
        control->show();
    applyWindowFlags(kNormalFlags);
    showNormalForm();
}
