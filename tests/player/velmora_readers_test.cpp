// The player's lines from velmora's readers: times in milliseconds from every time form, frame
// counts at the rate asked for, and which reader takes a file.
#include "player/velmora_readers.h"

#include "charset/code_page.h"
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Times {
    std::int32_t show, hide;
    std::string text;
    friend bool operator==(const Times&, const Times&) = default;
};

std::vector<Times> timesOf(const PlayerLoadResult& result) {
    std::vector<Times> out;
    for (const PlayerLine& l : result.lines) {
        EXPECT_EQ(l.duration, l.hide - l.show);
        out.push_back({l.show, l.hide, l.text});
    }
    return out;
}

TEST(ClockText, EveryTimeFormReadsAsMilliseconds) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> ms;
    };
    const Case cases[] = {
        {"00:00:01:000", std::nullopt}, // four fields: not a clock
        {"01:02:03,456", 3723456},      // SubRip
        {"01:02:03.45", 3723450},       // SubViewer, ASS: hundredths
        {"0:00:01.5", 1500},            // tenths
        {"02:03.456", 123456},          // WebVTT without hours
        {"00:00:01.1234", 1123},        // more digits than milliseconds
        {" 1500 ", 1500},               // SAMI's milliseconds
        {"", std::nullopt},
        {"1a:00:00,000", std::nullopt},
        {"-5", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(clockTextMilliseconds(QString::fromLatin1(c.text)), c.ms) << c.text;
}

TEST(VelmoraReaders, FramesAndStartOnlyFormatsBecomeMilliseconds) {
    struct Case {
        const char* name;
        std::int32_t format;
        QByteArray bytes;
        double rate;
        std::optional<double> fileRate;
        std::vector<Times> lines;
    };
    const Case cases[] = {
        // The rate line names the file's own rate and is no subtitle; "|" breaks a line.
        {"MicroDVD with its rate",
         2,
         "{1}{1}23.976\n{25}{50}Hello|World\n",
         25,
         23.976,
         {{1000, 2000, "Hello\nWorld"}}},
        {"MicroDVD without", 2, "{24}{48}Hi\n", 24, std::nullopt, {{1000, 2000, "Hi"}}},
        // A sync lasts until the next; the last one a while.
        {"SAMI",
         3,
         "<SAMI><BODY>\n<SYNC Start=1000><P>\nOne\n<SYNC Start=2500><P>\nTwo\n</BODY></SAMI>\n",
         25,
         std::nullopt,
         {{1000, 2500, "One"}, {2500, 5500, "Two"}}},
        // A clearing sync ends the line before it.
        {"SAMI clearing",
         3,
         "<SAMI><BODY>\n<SYNC Start=1000><P>One\n<SYNC Start=2000><P>&nbsp;\n<SYNC Start=3000><P>Two\n",
         25,
         std::nullopt,
         {{1000, 2000, "One"}, {3000, 6000, "Two"}}},
        {"SubViewer", 4, "00:00:01.50,00:00:02.00\nA line\n", 25, std::nullopt, {{1500, 2000, "A line"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const VelmoraRead read = readWithVelmoraReaders(
            std::string_view(c.bytes.constData(), std::size_t(c.bytes.size())), c.format, c.rate);
        EXPECT_EQ(read.fileFrameRate, c.fileRate);
        EXPECT_EQ(timesOf(read.result), c.lines);
    }
}

TEST(VelmoraReaders, AnotherCharacterSetReadsTheBytesAfresh) {
    const QByteArray bytes = "{25}{50}Caf\xE9\n"; // windows-1252
    const VelmoraRead read =
        readWithVelmoraReaders(std::string_view(bytes.constData(), std::size_t(bytes.size())), 2, 25);
    ASSERT_TRUE(read.result.redecode);
    EXPECT_EQ(read.result.redecode(0, 1252), QString::fromUtf8("Caf\u00e9"));
    EXPECT_EQ(read.result.redecode(0, 1251), QString::fromUtf8("Caf\u0439"));
}

TEST(VelmoraReaders, EachFileGoesToTheReaderOfItsFormat) {
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    std::vector<std::optional<double>> asked;
    std::optional<double> answer;
    const FrameRateQuestion ask = [&](std::optional<double> own) {
        asked.push_back(own);
        return answer;
    };
    const QString sub = write("film.sub", "{1}{1}25\n{50}{100}Hello\n");
    // A name given relative to the working folder (a command line's) is read from there, also to
    // tell its format, wherever the program's folder is.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(elsewhere.path()).mkpath(QStringLiteral("a/b/c/d/e/f")));
    setProgramFolder(elsewhere.filePath(QStringLiteral("a/b/c/d/e/f")));
    PlayerFileLoad load = loadAnySubtitle(QDir::current().relativeFilePath(sub), ask);
    setProgramFolder(QString());
    ASSERT_EQ(asked, std::vector<std::optional<double>>{25.0});
    asked.clear();
    // Cancelled: nothing is read, and nothing is said.
    load = loadAnySubtitle(sub, ask);
    EXPECT_FALSE(load.result);
    EXPECT_FALSE(load.refusal);
    ASSERT_EQ(asked, std::vector<std::optional<double>>{25.0});
    answer = 50;
    load = loadAnySubtitle(sub, ask);
    ASSERT_TRUE(load.result);
    EXPECT_EQ(timesOf(*load.result), (std::vector<Times>{{1000, 2000, "Hello"}}));

    // SubRip stays with the player's own parser, which keeps a text's bytes as they are.
    load = loadAnySubtitle(write("film.srt", "1\n00:00:01,000 --> 00:00:02,000\nA|B\n\n"), ask);
    ASSERT_TRUE(load.result);
    EXPECT_FALSE(load.result->redecode);
    EXPECT_EQ(timesOf(*load.result), (std::vector<Times>{{1000, 2000, "A|B\n\n"}}));
    EXPECT_EQ(asked.size(), 2u);

    // WebVTT with cue settings and a note, and Advanced SubStation with its sections: the times as
    // the film runs, the text with its line break and markup for the label to style.
    load = loadAnySubtitle(write("film.vtt", "WEBVTT\n\nNOTE made by hand\n\n1\n00:01.500 --> 00:00:03.250 "
                                             "align:start line:0\n<v Mary>Hello\nthere\n\n"),
                           ask);
    ASSERT_TRUE(load.result);
    EXPECT_EQ(timesOf(*load.result), (std::vector<Times>{{1500, 3250, "<v Mary>Hello\nthere"}}));
    load = loadAnySubtitle(write("film.ass",
                                 "[Script Info]\nScriptType: v4.00+\n\n[Events]\nFormat: Layer, Start, "
                                 "End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
                                 "Dialogue: 0,0:00:01.20,0:00:02.00,Default,,0,0,0,,{\\i1}Hi\\Nthere\n"),
                           ask);
    ASSERT_TRUE(load.result);
    EXPECT_EQ(timesOf(*load.result), (std::vector<Times>{{1200, 2000, "{\\i1}Hi\nthere"}}));
    EXPECT_EQ(asked.size(), 2u);

    // The handle is checked before the format is guessed from the file.
    load = loadAnySubtitle(dir.path(), ask);
    EXPECT_FALSE(load.result);
    EXPECT_TRUE(load.refusal);
}

} // namespace
