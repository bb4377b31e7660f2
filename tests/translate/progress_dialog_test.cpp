// The progress dialog and the runner that the main frame uses: bar, count, "Done", Cancel and
// Escape, the hooks in their order, and the credentials dialog.
#include "app/progress_dialog.h"
#include "app/translation_runner.h"
#include "job_recorder.h"
#include "scripted_dialogs.h"
#include "translate/answer_reader.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TranslateRequest lines(int count) {
    TranslateRequest r;
    r.langPair = "en&tl=fr";
    for (int i = 0; i < count; ++i) {
        r.lines.append(QStringLiteral("l%1").arg(i));
        r.rows.append(i);
    }
    return r;
}

QByteArray answerOf(int count) {
    QStringList pieces;
    for (int i = 0; i < count; ++i)
        pieces.append(QStringLiteral("t%1").arg(i));
    return "[[[\"" + pieces.join(QStringLiteral("\\r")).toUtf8() + "\"]]]";
}

JobConfig noPause() {
    JobConfig c;
    c.pause = 0ms;
    c.firstRetryWait = 10ms;
    c.longestRetryWait = 10ms;
    return c;
}

TEST(ProgressDialog, BarCountAndDoneFollowTheJob) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    TranslateJob job(scriptedFactory(script), noPause());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(lines(30)));
    CProgress dialog(job, 30, nullptr);
    EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Processing..."));
    EXPECT_EQ(dialog.bar()->minimum(), 0);
    EXPECT_EQ(dialog.bar()->maximum(), 30);
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("CANCEL"));

    dialog.OnTimer();
    EXPECT_EQ(dialog.bar()->value(), 0);
    EXPECT_EQ(dialog.countText()->text(), QStringLiteral("0 / 30 lines"));

    script->give(okReply(answerOf(25)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.batchRows.size() == 1; }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return script->sends() == 2; }, 2000));
    dialog.OnTimer();
    EXPECT_EQ(dialog.bar()->value(), 25);
    EXPECT_EQ(dialog.countText()->text(), QStringLiteral("25 / 30 lines"));
    EXPECT_FALSE(dialog.okButton()->isEnabled());

    // While the network is down the count says why nothing moves.
    script->give(TransportFailure{QStringLiteral("down"), false, false});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.retryWaits.isEmpty(); }, 2000));
    EXPECT_EQ(dialog.noteText()->text(), QStringLiteral("no answer, trying again in 1 s"));

    script->give(okReply(answerOf(5)));
    ASSERT_TRUE(seen.waitForEnd());
    dialog.OnTimer();
    EXPECT_EQ(dialog.bar()->value(), 30);
    EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Done"));
    EXPECT_EQ(dialog.countText()->text(), QStringLiteral("30 / 30 lines"));
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_TRUE(dialog.noteText()->text().isEmpty());
}

TEST(ProgressDialog, NothingToTranslateShowsDoneAtTheFirstTick) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    TranslateJob job(scriptedFactory(script), noPause());
    JobRecorder seen(job);
    ASSERT_TRUE(job.start(lines(0)));
    CProgress dialog(job, 0, nullptr);
    ASSERT_TRUE(seen.waitForEnd());
    dialog.OnTimer();
    EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Done"));
    EXPECT_TRUE(dialog.okButton()->isEnabled());
}

// "CANCEL" and Escape close the dialog at once and end the job for the frame before they return.
TEST(ProgressDialog, CancelAndEscapeEndTheJobAndCloseAtOnce) {
    for (const bool escape : {false, true}) {
        auto script = std::make_shared<ScriptedTransport::Script>();
        TranslateJob job(scriptedFactory(script), noPause());
        JobRecorder seen(job);
        ASSERT_TRUE(job.start(lines(10)));
        CProgress dialog(job, 10, nullptr);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.cancelButton()->click();
        EXPECT_FALSE(dialog.isVisible()) << escape;
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << escape;
        ASSERT_EQ(seen.ends.size(), 1u) << escape;
        EXPECT_EQ(seen.ends.front().outcome, JobOutcome::Cancelled);
        EXPECT_TRUE(job.waitForWorker(1000ms)) << escape;
    }
}

struct Calls {
    QStringList order;
    ScriptedDialogs dialogs;
    const QList<UserMessage>& messages = dialogs.messages;

    // The job's signals, as the frame follows them.
    void follow(TranslationRunner& runner) {
        QObject::connect(&runner, &TranslationRunner::jobStarted,
                         [this] { order.append(QStringLiteral("started")); });
        QObject::connect(
            &runner, &TranslationRunner::batchTranslated,
            [this](const QList<int>& rows, const QStringList& pieces) {
                order.append(
                    QStringLiteral("batch %1-%2 %3").arg(rows.first()).arg(rows.last()).arg(pieces.last()));
            });
        QObject::connect(&runner, &TranslationRunner::jobFinished,
                         [this] { order.append(QStringLiteral("finished")); });
    }
};

// The frame's seam: dialogs run through runModal, messages are kept in order with the signals.
DialogSeam& recordingDialogs(Calls& calls, std::function<int(QDialog&)> runModal) {
    calls.dialogs.modal = std::move(runModal);
    calls.dialogs.onMessage = [&calls](const UserMessage&) { calls.order.append(QStringLiteral("message")); };
    return calls.dialogs;
}

// What the frame gets: started, the batches, the message of a failure, finished; the dialog runs
// through the frame's seam and stays until OK.
TEST(TranslationRunner, HandsTheJobToTheFrameInOrder) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    script->give(okReply(answerOf(25)));
    script->give(okReply("<html>busy</html>"));
    Calls calls;
    QString dialogState;
    TranslationRunner* runnerPtr = nullptr;
    TranslationRunner runner(recordingDialogs(calls,
                                              [&](QDialog& d) {
                                                  auto& progress = dynamic_cast<CProgress&>(d);
                                                  // A start while the job runs does nothing.
                                                  EXPECT_FALSE(runnerPtr->run(lines(3)));
                                                  EXPECT_TRUE(QTest::qWaitFor(
                                                      [&] { return !runnerPtr->job().translating(); }, 5000));
                                                  progress.OnTimer();
                                                  dialogState = progress.statusText()->text();
                                                  progress.okButton()->click();
                                                  return d.result();
                                              }),
                             nullptr, scriptedFactory(script), noPause());
    runnerPtr = &runner;
    calls.follow(runner);
    EXPECT_TRUE(runner.run(lines(40)));
    EXPECT_EQ(dialogState, QStringLiteral("Done"));
    EXPECT_EQ(calls.order, (QStringList{"started", "batch 0-24 t24", "message", "finished"}));
    ASSERT_EQ(calls.messages.size(), 1);
    EXPECT_EQ(calls.messages[0], translatorUnavailableMessage());
}

// Without a credentials function of its own, the frame's seam answers a small dialog.
TEST(TranslationRunner, AsksProxyCredentialsThroughTheSeam) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    script->give(TransportReply{407, {}, false});
    script->give(okReply(answerOf(2)));
    Calls calls;
    QStringList dialogs;
    TranslationRunner* runnerPtr = nullptr;
    TranslationRunner runner(
        recordingDialogs(calls,
                         [&](QDialog& d) {
                             dialogs.append(d.objectName());
                             if (d.objectName() == u"ProxyCredentials") {
                                 d.findChild<QLineEdit*>(QStringLiteral("user"))->setText("ann");
                                 d.findChild<QLineEdit*>(QStringLiteral("password"))->setText("pw");
                                 d.accept();
                                 return int(QDialog::Accepted);
                             }
                             EXPECT_TRUE(
                                 QTest::qWaitFor([&] { return !runnerPtr->job().translating(); }, 5000));
                             d.reject();
                             return d.result();
                         }),
        nullptr, scriptedFactory(script), noPause());
    runnerPtr = &runner;
    calls.follow(runner);
    EXPECT_TRUE(runner.run(lines(2)));
    EXPECT_EQ(dialogs, (QStringList{"CProgress", "ProxyCredentials"}));
    ASSERT_EQ(script->credentials.size(), 1u);
    EXPECT_EQ(script->credentials[0], (ProxyCredentials{"ann", "pw"}));
    EXPECT_EQ(calls.order, (QStringList{"started", "batch 0-1 t1", "finished"}));
}

// The dialog names a service that is not the default one, and says when the lines go unencrypted.
TEST(ProgressDialog, NamesAServiceOtherThanTheDefault) {
    const struct {
        const char* url; // empty: a transport that cannot say
        const char* shown;
    } cases[] = {
        {"", ""},
        {"https://translate.googleapis.com", ""},
        {"https://mt.example.org", "to mt.example.org"},
        {"http://127.0.0.1:5000", "to 127.0.0.1:5000"},
        {"http://mt.example.org:8080", "to mt.example.org:8080 (unencrypted)"},
    };
    for (const auto& c : cases) {
        auto script = std::make_shared<ScriptedTransport::Script>();
        const QUrl url(QString::fromUtf8(c.url));
        TransportFactory factory = [script, url] { return std::make_unique<LocatedTransport>(script, url); };
        TranslateJob job(factory, noPause());
        JobRecorder seen(job);
        ASSERT_TRUE(job.start(lines(0)));
        CProgress dialog(job, 0, nullptr);
        EXPECT_EQ(dialog.serviceText()->text(), QString::fromUtf8(c.shown)) << c.url;
        EXPECT_EQ(dialog.serviceText()->isVisibleTo(&dialog), *c.shown != 0) << c.url;
        ASSERT_TRUE(seen.waitForEnd());
    }
}

// The plain-http question and the proxy dialog's warning come through the frame's seam.
TEST(TranslationRunner, AsksThroughTheSeamBeforeUnencryptedText) {
    auto script = std::make_shared<ScriptedTransport::Script>();
    script->give(TransportReply{407, {}, false});
    script->give(okReply(answerOf(1)));
    Calls calls;
    QStringList dialogs;
    bool warned = false;
    TranslationRunner* runnerPtr = nullptr;
    TranslationRunner runner(
        recordingDialogs(calls,
                         [&](QDialog& d) {
                             dialogs.append(d.objectName());
                             if (d.objectName() == u"PlainHttpQuestion") {
                                 auto& box = dynamic_cast<QMessageBox&>(d);
                                 EXPECT_TRUE(box.text().contains(QStringLiteral("mt.example.org")));
                                 EXPECT_EQ(box.textFormat(), Qt::PlainText);
                                 return int(QMessageBox::Yes);
                             }
                             if (d.objectName() == u"ProxyCredentials") {
                                 warned = d.findChild<QLabel*>(QStringLiteral("inClearWarning")) != nullptr;
                                 d.findChild<QLineEdit*>(QStringLiteral("user"))->setText("ann");
                                 d.accept();
                                 return int(QDialog::Accepted);
                             }
                             EXPECT_TRUE(
                                 QTest::qWaitFor([&] { return !runnerPtr->job().translating(); }, 5000));
                             d.reject();
                             return d.result();
                         }),
        nullptr,
        [script] { return std::make_unique<LocatedTransport>(script, QUrl("http://mt.example.org"), true); },
        noPause());
    runnerPtr = &runner;
    calls.follow(runner);
    EXPECT_TRUE(runner.run(lines(1)));
    EXPECT_EQ(dialogs, (QStringList{"CProgress", "PlainHttpQuestion", "ProxyCredentials"}));
    EXPECT_TRUE(warned);
    ASSERT_EQ(script->credentials.size(), 1u);
    EXPECT_TRUE(script->credentials[0].clearTextAllowed);
    EXPECT_EQ(calls.order, (QStringList{"started", "batch 0-0 t0", "finished"}));
}

} // namespace
