// A translation job: one worker thread sends the batches, reads the answers and hands each batch's
// pieces to the UI thread; the UI thread applies them. Progress and cancel are shared as atomics.
#pragma once

#include "support/user_message.h"
#include "translate/translate_request.h"
#include "translate/translate_transport.h"
#include "translate/translation_service.h"

#include "support/thread_hop.h"

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

struct JobConfig {
    // Between batches, also after the last one, so that a next job cannot follow at once; when not
    // set, the engine's own pause (ten seconds for the web endpoint, none for local servers).
    std::optional<std::chrono::milliseconds> pause;
    // Waits before sending a failed batch again: doubled after every failure up to the longest.
    std::chrono::milliseconds firstRetryWait{1000};
    std::chrono::milliseconds longestRetryWait{30000};

    // The default with the pause taken from VELMORA_TRANSLATE_PAUSE_MS when it is set.
    static JobConfig fromEnvironment();
};

// For working against a local fake service, where ten seconds per batch only slow the developer.
inline constexpr char kPauseVariable[] = "VELMORA_TRANSLATE_PAUSE_MS";

enum class JobOutcome { Completed, Cancelled, Failed };

// The time the rest of a job will take at the pace of the lines done so far; nothing before two
// batches are done, since the first carries the connection's set-up.
std::optional<std::chrono::seconds> estimateTimeLeft(std::chrono::milliseconds elapsed, int linesDone,
                                                     int lineCount, int batchesDone);
// Where the batch that starts at `start` ends: as many lines as the limit allows, at least one.
int batchEnd(const QStringList& lines, int start, const BatchLimit& limit);

struct JobEnd {
    JobOutcome outcome = JobOutcome::Completed;
    std::optional<UserMessage> message; // to show with Failed
};

using TransportFactory = std::function<std::unique_ptr<TranslateTransport>()>;
// Called on the UI thread when the proxy asks for credentials; nullopt means the user cancelled.
using ProxyCredentialsAsker = std::function<std::optional<ProxyCredentials>(const ProxyQuestion& question)>;
// Called on the UI thread before lines go unencrypted to a host off this computer; true sends them.
using PlainHttpConfirmer = std::function<bool(const QString& host)>;

// "Too many requests" and the gateway errors: the service is there but cannot answer now.
bool isTransientStatus(long status);
// Tries of one batch that a transient status may use up before the job gives up.
inline constexpr int kTransientTries = 5;

class TranslateJob : public QObject {
    Q_OBJECT
public:
    explicit TranslateJob(TransportFactory transports, JobConfig config = {}, QObject* parent = nullptr);
    // Stops the worker and waits for it; every wait of the worker ends on the stop.
    ~TranslateJob() override;

    // Starts the worker over the request's lines. Ignored (false) while a worker, also that of a
    // cancelled job, has not returned yet. Emits started() before it returns.
    bool start(TranslateRequest request);
    // Ends the job for the UI at once: finished(Cancelled) is emitted before this returns, and
    // nothing of the job arrives afterwards. The worker returns soon after.
    void cancel();

    void setProxyCredentialsAsker(ProxyCredentialsAsker asker) { m_askProxy = std::move(asker); }
    // The engine of the next jobs; without one, the web endpoint at the transport's address.
    void setService(std::shared_ptr<TranslationService> service) { m_service = std::move(service); }
    // Without one, nothing goes unencrypted to a host off this computer.
    void setPlainHttpConfirmer(PlainHttpConfirmer confirm) { m_confirmPlainHttp = std::move(confirm); }
    // Where the lines go and to whom, for the progress dialog; known from start() on.
    QUrl serviceUrl() const { return m_serviceUrl; }
    QString serviceName() const { return m_serviceName; }
    // Once two batches are done; read by the progress dialog's timer.
    std::optional<std::chrono::seconds> timeLeft() const;
    // The rows of this job whose tags came back out of place (on the UI thread).
    const QList<int>& rowsToReview() const { return m_rowsToReview; }

    // True from start() until finished() has been emitted.
    bool translating() const { return m_translating.load(); }
    bool workerAlive() const { return m_workerAlive.load(); }
    // The 0-based position of the last line of the last batch handed over; 0 at the start.
    int translatedUpTo() const { return m_translatedUpTo.load(); }
    // The lines handed over so far.
    int linesDone() const { return m_linesDone.load(); }
    int lineCount() const { return m_lineCount.load(); }
    // Blocks until the worker has returned or the time is up; true when no worker is alive.
    bool waitForWorker(std::chrono::milliseconds timeout);

signals:
    void started();
    // A batch's pieces, the k-th for rows[k]; on the UI thread, in batch order.
    void batchTranslated(const QList<int>& rows, const QStringList& pieces);
    // Rows of the batch just handed over whose tags a person should look at; after batchTranslated.
    void rowsNeedReview(const QList<int>& rows);
    // No answer came, or the service said it is busy; the batch is sent again after the wait.
    void retrying(int attempt, int waitMs);
    void finished(const JobEnd& end);

private:
    void TranslateThreadProc(std::stop_token stop, std::uint64_t generation, TranslateRequest request,
                             std::optional<ProxyCredentials> credentials,
                             std::shared_ptr<TranslationService> service);
    // Waits the time or until stop; false when stopped.
    bool pause(std::stop_token stop, std::chrono::milliseconds time);
    // Runs `ask` on the UI thread and waits for its answer; nullopt when stopped meanwhile.
    template <typename T>
    std::optional<T> askOnUiThread(std::stop_token stop, std::uint64_t generation, std::function<T()> ask);
    // Plain http to a host off this computer only once the user said yes for that host.
    bool mayUsePlainHttp(std::stop_token stop, std::uint64_t generation, const QUrl& url);
    // The growing wait before the `failures`-th try again, at least what the service asked for.
    std::chrono::milliseconds retryWait(int failures, std::optional<std::chrono::seconds> asked) const;
    // Runs `apply` on the UI thread if the job of `generation` is still the current one.
    void post(std::uint64_t generation, std::function<void()> apply);
    void end(const JobEnd& how);

    TransportFactory m_transports;
    JobConfig m_config;
    ProxyCredentialsAsker m_askProxy;
    PlainHttpConfirmer m_confirmPlainHttp;
    std::optional<ProxyCredentials> m_proxyCredentials; // the last ones given, for the next job too
    QStringList m_plainHttpHosts;                       // said yes to, for the rest of the run
    std::shared_ptr<TranslationService> m_service;
    QUrl m_serviceUrl;
    QString m_serviceName;
    QList<int> m_rowsToReview;
    // Used by one worker at a time: start() collects the last worker before it starts the next.
    std::unique_ptr<TranslateTransport> m_transport;

    std::atomic<bool> m_translating{false};
    std::atomic<bool> m_workerAlive{false};
    std::atomic<int> m_translatedUpTo{0};
    std::atomic<int> m_linesDone{0};
    std::atomic<int> m_lineCount{0};
    std::atomic<int> m_batchesDone{0};
    std::atomic<std::int64_t> m_startedNs{0};
    std::atomic<std::int64_t> m_lastBatchNs{0};
    std::uint64_t m_generation = 0; // changed and read on the UI thread only
    // Carries the worker's events to the UI thread; a child, so it goes after the worker is joined.
    ThreadHop* m_hop = new ThreadHop(this);

    // The worker's waits: pauses, retry waits and the answers to the user's questions.
    std::mutex m_waitMutex;
    std::condition_variable_any m_wakeWorker;

    std::mutex m_aliveMutex;
    std::condition_variable m_workerReturned;
    std::jthread m_thread;
};
