// Translation speed: reading a 25-line answer against parsing its JSON alone, and a 1,000-line job
// against the loopback service with no pause against the same number of bare HTTP round trips to
// that server. The job also reports the longest gap of a 10 ms timer on the UI thread meanwhile.
// Build in Release for honest figures: build/test has the sanitizers on.
#include "subtitle/subtitle_format.h"
#include "tools/fake_translator/fake_service.h"
#include "translate/answer_reader.h"
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

} // namespace
