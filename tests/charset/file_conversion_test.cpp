#include "charset/file_conversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kGb2312("\xD6\xD0\xCE\xC4\xD7\xD6\xC4\xBB\r\n"); // 中文字幕
const QByteArray kUtf8("中文字幕\r\n");
const QByteArray kOld("the old target\n");

class FileConversion : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static FileConversionResult run(const QString& source, const QString& target,
                                    const QString& from = "GB2312", const QString& to = "UTF-8") {
        return convertFile({source, target, from, to});
    }
    // A failure keeps the target and leaves no temporary file beside it.
    void expectFailureNaming(const FileConversionResult& result, const QString& named) {
        EXPECT_EQ(result.status, FileConversionResult::Status::Failed);
        ASSERT_TRUE(result.message.has_value());
        EXPECT_EQ(result.message->caption, "ERROR!");
        EXPECT_EQ(result.message->icon, MessageIcon::Error);
        EXPECT_TRUE(result.message->text.contains("\"" + named + "\"")) << qPrintable(result.message->text);
    }
    QStringList entries() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(FileConversion, AwkwardPathsConvertAndRunNothing) {
    const char* names[] = {
        "with space.srt",    "quote\"d.srt",  "apos'trophe.srt", "semi;colon.srt", "$(touch pwned).srt",
        "`touch pwned`.srt", "red>irect.srt", "pipe|amp&.srt",   "中文 名字.srt",  "-dash.srt",
    };
    for (const char* name : names) {
        const QString source = path(QString::fromUtf8(name));
        const QString target = path("out " + QString::fromUtf8(name));
        write(source, kGb2312);
        const FileConversionResult result = run(source, target);
        EXPECT_EQ(result.status, FileConversionResult::Status::Done) << name;
        EXPECT_FALSE(result.message.has_value()) << name;
        EXPECT_EQ(read(target), kUtf8) << name;
        EXPECT_EQ(result.bytesRead, kGb2312.size());
        EXPECT_EQ(result.bytesWritten, kUtf8.size());
    }
    EXPECT_FALSE(QFile::exists(path("pwned")));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("pwned")));
    EXPECT_EQ(entries().size(), 2 * std::size(names));
}

TEST_F(FileConversion, TheSourceAsTargetIsRefusedBeforeAnythingIsWritten) {
    const QString source = path("a.srt");
    write(source, kGb2312);
    ASSERT_TRUE(QFile::link(source, path("link.srt")));
    ASSERT_EQ(::link(QFile::encodeName(source).constData(), QFile::encodeName(path("hard.srt")).constData()),
              0);
    ASSERT_TRUE(QDir().mkdir(path("sub")));
    const QString targets[] = {source, path("sub/../a.srt"), path("./a.srt"), path("link.srt"),
                               path("hard.srt")};
    for (const QString& target : targets) {
        SCOPED_TRACE(target.toStdString());
        expectFailureNaming(run(source, target), target);
        EXPECT_EQ(read(source), kGb2312);
    }
    // The source reached through the link while the target is the file itself.
    expectFailureNaming(run(path("link.srt"), source), source);
    EXPECT_EQ(read(source), kGb2312);
    EXPECT_EQ(entries(), (QStringList{"a.srt", "hard.srt", "link.srt"}));
}

TEST_F(FileConversion, UnreadableSourcesAndUnwritableTargetsKeepTheTarget) {
    const QString good = path("good.srt");
    write(good, kGb2312);
    const QString target = path("target.txt");
    write(target, kOld);
    write(path("plain-file"), "x");
    ASSERT_TRUE(QDir().mkdir(path("folder")));

    struct Row {
        QString source;
        QString target;
        QString named; // the file the message must name
    };
    const Row rows[] = {
        {path("missing.srt"), target, path("missing.srt")},
        {path("folder"), target, path("folder")},
        {good, path("no-such-folder/out.txt"), path("no-such-folder/out.txt")},
        {good, path("folder"), path("folder")},
        {good, path("plain-file/out.txt"), path("plain-file/out.txt")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source.toStdString() + " -> " + row.target.toStdString());
        expectFailureNaming(run(row.source, row.target), row.named);
    }
    EXPECT_EQ(read(target), kOld);
    EXPECT_EQ(read(path("plain-file")), "x");
    EXPECT_EQ(entries(), (QStringList{"good.srt", "plain-file", "target.txt"}));
}

TEST_F(FileConversion, AnUnknownEncodingNamesTheSourceAndKeepsTheTarget) {
    const QString source = path("a.srt");
    write(source, kGb2312);
    const QString target = path("b.srt");
    write(target, kOld);
    const FileConversionResult result = run(source, target, "GB2312", "NoSuchEncoding");
    expectFailureNaming(result, source);
    EXPECT_TRUE(result.message->text.contains("NoSuchEncoding"));
    EXPECT_EQ(read(target), kOld);
}

TEST_F(FileConversion, AWriteThatFailsPartWayKeepsTheOldTarget) {
    const QString source = path("big.srt");
    QByteArray big;
    while (big.size() < 3 * 1024 * 1024)
        big += kGb2312;
    write(source, big);
    const QString target = path("target.txt");
    write(target, kOld);

    // A file size limit makes the writes fail part-way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1024 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileConversionResult result = run(source, target);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    expectFailureNaming(result, target);
    EXPECT_EQ(read(target), kOld);
    EXPECT_EQ(entries(), (QStringList{"big.srt", "target.txt"}));
}

TEST_F(FileConversion, LargeFilesStreamWithProgressAndStopKeepsTheTarget) {
    const QString source = path("big.srt");
    QByteArray big;
    while (big.size() < 2 * 1024 * 1024)
        big += kGb2312;
    write(source, big);
    const QString target = path("target.txt");

    std::vector<std::pair<qint64, qint64>> steps;
    FileConversionResult result =
        convertFile({source, target, "GB2312", "UTF-8"}, {},
                    [&](qint64 done, qint64 total) { steps.emplace_back(done, total); });
    ASSERT_EQ(result.status, FileConversionResult::Status::Done);
    EXPECT_EQ(read(target), QByteArray(kUtf8).repeated(big.size() / kGb2312.size()));
    ASSERT_GT(steps.size(), 4u);
    for (std::size_t i = 1; i < steps.size(); ++i)
        EXPECT_GE(steps[i].first, steps[i - 1].first);
    EXPECT_EQ(steps.back(), std::make_pair(qint64(big.size()), qint64(big.size())));

    write(target, kOld);
    std::stop_source stop;
    int calls = 0;
    result = convertFile({source, target, "GB2312", "UTF-8"}, stop.get_token(), [&](qint64, qint64) {
        if (++calls == 2)
            stop.request_stop();
    });
    EXPECT_EQ(result.status, FileConversionResult::Status::Cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(read(target), kOld);
    EXPECT_EQ(entries(), (QStringList{"big.srt", "target.txt"}));
}

TEST_F(FileConversion, SymlinkedTargetReplacesTheFileItNames) {
    const QString source = path("a.srt");
    write(source, kGb2312);
    const QString real = path("real.txt");
    write(real, kOld);
    ASSERT_TRUE(QFile::link(real, path("via-link.txt")));
    EXPECT_EQ(run(source, path("via-link.txt")).status, FileConversionResult::Status::Done);
    EXPECT_EQ(read(real), kUtf8);
    EXPECT_TRUE(QFileInfo(path("via-link.txt")).isSymLink());
}

TEST_F(FileConversion, OnlyARegularFileWithinTheLimitIsRead) {
    const QString fifo = path("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", path("zero-link")));
    // Sparse: one byte over the limit takes no room on the disk.
    const QString huge = path("huge.txt");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kConversionSizeLimit + 1));
    }
    const QString target = path("target.txt");
    write(target, kOld);

    for (const QString& source : {fifo, path("zero-link"), QStringLiteral("/dev/zero"), huge}) {
        SCOPED_TRACE(source.toStdString());
        std::stop_source stop;
        auto running = std::async(std::launch::async, [&] {
            return convertFile({source, target, "ASCII", "UTF-8"}, stop.get_token());
        });
        if (running.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
            // Free the worker before failing: a writer ends the wait on the pipe, the stop the read.
            stop.request_stop();
            const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            running.wait();
            if (writer >= 0)
                ::close(writer);
            ADD_FAILURE() << "still reading after 3 s";
            continue;
        }
        expectFailureNaming(running.get(), source);
    }
    EXPECT_EQ(read(target), kOld);
    // No temporary file beside the target (the pipe is not a file to list).
    EXPECT_EQ(entries(), (QStringList{"huge.txt", "target.txt", "zero-link"}));
}
