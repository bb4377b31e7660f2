// Translation speed: reading a 25-line answer against parsing its JSON alone; a 1,000-line job
// against each engine's loopback stand-in with no pause, against the same requests as bare HTTP
// round trips to that server; and the real apertium-apy on 1,000 lines (lines per second, time to
// the first written row). The jobs also report the longest gap of a 10 ms timer on the UI thread.
// Build in Release for honest figures: build/test has the sanitizers on.
#include "subtitle/subtitle_format.h"
#include "tools/fake_translator/fake_engines.h"
#include "tools/fake_translator/fake_service.h"
#include "translate/answer_reader.h"
#include "translate/apertium_service.h"
#include "translate/deepl_service.h"
#include "translate/google_web_service.h"
#include "translate/libre_translate_service.h"
#include "translate/openai_chat_service.h"
#include "translate/tag_shield.h"
#include "translate/translate_job.h"
#include "translate/translate_request.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <curl/curl.h>

namespace {

constexpr int kJobLines = 1000;

QStringList subtitleLines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(QStringLiteral("<i>Line %1: where</i> have you been, Tom & Jerry?|\nIt's late.").arg(i));
    return lines;
}

// A 25-line answer in the service's shape, with the escapes and entities it brings.
QByteArray batchAnswer() {
    const QStringList sources = subtitleLines(kMaxBatchLines);
    QStringList translated;
    for (const QString& s : sources)
        translated.append(
            QString(s).replace(u'&', QStringLiteral("&amp;")).replace(u'\'', QStringLiteral("&#39;")) +
            QStringLiteral(" \u00e9t\u00e9"));
    return serviceAnswer(translated, sources);
}

void BM_ReadAnswer25Lines(benchmark::State& state) {
    const QByteArray answer = batchAnswer();
    for (auto _ : state) {
        BatchAnswer read = readBatchAnswer(answer, kMaxBatchLines, kSubRip);
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(state.iterations() * answer.size());
}
BENCHMARK(BM_ReadAnswer25Lines);

// Floor: Qt's JSON parser on the same bytes, with nothing read out of the tree.
void BM_ParseAnswerJsonOnly(benchmark::State& state) {
    const QByteArray answer = batchAnswer();
    for (auto _ : state) {
        QJsonDocument doc = QJsonDocument::fromJson(answer);
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(state.iterations() * answer.size());
}
BENCHMARK(BM_ParseAnswerJsonOnly);

FakeTranslator& service() {
    static FakeTranslator server(serviceLikeHandler(&markedTranslation));
    return server;
}

TranslateRequest jobRequest() {
    TranslateRequest request;
    request.langPair = "en&tl=fr";
    request.lines = subtitleLines(kJobLines);
    for (int i = 0; i < kJobLines; ++i)
        request.rows.append(i);
    return request;
}

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

// The floor: the job's 40 bodies posted one after another through one libcurl handle, each
// answer received but not read.
class BareRoundTrips {
public:
    explicit BareRoundTrips(const TranslateRequest& request) : m_curl(curl_easy_init()) {
        for (int pos = 0; pos < int(request.lines.size());) {
            const BatchText batch = assembleBatch(request.lines, pos);
            m_bodies.push_back(buildRequestBody(request.langPair, batch.text));
            pos = batch.end;
        }
        m_url = (service().url() + QStringLiteral("/translate_a/single")).toUtf8();
        curl_easy_setopt(m_curl, CURLOPT_URL, m_url.constData());
        curl_easy_setopt(m_curl, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &discard);
    }
    ~BareRoundTrips() { curl_easy_cleanup(m_curl); }

    bool run() {
        for (const QByteArray& body : m_bodies) {
            curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, body.constData());
            curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
            if (curl_easy_perform(m_curl) != CURLE_OK)
                return false;
        }
        return true;
    }

private:
    CURL* m_curl;
    QByteArray m_url;
    std::vector<QByteArray> m_bodies;
};

// Each iteration runs the floor and then the job, so that both see the same load on a shared
// machine; the counters give the two times per run and their ratio. Iteration time is the job's.
void BM_Job1000LinesAgainstBareRoundTrips(benchmark::State& state) {
    TransportConfig transport;
    transport.serviceUrl = QUrl(service().url());
    JobConfig config;
    config.pause = std::chrono::milliseconds(0);
    TranslateJob job([transport] { return makeCurlTransport(transport); }, config);
    const TranslateRequest request = jobRequest();
    BareRoundTrips floor(request);
    qint64 longestGapNs = 0;
    qint64 jobNs = 0;
    qint64 floorNs = 0;
    int batches = 0;
    QObject::connect(&job, &TranslateJob::batchTranslated, &job, [&] { ++batches; });

    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer clock;
        clock.start();
        if (!floor.run()) {
            state.SkipWithError("round trip failed");
            break;
        }
        floorNs += clock.nsecsElapsed();
        state.ResumeTiming();

        QEventLoop loop;
        QObject::connect(&job, &TranslateJob::finished, &loop, &QEventLoop::quit);
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(10);
        QElapsedTimer sinceTick;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        clock.restart();
        if (!job.start(request)) {
            state.SkipWithError("job did not start");
            break;
        }
        sinceTick.start();
        tick.start();
        loop.exec();
        tick.stop();
        if (!job.waitForWorker(std::chrono::seconds(10))) {
            state.SkipWithError("worker did not return");
            break;
        }
        jobNs += clock.nsecsElapsed();
    }
    const double runs = double(std::max<int64_t>(1, state.iterations()));
    state.counters["requests"] = double(batches) / runs;
    state.counters["job_ms"] = double(jobNs) / 1e6 / runs;
    state.counters["floor_ms"] = double(floorNs) / 1e6 / runs;
    state.counters["job_per_floor"] = floorNs > 0 ? double(jobNs) / double(floorNs) : 0;
    state.counters["longest_ui_gap_ms"] = double(longestGapNs) / 1e6;
}
BENCHMARK(BM_Job1000LinesAgainstBareRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

QString marked(const QString& line, const QString& target) {
    return QStringLiteral("[%1] %2").arg(target, line);
}

struct BenchEngine {
    const char* name;
    FakeHandler (*like)(LineTranslator);
    std::function<std::shared_ptr<TranslationService>(const QString& url)> make;
};

const BenchEngine kEngines[] = {
    {"Apertium", &apertiumLikeHandler,
     [](const QString& url) { return std::make_shared<ApertiumService>(QUrl(url)); }},
    {"LibreTranslate", &libreTranslateLikeHandler,
     [](const QString& url) { return std::make_shared<LibreTranslateService>(QUrl(url)); }},
    {"OpenAiChat", &openAiLikeHandler,
     [](const QString& url) { return std::make_shared<OpenAiChatService>(QUrl(url + "/v1"), "m"); }},
    {"DeepL", &deepLLikeHandler,
     [](const QString& url) { return std::make_shared<DeepLService>("k", QUrl(url)); }},
};

// The floor: the requests the job sends, built the same way, posted one after another.
std::vector<ServiceRequest> engineRequests(const TranslationService& engine,
                                           const TranslateRequest& request) {
    std::vector<ServiceRequest> requests;
    for (int pos = 0; pos < int(request.lines.size());) {
        const int end = batchEnd(request.lines, pos, engine.batchLimit());
        ServiceBatch batch;
        for (int k = pos; k < end; ++k)
            batch.lines.append(shieldTags(request.lines[k]).text);
        requests.push_back(engine.buildRequest(batch, {"en", "fr"}));
        pos = end;
    }
    return requests;
}

bool postAll(const std::vector<ServiceRequest>& requests) {
    CURL* curl = curl_easy_init();
    bool ok = true;
    for (const ServiceRequest& r : requests) {
        const QByteArray url = r.url.toEncoded();
        curl_slist* headers = nullptr;
        for (const auto& [name, value] : r.headers)
            headers = curl_slist_append(headers, (name + ": " + value).constData());
        curl_easy_setopt(curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, r.body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(r.body.size()));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
        ok = ok && curl_easy_perform(curl) == CURLE_OK;
        curl_slist_free_all(headers);
    }
    curl_easy_cleanup(curl);
    return ok;
}

// What keeping tags away from an engine costs a 1,000-line job: each line shielded and restored.
void BM_ShieldAndRestore1000Lines(benchmark::State& state) {
    const QStringList lines = subtitleLines(kJobLines);
    for (auto _ : state) {
        for (const QString& line : lines) {
            const ShieldedLine shielded = shieldTags(line);
            RestoredLine restored = restoreTags(shielded.text, shielded);
            benchmark::DoNotOptimize(restored);
        }
    }
    state.SetItemsProcessed(state.iterations() * kJobLines);
}
BENCHMARK(BM_ShieldAndRestore1000Lines)->Unit(benchmark::kMillisecond);

// One job on the UI thread's event loop: its time, the time to its first batch and the longest
// gap of a 10 ms timer meanwhile.
struct JobTimes {
    qint64 jobNs = 0;
    qint64 firstRowNs = 0;
    qint64 longestGapNs = 0;
    bool ok = false;
};

JobTimes runJob(TranslateJob& job, const TranslateRequest& request) {
    JobTimes times;
    QEventLoop loop;
    QElapsedTimer clock;
    QMetaObject::Connection first = QObject::connect(&job, &TranslateJob::batchTranslated, &loop, [&] {
        if (times.firstRowNs == 0)
            times.firstRowNs = clock.nsecsElapsed();
    });
    QMetaObject::Connection done =
        QObject::connect(&job, &TranslateJob::finished, &loop, [&](const JobEnd& end) {
            times.ok = end.outcome == JobOutcome::Completed;
            loop.quit();
        });
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QElapsedTimer sinceTick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        times.longestGapNs = std::max(times.longestGapNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    clock.start();
    if (!job.start(request))
        return times;
    sinceTick.start();
    tick.start();
    loop.exec();
    tick.stop();
    times.jobNs = clock.nsecsElapsed();
    QObject::disconnect(first);
    QObject::disconnect(done);
    job.waitForWorker(std::chrono::seconds(30));
    return times;
}

void BM_EngineJob1000LinesAgainstBareRoundTrips(benchmark::State& state, const BenchEngine* engine) {
    FakeTranslator server(engine->like(&marked));
    const std::shared_ptr<TranslationService> service = engine->make(server.url());
    JobConfig config;
    config.pause = std::chrono::milliseconds(0);
    TranslateJob job([] { return makeCurlTransport(TransportConfig{}); }, config);
    job.setService(service);
    const TranslateRequest request = jobRequest();
    const std::vector<ServiceRequest> requests = engineRequests(*service, request);
    qint64 jobNs = 0, floorNs = 0, longestGapNs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer clock;
        clock.start();
        if (!postAll(requests)) {
            state.SkipWithError("round trip failed");
            break;
        }
        floorNs += clock.nsecsElapsed();
        state.ResumeTiming();
        const JobTimes times = runJob(job, request);
        if (!times.ok) {
            state.SkipWithError("job failed");
            break;
        }
        jobNs += times.jobNs;
        longestGapNs = std::max(longestGapNs, times.longestGapNs);
    }
    const double runs = double(std::max<int64_t>(1, state.iterations()));
    state.counters["requests"] = double(requests.size());
    state.counters["job_ms"] = double(jobNs) / 1e6 / runs;
    state.counters["floor_ms"] = double(floorNs) / 1e6 / runs;
    state.counters["job_per_floor"] = floorNs > 0 ? double(jobNs) / double(floorNs) : 0;
    state.counters["longest_ui_gap_ms"] = double(longestGapNs) / 1e6;
}

const bool kEnginesRegistered = [] {
    for (const BenchEngine& engine : kEngines)
        benchmark::RegisterBenchmark(
            (std::string("BM_EngineJob1000LinesAgainstBareRoundTrips/") + engine.name).c_str(),
            BM_EngineJob1000LinesAgainstBareRoundTrips, &engine)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(10);
    return true;
}();

// The real rule-based engine on 1,000 lines of English; the server is started once, outside the
// timing, as velmora starts it once per run.
void BM_RealApertium1000Lines(benchmark::State& state) {
    if (ApertiumServer::installedProgram().isEmpty()) {
        state.SkipWithError("apertium-apy is not installed");
        return;
    }
    static const std::shared_ptr<ApertiumServer> server = std::make_shared<ApertiumServer>();
    if (std::optional<QString> why = server->ensureRunning({})) {
        state.SkipWithError(why->toStdString().c_str());
        return;
    }
    JobConfig config;
    TranslateJob job([] { return makeCurlTransport(TransportConfig{}); }, config);
    job.setService(std::make_shared<ApertiumService>(QUrl(), server));
    const QStringList sentences{"Where have you been all night?", "The train leaves at nine.",
                                "I do not know her name.", "<i>We have to go now.</i>",
                                "Is this your house?|\nMy brother works in the city."};
    TranslateRequest request;
    request.langPair = "en&tl=es";
    for (int i = 0; i < kJobLines; ++i) {
        request.lines.append(sentences[i % sentences.size()]);
        request.rows.append(i);
    }
    qint64 jobNs = 0, firstNs = 0, longestGapNs = 0;
    for (auto _ : state) {
        const JobTimes times = runJob(job, request);
        if (!times.ok) {
            state.SkipWithError("job failed");
            break;
        }
        jobNs += times.jobNs;
        firstNs += times.firstRowNs;
        longestGapNs = std::max(longestGapNs, times.longestGapNs);
    }
    const double runs = double(std::max<int64_t>(1, state.iterations()));
    state.counters["lines_per_s"] = jobNs > 0 ? kJobLines * runs / (double(jobNs) / 1e9) : 0;
    state.counters["first_row_ms"] = double(firstNs) / 1e6 / runs;
    state.counters["longest_ui_gap_ms"] = double(longestGapNs) / 1e6;
}
BENCHMARK(BM_RealApertium1000Lines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
