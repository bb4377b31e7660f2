// The real apertium-apy, started by velmora's own code on a free loopback port, translating
// English subtitle lines into Spanish through the job.
#include "job_recorder.h"
#include "translate/apertium_service.h"
#include "translate/translate_job.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const QStringList kSentences{
    "Where have you been all night?",
    "The train leaves at nine.",
    "I do not know her name.",
    "We have to go now.",
    "Is this your house?",
    "My brother works in the city.",
    "The dog is sleeping.",
    "Please close the door.",
    "She wants to eat something.",
    "They are waiting for us.",
    "The water is cold.",
    "I like this song.",
    "Tomorrow it will rain.",
    "Where is the station?",
    "He reads a book every week.",
    "The children play in the garden.",
    "We need more time.",
    "Your car is very fast.",
    "I am looking for my keys.",
    "The window is open.",
};

TEST(ApertiumOnThisComputer, TranslatesEnglishIntoSpanishThroughTheJob) {
    if (ApertiumServer::installedProgram().isEmpty())
        GTEST_SKIP()
            << "apertium-apy is not installed (tools/deps.sh installs apertium-apy and apertium-eng-spa)";
    auto server = std::make_shared<ApertiumServer>();
    TranslateRequest request;
    request.langPair = "en&tl=es";
    for (int i = 0; i < 60; ++i) {
        request.lines.append(kSentences[i % kSentences.size()]);
        request.rows.append(i);
    }
    request.lines[0] = QStringLiteral("<i>Where have you been?</i>");
    request.lines[1] = QStringLiteral("The train leaves|\nat nine.");

    JobConfig config;
    config.firstRetryWait = 100ms;
    TranslateJob job([] { return makeCurlTransport(TransportConfig{}); }, config);
    job.setService(std::make_shared<ApertiumService>(QUrl(), server));
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(request));
    ASSERT_TRUE(seen.waitForEnd(120000));
    ASSERT_EQ(seen.ends.front().outcome, JobOutcome::Completed)
        << seen.ends.front().message.value_or(UserMessage{}).text.toStdString();
    ASSERT_TRUE(server->running());
    EXPECT_EQ(job.serviceUrl().host(), QStringLiteral("127.0.0.1"));

    ASSERT_EQ(seen.pieceOfRow.size(), 60);
    for (int row = 0; row < 60; ++row) {
        EXPECT_FALSE(seen.pieceOfRow[row].trimmed().isEmpty()) << row;
        EXPECT_NE(seen.pieceOfRow[row], request.lines[row]) << row;
    }
    EXPECT_TRUE(seen.pieceOfRow[0].startsWith(QStringLiteral("<i>"))) << seen.pieceOfRow[0].toStdString();
    EXPECT_TRUE(seen.pieceOfRow[0].endsWith(QStringLiteral("</i>"))) << seen.pieceOfRow[0].toStdString();
    EXPECT_TRUE(seen.pieceOfRow[1].contains(QStringLiteral("|\n"))) << seen.pieceOfRow[1].toStdString();
    EXPECT_TRUE(seen.pieceOfRow[21].contains(QStringLiteral("tren"))) << seen.pieceOfRow[21].toStdString();

    // A pair that is not installed is the server's refusal, told as a message.
    ASSERT_TRUE(job.waitForWorker(5000ms));
    seen.ends.clear();
    request.langPair = "en&tl=fr";
    ASSERT_TRUE(job.start(request));
    ASSERT_TRUE(seen.waitForEnd(30000));
    EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Failed);
    EXPECT_TRUE(
        seen.ends.front().message.value_or(UserMessage{}).text.contains(QStringLiteral("not installed")))
        << seen.ends.front().message.value_or(UserMessage{}).text.toStdString();

    ASSERT_TRUE(job.waitForWorker(5000ms));
    server->stop();
    EXPECT_FALSE(server->running());
}

} // namespace
