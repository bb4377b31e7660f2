// The command line's rules in-process: parsing, output names, time values, encodings, safe output,
// language guesses and the ordered hand-over of parallel work.
#include "cli/command_line.h"
#include "cli/file_jobs.h"
#include "cli/language_guess.h"
#include "cli/output_naming.h"
#include "cli/subtitle_files.h"
#include "cli/time_values.h"
#include "cli/translate_progress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

QStringList words(const char* text) {
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

TEST(CommandLine, ParsesOrRefusesWithTheReason) {
    struct Case {
        const char* arguments;
        const char* error; // a part of the message, or nullptr when it parses
    };
    const Case cases[] = {
        {"convert -x.srt --to srt", "after '--'"},
        {"convert a.srt --to", "needs a value"},
        {"convert a.srt --to srt --to vtt", "given twice"},
        {"convert --to srt", "no input file"},
        {"convert - - --to srt", "only once"},
        {"pair a.srt", "takes 2 files"},
        {"info a.srt --jobs 0", "1 to 1024"},
        {"info a.srt --force", "no option of info"},
        {"translate a.srt --untranslated-only=yes --to fr", "takes no value"},
        {"nothing a.srt", "no subcommand"},
        {"--to srt convert", "a subcommand comes first"},
        {"convert --to=srt -o out -- -x.srt - b.srt", nullptr},
        {"info a.srt --jobs 3", nullptr},
    };
    for (const Case& c : cases) {
        const auto parsed = parseCommandLine(words(c.arguments));
        if (c.error) {
            const auto* error = std::get_if<UsageError>(&parsed);
            ASSERT_NE(error, nullptr) << c.arguments;
            EXPECT_TRUE(error->message.contains(QString::fromUtf8(c.error)))
                << c.arguments << ": " << error->message.toStdString();
        } else {
            ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed)) << c.arguments;
        }
    }
    const ParsedCommand convert =
        *std::get<CommandLine>(parseCommandLine(words("convert --to=srt -o out -- -x.srt - b.srt"))).command;
    EXPECT_EQ(convert.inputs, words("-x.srt - b.srt"));
    EXPECT_EQ(convert.value("--to"), QStringLiteral("srt"));
    EXPECT_EQ(convert.value("--output"), QStringLiteral("out"));
    EXPECT_EQ(std::get<CommandLine>(parseCommandLine(words("info a.srt --jobs 3"))).command->jobs, 3);
}

TEST(CommandLine, HelpOfEverySubcommandNamesEachOfItsOptions) {
    for (const SubcommandSpec& s : subcommands()) {
        const auto parsed =
            parseCommandLine({QLatin1StringView(s.name).toString(), QStringLiteral("--help")});
        const CommandLine& line = std::get<CommandLine>(parsed);
        ASSERT_EQ(line.action, Action::Help) << s.name;
        const QString help = helpText(line.command->command);
        for (const OptionSpec& o : s.options)
            EXPECT_TRUE(help.contains(QLatin1StringView(o.name))) << s.name << " " << o.name;
        EXPECT_TRUE(manualPage(QStringLiteral("1"))
                        .contains(QStringLiteral(".SS %1\n").arg(QLatin1StringView(s.name))));
    }
}

TEST(OutputNames, BesideTheInputIntoAFolderOrToOneFile) {
    struct Case {
        const char* input;
        const char* infix;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        {"dir.v2/film", "", "vtt", "dir.v2/film.vtt"},        {"a/.hidden", "fr", "srt", "a/.hidden.fr.srt"},
        {"a/film.en.srt", "fr", "srt", "a/film.en.fr.srt"},   {"-", "", "srt", "stdin.srt"},
        {"é t'é.srt", "shifted", "srt", "é t'é.shifted.srt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(outputNameBeside(QString::fromUtf8(c.input), QString::fromUtf8(c.infix),
                                   QString::fromUtf8(c.extension)),
                  QString::fromUtf8(c.expected))
            << c.input;

    const QStringList two{QStringLiteral("a/x.srt"), QStringLiteral("b/x.srt")};
    const QStringList besides{QStringLiteral("a/x.vtt"), QStringLiteral("b/x.vtt")};
    EXPECT_TRUE(std::holds_alternative<QString>(planOutputs(two, besides, true, QStringLiteral("one.vtt"))));
    EXPECT_TRUE(std::holds_alternative<QString>(planOutputs(two, besides, true, QStringLiteral("-"))));
    const auto intoFolder =
        std::get<QList<OutputPlan>>(planOutputs(two, besides, true, QStringLiteral("out/")));
    EXPECT_EQ(intoFolder[0].path, QStringLiteral("out/x.vtt"));
    EXPECT_TRUE(intoFolder[0].conflict.isEmpty());
    EXPECT_FALSE(intoFolder[1].conflict.isEmpty()) << "two inputs would write out/x.vtt";
    const auto standard = std::get<QList<OutputPlan>>(
        planOutputs({QStringLiteral("-")}, {QStringLiteral("stdin.vtt")}, false, {}));
    EXPECT_TRUE(standard[0].toStandardOutput);
}

TEST(TimeValues, OffsetsMomentsAndFrames) {
    struct Case {
        const char* text;
        bool signAllowed;
        std::optional<qint64> amount;
        bool frames;
    };
    const Case cases[] = {
        {"-1.5", false, std::nullopt, false},  {"1.2.3", true, std::nullopt, false},
        {"1.5f", true, std::nullopt, false},   {"-1.25", true, -1250, false},
        {"+1500ms", true, 1500, false},        {"0.5s", true, 500, false},
        {"-00:00:01,200", true, -1200, false}, {"1:02.5", true, 62500, false},
        {"1:00:00", false, 3600000, false},    {"-30f", true, -30, true},
    };
    for (const Case& c : cases) {
        const std::optional<TimeValue> v = parseTimeValue(QString::fromLatin1(c.text), c.signAllowed);
        ASSERT_EQ(v.has_value(), c.amount.has_value()) << c.text;
        if (v) {
            EXPECT_EQ(v->amount, *c.amount) << c.text;
            EXPECT_EQ(v->frames, c.frames) << c.text;
        }
    }
}

TEST(Encodings, NamesAndNothingLeftOutSilently) {
    EXPECT_FALSE(textEncodingNamed(QStringLiteral("klingon-8")));
    EXPECT_EQ(textEncodingNamed(QStringLiteral("1251"))->name, QStringLiteral("windows-1251"));
    EXPECT_EQ(textEncodingNamed(QStringLiteral("utf8"))->kind, TextEncoding::Kind::Utf8);
    EXPECT_TRUE(textEncodingNamed(QStringLiteral("MacRoman")));
    EXPECT_EQ(codePageNamed(QStringLiteral("koi8-r")), 20866u);

    const QString text = QStringLiteral("Привет\r\nŐszi ősz\r\n");
    const auto refused = encodeText(text, *textEncodingNamed(QStringLiteral("windows-1251")));
    ASSERT_TRUE(std::holds_alternative<Failure>(refused));
    EXPECT_TRUE(std::get<Failure>(refused).message.contains(QStringLiteral("'Ő', on line 2")))
        << std::get<Failure>(refused).message.toStdString();
    const auto cyrillic = encodeText(QStringLiteral("Привет"), *textEncodingNamed(QStringLiteral("KOI8-R")));
    EXPECT_EQ(std::get<QByteArray>(cyrillic), QByteArray("\xF0\xD2\xC9\xD7\xC5\xD4"));
    const auto marked = encodeText(QStringLiteral("é"), *textEncodingNamed(QStringLiteral("utf-16be")));
    EXPECT_EQ(std::get<QByteArray>(marked), QByteArray("\xFE\xFF\x00\xE9", 4));
}

class SafeOutput : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    static void put(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList entries() const {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QTemporaryDir m_dir;
};

TEST_F(SafeOutput, NeverAnInputNeverAnExistingFileUnlessAskedAndNoHalfFiles) {
    put(path("in.srt"), "input");
    ASSERT_TRUE(QFile::link(path("in.srt"), path("link.srt")));
    const QList<FileIdentity> inputs{*fileIdentity(path("in.srt"))};

    EXPECT_TRUE(writeOutputFile(path("link.srt"), "new", true, inputs).has_value());
    EXPECT_EQ(read(path("in.srt")), QByteArray("input"));

    put(path("out.vtt"), "old");
    ASSERT_TRUE(QFile::setPermissions(path("out.vtt"), QFile::ReadOwner | QFile::WriteOwner));
    const std::optional<Failure> kept = writeOutputFile(path("out.vtt"), "new", false, inputs);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->message.contains(QStringLiteral("--force")));
    EXPECT_EQ(read(path("out.vtt")), QByteArray("old"));

    EXPECT_FALSE(writeOutputFile(path("out.vtt"), "new", true, inputs));
    EXPECT_EQ(read(path("out.vtt")), QByteArray("new"));
    struct stat st {};
    ::stat(QFile::encodeName(path("out.vtt")).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "a replaced file keeps its mode";

    EXPECT_TRUE(writeOutputFile(m_dir.path(), "new", true, inputs)) << "a folder";
    EXPECT_TRUE(writeOutputFile(path("no/such/folder.vtt"), "new", true, inputs));
    EXPECT_EQ(entries(),
              (QStringList{QStringLiteral("in.srt"), QStringLiteral("link.srt"), QStringLiteral("out.vtt")}))
        << "no temporary file is left";
}

TEST(LanguageGuess, ScriptsAndCommonWords) {
    struct Case {
        const char* text;
        const char* code;
    };
    const Case cases[] = {
        {"Ça va? Je ne sais pas ce que tu veux.", "fr"},
        {"Where have you been all night?", "en"},
        {"¿Qué es esto? No lo sé, pero está aquí.", "es"},
        {"Ich weiß nicht, was du willst.", "de"},
        {"Я не знаю, где он. Mike!", "ru"},
        {"Я не знаю, де він їде.", "uk"},
        {"私は東京に行きます。", "ja"},
        {"我不知道他在哪里。", "zh"},
        {"어디 갔었어?", "ko"},
        {"... 1999 ♪", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(guessLanguage(QString::fromUtf8(c.text)), QString::fromUtf8(c.code)) << c.text;

    // A mix subtitle: both halves counted, a stray line of a third language left out.
    QStringList mix;
    for (int i = 0; i < 10; ++i)
        mix << QStringLiteral("Where have you been?|\nOù étais-tu donc, je ne sais pas?");
    mix << QStringLiteral("Ich weiß nicht, was du willst.");
    EXPECT_EQ(guessLanguages(mix),
              (QList<LanguageShare>{{QStringLiteral("en"), 48}, {QStringLiteral("fr"), 48}}));
}

TEST(FileJobs, ReportsInInputOrderWhateverOrderTheyFinish) {
    QList<int> order;
    runFileJobs(
        8, 4,
        [](int i) {
            std::this_thread::sleep_for(std::chrono::milliseconds((8 - i) * 5));
            FileReport r;
            r.outcome = i == 5 ? FileReport::Outcome::Failed : FileReport::Outcome::Done;
            r.out = QByteArray::number(i);
            return r;
        },
        [&](int i, const FileReport& r) {
            EXPECT_EQ(r.out, QByteArray::number(i));
            order.append(i);
        });
    EXPECT_EQ(order, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    using O = FileReport::Outcome;
    EXPECT_EQ(exitStatusOf({O::Done, O::Failed, O::Unreadable}), kExitUsage);
    EXPECT_EQ(exitStatusOf({O::Done, O::Findings}), kExitFailed);
    EXPECT_EQ(exitStatusOf({O::Done, O::Done}), kExitOk);
    EXPECT_EQ(workerCount(4, 2), 2);
}

TEST(Progress, BarCountsAndTimeLeft) {
    EXPECT_EQ(progressLine(0, 0, 0, 1, std::nullopt, 4),
              QStringLiteral("[####] 0/0 entries, 0 of 1 files done"));
    EXPECT_EQ(progressLine(150, 400, 1, 3, std::chrono::seconds(3725), 8),
              QStringLiteral("[###.....] 150/400 entries, 1 of 3 files done, about 1:02:05 left"));
    EXPECT_EQ(progressLine(500, 400, 3, 3, std::chrono::seconds(65), 2),
              QStringLiteral("[##] 500/400 entries, 3 of 3 files done, about 1:05 left"));
}

} // namespace
