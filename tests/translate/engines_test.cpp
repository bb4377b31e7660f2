// The engines against loopback stand-ins of their documented APIs: what each request carries,
// each piece landing on its own row with its tags, and every failure a message.
#include "job_recorder.h"
#include "tools/fake_translator/fake_engines.h"
#include "translate/apertium_service.h"
#include "translate/deepl_service.h"
#include "translate/engine_settings.h"
#include "translate/libre_translate_service.h"
#include "translate/openai_chat_service.h"
#include "translate/translate_job.h"
#include "translate/translate_messages.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

QString marked(const QString& line, const QString& target) {
    return QStringLiteral("[%1] %2").arg(target, line);
}

QJsonObject jsonBody(const RecordedRequest& r) {
    return QJsonDocument::fromJson(r.body).object();
}

QString formField(const RecordedRequest& r, const QByteArray& name) {
    for (const auto& [key, value] : formFields(r.body))
        if (key == name)
            return value;
    return {};
}

struct Engine {
    const char* name;
    std::function<std::shared_ptr<TranslationService>(const QString& url)> make;
    FakeHandler (*like)(LineTranslator);
    const char* path;
    const char* target; // how the engine names French
    // The lines a request carries, and a check of the rest of it.
    std::function<QStringList(const RecordedRequest&)> lines;
    std::function<void(const RecordedRequest&)> check;
};

const std::vector<Engine>& engines() {
    static const std::vector<Engine> list{
        {"Apertium", [](const QString& url) { return std::make_shared<ApertiumService>(QUrl(url)); },
         &apertiumLikeHandler, "/translate", "fr",
         [](const RecordedRequest& r) { return formField(r, "q").split(u'\n'); },
         [](const RecordedRequest& r) {
             EXPECT_EQ(formField(r, "langpair"), QStringLiteral("en|fr"));
             EXPECT_EQ(formField(r, "markUnknown"), QStringLiteral("no"));
             EXPECT_EQ(r.header("content-type"), "application/x-www-form-urlencoded");
         }},
        {"LibreTranslate",
         [](const QString& url) { return std::make_shared<LibreTranslateService>(QUrl(url), "k3y"); },
         &libreTranslateLikeHandler, "/translate", "fr",
         [](const RecordedRequest& r) {
             QStringList lines;
             for (const QJsonValue& v : jsonBody(r).value("q").toArray())
                 lines.append(v.toString());
             return lines;
         },
         [](const RecordedRequest& r) {
             const QJsonObject body = jsonBody(r);
             EXPECT_EQ(body.value("api_key").toString(), QStringLiteral("k3y"));
             EXPECT_EQ(body.value("source").toString(), QStringLiteral("en"));
             EXPECT_EQ(body.value("format").toString(), QStringLiteral("text"));
             EXPECT_EQ(r.header("content-type"), "application/json");
         }},
        {"OpenAI",
         [](const QString& url) {
             return std::make_shared<OpenAiChatService>(QUrl(url + "/v1"), "llama3", "sk-1");
         },
         &openAiLikeHandler, "/v1/chat/completions", "French",
         [](const RecordedRequest& r) {
             const QJsonArray messages = jsonBody(r).value("messages").toArray();
             QStringList lines;
             const QJsonObject user =
                 QJsonDocument::fromJson(messages.at(1)["content"].toString().toUtf8()).object();
             for (const QJsonValue& v : user.value("lines").toArray())
                 lines.append(v["text"].toString());
             return lines;
         },
         [](const RecordedRequest& r) {
             const QJsonObject body = jsonBody(r);
             EXPECT_EQ(r.header("authorization"), "Bearer sk-1");
             EXPECT_EQ(body.value("model").toString(), QStringLiteral("llama3"));
             EXPECT_EQ(body.value("temperature").toInt(-1), 0);
             EXPECT_GT(body.value("max_tokens").toInt(), 0);
             EXPECT_LE(body.value("max_tokens").toInt(), 8192);
         }},
        {"DeepL", [](const QString& url) { return std::make_shared<DeepLService>("abc:fx", QUrl(url)); },
         &deepLLikeHandler, "/v2/translate", "FR",
         [](const RecordedRequest& r) {
             QStringList lines;
             for (const auto& [key, value] : formFields(r.body))
                 if (key == "text")
                     lines.append(value);
             return lines;
         },
         [](const RecordedRequest& r) {
             EXPECT_EQ(r.header("authorization"), "DeepL-Auth-Key abc:fx");
             EXPECT_EQ(formField(r, "target_lang"), QStringLiteral("FR"));
             EXPECT_EQ(formField(r, "source_lang"), QStringLiteral("EN"));
         }},
    };
    return list;
}

TranslateRequest englishLines(int count) {
    TranslateRequest r;
    r.langPair = "en&tl=fr";
    for (int i = 0; i < count; ++i) {
        r.lines.append(QStringLiteral("line %1").arg(i));
        r.rows.append(i);
    }
    r.lines[0] = QStringLiteral("<i>Hi</i>|\nyou {y:b}there");
    return r;
}

JobConfig quick() {
    JobConfig c;
    c.firstRetryWait = 10ms;
    c.longestRetryWait = 40ms;
    return c;
}

struct EngineJob {
    FakeTranslator server;
    TranslateJob job;
    JobRecorder seen;
    EngineJob(const Engine& e, FakeHandler handler)
        : server(std::move(handler)), job([] { return makeCurlTransport(TransportConfig{}); }, quick()),
          seen(job) {
        job.setService(e.make(server.url()));
    }
};

TEST(Engines, TranslateAJobThroughTheirApis) {
    for (const Engine& e : engines()) {
        EngineJob run(e, e.like(&marked));
        ASSERT_TRUE(run.job.start(englishLines(60))) << e.name;
        ASSERT_TRUE(run.seen.waitForEnd()) << e.name;
        ASSERT_EQ(run.seen.ends.front().outcome, JobOutcome::Completed) << e.name;
        const std::vector<RecordedRequest> requests = run.server.requests();
        ASSERT_FALSE(requests.empty()) << e.name;
        QStringList sent;
        for (const RecordedRequest& r : requests) {
            EXPECT_EQ(r.method, "POST") << e.name;
            EXPECT_EQ(r.target, e.path) << e.name;
            e.check(r);
            sent += e.lines(r);
        }
        // Every line once, in order, tags and joins as placeholders.
        ASSERT_EQ(sent.size(), 60) << e.name;
        EXPECT_EQ(sent[0],
                  QStringLiteral("\u27E61\u27E7Hi\u27E62\u27E7 \u27E63\u27E7 you \u27E64\u27E7there"))
            << e.name;
        EXPECT_EQ(sent[59], QStringLiteral("line 59")) << e.name;
        const QString target = QString::fromUtf8(e.target);
        EXPECT_EQ(run.seen.pieceOfRow[0], QStringLiteral("[%1] <i>Hi</i>|\nyou {y:b}there").arg(target))
            << e.name;
        for (int row = 1; row < 60; ++row)
            EXPECT_EQ(run.seen.pieceOfRow[row], QStringLiteral("[%1] line %2").arg(target).arg(row))
                << e.name;
        EXPECT_TRUE(run.job.rowsToReview().isEmpty()) << e.name;
    }
}

// Each failure of the first answer, for every engine: a message that says what happened, or a
// retry that ends in the whole job; never a crash and never a row with another's line.
TEST(Engines, EveryFailureIsAMessage) {
    const QString anyText;
    const struct {
        const char* what;
        int status;
        QByteArray body;
        qsizetype cutAfter;
        std::function<UserMessage(const QString& engine)> message; // null: the job completes
    } failures[] = {
        {"wrong key", 403, R"({"error":"invalid key"})", -1,
         [](const QString& n) { return keyRefusedMessage(n); }},
        {"no key", 401, "", -1, [](const QString& n) { return keyRefusedMessage(n); }},
        {"quota", 456, R"({"message":"Quota exceeded"})", -1,
         [](const QString& n) { return quotaUsedUpMessage(n); }},
        {"server error", 500, R"({"error":"model crashed"})", -1,
         [](const QString& n) { return serviceErrorMessage(n, 500, QStringLiteral("model crashed")); }},
        {"malformed JSON", 200, R"({"translatedText": [)", -1,
         [](const QString&) { return translatorUnavailableMessage(); }},
        {"empty answer", 200, "", -1, [](const QString&) { return emptyAnswerMessage(); }},
        {"10 MB", 200, QByteArray(10 * 1024 * 1024, 'x'), -1,
         [](const QString&) { return answerTooLongMessage(); }},
        {"stops mid-answer", 200, QByteArray(4000, ' '), 100, nullptr},
    };
    for (const Engine& e : engines()) {
        for (const auto& f : failures) {
            const std::string what = std::string(e.name) + ": " + f.what;
            FakeHandler good = e.like(&marked);
            EngineJob run(e, [&](const RecordedRequest& request, int index) {
                if (index > 0)
                    return good(request, index);
                FakeReply reply;
                reply.status = f.status;
                reply.body = f.body;
                reply.cutAfter = f.cutAfter;
                return reply;
            });
            ASSERT_TRUE(run.job.start(englishLines(3))) << what;
            ASSERT_TRUE(run.seen.waitForEnd()) << what;
            if (!f.message) {
                EXPECT_EQ(run.seen.ends.front().outcome, JobOutcome::Completed) << what;
                EXPECT_EQ(run.seen.retryWaits.size(), 1) << what;
                EXPECT_EQ(run.seen.pieceOfRow.value(2), QStringLiteral("[%1] line 2").arg(e.target)) << what;
                continue;
            }
            EXPECT_EQ(run.seen.ends.front().outcome, JobOutcome::Failed) << what;
            EXPECT_EQ(run.seen.ends.front().message,
                      std::optional<UserMessage>(f.message(run.job.serviceName())))
                << what << " " << run.seen.ends.front().message.value_or(UserMessage{}).text.toStdString();
            EXPECT_TRUE(run.seen.pieceOfRow.isEmpty()) << what;
        }
    }
}

// A chat model's answer is read by number: order does not matter, but every number must come back
// once; otherwise the lines go again one at a time.
TEST(OpenAiChat, AnswersAreReadByNumber) {
    const OpenAiChatService chat(QUrl("http://127.0.0.1:1/v1"), "m");
    ServiceBatch batch;
    batch.lines = QStringList{"a", "b", "c"};
    auto answer = [](const QString& content, const char* finish = "stop") {
        const QJsonObject body{
            {"choices", QJsonArray{QJsonObject{{"message", QJsonObject{{"content", content}}},
                                               {"finish_reason", finish}}}}};
        return TransportReply(200, QJsonDocument(body).toJson());
    };
    const struct {
        const char* what;
        TransportReply reply;
        QString pieces; // empty: lines go one by one
    } cases[] = {
        {"a number twice", answer(R"([{"n":1,"text":"A"},{"n":1,"text":"B"},{"n":3,"text":"C"}])"), {}},
        {"a number missing", answer(R"([{"n":1,"text":"A"},{"n":3,"text":"C"}])"), {}},
        {"a number too many",
         answer(R"([{"n":1,"text":"A"},{"n":2,"text":"B"},{"n":3,"text":"C"},{"n":4,"text":"D"}])"),
         {}},
        {"cut at the token bound",
         answer(R"([{"n":1,"text":"A"},{"n":2,"text":"B"},{"n":3,"text":"C"}])", "length"),
         {}},
        {"no array", answer("I cannot translate that."), {}},
        {"out of order, in prose",
         answer("Sure!\n```json\n[{\"n\":3,\"text\":\"C\"},{\"n\":1,\"text\":\"A\"},{\"n\":2,\"text\":\"B\"}]"
                "\n```"),
         "A/B/C"},
    };
    for (const auto& c : cases) {
        const BatchAnswer read = chat.readAnswer(c.reply, batch);
        if (c.pieces.isEmpty()) {
            EXPECT_TRUE(read.mismatch) << c.what;
            EXPECT_TRUE(read.pieces.isEmpty()) << c.what;
        } else {
            EXPECT_FALSE(read.message) << c.what;
            EXPECT_EQ(read.pieces.join(u'/'), c.pieces) << c.what;
        }
    }

    // The entries around the batch go along as context, apart from the lines to translate.
    batch.before = QStringList{"x"};
    batch.after = QStringList{"y", "z"};
    const ServiceRequest request = chat.buildRequest(batch, {"en", "de"});
    const QJsonArray messages = QJsonDocument::fromJson(request.body).object().value("messages").toArray();
    const QJsonObject user = QJsonDocument::fromJson(messages.at(1)["content"].toString().toUtf8()).object();
    EXPECT_EQ(user.value("context_before").toArray(), QJsonArray{"x"});
    EXPECT_EQ(user.value("context_after").toArray(), (QJsonArray{"y", "z"}));
    EXPECT_EQ(user.value("lines").toArray().size(), 3);
    EXPECT_TRUE(messages.at(0)["content"].toString().contains(QStringLiteral("from English to German")));
}

// A model that drops a line: the batch goes again one line at a time, each row with its own line.
TEST(OpenAiChat, ABatchThatDoesNotLineUpGoesLineByLine) {
    const Engine& e = engines()[2];
    FakeHandler good = e.like(&marked);
    EngineJob run(e, [&](const RecordedRequest& request, int index) {
        FakeReply reply = good(request, index);
        if (index == 0) // the model forgot the last line
            reply.body.replace(R"(,{\"n\":3,\"text\":\"[French] line 2\"}])", "]");
        return reply;
    });
    ASSERT_TRUE(run.job.start(englishLines(3)));
    ASSERT_TRUE(run.seen.waitForEnd());
    EXPECT_EQ(run.seen.ends.front().outcome, JobOutcome::Completed);
    EXPECT_EQ(run.server.requestCount(), 4);
    EXPECT_EQ(run.seen.pieceOfRow.value(1), QStringLiteral("[French] line 1"));
    EXPECT_EQ(run.seen.pieceOfRow.value(2), QStringLiteral("[French] line 2"));
}

// An engine that loses or moves placeholders: every tag is still in the row, which is marked.
TEST(Engines, LostPlaceholdersPutTagsBackAndMarkTheRow) {
    const Engine& e = engines()[1];
    EngineJob run(e, e.like([](const QString& line, const QString&) {
        QString out = line;
        return out.remove(QStringLiteral("\u27E61\u27E7"))
            .replace(QStringLiteral("\u27E62\u27E7"), QStringLiteral("\u27E6 2"));
    }));
    TranslateRequest request = englishLines(2);
    request.lines[0] = QStringLiteral("<i>Run</i>");
    ASSERT_TRUE(run.job.start(request));
    ASSERT_TRUE(run.seen.waitForEnd());
    EXPECT_EQ(run.seen.pieceOfRow.value(0), QStringLiteral("<i>Run</i>"));
    EXPECT_EQ(run.seen.pieceOfRow.value(1), QStringLiteral("line 1"));
    EXPECT_EQ(run.job.rowsToReview(), QList<int>{0});
}

TEST(Engines, AnEngineWithoutAnAddressSaysSo) {
    for (const Engine& e : {engines()[1], engines()[2]}) {
        TranslateJob job([] { return makeCurlTransport(TransportConfig{}); }, quick());
        job.setService(e.make(QString()));
        JobRecorder seen(job);
        ASSERT_TRUE(job.start(englishLines(2)));
        ASSERT_TRUE(seen.waitForEnd()) << e.name;
        EXPECT_EQ(seen.ends.front().message,
                  std::optional<UserMessage>(addressMissingMessage(job.serviceName())))
            << e.name;
    }
}

TEST(Engines, LanguagesAreAskedOnceAndKept) {
    FakeTranslator server(apertiumLikeHandler(&marked));
    ApertiumService apertium{QUrl(server.url())};
    CurlTransport transport{TransportConfig{}};
    LanguageCache cache;
    for (int i = 0; i < 2; ++i) {
        const std::optional<ServiceLanguages> languages = cache.languages(apertium, transport, {});
        ASSERT_TRUE(languages);
        EXPECT_EQ(languages->pairs.size(), 2);
        EXPECT_EQ(languages->pairs.value(0), (std::pair<QString, QString>{"eng", "spa"}));
    }
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.requests()[0].target, "/listPairs");
}

TEST(DeepL, KeysChooseTheHostAndCodesTheirForm) {
    EXPECT_EQ(DeepLService::hostForKey("279a2e9d-83b3-c416-7e2d-f721593e42a0:fx").host(),
              "api-free.deepl.com");
    EXPECT_EQ(DeepLService::hostForKey("279a2e9d-83b3-c416-7e2d-f721593e42a0").host(), "api.deepl.com");
    const struct {
        const char* table;
        const char* source;
        const char* target;
    } codes[] = {{"en", "EN", "EN-US"},
                 {"pt", "PT", "PT-PT"},
                 {"zh-TW", "ZH", "ZH"},
                 {"auto", "", ""},
                 {"iw", "HE", "HE"}};
    for (const auto& c : codes) {
        EXPECT_EQ(DeepLService::sourceCode(c.table), QString::fromUtf8(c.source)) << c.table;
        EXPECT_EQ(DeepLService::targetCode(c.table), QString::fromUtf8(c.target)) << c.table;
    }
}

// The settings file as a user writes it by hand, and as velmora writes it; keys only from the
// environment.
TEST(EngineSettingsFile, ChoosesTheEngineAndItsAddress) {
    QTemporaryDir dir;
    const QString path = dir.filePath("translation.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[translation]\nengine=openai\nopenai\\address=localhost:11434/v1\nopenai\\model=llama3.1\n"
               "openai\\key=never-read\n");
    file.close();
    qputenv("VELMORA_OPENAI_KEY", "sk-env");
    QSettings settings(path, QSettings::IniFormat);
    const EngineSettings read = readEngineSettings(settings);
    qunsetenv("VELMORA_OPENAI_KEY");
    EXPECT_EQ(read.kind, EngineKind::OpenAiChat);
    EXPECT_EQ(read.address, QUrl("https://localhost:11434/v1"));
    EXPECT_EQ(read.model, QStringLiteral("llama3.1"));
    EXPECT_EQ(read.key, QStringLiteral("sk-env"));
    const std::shared_ptr<TranslationService> engine = makeService(read);
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->name(), OpenAiChatService(QUrl(), {}).name());

    const EngineSettings apertium{EngineKind::Apertium, {}, {}, QStringLiteral("secret")};
    QSettings written(dir.filePath("written.ini"), QSettings::IniFormat);
    writeEngineSettings(written, apertium);
    written.sync();
    EXPECT_EQ(readEngineSettings(written).kind, EngineKind::Apertium);
    QFile check(dir.filePath("written.ini"));
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_FALSE(check.readAll().contains("secret"));
    // The web endpoint is made by the job at the transport's address.
    EXPECT_FALSE(makeService(EngineSettings{}));
}

} // namespace
