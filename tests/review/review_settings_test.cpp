// The review settings file: what is chosen comes back, and a bad value neither sticks nor spreads.
#include "review/review_settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ReviewSettings, ChoicesComeBackAndBadValuesDoNot) {
    QTemporaryDir dir;
    const QString file = dir.filePath("config/velmora/review.ini");
    ReviewSettings settings(file);
    // Nothing stored yet: the adult streaming preset.
    EXPECT_EQ(settings.preset(), PresetId::StreamingAdult);
    EXPECT_EQ(settings.limits().maxCharsPerSecond, 20);
    EXPECT_EQ(settings.spellingLanguagesFor("de"), QStringList{"de"});

    EXPECT_FALSE(settings.setPreset(PresetId::Children));
    EXPECT_EQ(ReviewSettings(file).limits().maxCharsPerSecond, 17);

    ReviewLimits custom = reviewPreset(PresetId::Custom).limits;
    custom.maxCharsPerLine = 37;
    custom.minDurationSeconds = 1.0 / 3.0;
    EXPECT_FALSE(settings.setCustomLimits(custom));
    EXPECT_FALSE(settings.setPreset(PresetId::Custom));
    EXPECT_EQ(ReviewSettings(file).limits(), custom);

    // Refused, and the stored values stay.
    ReviewLimits bad = custom;
    bad.maxDurationSeconds = bad.minDurationSeconds;
    EXPECT_TRUE(settings.setCustomLimits(bad));
    EXPECT_TRUE(settings.setFrameRate(0));
    EXPECT_EQ(settings.customLimits(), custom);
    EXPECT_EQ(settings.frameRate(), 25);

    EXPECT_FALSE(settings.setFrameRate(23.976));
    EXPECT_FALSE(settings.setSpellingLanguages({"fr", "en"}));
    EXPECT_EQ(ReviewSettings(file).frameRate(), 23.976);
    EXPECT_EQ(ReviewSettings(file).spellingLanguagesFor("de"), (QStringList{"fr", "en"}));

    // A hand-edited file with a value out of bounds gives the preset's values, not the nonsense.
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("\n[Custom]\nLines=0\n");
    }
    EXPECT_EQ(ReviewSettings(file).limits(), reviewPreset(PresetId::Custom).limits);
}

} // namespace
