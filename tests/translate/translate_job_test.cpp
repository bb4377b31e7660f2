// Translation jobs against a loopback service through libcurl: the requests, the pieces per row,
// the messages, restarts, Cancel and the proxy's questions.
#include "job_recorder.h"
#include "tools/fake_translator/fake_service.h"
#include "translate/answer_reader.h"
#include "translate/translate_job.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TranslateRequest numberedRequest(int lines, QByteArray langPair = "en&tl=fr", QList<int> rows = {}) {
    TranslateRequest r;
    r.langPair = std::move(langPair);
    for (int i = 0; i < lines; ++i) {
        r.lines.append(QStringLiteral("line %1").arg(i));
        r.rows.append(rows.isEmpty() ? i : rows[i]);
    }
    return r;
}

JobConfig quickConfig() {
    JobConfig c;
    c.pause = 0ms;
    c.firstRetryWait = 10ms;
    c.longestRetryWait = 40ms;
    return c;
}

TransportConfig serviceAt(const QString& url) {
    TransportConfig c;
    c.serviceUrl = QUrl(url);
    c.connectTimeout = 2000ms;
    c.transferTimeout = 5000ms;
    return c;
}

TransportFactory curlTo(TransportConfig config) {
    return [config] { return makeCurlTransport(config); };
}

struct LoopbackJob : ::testing::Test {
    FakeTranslator service{serviceLikeHandler(&markedTranslation)};
    TranslateJob job{curlTo(serviceAt(service.url())), quickConfig()};
    JobRecorder seen{job};

    void SetUp() override { ASSERT_TRUE(service.listening()); }
};

TEST_F(LoopbackJob, SixtyLinesTravelInThreeRequestsOfTheServiceShape) {
    TranslateRequest request = numberedRequest(60, "auto&tl=zh-TW");
    request.lines[0] = QStringLiteral("Hi|\nyou");
    ASSERT_TRUE(job.start(request));
    ASSERT_TRUE(seen.waitForEnd());
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Completed);
    EXPECT_FALSE(seen.ends.front().message);

    const std::vector<RecordedRequest> requests = service.requests();
    ASSERT_EQ(requests.size(), 3u);
    QList<qsizetype> lineCounts;
    for (const RecordedRequest& r : requests) {
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.target, "/translate_a/single");
        EXPECT_EQ(r.header("x-http-method-override"), "GET");
        EXPECT_EQ(r.header("referer"), "https://127.0.0.1");
        EXPECT_EQ(r.header("accept"), "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
        EXPECT_EQ(r.header("content-type"), "");
        EXPECT_TRUE(r.body.startsWith("sl=auto&tl=zh-TW&ie=UTF-8&oe=UTF-8&client=gtx&dt=t&q="))
            << r.body.left(80).constData();
        lineCounts.append(r.lines().size());
    }
    EXPECT_EQ(lineCounts, (QList<qsizetype>{25, 25, 10}));
    EXPECT_TRUE(requests[0].body.contains("q=Hi%7C%0Ayou%0Dline%201%0D"));
    EXPECT_EQ(requests[2].lines().first(), QStringLiteral("line 50"));

    // Each row gets the piece of its own line, shaped for SubRip.
    ASSERT_EQ(seen.pieceOfRow.size(), 60);
    EXPECT_EQ(seen.pieceOfRow[0], QStringLiteral("[zh-TW] Hi|\nyou"));
    for (int row = 1; row < 60; ++row)
        EXPECT_EQ(seen.pieceOfRow[row], QStringLiteral("[zh-TW] line %1").arg(row)) << row;
    EXPECT_EQ(seen.batchRows.size(), 3);
    EXPECT_EQ(job.translatedUpTo(), 59);
    EXPECT_EQ(job.linesDone(), 60);
    EXPECT_FALSE(job.translating());
    EXPECT_TRUE(job.waitForWorker(2000ms));
}

TEST_F(LoopbackJob, ASelectionSendsItsRowsAndWritesThemBack) {
    TranslateRequest request = numberedRequest(3, "en&tl=de", {10, 11, 12});
    ASSERT_TRUE(job.start(request));
    ASSERT_TRUE(seen.waitForEnd());
    ASSERT_EQ(service.requestCount(), 1);
    EXPECT_EQ(service.requests()[0].lines(), (QStringList{"line 0", "line 1", "line 2"}));
    EXPECT_EQ(seen.batchRows, (QList<QList<int>>{{10, 11, 12}}));
    EXPECT_EQ(seen.pieceOfRow[11], QStringLiteral("[de] line 1"));
}

TEST_F(LoopbackJob, EntitiesAndEscapesArriveDecodedOnce) {
    service.setHandler([](const RecordedRequest& request, int) {
        FakeReply reply;
        reply.body = serviceAnswer({"Tom &amp; Jerry \"say\" caf\u00e9", "<i>salt;</ I>"}, request.lines());
        return reply;
    });
    ASSERT_TRUE(job.start(numberedRequest(2)));
    ASSERT_TRUE(seen.waitForEnd());
    EXPECT_EQ(seen.pieceOfRow[0], QStringLiteral("Tom & Jerry \"say\" caf\u00e9"));
    EXPECT_EQ(seen.pieceOfRow[1], QStringLiteral("<i>salt;</i>"));
}

// A bad answer to the second batch ends the job with its message; the first batch keeps its
// translation and nothing more is sent.
TEST_F(LoopbackJob, BadAnswersEndTheJobWithTheirMessage) {
    const UserMessage network = networkUnavailableMessage();
    const UserMessage translator = translatorUnavailableMessage();
    const struct {
        const char* what;
        int status;
        QByteArray body;
        UserMessage message;
    } cases[] = {
        {"empty", 200, "", network},
        {"html 500", 500, "<html><body><h1>500</h1></body></html>", translator},
        {"no start marker", 200, R"([["x","y"]])", translator},
        {"segment without end marker", 200, R"([[["Bonjour\r","Hello\r",null],["le mon)", translator},
        {"2 MiB", 200, "[[[\"" + QByteArray(2 * 1024 * 1024, 'a') + "\"]]]", translator},
    };
    for (const auto& c : cases) {
        FakeTranslator bad([&c](const RecordedRequest& request, int index) {
            if (index == 0)
                return serviceLikeHandler(&markedTranslation)(request, index);
            FakeReply reply;
            reply.status = c.status;
            reply.body = c.body;
            reply.contentType = "text/html";
            return reply;
        });
        TranslateJob badJob(curlTo(serviceAt(bad.url())), quickConfig());
        JobRecorder badSeen(badJob);
        ASSERT_TRUE(badJob.start(numberedRequest(40)));
        ASSERT_TRUE(badSeen.waitForEnd()) << c.what;
        EXPECT_EQ(badSeen.ends.front().outcome, JobOutcome::Failed) << c.what;
        EXPECT_EQ(badSeen.ends.front().message, std::optional<UserMessage>(c.message)) << c.what;
        EXPECT_EQ(badSeen.batchRows.size(), 1) << c.what;
        EXPECT_EQ(badSeen.pieceOfRow.size(), 25) << c.what;
        EXPECT_TRUE(badJob.waitForWorker(2000ms)) << c.what;
        EXPECT_EQ(bad.requestCount(), 2) << c.what;
    }
}

// A batch without an answer in time is sent again after a wait; the batches before are not.
TEST_F(LoopbackJob, ASlowAnswerIsSentAgainFromTheFailedBatch) {
    service.setHandler([](const RecordedRequest& request, int index) {
        FakeReply reply = serviceLikeHandler(&markedTranslation)(request, index);
        if (index == 1)
            reply.delay = 8000ms;
        return reply;
    });
    TransportConfig config = serviceAt(service.url());
    config.transferTimeout = 1000ms;
    TranslateJob slowJob(curlTo(config), quickConfig());
    JobRecorder slowSeen(slowJob);
    ASSERT_TRUE(slowJob.start(numberedRequest(30)));
    ASSERT_TRUE(slowSeen.waitForEnd());
    EXPECT_EQ(slowSeen.ends.front().outcome, JobOutcome::Completed);
    const std::vector<RecordedRequest> requests = service.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].body, requests[1].body);
    EXPECT_EQ(requests[1].lines().first(), QStringLiteral("line 25"));
    EXPECT_EQ(slowSeen.retryWaits, QList<int>{10});
    EXPECT_EQ(slowSeen.batchRows.size(), 2);
    EXPECT_EQ(slowSeen.pieceOfRow.size(), 30);
}

TEST(LoopbackRefused, RetriesWithGrowingWaitsUntilCancelled) {
    int port = 0;
    {
        FakeTranslator gone(serviceLikeHandler(&markedTranslation));
        port = gone.port();
    }
    TranslateJob job(curlTo(serviceAt(QStringLiteral("http://127.0.0.1:%1").arg(port))), quickConfig());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(numberedRequest(5)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.retryWaits.size() >= 5; }, 10000));
    EXPECT_EQ(seen.retryWaits.mid(0, 5), (QList<int>{10, 20, 40, 40, 40}));
    EXPECT_EQ(job.translatedUpTo(), 0);
    job.cancel();
    ASSERT_EQ(seen.ends.size(), 1u);
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Cancelled);
    EXPECT_FALSE(seen.ends.front().message);
    EXPECT_TRUE(job.waitForWorker(1000ms));
    EXPECT_TRUE(seen.batchRows.isEmpty());
}

// Cancel ends a request in flight and a pause at once, far sooner than their time-outs.
TEST_F(LoopbackJob, CancelEndsARequestAndAPauseAtOnce) {
    for (const bool duringPause : {false, true}) {
        FakeTranslator slow([duringPause](const RecordedRequest& request, int index) {
            FakeReply reply = serviceLikeHandler(&markedTranslation)(request, index);
            if (!duringPause)
                reply.delay = 20000ms;
            return reply;
        });
        TransportConfig transport = serviceAt(slow.url());
        transport.transferTimeout = 30000ms;
        JobConfig config = quickConfig();
        config.pause = 20000ms;
        TranslateJob slowJob(curlTo(transport), config);
        JobRecorder slowSeen(slowJob);
        ASSERT_TRUE(slowJob.start(numberedRequest(60)));
        if (duringPause)
            ASSERT_TRUE(QTest::qWaitFor([&] { return slowSeen.batchRows.size() == 1; }, 5000));
        else
            ASSERT_TRUE(QTest::qWaitFor([&] { return slow.requestCount() == 1; }, 5000));
        QElapsedTimer clock;
        clock.start();
        slowJob.cancel();
        EXPECT_FALSE(slowJob.translating());
        ASSERT_EQ(slowSeen.ends.size(), 1u);
        EXPECT_TRUE(slowJob.waitForWorker(5000ms));
        EXPECT_LT(clock.elapsed(), 1000) << duringPause;
        QTest::qWait(50);
        EXPECT_EQ(slow.requestCount(), 1) << duringPause;
        EXPECT_EQ(slowSeen.batchRows.size(), duringPause ? 1 : 0);
        EXPECT_EQ(slowSeen.ends.size(), 1u);
    }
}

// A 407 asks for credentials on the UI thread and sends again, as often as the proxy asks.
TEST(LoopbackProxy, AsksForCredentialsUntilTheProxyTakesThem) {
    const std::string expected = "Basic " + QByteArray("ann:secret").toBase64().toStdString();
    FakeTranslator proxy([expected](const RecordedRequest& request, int index) {
        if (request.header("proxy-authorization") != expected) {
            FakeReply reply;
            reply.status = 407;
            reply.body = "<html>proxy</html>";
            reply.contentType = "text/html";
            reply.headers = {{"Proxy-Authenticate", "Basic realm=\"test\""}};
            return reply;
        }
        return serviceLikeHandler(&markedTranslation)(request, index);
    });
    const QByteArray oldProxy = qgetenv("http_proxy");
    qputenv("http_proxy", proxy.url().toUtf8());
    struct Restore {
        QByteArray value;
        ~Restore() { value.isEmpty() ? qunsetenv("http_proxy") : qputenv("http_proxy", value); }
    } restore{oldProxy};

    // The service's name never resolves: only the proxy can answer for it.
    TranslateJob job(curlTo(serviceAt(QStringLiteral("http://translate.invalid"))), quickConfig());
    JobRecorder seen(job);
    QStringList asked;
    QList<ProxyCredentials> answers{{"ann", "wrong"}, {"ann", "secret"}};
    job.setProxyCredentialsAsker([&](const QString& name) -> std::optional<ProxyCredentials> {
        asked.append(name);
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst();
    });
    ASSERT_TRUE(job.start(numberedRequest(30)));
    ASSERT_TRUE(seen.waitForEnd());
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Completed);
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(asked.value(0), QStringLiteral("127.0.0.1:%1").arg(proxy.port()));
    EXPECT_EQ(seen.pieceOfRow.size(), 30);
    EXPECT_EQ(proxy.requests().back().target, "http://translate.invalid/translate_a/single");

    // The credentials stay for the next job; without them, a Cancel in the dialog ends the job.
    ASSERT_TRUE(job.waitForWorker(2000ms));
    seen.ends.clear();
    ASSERT_TRUE(job.start(numberedRequest(1)));
    ASSERT_TRUE(seen.waitForEnd());
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Completed);
    EXPECT_EQ(asked.size(), 2);

    TranslateJob other(curlTo(serviceAt(QStringLiteral("http://translate.invalid"))), quickConfig());
    JobRecorder otherSeen(other);
    other.setProxyCredentialsAsker([](const QString&) { return std::nullopt; });
    ASSERT_TRUE(other.start(numberedRequest(3)));
    ASSERT_TRUE(otherSeen.waitForEnd());
    EXPECT_EQ(otherSeen.ends.front().outcome, JobOutcome::Cancelled);
    EXPECT_FALSE(otherSeen.ends.front().message);
    EXPECT_TRUE(otherSeen.batchRows.isEmpty());
}

// One worker at a time: a start while one runs, or while a cancelled one has not returned, is
// ignored; once it has returned, a new job starts.
TEST(JobLifecycle, ASecondStartWaitsForTheWorkerToReturn) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    script->ignoreStop = true;
    TranslateJob job(scriptedFactory(script), quickConfig());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(numberedRequest(3)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return script->sends() == 1; }, 2000));
    EXPECT_FALSE(job.start(numberedRequest(3)));
    job.cancel();
    EXPECT_FALSE(job.start(numberedRequest(3)));
    EXPECT_EQ(seen.started, 1);
    script->give(okReply(R"([[["a\rb\rc"]]])"));
    ASSERT_TRUE(job.waitForWorker(2000ms));
    QTest::qWait(20);
    // The answer that came after Cancel belongs to a job that is over.
    EXPECT_TRUE(seen.batchRows.isEmpty());
    EXPECT_EQ(seen.ends.size(), 1u);

    script->ignoreStop = false;
    script->give(okReply(R"([[["x"]]])"));
    ASSERT_TRUE(job.start(numberedRequest(1)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.ends.size() == 2; }, 5000));
    EXPECT_EQ(seen.pieceOfRow.value(0), QStringLiteral("x"));
}

TEST(JobLifecycle, NoLinesEndsAtOnceWithoutARequest) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    TranslateJob job(scriptedFactory(script), quickConfig());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(TranslateRequest{}));
    ASSERT_TRUE(seen.waitForEnd(2000));
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Completed);
    EXPECT_EQ(script->sends(), 0);
}

TEST(JobLifecycle, ALastingFailureEndsWithTheNetworkMessage) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    script->give(TransportFailure{QStringLiteral("bad address"), true, false});
    TranslateJob job(scriptedFactory(script), quickConfig());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(numberedRequest(2)));
    ASSERT_TRUE(seen.waitForEnd(2000));
    EXPECT_EQ(seen.ends.front().message, std::optional<UserMessage>(networkUnavailableMessage()));

    // A malformed service address is such a failure through libcurl too.
    TranslateJob curlJob(curlTo(serviceAt(QStringLiteral("ftp://127.0.0.1/"))), quickConfig());
    JobRecorder curlSeen(curlJob);
    ASSERT_TRUE(curlJob.start(numberedRequest(2)));
    ASSERT_TRUE(curlSeen.waitForEnd(5000));
    EXPECT_EQ(curlSeen.ends.front().message, std::optional<UserMessage>(networkUnavailableMessage()));
}

} // namespace
