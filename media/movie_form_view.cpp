// The movie pane. libVLC's events arrive on its own thread; they are posted here with the
// generation of the film they belong to and dropped when that film has been closed since.
#include "media/movie_form_view.h"

#include "media/embedded_window.h"
#include "media/movie_rules.h"
#include "ui/desktop_dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>
#include <utility>

namespace {

constexpr int kIconSize = 24;
constexpr int kEndCheckMilliseconds = 1000;

std::unique_ptr<MediaEngine> defaultEngine(QString& error) {
    // The file's title would sit on the picture where the subtitles go.
    return loadMediaEngine(defaultPlayerPluginPath(), {QStringLiteral("--no-video-title-show")}, &error);
}

// The icon comes when the page is first shown (see showEvent).
QToolButton* mediaButton(QWidget* parent, const QString& tip, const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setToolTip(tip);
    // Image-only buttons: a screen reader says this instead.
    button->setAccessibleName(tip);
    button->setAutoRaise(false);
    return button;
}

} // namespace

CMovieFormView::CMovieFormView(QWidget* parent, EngineFactory engineFactory)
    : QWidget(parent),
      m_engineFactory(engineFactory ? std::move(engineFactory) : EngineFactory(defaultEngine)),
      m_desktop(std::make_unique<DesktopDialogs>()), m_dialogs(m_desktop.get()),
      m_video(new EmbeddedWindow(this)), m_open(mediaButton(this, tr("Open another film"), "movieOpen")),
      m_play(mediaButton(this, tr("Open a film and play it"), "moviePlay")),
      m_stop(mediaButton(this, tr("Stop"), "movieStop")),
      m_back(mediaButton(this, tr("Back 5 seconds"), "movieBack")),
      m_forward(mediaButton(this, tr("Forward 5 seconds"), "movieForward")),
      m_speaker(mediaButton(this, tr("Volume"), "movieSpeaker")),
      m_position(new QSlider(Qt::Horizontal, this)), m_volume(new QSlider(Qt::Horizontal, this)),
      m_time(new QLabel(formatMovieTimeLabel(0, 0), this)),
      m_reload(new QPushButton(QStringLiteral("Reload Subtitle"), this)) {
    setObjectName(QStringLiteral("movieFormView"));

    // libVLC draws into the video area's own window, made on the first open: a window from the start
    // would slow the frame's first show down by tens of milliseconds.
    m_video->setObjectName(QStringLiteral("movieVideo"));
    m_video->setMinimumSize(160, 90);
    m_video->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    // A symbol beside the volume slider rather than a button.
    m_speaker->setEnabled(false);
    // Its tooltip follows the state; the name stays what the button is.
    m_play->setAccessibleName(tr("Play or Pause"));
    m_position->setAccessibleName(tr("Film position"));
    m_volume->setAccessibleName(tr("Volume"));
    m_speaker->setAutoRaise(true);
    m_position->setObjectName(QStringLiteral("moviePosition"));
    m_position->setRange(0, kPositionSliderMax);
    m_position->setPageStep(kPositionSliderMax / 20);
    m_volume->setObjectName(QStringLiteral("movieVolume"));
    m_volume->setRange(0, kVolumeSliderMax);
    m_volume->setValue(kStartVolume);
    m_volume->setFixedWidth(100);
    m_volume->setToolTip(tr("Volume"));
    m_time->setObjectName(QStringLiteral("movieTime"));
    // The label keeps its width as the digits change, so the slider beside it does not jump.
    m_time->setMinimumWidth(m_time->fontMetrics().horizontalAdvance(QStringLiteral("[88:88:88/88:88:88]")) +
                            4);
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_reload->setObjectName(QStringLiteral("movieReload"));

    auto* seekRow = new QHBoxLayout;
    seekRow->addWidget(m_position, 1);
    seekRow->addWidget(m_time);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(4);
    buttonRow->addWidget(m_open);
    buttonRow->addSpacing(8);
    for (QWidget* w : {static_cast<QWidget*>(m_play), static_cast<QWidget*>(m_stop),
                       static_cast<QWidget*>(m_back), static_cast<QWidget*>(m_forward)})
        buttonRow->addWidget(w);
    buttonRow->addSpacing(12);
    buttonRow->addWidget(m_speaker);
    buttonRow->addWidget(m_volume);
    buttonRow->addSpacing(12);
    buttonRow->addWidget(m_reload);
    buttonRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(m_video, 1);
    layout->addLayout(seekRow);
    layout->addLayout(buttonRow);

    connect(m_open, &QToolButton::clicked, this, &CMovieFormView::OnOpen);
    connect(m_play, &QToolButton::clicked, this, &CMovieFormView::OnPlayPause);
    connect(m_stop, &QToolButton::clicked, this, &CMovieFormView::OnStop);
    connect(m_back, &QToolButton::clicked, this, &CMovieFormView::OnBack);
    connect(m_forward, &QToolButton::clicked, this, &CMovieFormView::OnForward);
    connect(m_reload, &QPushButton::clicked, this, &CMovieFormView::OnReloadSubtitle);
    // Only the user's moves reach the player: the pane's own moves block the sliders' signals.
    connect(m_volume, &QSlider::valueChanged, this, [this](int value) {
        if (m_player)
            m_player->setVolume(value);
    });
    connect(m_position, &QSlider::valueChanged, this, [this](int value) {
        if (!m_player)
            return;
        const qint64 time = seekTimeForSlider(m_player->length(), value);
        m_player->setTime(time);
        // Moving the thumb to the time's own place would move it under the user's hand.
        showSeek(time, false);
    });
    m_endTimer.setInterval(kEndCheckMilliseconds);
    connect(&m_endTimer, &QTimer::timeout, this, &CMovieFormView::OnTimer);
    m_secondTimer.setSingleShot(true);
    connect(&m_secondTimer, &QTimer::timeout, this, &CMovieFormView::OnSecondTimer);
    m_now = [] {
        return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    };

    setPlayingControlsEnabled(false);
}

CMovieFormView::~CMovieFormView() {
    // No event handler may still run once the widgets start to go.
    m_player.reset();
}

void CMovieFormView::OnPlayPause() {
    switch (m_state) {
    case PlayState::Playing:
        m_player->setPause(true);
        m_state = PlayState::Paused;
        break;
    case PlayState::Paused:
        m_player->setPause(false);
        m_state = PlayState::Playing;
        break;
    case PlayState::NothingOpen: {
        const QString path = m_lastFilm.isEmpty() ? pickFilm() : m_lastFilm;
        if (!path.isEmpty())
            openFilm(path);
        return;
    }
    }
    m_clock.setRunning(m_state == PlayState::Playing, m_now());
    showPosition();
    updatePlayButton();
}

void CMovieFormView::OnOpen() {
    const QString path = pickFilm();
    if (path.isEmpty())
        return;
    if (m_state != PlayState::NothingOpen)
        OnStop();
    openFilm(path);
}

void CMovieFormView::openFilm(const QString& path) {
    if (!m_engine) {
        QString why;
        m_engine = m_engineFactory(why);
        if (!m_engine) {
            showMessage(errorMessage(tr("The film player (libVLC) could not be started:\n%1").arg(why)));
            return;
        }
    }
    const std::uint64_t generation = ++m_generation;
    m_clock = MovieClock();
    // Called on libVLC's thread.
    PlayerEventSink sink = [this, generation](PlayerEvent event) {
        m_hop->post([this, generation, event] { applyPlayerEvent(generation, event); });
    };
    m_player = m_engine->open(path, std::move(sink));
    m_openPath = path;
    if (!m_player) {
        failPlayback();
        return;
    }
    m_player->setVideoWindow(m_video->nativeWindow()->winId());
    // A new player starts at the library's own volume, not at what the slider shows.
    m_player->setVolume(m_volume->value());
    if (!m_player->play()) {
        failPlayback();
        return;
    }
    loadSubtitle();
    // A message shown while the subtitle was written lets events run; one may have closed the film.
    if (generation != m_generation)
        return;
    m_state = PlayState::Playing;
    m_lastFilm = path;
    updatePlayButton();
    setPlayingControlsEnabled(true);
    m_endTimer.start();
}

void CMovieFormView::loadSubtitle() {
    if (!m_writeSubtitle)
        return;
    const std::uint64_t generation = m_generation;
    const std::optional<QString> path = m_writeSubtitle();
    if (path && m_player && generation == m_generation)
        m_player->setSubtitleFile(*path);
}

void CMovieFormView::OnStop() {
    setPlayingControlsEnabled(false);
    {
        const QSignalBlocker position(m_position);
        const QSignalBlocker volume(m_volume);
        m_position->setValue(0);
        m_volume->setValue(kStartVolume);
    }
    m_time->setText(formatMovieTimeLabel(0, 0));
    m_state = PlayState::NothingOpen;
    updatePlayButton();
    // What the closed film still has on its way is stale from here on.
    ++m_generation;
    m_player.reset();
    // libVLC's window is gone; its last picture would stay on the screen until something covers it.
    m_video->clear();
    m_openPath.clear();
    m_endTimer.stop();
    m_secondTimer.stop();
    m_clock = MovieClock();
}

void CMovieFormView::OnBack() {
    if (!m_player)
        return;
    const qint64 time = timeBack(m_player->time());
    m_player->setTime(time);
    showSeek(time, true);
}

void CMovieFormView::OnForward() {
    if (!m_player)
        return;
    const qint64 time = timeForward(m_player->time(), m_player->length());
    m_player->setTime(time);
    showSeek(time, true);
}

void CMovieFormView::OnReloadSubtitle() {
    if (m_player)
        loadSubtitle();
}

void CMovieFormView::OnTimer() {
    if (!m_player)
        return;
    switch (m_player->state()) {
    case PlayerState::Ended:
        OnStop();
        break;
    case PlayerState::Failed:
        failPlayback();
        break;
    case PlayerState::Busy:
        break;
    }
}

void CMovieFormView::applyPlayerEvent(std::uint64_t generation, PlayerEvent event) {
    if (generation != m_generation || !m_player)
        return;
    if (event == PlayerEvent::EncounteredError) {
        failPlayback();
        return;
    }
    const qint64 now = m_now();
    m_clock.report(m_player->time(), now);
    m_clock.setRunning(m_state == PlayState::Playing, now);
    showPosition();
}

void CMovieFormView::OnSecondTimer() {
    if (m_player)
        showPosition();
}

void CMovieFormView::showSeek(qint64 time, bool moveSlider) {
    m_clock.report(time, m_now());
    showPosition(moveSlider);
}

void CMovieFormView::showPosition(bool moveSlider) {
    const qint64 now = m_now();
    const qint64 length = m_player->length();
    qint64 time = m_clock.at(now);
    if (length > 0)
        time = std::min(time, length);
    m_time->setText(formatMovieTimeLabel(time, length));
    // Between the player's reports the label turns to the next second when the picture does.
    const qint64 wait = m_clock.untilNextSecond(now);
    if (wait >= 0)
        m_secondTimer.start(int(wait) + 1);
    else
        m_secondTimer.stop();
    // The thumb stays where the user holds it.
    if (!moveSlider || m_position->isSliderDown())
        return;
    const QSignalBlocker blocker(m_position);
    m_position->setValue(positionSliderValue(time, length));
}

void CMovieFormView::failPlayback() {
    const QString path = m_openPath;
    // Play asks for another film rather than trying this one again.
    m_lastFilm.clear();
    OnStop();
    showMessage(errorMessage(tr("This film cannot be played:\n%1").arg(QDir::toNativeSeparators(path))));
}

void CMovieFormView::setPlayingControlsEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(m_stop), static_cast<QWidget*>(m_back),
                       static_cast<QWidget*>(m_forward), static_cast<QWidget*>(m_position),
                       static_cast<QWidget*>(m_volume), static_cast<QWidget*>(m_reload)})
        w->setEnabled(enabled);
}

void CMovieFormView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The page is hidden at start: the style's icons are found (an icon theme read, images decoded)
    // when it is first shown rather than before the window's first frame.
    if (m_iconsSet)
        return;
    m_iconsSet = true;
    const std::pair<QToolButton*, QStyle::StandardPixmap> icons[] = {
        {m_open, QStyle::SP_DirOpenIcon},       {m_stop, QStyle::SP_MediaStop},
        {m_back, QStyle::SP_MediaSeekBackward}, {m_forward, QStyle::SP_MediaSeekForward},
        {m_speaker, QStyle::SP_MediaVolume},
    };
    for (const auto& [button, icon] : icons)
        button->setIcon(style()->standardIcon(icon));
    updatePlayButton();
}

void CMovieFormView::updatePlayButton() {
    const bool playing = m_state == PlayState::Playing;
    if (m_iconsSet)
        m_play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    if (playing)
        m_play->setToolTip(tr("Pause"));
    else if (m_state == PlayState::Paused)
        m_play->setToolTip(tr("Play"));
    else if (!m_lastFilm.isEmpty())
        m_play->setToolTip(tr("Play %1 again").arg(QFileInfo(m_lastFilm).fileName()));
    else
        m_play->setToolTip(tr("Open a film and play it"));
}

void CMovieFormView::setDialogs(DialogSeam* dialogs) {
    m_dialogs = dialogs ? dialogs : m_desktop.get();
}

QString CMovieFormView::pickFilm() {
    return m_dialogs->getOpenFileName(this, {QStringLiteral("All Files (*)")}).path;
}

void CMovieFormView::showMessage(const UserMessage& message) {
    m_dialogs->showMessage(this, message);
}
