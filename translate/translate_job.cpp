// The job loop on its worker thread and the hand-over of its results to the UI thread.
#include "translate/translate_job.h"

#include "support/log.h"
#include "translate/answer_reader.h"

#include <QMetaObject>
#include <algorithm>

namespace {
constexpr long kProxyAuthenticationRequired = 407;
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
    ++m_generation;
    m_translating.store(true);
    m_translatedUpTo.store(0);
    m_linesDone.store(0);
    m_lineCount.store(int(request.lines.size()));
    {
        std::lock_guard lock(m_waitMutex);
        m_proxyAnswered = false;
        m_proxyAnswer.reset();
    }
    emit started();
    m_workerAlive.store(true);
    m_thread = std::jthread([this, generation = m_generation, request = std::move(request),
                             credentials = m_proxyCredentials](std::stop_token stop) mutable {
        TranslateThreadProc(stop, generation, std::move(request), std::move(credentials));
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

std::optional<ProxyCredentials>
TranslateJob::askProxyCredentials(std::stop_token stop, std::uint64_t generation, const QString& proxyName) {
    {
        std::lock_guard lock(m_waitMutex);
        m_proxyAnswered = false;
        m_proxyAnswer.reset();
    }
    post(generation, [this, proxyName] {
        std::optional<ProxyCredentials> answer = m_askProxy ? m_askProxy(proxyName) : std::nullopt;
        if (answer)
            m_proxyCredentials = answer;
        {
            std::lock_guard lock(m_waitMutex);
            m_proxyAnswered = true;
            m_proxyAnswer = std::move(answer);
        }
        m_wakeWorker.notify_all();
    });
    std::unique_lock lock(m_waitMutex);
    if (!m_wakeWorker.wait(lock, stop, [this] { return m_proxyAnswered; }))
        return std::nullopt;
    return m_proxyAnswer;
}

void TranslateJob::TranslateThreadProc(std::stop_token stop, std::uint64_t generation,
                                       TranslateRequest request,
                                       std::optional<ProxyCredentials> credentials) {
    auto finish = [&](JobEnd how) { post(generation, [this, how] { end(how); }); };
    const int count = int(request.lines.size());
    if (count == 0)
        return finish({});

    // The transport outlives the job, so that the next job finds its connection open.
    if (!m_transport && m_transports)
        m_transport = m_transports();
    TranslateTransport* transport = m_transport.get();
    if (!transport)
        return finish({JobOutcome::Failed, networkUnavailableMessage()});
    if (credentials)
        transport->setProxyCredentials(*credentials);

    int position = 0;
    int failures = 0;
    while (position < count) {
        if (stop.stop_requested())
            return;
        const BatchText batch = assembleBatch(request.lines, position);
        const QByteArray body = buildRequestBody(request.langPair, batch.text);

        TransportReply reply;
        for (;;) {
            TransportResult result = transport->send(body, stop);
            if (stop.stop_requested())
                return;
            if (auto* failure = std::get_if<TransportFailure>(&result)) {
                log_printf("translation request failed: %s\n", failure->reason.toUtf8().constData());
                if (failure->lasting) {
                    m_transport.reset();
                    return finish({JobOutcome::Failed, networkUnavailableMessage()});
                }
                // The same batch again, after a wait that grows so that a dead network is not
                // hammered; the lines written before keep their translation.
                std::chrono::milliseconds wait = m_config.firstRetryWait;
                for (int i = 0; i < failures && wait < m_config.longestRetryWait; ++i)
                    wait *= 2;
                wait = std::min(wait, m_config.longestRetryWait);
                ++failures;
                post(generation, [this, failures, wait] { emit retrying(failures, int(wait.count())); });
                if (!pause(stop, wait))
                    return;
                continue;
            }
            reply = std::get<TransportReply>(std::move(result));
            if (reply.status != kProxyAuthenticationRequired)
                break;
            const std::optional<ProxyCredentials> given =
                askProxyCredentials(stop, generation, transport->proxyName());
            if (stop.stop_requested())
                return;
            if (!given)
                return finish({JobOutcome::Cancelled, std::nullopt});
            transport->setProxyCredentials(*given);
        }
        failures = 0;

        const int lines = batch.end - position;
        BatchAnswer answer = reply.tooLarge ? BatchAnswer{{}, translatorUnavailableMessage()}
                                            : readBatchAnswer(reply.body, lines, request.formatMode);
        if (answer.message)
            return finish({JobOutcome::Failed, std::move(answer.message)});
        post(generation, [this, rows = request.rows.mid(position, lines), pieces = std::move(answer.pieces)] {
            emit batchTranslated(rows, pieces);
        });
        m_translatedUpTo.store(batch.end - 1);
        m_linesDone.store(batch.end);
        if (!pause(stop, m_config.pause))
            return;
        position = batch.end;
    }
    finish({});
}
