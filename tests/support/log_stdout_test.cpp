#include "support/log.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace {

// "<YYYY/MM/DD HH:MM:SS>:" is 22 bytes.
constexpr std::size_t kStampSize = 22;

template <typename Log> std::string captured(Log log) {
    testing::internal::CaptureStdout();
    log();
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(LogStdout, OneLetterGetsAUtcStampAndAnExtraNewline) {
    // A local zone far from UTC, so that a stamp in local time would fall outside the window.
    const QByteArray savedTz = qgetenv("TZ");
    qputenv("TZ", "JST-9");
    tzset();
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1000);
    const std::string out = captured([] { log_printf("a\n"); });
    const QDateTime after = QDateTime::currentDateTimeUtc();
    if (savedTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedTz);
    tzset();

    static const QRegularExpression line(
        QStringLiteral("^<(\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2})>:a\\n\\n$"));
    const auto match = line.match(QString::fromStdString(out));
    ASSERT_TRUE(match.hasMatch()) << out;
    QDateTime stamp = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    stamp.setTimeZone(QTimeZone::utc());
    ASSERT_TRUE(stamp.isValid()) << out;
    EXPECT_GE(stamp, before) << out;
    EXPECT_LE(stamp, after) << out;
}

TEST(LogStdout, FormatsArgumentsButNotTheMessageAgain) {
    std::string out = captured(
        [] { log_printf("open word.lxd file rw sytle %s error, errno is %d\n", "..//data//word.lxd", 13); });
    ASSERT_GE(out.size(), kStampSize);
    EXPECT_EQ(out.substr(kStampSize),
              "open word.lxd file rw sytle ..//data//word.lxd error, errno is 13\n\n");

    out = captured([] { log_printf("%s", "100%d %s"); });
    ASSERT_GE(out.size(), kStampSize);
    EXPECT_EQ(out.substr(kStampSize - 2), ">:100%d %s\n");
}

TEST(LogStdout, OverLongMessageIsCutToTheLineBuffer) {
    const std::string message(20000, 'x');
    const std::string out = captured([&] { log_printf("%s", message.c_str()); });

    ASSERT_EQ(out.size(), kLogBufferSize + 1);
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.substr(kStampSize, kLogBufferSize - kStampSize),
              std::string(kLogBufferSize - kStampSize, 'x'));
    EXPECT_EQ(out.compare(kStampSize - 2, 2, ">:"), 0);
}

TEST(LogStdout, InitOpensNoFileAndLinesStillGoToStandardOutput) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = (dir.path() + "/dOzororuv.log").toLocal8Bit();
    const std::string out = captured([&] {
        log_init(path.constData());
        log_printf("b\n");
    });
    EXPECT_EQ(out.substr(kStampSize), "b\n\n");
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(path)));
}
