// The translation progress dialog.
#include "app/progress_dialog.h"

#include "translate/google_web_service.h"
#include "translate/translate_job.h"
#include "translate/translate_transport.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// 275 x 14 dialog units at the usual 8-point dialog font.
constexpr int kBarWidth = 412;
constexpr int kBarHeight = 22;
} // namespace

CProgress::CProgress(TranslateJob& job, int lineTotal, QWidget* owner, int fromMemory)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), m_job(job), m_lineTotal(std::max(0, lineTotal)),
      m_fromMemory(std::max(0, fromMemory)) {
    setModal(true);
    setObjectName(QStringLiteral("CProgress"));

    // Without a caption the window needs an edge of its own to stand out from the frame behind.
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);

    m_status = new QLabel(QStringLiteral("Processing..."), panel);
    m_note = new QLabel(panel);
    m_note->setForegroundRole(QPalette::PlaceholderText);
    m_service = new QLabel(panel);
    m_service->setTextFormat(Qt::PlainText);
    const QUrl service = job.serviceUrl();
    const bool defaultEngine = job.serviceName() == GoogleWebService().name();
    if (!service.isEmpty() &&
        (!defaultEngine || service.host() != QUrl(QString::fromLatin1(kDefaultServiceUrl)).host())) {
        const QString where =
            service.port() > 0 ? service.host() + u':' + QString::number(service.port()) : service.host();
        m_service->setText((defaultEngine ? QString() : job.serviceName() + u' ') +
                           QStringLiteral("to %1%2").arg(where, service.scheme() == u"http" &&
                                                                        !isLoopbackHost(service.host())
                                                                    ? QStringLiteral(" (unencrypted)")
                                                                    : QString()));
    }
    m_service->setVisible(!m_service->text().isEmpty());
    m_bar = new QProgressBar(panel);
    m_bar->setMinimumSize(kBarWidth, kBarHeight);
    m_bar->setTextVisible(false);
    // The bar counts lines done, the memory's among them, from none, so that a one-line job is full at
    // "Done"; a range whose maximum lies below its minimum would make Qt collapse it to the minimum.
    m_bar->setRange(0, std::max(1, m_fromMemory + m_lineTotal));
    m_count = new QLabel(panel);
    m_ok = new QPushButton(QStringLiteral("OK"), panel);
    m_cancel = new QPushButton(QStringLiteral("CANCEL"), panel);
    m_ok->setEnabled(false);
    m_ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_count, 1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(14, 12, 14, 12);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_status);
    statusRow->addWidget(m_service);
    statusRow->addStretch(1);
    statusRow->addWidget(m_note);
    layout->addLayout(statusRow);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CProgress::reject);
    connect(&job, &TranslateJob::retrying, this, [this](int, int waitMs) {
        m_note->setText(QStringLiteral("no answer, trying again in %1 s").arg((waitMs + 999) / 1000));
    });
    connect(&job, &TranslateJob::batchTranslated, m_note, &QLabel::clear);

    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CProgress::OnTimer);
    m_timer.start();
    m_bar->setValue(m_fromMemory);
    m_count->setText(countOf(0));
}

QString CProgress::countOf(int done) const {
    if (m_fromMemory == 0)
        return QStringLiteral("%1 / %2 lines").arg(done).arg(m_lineTotal);
    return QStringLiteral("%1 from memory, %2 / %3 translated").arg(m_fromMemory).arg(done).arg(m_lineTotal);
}

void CProgress::OnTimer() {
    const bool running = m_job.translating();
    if (!running) {
        m_status->setText(QStringLiteral("Done"));
        m_ok->setEnabled(true);
        m_note->clear();
    }
    const int done = std::min(m_job.linesDone(), m_lineTotal);
    m_bar->setValue(std::min(m_fromMemory + done, m_bar->maximum()));
    QString count = countOf(done);
    if (const std::optional<std::chrono::seconds> left = running ? m_job.timeLeft() : std::nullopt) {
        const qint64 seconds = left->count();
        count += seconds < 90 ? QStringLiteral(", about %1 s left").arg(std::max<qint64>(1, seconds))
                              : QStringLiteral(", about %1 min left").arg((seconds + 30) / 60);
    }
    m_count->setText(count);
}

void CProgress::reject() {
    m_timer.stop();
    m_job.cancel();
    QDialog::reject();
}
