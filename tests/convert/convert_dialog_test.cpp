// The conversion dialog driven through injected pickers and message sink.
#include "app/convert_code_schema.h"
#include "app/frame_seam.h"
#include "charset/convert_encodings.h"
#include "scripted_dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <condition_variable>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>

namespace {

class ConvertDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs.openFile = [this](QWidget* parent) {
            EXPECT_EQ(parent, dialog.get());
            return next(sourceAnswers);
        };
        dialogs.saveFile = [this](QWidget*) { return next(targetAnswers); };
        dialogs.onMessage = [this](const UserMessage& m) { messages.push_back(m); };
        dialog = std::make_unique<CConvertCodeSchema>(
            dialogs,
            [this](const FileConversionRequest& r, std::stop_token stop, const ConversionProgress& p) {
                return convert ? convert(r, stop, p) : convertFile(r, stop, p);
            });
        dialog->show();
    }

    static QString next(std::deque<QString>& answers) {
        if (answers.empty())
            return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void pick(const QString& source, const QString& target) {
        sourceAnswers.push_back(source);
        targetAnswers.push_back(target);
        dialog->sourceBrowseButton()->click();
        dialog->targetBrowseButton()->click();
    }
    void choose(QComboBox* combo, const char* name) {
        const int i = combo->findText(name);
        ASSERT_GE(i, 0) << name;
        combo->setCurrentIndex(i);
    }
    // Presses OK and waits for the conversion's message.
    void convertNow() {
        const std::size_t before = messages.size();
        dialog->okButton()->click();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return messages.size() > before && !dialog->isConverting(); }, 20000));
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::deque<QString> sourceAnswers, targetAnswers;
    std::vector<UserMessage> messages;
    std::function<FileConversionResult(const FileConversionRequest&, std::stop_token,
                                       const ConversionProgress&)>
        convert;
    std::unique_ptr<CConvertCodeSchema> dialog;
};

const UserMessage kDone{"The convert is done!", "OK", MessageIcon::Information};

} // namespace

TEST_F(ConvertDialog, StartsWithTheSortedListAndAsciiSelected) {
    EXPECT_EQ(dialog->windowTitle(), "Convert Code Schema");
    QStringList expected;
    for (const ConvertEncoding& row : convertEncodingTable())
        expected << QString::fromUtf16(row.displayName);
    std::sort(expected.begin(), expected.end());
    for (QComboBox* combo : {dialog->sourceCombo(), dialog->targetCombo()}) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        EXPECT_EQ(items, expected);
        EXPECT_EQ(combo->currentText(), "America(ASCII)");
    }
    EXPECT_EQ(expected.front(), "America(ASCII)");
    EXPECT_EQ(expected.back(), "Western European(ISO-8859-1)");
    EXPECT_TRUE(dialog->sourceEdit()->isReadOnly());
    EXPECT_TRUE(dialog->targetEdit()->isReadOnly());
    EXPECT_FALSE(dialog->progressBar()->isVisible());
}

TEST_F(ConvertDialog, EmptyPathsAreRefusedWithTheirMessages) {
    dialog->okButton()->click();
    targetAnswers.push_back(path("out.txt"));
    dialog->targetBrowseButton()->click();
    dialog->okButton()->click();
    // A cancelled picker keeps the path chosen before.
    sourceAnswers.push_back(path("in.txt"));
    dialog->sourceBrowseButton()->click();
    dialog->targetBrowseButton()->click();
    EXPECT_EQ(dialog->targetEdit()->text(), path("out.txt"));
    // A new dialog, whose target picker is always cancelled.
    dialogs.saveFile = {};
    dialogs.openFile = [&](QWidget*) { return path("in.txt"); };
    dialog = std::make_unique<CConvertCodeSchema>(dialogs);
    dialog->sourceBrowseButton()->click();
    dialog->okButton()->click();

    const UserMessage noSource{"you must select a source file!", "ERROR!", MessageIcon::Error};
    const UserMessage noTarget{"you must select a target file!", "ERROR!", MessageIcon::Error};
    EXPECT_EQ(messages, (std::vector<UserMessage>{noSource, noSource, noTarget}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

TEST_F(ConvertDialog, OkConvertsAndKeepsTheDialogOpenForTheNextFile) {
    write(path("a b.srt"), "\xD6\xD0\xCE\xC4\r\n");
    pick(path("a b.srt"), path("out; $(x).srt"));
    choose(dialog->sourceCombo(), "Simplified Chinese(GB2312)");
    choose(dialog->targetCombo(), "Unicode(UTF-8)");
    convertNow();
    EXPECT_EQ(read(path("out; $(x).srt")), "中文\r\n");

    // Still open, with both paths and both choices, ready for another target.
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dialog->sourceEdit()->text(), path("a b.srt"));
    EXPECT_EQ(dialog->targetEdit()->text(), path("out; $(x).srt"));
    targetAnswers.push_back(path("big5.srt"));
    dialog->targetBrowseButton()->click();
    choose(dialog->targetCombo(), "Traditional Chinese(BIG5)");
    convertNow();
    EXPECT_EQ(read(path("big5.srt")), "\xA4\xA4\xA4\xE5\r\n");
    EXPECT_EQ(messages, (std::vector<UserMessage>{kDone, kDone}));
    EXPECT_TRUE(dialog->okButton()->isEnabled());
}

TEST_F(ConvertDialog, FailuresSayWhatWentWrongNeverDone) {
    const QByteArray original("\xD6\xD0\r\n");
    write(path("a.srt"), original);
    ASSERT_TRUE(QFile::link(path("a.srt"), path("link.srt")));
    pick(path("a.srt"), path("link.srt"));
    convertNow();
    EXPECT_EQ(read(path("a.srt")), original);

    write(path("target.srt"), "old");
    pick(path("missing.srt"), path("target.srt"));
    convertNow();
    EXPECT_EQ(read(path("target.srt")), "old");

    // A pipe nobody writes to: a message at once, never a worker waiting for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    pick(path("pipe"), path("target.srt"));
    convertNow();
    EXPECT_EQ(read(path("target.srt")), "old");

    ASSERT_EQ(messages.size(), 3u);
    for (const UserMessage& m : messages) {
        EXPECT_EQ(m.caption, "ERROR!");
        EXPECT_EQ(m.icon, MessageIcon::Error);
    }
    EXPECT_TRUE(messages[0].text.contains(path("link.srt"))) << qPrintable(messages[0].text);
    EXPECT_TRUE(messages[1].text.contains(path("missing.srt"))) << qPrintable(messages[1].text);
    EXPECT_TRUE(messages[2].text.contains(path("pipe"))) << qPrintable(messages[2].text);
}

TEST_F(ConvertDialog, ALongConversionShowsProgressAndCancelStopsIt) {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool sawStop = false;
    convert = [&](const FileConversionRequest&, std::stop_token stop, const ConversionProgress& progress) {
        progress(250, 1000);
        {
            std::unique_lock lock(mutex);
            started = true;
            changed.notify_all();
            std::condition_variable_any().wait(lock, stop, [] { return false; });
            sawStop = stop.stop_requested();
        }
        // Claims success: were the stopped worker's result applied, "done" would show.
        FileConversionResult r;
        r.status = FileConversionResult::Status::Done;
        return r;
    };
    dialog->setProgressDelay(std::chrono::milliseconds(0));
    pick(path("a.srt"), path("b.srt"));
    dialog->okButton()->click();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return started; }));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->progressBar()->isVisible(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->progressBar()->value() == 250; }, 5000));
    EXPECT_TRUE(dialog->isConverting());
    // While it runs, nothing starts a second conversion or changes the request.
    for (QWidget* w : std::initializer_list<QWidget*>{dialog->okButton(), dialog->sourceBrowseButton(),
                                                      dialog->targetBrowseButton(), dialog->sourceCombo(),
                                                      dialog->targetCombo()})
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    EXPECT_TRUE(dialog->cancelButton()->isEnabled());

    dialog->cancelButton()->click();
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(dialog->isConverting());
    EXPECT_FALSE(dialog->isVisible());
    // The stopped worker's result is stale: no message follows.
    QTest::qWait(50);
    EXPECT_TRUE(messages.empty());
}

namespace {
struct RecordingSeam : FrameSeam {
    QStringList openFilters, saveFilters;
    QString saveSuffix = "unset";
    std::vector<UserMessage> messages;
    QDialog* modal = nullptr;
    FileChoice getOpenFileName(QWidget*, const QStringList& filters) override {
        openFilters = filters;
        return {"/some/source.srt", 0};
    }
    QString getSaveFileName(QWidget*, const QStringList& filters, const QString& suffix,
                            const QString&) override {
        saveFilters = filters;
        saveSuffix = suffix;
        return {};
    }
    void showMessage(QWidget*, const UserMessage& m) override { messages.push_back(m); }
    int runModal(QDialog& dialog) override {
        modal = &dialog;
        auto* d = qobject_cast<CConvertCodeSchema*>(&dialog);
        EXPECT_NE(d, nullptr);
        EXPECT_EQ(dialog.parentWidget(), nullptr);
        if (d) {
            d->sourceBrowseButton()->click();
            d->targetBrowseButton()->click();
            d->okButton()->click();
            EXPECT_EQ(d->sourceEdit()->text(), "/some/source.srt");
        }
        return 7;
    }
    void showModeless(QDialog*) override {}
    SaveChoice askToSave(QWidget*, const QString&) override { return SaveChoice::Cancel; }
    bool openUrl(const QUrl&) override { return false; }
    bool startDetached(const QString&, const QStringList&) override { return false; }
    void exitProcess(int) override {}
};
} // namespace

TEST(ConvertDialogSeam, TheFramesSeamAnswersThePickersAndMessages) {
    RecordingSeam seam;
    EXPECT_EQ(runConvertCodeSchema(seam), 7);
    EXPECT_NE(seam.modal, nullptr);
    EXPECT_EQ(seam.openFilters, QStringList{"All files (*)"});
    EXPECT_EQ(seam.saveFilters, QStringList{"All files (*)"});
    EXPECT_EQ(seam.saveSuffix, QString());
    ASSERT_EQ(seam.messages.size(), 1u);
    EXPECT_EQ(seam.messages[0].text, "you must select a target file!");
}

TEST_F(ConvertDialog, EveryEventOfTheWorkerReachesTheWindowWhole) {
    // Many progress reports in a row, while the window takes them: each one is written by the
    // worker and read by the window, the very pattern the sanitizer watches.
    convert = [](const FileConversionRequest&, std::stop_token, const ConversionProgress& progress) {
        for (qint64 done = 1; done <= 2000; ++done)
            progress(done, 2000);
        FileConversionResult r;
        r.status = FileConversionResult::Status::Done;
        r.bytesRead = 2000;
        return r;
    };
    dialog->setProgressDelay(std::chrono::milliseconds(0));
    pick(path("a.srt"), path("b.srt"));
    convertNow();
    EXPECT_EQ(messages, std::vector<UserMessage>{kDone});
    EXPECT_FALSE(dialog->isConverting());
}
