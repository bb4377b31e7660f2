// The real velmora-cli run on real files: every subcommand, the exit statuses, awkward paths, the
// standard streams, parallel runs, translation through a loopback engine and the real Apertium,
// and Ctrl+C in the middle of a translation.
#include "charset/code_page.h"
#include "tools/fake_translator/fake_engines.h"
#include "translate/apertium_server.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct Outcome {
    int status = -1;
    QByteArray out;
    QString err;
};

class Program : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    void put(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void start(QProcess& process, const QStringList& arguments) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No settings of whoever runs the tests: velmora's own defaults.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral(".config")));
        env.insert(QStringLiteral("VELMORA_TRANSLATE_PAUSE_MS"), QStringLiteral("0"));
        env.remove(QStringLiteral("VELMORA_TRANSLATE_URL"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(VELMORA_CLI_PATH), arguments);
    }
    Outcome run(const QStringList& arguments, const QByteArray& input = {}) const {
        QProcess process;
        start(process, arguments);
        if (!process.waitForStarted())
            return {};
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(120000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir m_dir;
};

QByteArray fromUtf16(const QByteArray& bytes) {
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE")) << bytes.left(8).toHex().toStdString();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2)
        .toUtf8();
}

// Times on whole 40 ms steps, so that MicroDVD at 25 frames a second holds them exactly.
QByteArray subRip(int entries, const QString& text = QStringLiteral("Line %1: <i>où</i> est-il?")) {
    QByteArray out;
    for (int i = 0; i < entries; ++i) {
        const int show = 1000 + i * 2480;
        auto clock = [](int ms) {
            return QStringLiteral("%1:%2:%3,%4")
                .arg(ms / 3600000, 2, 10, QChar(u'0'))
                .arg(ms / 60000 % 60, 2, 10, QChar(u'0'))
                .arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
                .arg(ms % 1000, 3, 10, QChar(u'0'));
        };
        out += QStringLiteral("%1\r\n%2 --> %3\r\n%4\r\nsecond line\r\n\r\n")
                   .arg(i + 1)
                   .arg(clock(show), clock(show + 1960), text.arg(i + 1))
                   .toUtf8();
    }
    return out;
}

TEST_F(Program, ConvertsToEveryFormatAndBackToTheSameBytes) {
    const QByteArray original = subRip(6);
    put(QStringLiteral("film.srt"), original);
    for (const char* format : {"vtt", "ass", "ssa", "sub", "smi", "subviewer", "subviewer2", "srt"}) {
        const QString middle = QStringLiteral("mid.") + QLatin1StringView(format);
        const Outcome there =
            run({QStringLiteral("convert"), QStringLiteral("film.srt"), QStringLiteral("--to"),
                 QLatin1StringView(format), QStringLiteral("--fps"), QStringLiteral("25"),
                 QStringLiteral("-o"), middle, QStringLiteral("--force")});
        ASSERT_EQ(there.status, 0) << format << there.err.toStdString();
        const Outcome back =
            run({QStringLiteral("convert"), middle, QStringLiteral("--to"), QStringLiteral("srt"),
                 QStringLiteral("--fps"), QStringLiteral("25"), QStringLiteral("--encoding"),
                 QStringLiteral("UTF-8"), QStringLiteral("-o"), QStringLiteral("-")});
        ASSERT_EQ(back.status, 0) << format << back.err.toStdString();
        EXPECT_EQ(back.out, original) << format;
    }
}

// An Advanced SubStation file as a fansub group makes one: styles, a comment, override codes.
const char kStyledAss[] =
    "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
    "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
    "MarginL, MarginR, MarginV, Encoding\r\n"
    "Style: "
    "Sign,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H80000000,0,0,0,0,100,100,0,0,1,1,0,8,10,10,10,1\r\n"
    "\r\n[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
    "Comment: 0,0:00:00.00,0:00:01.00,Sign,,0,0,0,,timing note\r\n"
    "Dialogue: 1,0:00:01.25,0:00:02.50,Sign,Mary,0,0,12,,{\\pos(10,20)}{\\i1}Où{\\i0} est-il?\\NIci.\r\n";

const char kStyledVtt[] =
    "WEBVTT\r\n\r\nSTYLE\r\n::cue { color: yellow }\r\n\r\n"
    "intro\r\n00:01.250 --> 00:00:02.500 align:start line:10%\r\n<v Mary>Où est-il?\r\nIci.\r\n";

TEST_F(Program, ConvertsStyledFilesAndSaysWhatTheTargetCannotHold) {
    put(QStringLiteral("styled.ass"), kStyledAss);
    put(QStringLiteral("styled.vtt"), kStyledVtt);
    put(QStringLiteral("plain.srt"), subRip(1));
    struct Case {
        const char* input;
        const char* to;
        const char* expected; // UTF-8
        const char* warning;  // a part of standard error; "" for none
    };
    const Case cases[] = {
        {"styled.ass", "srt", "1\r\n00:00:01,250 --> 00:00:02,500\r\n<i>Où</i> est-il?\r\nIci.\r\n\r\n",
         "no place for the header and its styles"},
        {"styled.ass", "srt", nullptr, "the comment lines"},
        {"styled.vtt", "srt", "1\r\n00:00:01,250 --> 00:00:02,500\r\nOù est-il?\r\nIci.\r\n\r\n",
         "the entries' own settings"},
        {"plain.srt", "vtt",
         "WEBVTT\r\n\r\n00:00:01.000 --> 00:00:02.960\r\nLine 1: <i>où</i> est-il?\r\nsecond line\r\n\r\n",
         ""},
    };
    for (const Case& c : cases) {
        const Outcome r = run({QStringLiteral("convert"), QLatin1StringView(c.input), QStringLiteral("--to"),
                               QLatin1StringView(c.to), QStringLiteral("--encoding"), QStringLiteral("UTF-8"),
                               QStringLiteral("-o"), QStringLiteral("-")});
        ASSERT_EQ(r.status, 0) << c.input << r.err.toStdString();
        if (c.expected) {
            EXPECT_EQ(r.out, QByteArray(c.expected)) << c.input;
        }
        if (*c.warning) {
            EXPECT_TRUE(r.err.contains(QStringLiteral("%1: warning:").arg(QLatin1StringView(c.input))) &&
                        r.err.contains(QString::fromUtf8(c.warning)))
                << r.err.toStdString();
        } else {
            EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        }
    }
}

TEST_F(Program, ShiftMovesOnlyTheTimesOfStyledEntries) {
    put(QStringLiteral("styled.ass"), kStyledAss);
    put(QStringLiteral("styled.vtt"), kStyledVtt);
    struct Case {
        const char* input;
        QStringList options;
        const char* line; // the shifted time line, whole
    };
    const Case cases[] = {
        {"styled.ass", {"--by", "+1.255"}, "Dialogue: 1,0:00:02.51,0:00:03.76,Sign,Mary,0,0,12,,"},
        {"styled.vtt", {"--by", "-1.25"}, "00:00.000 --> 00:00:01.250 align:start line:10%"},
        {"styled.vtt",
         {"--fps-from", "25", "--fps-to", "23.976"},
         "00:00:01.303 --> 00:00:02.607 align:start"},
        {"styled.ass", {"--by", "2s", "--from", "0:00:01.5"}, "Dialogue: 1,0:00:01.25,0:00:02.50,Sign,Mary,"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(QStringList{QStringLiteral("shift"), QLatin1StringView(c.input),
                                          QStringLiteral("-o"), QStringLiteral("-")} +
                              c.options);
        ASSERT_EQ(r.status, 0) << c.input << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(c.line)) << c.options.join(u' ').toStdString() << "\n"
                                            << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QByteArray(c.input).endsWith(".ass") ? "Comment: 0,0:00:0" : "::cue"))
            << "everything else stays";
    }
}

TEST_F(Program, ExitStatusesSayWhatWentWrong) {
    put(QStringLiteral("a.srt"), subRip(3));
    put(QStringLiteral("long.srt"),
        subRip(1, QStringLiteral("An entry %1 far too long to read in the time it is shown")));
    QDir(m_dir.path()).mkdir(QStringLiteral("folder"));
    struct Case {
        QStringList arguments;
        int status;
        const char* stderrPart;
    };
    const Case cases[] = {
        {{"convert", "a.srt", "--to", "srt", "-o", "a.srt", "--force"}, 1, "a.srt is an input file"},
        {{"convert", "missing.srt", "a.srt", "--to", "smi"}, 1, "missing.srt: does not exist"},
        {{"info", "folder"}, 1, "folder: is a folder"},
        {{"convert", "a.srt", "--to", "srt"}, 1, "a.srt is an input file"},
        {{"convert", "a.srt", "--to", "docx"}, 2, "usage: velmora-cli convert"},
        {{"convert", "a.srt", "--to", "vtt", "--encoding", "windows-1252"}, 2, "WebVTT files are UTF-8"},
        {{"convert", "a.srt", "--to", "sub", "--fps", "0"}, 2, "--fps takes a frame rate"},
        {{"shift", "a.srt"}, 2, "--by TIME"},
        {{"translate", "a.srt", "--to", "xx"}, 2, "no language"},
        {{"check", "missing.srt"}, 2, "missing.srt: does not exist"},
        {{"check", "long.srt"}, 1, ""},
        {{"check", "a.srt", "--preset", "children"}, 0, ""},
        {{}, 2, "velmora-cli --help"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments.join(u' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.stderrPart))) << r.err.toStdString();
    }
    EXPECT_EQ(read(QStringLiteral("a.srt")), subRip(3)) << "the input is never written over";
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("a.smi")))) << "a bad file stops no other";
}

TEST_F(Program, PathsWithSpacesQuotesDashesAndAccents) {
    const QString name = QStringLiteral("-it's a \"film\" été.srt");
    put(name, subRip(2));
    const Outcome converted = run({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("smi"),
                                   QStringLiteral("--"), name});
    ASSERT_EQ(converted.status, 0) << converted.err.toStdString();
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("-it's a \"film\" été.smi"))));
    const Outcome shifted =
        run({QStringLiteral("shift"), QStringLiteral("--by=-0.5"), QStringLiteral("--"), name});
    ASSERT_EQ(shifted.status, 0) << shifted.err.toStdString();
    EXPECT_TRUE(fromUtf16(read(QStringLiteral("-it's a \"film\" été.shifted.srt")))
                    .contains("00:00:00,500 --> 00:00:02,460"));
    const Outcome info = run({QStringLiteral("info"), QStringLiteral("./") + name});
    EXPECT_EQ(info.status, 0);
    EXPECT_TRUE(info.out.contains(QStringLiteral("./-it's a \"film\" été.srt").toUtf8()))
        << info.out.toStdString();
}

TEST_F(Program, StandardInputAndOutput) {
    const Outcome converted = run({QStringLiteral("convert"), QStringLiteral("-"), QStringLiteral("--to"),
                                   QStringLiteral("microdvd"), QStringLiteral("--fps"), QStringLiteral("25")},
                                  subRip(2));
    ASSERT_EQ(converted.status, 0) << converted.err.toStdString();
    EXPECT_EQ(fromUtf16(converted.out), QByteArray("{25}{74}Line 1: <i>où</i> est-il?|second line\r\n"
                                                   "{87}{136}Line 2: <i>où</i> est-il?|second line\r\n"));

    put(QStringLiteral("en.srt"), subRip(2, QStringLiteral("Where is %1?")));
    const Outcome mixed = run({QStringLiteral("pair"), QStringLiteral("en.srt"), QStringLiteral("-"),
                               QStringLiteral("--mix"), QStringLiteral("-")},
                              subRip(2, QStringLiteral("Où est %1 ?")));
    ASSERT_EQ(mixed.status, 0) << mixed.err.toStdString();
    const QByteArray text = fromUtf16(mixed.out);
    EXPECT_TRUE(
        text.startsWith("1\r\n00:00:01,000 --> 00:00:02,960\r\nWhere is 1?\r\nsecond line\r\nOù est 1 ?"))
        << text.toStdString();
}

TEST_F(Program, FourJobsWriteWhatOneJobWrites) {
    QStringList files;
    for (int i = 0; i < 50; ++i) {
        files << QStringLiteral("f%1.srt").arg(i);
        put(files.last(), subRip(20 + i, QStringLiteral("File %1 entry %2").arg(i) + QStringLiteral(" %1")));
    }
    QDir(m_dir.path()).mkdir(QStringLiteral("one"));
    QDir(m_dir.path()).mkdir(QStringLiteral("four"));
    const Outcome one = run(QStringList{QStringLiteral("convert"), QStringLiteral("--to"),
                                        QStringLiteral("subviewer"), QStringLiteral("-j"),
                                        QStringLiteral("1"), QStringLiteral("-o"), QStringLiteral("one")} +
                            files);
    const Outcome four = run(QStringList{QStringLiteral("convert"), QStringLiteral("--to"),
                                         QStringLiteral("subviewer"), QStringLiteral("-j"),
                                         QStringLiteral("4"), QStringLiteral("-o"), QStringLiteral("four/")} +
                             files);
    ASSERT_EQ(one.status, 0) << one.err.toStdString();
    ASSERT_EQ(four.status, 0) << four.err.toStdString();
    for (int i = 0; i < 50; ++i) {
        const QString name = QStringLiteral("/f%1.sub").arg(i);
        ASSERT_EQ(read(QStringLiteral("four") + name), read(QStringLiteral("one") + name)) << i;
    }
    const Outcome infoOne =
        run(QStringList{QStringLiteral("info"), QStringLiteral("-j"), QStringLiteral("1")} + files);
    const Outcome infoFour =
        run(QStringList{QStringLiteral("info"), QStringLiteral("-j"), QStringLiteral("4")} + files);
    EXPECT_EQ(infoFour.out, infoOne.out);
}

TEST_F(Program, InfoTellsFormatEncodingEntriesDurationAndLanguages) {
    const QStringList sentences{QStringLiteral("Где ты был всю ночь?"),
                                QStringLiteral("Поезд уходит в девять часов."),
                                QStringLiteral("Я не знаю, как её зовут."),
                                QStringLiteral("Нам пора идти."),
                                QStringLiteral("Это твой дом?"),
                                QStringLiteral("Мой брат работает в городе.")};
    QString russian;
    for (int i = 0; i < sentences.size(); ++i)
        russian += QStringLiteral("%1\r\n00:00:%2,000 --> 00:00:%3,500\r\n%4\r\n\r\n")
                       .arg(i + 1)
                       .arg(i * 10 + 1, 2, 10, QChar(u'0'))
                       .arg(i * 10 + 3, 2, 10, QChar(u'0'))
                       .arg(sentences[i]);
    put(QStringLiteral("ru.srt"), *encodeText(russian, 1251));
    const Outcome r = run({QStringLiteral("info"), QStringLiteral("--format"), QStringLiteral("json"),
                           QStringLiteral("ru.srt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject info = QJsonDocument::fromJson(r.out).array().at(0).toObject();
    EXPECT_EQ(info[QStringLiteral("format")].toString(), QStringLiteral("SubRip"));
    EXPECT_TRUE(info[QStringLiteral("encoding")].toString().contains(QStringLiteral("1251")))
        << r.out.toStdString();
    EXPECT_EQ(info[QStringLiteral("entries")].toInt(), 6);
    EXPECT_EQ(info[QStringLiteral("duration")].toString(), QStringLiteral("00:00:52.500"));
    EXPECT_EQ(info[QStringLiteral("languages")].toArray().at(0)[QStringLiteral("language")].toString(),
              QStringLiteral("ru"));
}

QString marked(const QString& line, const QString& target) {
    return QStringLiteral("[%1] %2").arg(target, line);
}

QStringList translatedLines(const QByteArray& utf8) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(utf8).split(QStringLiteral("\r\n")))
        if (line.startsWith(u'['))
            lines << line;
    return lines;
}

TEST_F(Program, TranslatesThroughALoopbackEngineWithTagsInPlace) {
    FakeTranslator server(libreTranslateLikeHandler(&marked));
    ASSERT_TRUE(server.listening());
    put(QStringLiteral("film.srt"), subRip(3, QStringLiteral("<i>Where</i> is %1?")));
    const Outcome r =
        run({QStringLiteral("translate"), QStringLiteral("film.srt"), QStringLiteral("--from"),
             QStringLiteral("English"), QStringLiteral("--to"), QStringLiteral("fr"),
             QStringLiteral("--engine"), QStringLiteral("libretranslate"), QStringLiteral("--address"),
             server.url(), QStringLiteral("--memory-file"), QStringLiteral("team.sqlite")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(
        translatedLines(fromUtf16(read(QStringLiteral("film.fr.srt")))),
        (QStringList{QStringLiteral("[fr] <i>Where</i> is 1?"), QStringLiteral("[fr] <i>Where</i> is 2?"),
                     QStringLiteral("[fr] <i>Where</i> is 3?")}));
    const Outcome again = run({QStringLiteral("translate"), QStringLiteral("film.srt"),
                               QStringLiteral("--to"), QStringLiteral("fr"), QStringLiteral("--engine"),
                               QStringLiteral("libretranslate"), QStringLiteral("--address"), server.url()});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("--untranslated-only"))) << again.err.toStdString();

    // The next episode: what the memory knows is not sent again.
    put(QStringLiteral("sequel.srt"), subRip(4, QStringLiteral("<i>Where</i> is %1?")));
    const int before = server.requestCount();
    const Outcome sequel =
        run({QStringLiteral("translate"), QStringLiteral("sequel.srt"), QStringLiteral("--from"),
             QStringLiteral("en"), QStringLiteral("--to"), QStringLiteral("fr"), QStringLiteral("--engine"),
             QStringLiteral("libretranslate"), QStringLiteral("--address"), server.url(),
             QStringLiteral("--memory-file"), QStringLiteral("team.sqlite")});
    ASSERT_EQ(sequel.status, 0) << sequel.err.toStdString();
    EXPECT_EQ(translatedLines(fromUtf16(read(QStringLiteral("sequel.fr.srt")))).size(), 4);
    ASSERT_EQ(server.requestCount(), before + 1);
    const QJsonArray sent =
        QJsonDocument::fromJson(server.requests().back().body)[QStringLiteral("q")].toArray();
    EXPECT_EQ(sent.size(), 1) << server.requests().back().body.toStdString();
}

TEST_F(Program, CtrlCKeepsAValidPartialFileThatAResumeFinishes) {
    FakeTranslator server(
        [translate = libreTranslateLikeHandler(&marked)](const RecordedRequest& request, int index) {
            FakeReply reply = translate(request, index);
            reply.delay = 300ms;
            return reply;
        });
    ASSERT_TRUE(server.listening());
    put(QStringLiteral("long film.srt"), subRip(200));
    const QStringList arguments{QStringLiteral("translate"), QStringLiteral("long film.srt"),
                                QStringLiteral("--to"),      QStringLiteral("fr"),
                                QStringLiteral("--engine"),  QStringLiteral("libretranslate"),
                                QStringLiteral("--address"), server.url()};
    QProcess process;
    process.setReadChannel(QProcess::StandardError);
    start(process, arguments);
    ASSERT_TRUE(process.waitForStarted());
    QString err;
    while (!err.contains(QStringLiteral("25 of 200 entries")) && process.state() == QProcess::Running) {
        process.waitForReadyRead(5000);
        err += QString::fromUtf8(process.readAllStandardError());
    }
    ASSERT_EQ(process.state(), QProcess::Running) << err.toStdString();
    ASSERT_GT(process.processId(), 0);
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    err += QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 130) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("--untranslated-only -- 'long film.srt'"))) << err.toStdString();

    const QByteArray partial = fromUtf16(read(QStringLiteral("long film.fr.srt")));
    const qsizetype done = translatedLines(partial).size();
    EXPECT_GE(done, 25);
    EXPECT_LT(done, 200);
    const Outcome info = run({QStringLiteral("info"), QStringLiteral("long film.fr.srt")});
    EXPECT_TRUE(info.out.contains("entries:   200")) << info.out.toStdString() << info.err.toStdString();

    const int requestsBefore = server.requestCount();
    const Outcome resumed = run(arguments + QStringList{QStringLiteral("--untranslated-only")});
    ASSERT_EQ(resumed.status, 0) << resumed.err.toStdString();
    EXPECT_EQ(translatedLines(fromUtf16(read(QStringLiteral("long film.fr.srt")))).size(), 200);
    EXPECT_EQ(server.requestCount() - requestsBefore, int((200 - done + 24) / 25))
        << "only what was left is sent";
}

TEST_F(Program, TranslatesWithTheRealApertium) {
    if (ApertiumServer::installedProgram().isEmpty())
        GTEST_SKIP()
            << "apertium-apy is not installed (tools/deps.sh installs apertium-apy and apertium-eng-spa)";
    put(QStringLiteral("en.srt"), subRip(2, QStringLiteral("The dog is sleeping.")));
    const Outcome r =
        run({QStringLiteral("translate"), QStringLiteral("en.srt"), QStringLiteral("--from"),
             QStringLiteral("en"), QStringLiteral("--to"), QStringLiteral("es"), QStringLiteral("--engine"),
             QStringLiteral("apertium"), QStringLiteral("--memory"), QStringLiteral("off")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray text = fromUtf16(read(QStringLiteral("en.es.srt")));
    EXPECT_TRUE(text.contains("perro")) << text.toStdString();
}

TEST(Completion, OffersSubcommandsOptionsAndFormats) {
    struct Case {
        const char* words;
        const char* offered;
    };
    const Case cases[] = {
        {"velmora-cli con", "convert"},
        {"velmora-cli convert a.srt --to sub", "subviewer subviewer2"},
        {"velmora-cli translate --eng", "--engine"},
        {"velmora-cli translate --engine dee", "deepl"},
    };
    for (const Case& c : cases) {
        QProcess bash;
        const QString script =
            QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); "
                           "_velmora_cli; echo \"${COMPREPLY[*]}\"")
                .arg(QStringLiteral(VELMORA_CLI_COMPLETION), QString::fromUtf8(c.words));
        bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
        ASSERT_TRUE(bash.waitForFinished());
        EXPECT_EQ(bash.readAllStandardOutput().trimmed(), QByteArray(c.offered))
            << c.words << bash.readAllStandardError().toStdString();
    }
}

} // namespace
