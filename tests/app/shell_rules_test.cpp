// The shell's window-free rules: start-up clean-up, load messages, Timings masks, control states
// and dialog filters.
#include "app/shell_rules.h"
#include "subtitle/subtitle_format.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}
} // namespace

TEST(StartupCleanup, DeletesOnlyMatchingFilesDirectlyInTheFolder) {
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("program folder/bin"));
    const QString other = root.filePath(QStringLiteral("program folder/other"));
    QDir().mkpath(bin);
    QDir().mkpath(other);
    QDir().mkpath(bin + QStringLiteral("/translated-notes"));
    // Only the names the movie pane makes itself are ours: seconds, "translated.", a format's extension.
    for (const char* name :
         {"1478140830translated.srt", "1481234567translated.smi", "1481234567translated.SUB",
          "9translated.sub", "my_translated_work.srt", "a.translated.srt", "mytranslated", "12translated.txt",
          "x1478140830translated.srt", "1478140830translated.srt.bak", "translate.srt", "velmora"})
        touch(bin + u'/' + QLatin1String(name));
    touch(bin + QStringLiteral("/translated-notes/1478140830translated.srt"));
    touch(other + QStringLiteral("/1478140830translated.srt"));

    EXPECT_EQ(deleteTemporaryTranslatedFiles(bin + u'/'), 4);

    const QStringList left = QDir(bin).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(left, (QStringList{"12translated.txt", "1478140830translated.srt.bak", "a.translated.srt",
                                 "my_translated_work.srt", "mytranslated", "translate.srt",
                                 "translated-notes", "velmora", "x1478140830translated.srt"}));
    EXPECT_TRUE(QFile::exists(bin + QStringLiteral("/translated-notes/1478140830translated.srt")));
    EXPECT_TRUE(QFile::exists(other + QStringLiteral("/1478140830translated.srt")));
    EXPECT_EQ(deleteTemporaryTranslatedFiles(QString()), 0);
}

TEST(LoadMessages, EncodingStatusAndFormatQuestion) {
    EncodingGuess gb{EncodingGuess::Source::Detector, 936, 80};
    EXPECT_EQ(
        encodingStatus(Side::Translated, gb),
        QString::fromUtf8("Translated: read as Simplified Chinese (GB2312) \u2014 change it in the character "
                          "set box if the text looks wrong"));
    EXPECT_EQ(
        encodingStatus(Side::Original, EncodingGuess{EncodingGuess::Source::Unsure, 0, 0}),
        QString::fromUtf8("Original: read as America (ANSI) \u2014 change it in the character set box if the "
                          "text looks wrong"));
    EXPECT_TRUE(encodingStatus(Side::Original, EncodingGuess{}).isEmpty());
    const UserMessage q = formatMismatchQuestion(kSubRip, kMicroDVD);
    EXPECT_TRUE(
        q.text.startsWith("This file does not look like a SubRip file; it looks like a MicroDVD file."));
}

TEST(TimingsMasks, ChosenOnceByTheFirstVisit) {
    TimingsMaskLatch subrip;
    EXPECT_EQ(subrip.take(kSubRip), QStringLiteral("99:99:99,999;0"));
    EXPECT_EQ(subrip.take(kSubViewer), std::nullopt);
    EXPECT_EQ(subrip.take(kSubRip), std::nullopt);

    TimingsMaskLatch subviewer;
    EXPECT_EQ(subviewer.take(kSubViewer2), QStringLiteral("99:99:99,99;0"));

    // A MicroDVD or SAMI first visit spends the latch: no mask now and none later.
    for (std::int32_t first : {kMicroDVD, kSAMI}) {
        TimingsMaskLatch latch;
        EXPECT_EQ(latch.take(first), std::nullopt);
        EXPECT_TRUE(latch.isSpent());
        EXPECT_EQ(latch.take(kSubRip), std::nullopt);
    }
}

TEST(TimingsMasks, WebVttAndSubStationBringTheirOwn) {
    // A mask of another shape would write a time in a foreign layout into the time line.
    TimingsMaskLatch latch;
    const std::pair<std::int32_t, std::optional<QString>> visits[] = {
        {kSubRip, "99:99:99,999;0"}, {kWebVTT, "99:99:99.999;0"}, {kSubStation, "9:99:99.99;0"},
        {kSAMI, "99:99:99,999;0"},   {kSubRip, std::nullopt},     {kSubViewer, std::nullopt},
    };
    for (const auto& [format, mask] : visits)
        EXPECT_EQ(latch.take(format), mask) << format;
    EXPECT_TRUE(isTemporaryTranslatedName(QStringLiteral("1478140830translated.vtt")));
    EXPECT_TRUE(isTemporaryTranslatedName(QStringLiteral("1478140830translated.ass")));
}

TEST(TimingControls, FollowSelectionFocusAndFormat) {
    const QString show = QStringLiteral("00:00:01,000");
    using S = TimingControlStates;
    EXPECT_EQ(timingControlStates(1, true, show, kSubRip), (S{true, true, true}));
    EXPECT_EQ(timingControlStates(1, true, show, kSAMI), (S{true, false, true}));
    EXPECT_EQ(timingControlStates(2, true, show, kSubRip), (S{}));
    EXPECT_EQ(timingControlStates(0, false, QString(), kSubRip), (S{}));
    // A row without a time of its own (added for a translated entry) cannot be adjusted.
    EXPECT_EQ(timingControlStates(1, true, QString(), kSubRip), (S{}));
    // One selected row but no focused one: the selection alone decides.
    EXPECT_EQ(timingControlStates(1, false, QString(), kSubRip), (S{true, true, true}));
}

TEST(DialogFilters, WindowsFiltersBecomeQtNameFilters) {
    const QStringList load = qtNameFilters(kLoadFilter);
    ASSERT_EQ(load.size(), 7);
    EXPECT_EQ(load[0], QStringLiteral("SubRip File(*.srt) (*.srt)"));
    EXPECT_EQ(load[1], QStringLiteral("MicroDVD File(*.sub;*.txt) (*.sub *.txt)"));
    EXPECT_EQ(load[4], QStringLiteral("SubViewer 2.0 File(*.SUB) (*.SUB)"));
    EXPECT_EQ(load[6], QStringLiteral("Advanced SubStation File(*.ass;*.ssa) (*.ass *.ssa)"));
    // An empty pattern part lists every file.
    EXPECT_EQ(qtNameFilters(QStringLiteral("SubRip file(*.srt)||")), QStringList{"SubRip file(*.srt) (*)"});
    EXPECT_EQ(qtNameFilters(QStringLiteral("txt file(*.txt)|*.txt|All files (*.*)|*.*||")),
              (QStringList{"txt file(*.txt) (*.txt)", "All files (*.*) (*.*)"}));
}
