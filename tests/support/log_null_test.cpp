#include "support/log.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

// velmora's log leaves no trace: no file, no folder entry, nothing on the standard streams.
TEST(LogNull, WritesNothingAnywhere) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir(root.path()).mkpath("bin");
    QDir(root.path()).mkpath("log");
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root.path() + "/bin"));

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    log_init("..\\log\\dOzororuv.log");
    log_init("../log/dOzororuv.log");
    log_printf("open word.lxd file %s error, errno is %d\n", "..//data/word.lxd", 2);
    log_printf("%s", std::string(20000, 'x').c_str());
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    QDir::setCurrent(cwd);

    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    const auto filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    EXPECT_TRUE(QDir(root.path() + "/log").entryList(filter).isEmpty());
    EXPECT_TRUE(QDir(root.path() + "/bin").entryList(filter).isEmpty());
    EXPECT_EQ(QDir(root.path()).entryList(filter), QStringList({"bin", "log"}));
}
