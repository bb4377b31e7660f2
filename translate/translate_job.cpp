// The job loop on its worker thread and the hand-over of its results to the UI thread.
#include "translate/translate_job.h"

#include "support/log.h"
#include "translate/answer_reader.h"
#include "translate/google_web_service.h"
#include "translate/tag_shield.h"
#include "translate/translate_messages.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>

namespace {
constexpr long kProxyAuthenticationRequired = 407;
// Entries on each side of a batch that engines able to use them get as context.
constexpr int kContextEntries = 2;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "en&tl=fr" as the ribbon's combos make it.
LanguagePair pairOf(const QByteArray& langPair) {
    const qsizetype at = langPair.indexOf("&tl=");
    if (at < 0)
        return {QString::fromLatin1(langPair), {}};
    return {QString::fromLatin1(langPair.first(at)), QString::fromLatin1(langPair.mid(at + 4))};
}
} // namespace

std::optional<std::chrono::seconds> estimateTimeLeft(std::chrono::milliseconds elapsed, int linesDone,
                                                     int lineCount, int batchesDone) {
    if (batchesDone < 2 || linesDone <= 0 || lineCount < linesDone)
        return std::nullopt;
    const double perLine = double(elapsed.count()) / linesDone;
    return std::chrono::seconds(std::llround(perLine * (lineCount - linesDone) / 1000.0));
}

int batchEnd(const QStringList& lines, int start, const BatchLimit& limit) {
    int end = start;
    qsizetype bytes = 0;
    while (end < lines.size() && end - start < std::max(1, limit.lines)) {
        // Characters times three bounds the UTF-8 without converting the line.
        bytes += lines[end].size() * 3 + 1;
        if (end > start && bytes > limit.bytes)
            break;
        ++end;
    }
    return end;
}

bool isTransientStatus(long status) {
    return status == 429 || (status >= 502 && status <= 504);
}

JobConfig JobConfig::fromEnvironment() {
    JobConfig config;
    bool ok = false;
    const int pause = qEnvironmentVariableIntValue(kPauseVariable, &ok);
    if (ok && pause >= 0)
        config.pause = std::chrono::milliseconds(pause);
    return config;
}

TranslateJob::TranslateJob(TransportFactory transports, JobConfig config, QObject* parent)
    : QObject(parent), m_transports(std::move(transports)), m_config(config) {}

TranslateJob::~TranslateJob() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

bool TranslateJob::start(TranslateRequest request) {
    if (m_translating.load() || m_workerAlive.load())
        return false;
    if (m_thread.joinable())
        m_thread.join(); // the last worker has returned already; this only collects it
    // Made here, so that the dialog can say where the lines go; it outlives the job, so that the
    // next job finds its connection open.
    if (!m_transport && m_transports)
        m_transport = m_transports();
    std::shared_ptr<TranslationService> service = m_service;
    if (!service)
        service = std::make_shared<GoogleWebService>(m_transport ? m_transport->serviceUrl() : QUrl());
    m_serviceUrl = service->baseUrl();
    m_serviceName = service->name();
    m_rowsToReview.clear();
    ++m_generation;
    m_translating.store(true);
    m_translatedUpTo.store(0);
    m_linesDone.store(0);
    m_batchesDone.store(0);
    m_startedNs.store(nowNs());
    m_lastBatchNs.store(0);
    m_lineCount.store(int(request.lines.size()));
    emit started();
    m_workerAlive.store(true);
    m_thread = std::jthread([this, generation = m_generation, request = std::move(request),
                             credentials = m_proxyCredentials, service](std::stop_token stop) mutable {
        TranslateThreadProc(stop, generation, std::move(request), std::move(credentials), std::move(service));
        {
            std::lock_guard lock(m_aliveMutex);
            m_workerAlive.store(false);
        }
        m_workerReturned.notify_all();
    });
    return true;
}

void TranslateJob::cancel() {
    if (!m_translating.load())
        return;
    m_thread.request_stop();
    end(JobEnd{JobOutcome::Cancelled, std::nullopt});
}

void TranslateJob::end(const JobEnd& how) {
    // Whatever the worker still sends belongs to a job that is over.
    ++m_generation;
    m_translating.store(false);
    emit finished(how);
}

std::optional<std::chrono::seconds> TranslateJob::timeLeft() const {
    if (!m_translating.load())
        return std::nullopt;
    const std::int64_t last = m_lastBatchNs.load();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::nanoseconds(last - m_startedNs.load()));
    return estimateTimeLeft(elapsed, m_linesDone.load(), m_lineCount.load(), m_batchesDone.load());
}

bool TranslateJob::waitForWorker(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_aliveMutex);
    return m_workerReturned.wait_for(lock, timeout, [this] { return !m_workerAlive.load(); });
}

void TranslateJob::post(std::uint64_t generation, std::function<void()> apply) {
    m_hop->post([this, generation, apply = std::move(apply)] {
        if (generation == m_generation)
            apply();
    });
}

bool TranslateJob::pause(std::stop_token stop, std::chrono::milliseconds time) {
    // A timed wait of nothing still costs a scheduler round on a busy machine.
    if (time <= std::chrono::milliseconds(0))
        return !stop.stop_requested();
    std::unique_lock lock(m_waitMutex);
    m_wakeWorker.wait_for(lock, stop, time, [] { return false; });
    return !stop.stop_requested();
}

std::chrono::milliseconds TranslateJob::retryWait(int failures,
                                                  std::optional<std::chrono::seconds> asked) const {
    std::chrono::milliseconds wait = m_config.firstRetryWait;
    for (int i = 0; i < failures && wait < m_config.longestRetryWait; ++i)
        wait *= 2;
    wait = std::min(wait, m_config.longestRetryWait);
    if (asked)
        wait = std::max<std::chrono::milliseconds>(wait, *asked);
    return wait;
}

template <typename T>
std::optional<T> TranslateJob::askOnUiThread(std::stop_token stop, std::uint64_t generation,
                                             std::function<T()> ask) {
    struct Answer {
        bool given = false;
        std::optional<T> value;
    };
    auto answer = std::make_shared<Answer>();
    post(generation, [this, answer, ask = std::move(ask)] {
        T value = ask();
        {
            std::lock_guard lock(m_waitMutex);
            answer->given = true;
            answer->value = std::move(value);
        }
        m_wakeWorker.notify_all();
    });
    std::unique_lock lock(m_waitMutex);
    if (!m_wakeWorker.wait(lock, stop, [&] { return answer->given; }))
        return std::nullopt;
    return std::move(answer->value);
}

bool TranslateJob::mayUsePlainHttp(std::stop_token stop, std::uint64_t generation, const QUrl& url) {
    if (url.scheme() != u"http" || isLoopbackHost(url.host()))
        return true;
    const QString host = url.host();
    const std::optional<bool> yes = askOnUiThread<bool>(stop, generation, [this, host] {
        if (m_plainHttpHosts.contains(host))
            return true;
        const bool confirmed = m_confirmPlainHttp && m_confirmPlainHttp(host);
        if (confirmed)
            m_plainHttpHosts.append(host);
        return confirmed;
    });
    return yes.value_or(false);
}

void TranslateJob::TranslateThreadProc(std::stop_token stop, std::uint64_t generation,
                                       TranslateRequest request, std::optional<ProxyCredentials> credentials,
                                       std::shared_ptr<TranslationService> service) {
    auto finish = [&](JobEnd how) { post(generation, [this, how] { end(how); }); };
    // The user sees the message; the log keeps what the service said, for whoever looks into it.
    auto fail = [&](UserMessage message, const QString& what, QByteArrayView answer = {}) {
        log_printf("translation failed: %s\n", what.toUtf8().constData());
        appendFailureLog(translationLogPath(), service->name() + u' ' + what, answer);
        finish({JobOutcome::Failed, std::move(message)});
    };
    const int count = int(request.lines.size());
    if (count == 0)
        return finish({});

    TranslateTransport* transport = m_transport.get();
    if (!transport)
        return fail(networkUnavailableMessage(), QStringLiteral("no transport"));
    // Without a host curl would call it a malformed address, and the user would hear "network".
    if (!service->baseUrl().isValid() || service->baseUrl().host().isEmpty())
        return fail(addressMissingMessage(service->name()), QStringLiteral("no address"));
    if (!mayUsePlainHttp(stop, generation, service->baseUrl())) {
        if (stop.stop_requested())
            return;
        return finish({JobOutcome::Cancelled, std::nullopt});
    }
    if (std::optional<UserMessage> message = service->prepare(stop)) {
        if (stop.stop_requested())
            return;
        return fail(std::move(*message), QStringLiteral("not started"));
    }
    if (credentials)
        transport->setProxyCredentials(*credentials);
    const LanguagePair pair = pairOf(request.langPair);
    const std::chrono::milliseconds pauseTime = m_config.pause.value_or(service->pause());
    const bool shield = service->protectsTags();
    auto prepared = [&](const QString& line) { return shield ? shieldTags(line).text : line; };

    int position = 0;
    // A batch whose answer did not line up is sent again one line at a time, up to here.
    int lineByLineUntil = 0;
    while (position < count) {
        if (stop.stop_requested())
            return;
        const int end = position < lineByLineUntil ? position + 1
                                                   : batchEnd(request.lines, position, service->batchLimit());
        ServiceBatch batch;
        batch.formatMode = request.formatMode;
        QList<ShieldedLine> shields;
        for (int k = position; k < end; ++k) {
            shields.append(shield ? shieldTags(request.lines[k]) : ShieldedLine{request.lines[k], {}});
            batch.lines.append(shields.last().text);
        }
        for (int k = std::max(0, position - kContextEntries); k < position; ++k)
            batch.before.append(prepared(request.lines[k]));
        for (int k = end; k < std::min(count, end + kContextEntries); ++k)
            batch.after.append(prepared(request.lines[k]));
        const ServiceRequest serviceRequest = service->buildRequest(batch, pair);

        TransportReply reply;
        int failures = 0;
        int busyTries = 0;
        for (;;) {
            TransportResult result = transport->send(serviceRequest, stop);
            if (stop.stop_requested())
                return;
            std::optional<std::chrono::seconds> asked;
            if (auto* failure = std::get_if<TransportFailure>(&result)) {
                log_printf("translation request failed: %s\n", failure->reason.toUtf8().constData());
                if (failure->lasting) {
                    m_transport.reset();
                    return fail(failure->message.value_or(networkUnavailableMessage()), failure->reason);
                }
            } else {
                reply = std::get<TransportReply>(std::move(result));
                if (reply.status == kProxyAuthenticationRequired && !transport->proxyName().isEmpty()) {
                    const ProxyQuestion question{transport->proxyName(), transport->proxyPasswordInClear()};
                    const std::optional<std::optional<ProxyCredentials>> given =
                        askOnUiThread<std::optional<ProxyCredentials>>(stop, generation, [this, question] {
                            std::optional<ProxyCredentials> answer =
                                m_askProxy ? m_askProxy(question) : std::nullopt;
                            if (answer) {
                                answer->clearTextAllowed = question.passwordInClear;
                                m_proxyCredentials = answer;
                            }
                            return answer;
                        });
                    if (stop.stop_requested())
                        return;
                    if (!given || !*given)
                        return finish({JobOutcome::Cancelled, std::nullopt});
                    ProxyCredentials credentialsGiven = **given;
                    credentialsGiven.clearTextAllowed = question.passwordInClear;
                    transport->setProxyCredentials(credentialsGiven);
                    continue;
                }
                if (!isTransientStatus(reply.status))
                    break;
                if (++busyTries >= kTransientTries)
                    return fail(serviceBusyMessage(reply.status, busyTries),
                                QStringLiteral("HTTP %1 %2 times").arg(reply.status).arg(busyTries),
                                reply.body);
                asked = reply.retryAfter;
            }
            // The same batch again, after a wait that grows so that a dead network or a busy
            // service is not hammered; the lines written before keep their translation.
            const std::chrono::milliseconds wait = retryWait(failures, asked);
            ++failures;
            post(generation, [this, failures, wait] { emit retrying(failures, int(wait.count())); });
            if (!pause(stop, wait))
                return;
        }

        const int lines = end - position;
        BatchAnswer answer = service->readAnswer(reply, batch);
        if (answer.mismatch && lines > 1) {
            log_printf("answer of %d lines did not line up; sending them one at a time\n", lines);
            lineByLineUntil = end;
            if (!pause(stop, pauseTime))
                return;
            continue;
        }
        if (answer.message)
            return fail(std::move(*answer.message),
                        QStringLiteral("HTTP %1, %2 lines sent").arg(reply.status).arg(lines), reply.body);
        QList<int> rows = request.rows.mid(position, lines);
        QList<int> review;
        if (shield) {
            for (int k = 0; k < lines; ++k) {
                RestoredLine restored = restoreTags(answer.pieces[k], shields[k]);
                answer.pieces[k] = std::move(restored.text);
                if (restored.needsReview)
                    review.append(rows[k]);
            }
        }
        post(generation, [this, rows = std::move(rows), pieces = std::move(answer.pieces), review] {
            emit batchTranslated(rows, pieces);
            if (!review.isEmpty()) {
                m_rowsToReview.append(review);
                emit rowsNeedReview(review);
            }
        });
        m_translatedUpTo.store(end - 1);
        m_linesDone.store(end);
        m_lastBatchNs.store(nowNs());
        m_batchesDone.fetch_add(1);
        if (!pause(stop, pauseTime))
            return;
        position = end;
    }
    finish({});
}
