// Translation jobs against a loopback service through libcurl: the requests, the pieces per row,
// the messages, restarts, Cancel and the proxy's questions.
#include "job_recorder.h"
#include "tools/fake_translator/fake_service.h"
#include "translate/answer_reader.h"
#include "translate/translate_job.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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
    const UserMessage empty = emptyAnswerMessage();
    const UserMessage translator = translatorUnavailableMessage();
    const struct {
        const char* what;
        int status;
        QByteArray body;
        UserMessage message;
    } cases[] = {
        {"empty", 200, "", empty},
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
    job.setPlainHttpConfirmer([](const QString&) { return true; });
    job.setProxyCredentialsAsker([&](const ProxyQuestion& question) -> std::optional<ProxyCredentials> {
        // Basic is all this proxy takes, over plain http: the dialog must say so.
        EXPECT_TRUE(question.passwordInClear);
        asked.append(question.proxyName);
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
    other.setPlainHttpConfirmer([](const QString&) { return true; });
    other.setProxyCredentialsAsker([](const ProxyQuestion&) { return std::nullopt; });
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

// libcurl is opened on the first transport; a missing or wrong library ends the job with a message
// that names it, and nothing reaches the service.
TEST(JobLifecycle, ALibcurlThatCannotBeOpenedIsNamedToTheUser) {
    const struct {
        const char* library;
        const char* reasonHas;
    } cases[] = {
        {"libcurl-velmora-missing.so.4", "libcurl-velmora-missing.so.4 could not be loaded"},
        {"libm.so.6", "libm.so.6 lacks curl_global_init"},
    };
    FakeTranslator service{serviceLikeHandler(&markedTranslation)};
    ASSERT_TRUE(service.listening());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library);
        const TransportConfig config = serviceAt(service.url());
        TranslateJob job(
            [config, library = c.library] {
                return std::make_unique<CurlTransport>(config, openCurlLibrary(library));
            },
            quickConfig());
        JobRecorder seen(job);
        ASSERT_TRUE(job.start(numberedRequest(2)));
        ASSERT_TRUE(seen.waitForEnd(2000));
        ASSERT_TRUE(seen.ends.front().message);
        EXPECT_TRUE(seen.ends.front().message->text.contains(QString::fromLatin1(c.reasonHas)))
            << seen.ends.front().message->text.toStdString();
        EXPECT_NE(seen.ends.front().message, std::optional<UserMessage>(networkUnavailableMessage()));
    }
    EXPECT_EQ(service.requestCount(), 0);
}

// "Busy" and the gateway errors are tried again with growing waits, at least what Retry-After asks;
// the fifth in a row for one batch ends the job with a message naming the status.
TEST(LoopbackBusy, TransientStatusesAreTriedFiveTimes) {
    const struct {
        int status;
        int busyAnswers;
        const char* retryAfter;
        bool completes;
        QList<int> waits;
    } cases[] = {
        {503, 5, nullptr, false, {10, 20, 40, 40}},
        {429, 4, nullptr, true, {10, 20, 40, 40}},
        {502, 1, "1", true, {1000}},
        {504, 5, nullptr, false, {10, 20, 40, 40}},
        {500, 1, nullptr, false, {}},
    };
    for (const auto& c : cases) {
        FakeTranslator busy([&c](const RecordedRequest& request, int index) {
            if (index >= c.busyAnswers)
                return serviceLikeHandler(&markedTranslation)(request, index);
            FakeReply reply;
            reply.status = c.status;
            reply.body = "<html>busy</html>";
            reply.contentType = "text/html";
            if (c.retryAfter)
                reply.headers = {{"Retry-After", c.retryAfter}};
            return reply;
        });
        TranslateJob job(curlTo(serviceAt(busy.url())), quickConfig());
        JobRecorder seen(job);
        ASSERT_TRUE(job.start(numberedRequest(3)));
        ASSERT_TRUE(seen.waitForEnd()) << c.status;
        EXPECT_EQ(seen.retryWaits, c.waits) << c.status;
        if (c.completes) {
            EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Completed) << c.status;
            EXPECT_EQ(seen.pieceOfRow.value(2), QStringLiteral("[fr] line 2")) << c.status;
            EXPECT_EQ(busy.requestCount(), c.busyAnswers + 1) << c.status;
        } else {
            EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Failed) << c.status;
            EXPECT_TRUE(seen.pieceOfRow.isEmpty()) << c.status;
            EXPECT_EQ(busy.requestCount(), c.busyAnswers) << c.status;
            const UserMessage expected =
                c.status == 500 ? translatorUnavailableMessage() : serviceBusyMessage(c.status, 5);
            EXPECT_EQ(seen.ends.front().message, std::optional<UserMessage>(expected)) << c.status;
        }
        EXPECT_TRUE(job.waitForWorker(2000ms));
    }
}

// An answer with fewer lines than sent is never spread over the rows: the batch goes again one
// line at a time, and each row gets its own line's translation.
TEST(LoopbackMismatch, AShortAnswerIsSentAgainLineByLine) {
    FakeTranslator service([](const RecordedRequest& request, int index) {
        FakeReply reply = serviceLikeHandler(&markedTranslation)(request, index);
        const QStringList lines = request.lines();
        if (lines.size() > 1 && lines[0] == u"line 0") // the first batch loses a line
            reply.body = serviceAnswer({"[fr] line 0 line 1", "[fr] line 2"}, lines.mid(0, 2));
        return reply;
    });
    TranslateJob job(curlTo(serviceAt(service.url())), quickConfig());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(numberedRequest(28)));
    ASSERT_TRUE(seen.waitForEnd());
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Completed);
    ASSERT_EQ(seen.pieceOfRow.size(), 28);
    for (int row = 0; row < 28; ++row)
        EXPECT_EQ(seen.pieceOfRow[row], QStringLiteral("[fr] line %1").arg(row)) << row;
    const std::vector<RecordedRequest> requests = service.requests();
    ASSERT_EQ(requests.size(), 1u + 25u + 1u);
    EXPECT_EQ(requests[1].lines(), QStringList{"line 0"});
    EXPECT_EQ(requests[25].lines(), QStringList{"line 24"});
    EXPECT_EQ(requests[26].lines().size(), 3);
}

// Plain http goes only to this computer, or to a host the user said yes to; the question comes once
// per host, and a no sends nothing at all.
TEST(LoopbackPlainHttp, AHostOffThisComputerNeedsTheUsersYes) {
    FakeTranslator proxy(serviceLikeHandler(&markedTranslation));
    const QByteArray oldProxy = qgetenv("http_proxy");
    qputenv("http_proxy", proxy.url().toUtf8());
    struct Restore {
        QByteArray value;
        ~Restore() { value.isEmpty() ? qunsetenv("http_proxy") : qputenv("http_proxy", value); }
    } restore{oldProxy};

    const struct {
        const char* what;
        bool hasConfirmer;
        bool yes;
    } cases[] = {{"nobody to ask", false, false},
                 {"the user says no", true, false},
                 {"the user says yes", true, true}};
    for (const auto& c : cases) {
        const int before = proxy.requestCount();
        TranslateJob job(curlTo(serviceAt(QStringLiteral("http://translate.invalid"))), quickConfig());
        JobRecorder seen(job);
        QStringList asked;
        if (c.hasConfirmer) {
            job.setPlainHttpConfirmer([&](const QString& host) {
                asked.append(host);
                return c.yes;
            });
        }
        for (int run = 0; run < 2; ++run) {
            seen.ends.clear();
            ASSERT_TRUE(job.start(numberedRequest(2))) << c.what;
            ASSERT_TRUE(seen.waitForEnd()) << c.what;
            EXPECT_EQ(seen.ends.front().outcome, c.yes ? JobOutcome::Completed : JobOutcome::Cancelled)
                << c.what;
            ASSERT_TRUE(job.waitForWorker(2000ms));
        }
        EXPECT_EQ(proxy.requestCount() - before, c.yes ? 2 : 0) << c.what;
        // A yes holds for the run; a no is asked again at the next job.
        EXPECT_EQ(asked, c.hasConfirmer ? (c.yes ? QStringList{"translate.invalid"}
                                                 : QStringList{"translate.invalid", "translate.invalid"})
                                        : QStringList{})
            << c.what;
    }
}

// A 407 from the service itself, with no proxy on the way, is no proxy's question.
TEST(LoopbackProxy, A407WithoutAProxyAsksNothing) {
    FakeTranslator service([](const RecordedRequest&, int) {
        FakeReply reply;
        reply.status = 407;
        reply.body = "<html>who are you</html>";
        reply.headers = {{"Proxy-Authenticate", "Basic realm=\"x\""}};
        return reply;
    });
    TranslateJob job(curlTo(serviceAt(service.url())), quickConfig());
    JobRecorder seen(job);
    int asked = 0;
    job.setProxyCredentialsAsker([&](const ProxyQuestion&) {
        ++asked;
        return std::optional<ProxyCredentials>(ProxyCredentials{"ann", "secret"});
    });
    ASSERT_TRUE(job.start(numberedRequest(2)));
    ASSERT_TRUE(seen.waitForEnd());
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Failed);
    EXPECT_EQ(seen.ends.front().message, std::optional<UserMessage>(translatorUnavailableMessage()));
    EXPECT_EQ(service.requestCount(), 1);
}

// A server on loopback whose certificate no authority signed, made with the openssl program.
class UntrustedTlsServer {
public:
    UntrustedTlsServer() {
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() || !m_dir.isValid())
            return;
        const QString cert = m_dir.filePath(QStringLiteral("cert.pem"));
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        QProcess make;
        make.setStandardOutputFile(QProcess::nullDevice());
        make.setStandardErrorFile(QProcess::nullDevice());
        make.start(QStringLiteral("openssl"),
                   {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                    "-subj", "/CN=127.0.0.1", "-days", "1", "-keyout", key, "-out", cert});
        if (!make.waitForFinished(30000) || make.exitCode() != 0)
            return;
        // A port nobody uses: the fake service's, once it has gone.
        {
            FakeTranslator probe(serviceLikeHandler(&markedTranslation));
            m_port = probe.port();
        }
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("openssl"),
                       {"s_server", "-accept", QStringLiteral("127.0.0.1:%1").arg(m_port), "-cert", cert,
                        "-key", key, "-www", "-quiet"});
        if (!m_server.waitForStarted(5000))
            return;
        // s_server prints nothing once it listens: try to connect until it accepts.
        for (int i = 0; i < 100 && !m_listening; ++i) {
            QProcess probe;
            probe.setProcessChannelMode(QProcess::MergedChannels);
            probe.start(QStringLiteral("openssl"),
                        {"s_client", "-connect", QStringLiteral("127.0.0.1:%1").arg(m_port), "-brief"});
            probe.closeWriteChannel();
            probe.waitForFinished(5000);
            m_listening = probe.readAll().contains("CONNECTION ESTABLISHED");
            if (!m_listening)
                QTest::qWait(50);
        }
    }
    ~UntrustedTlsServer() {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    bool listening() const { return m_listening; }
    QString url() const { return QStringLiteral("https://127.0.0.1:%1").arg(m_port); }

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
    bool m_listening = false;
};

TEST(LoopbackTls, ARefusedCertificateEndsTheJobNamingTheHost) {
    UntrustedTlsServer server;
    if (!server.listening())
        GTEST_SKIP() << "the openssl program could not start a TLS server on loopback";
    TranslateJob job(curlTo(serviceAt(server.url())), quickConfig());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(numberedRequest(2)));
    ASSERT_TRUE(seen.waitForEnd());
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Failed);
    EXPECT_TRUE(seen.retryWaits.isEmpty());
    ASSERT_TRUE(seen.ends.front().message);
    EXPECT_TRUE(seen.ends.front().message->text.startsWith(
        QStringLiteral("The certificate of 127.0.0.1 was refused")))
        << seen.ends.front().message->text.toStdString();
}

} // namespace
