// The reader frame, the five formats' line loops, format guessing and the Mapping Text runs.
#include "charset/code_page.h"
#include "subtitle/mapping_text.h"
#include "subtitle/subtitle_reader.h"
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

// Readable failures for the Qt types the expectations compare.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (const QString& s : l) {
        PrintTo(s, os);
        *os << ", ";
    }
    *os << '}';
}
void PrintTo(const EntryRow& r, std::ostream* os) {
    *os << '[' << (r.number ? QString::number(*r.number).toStdString() : "-") << " | " << r.show.toStdString()
        << " | " << r.hide.toStdString() << " | " << r.original.toStdString() << " | "
        << r.translated.toStdString() << ']';
}
void PrintTo(const ReadResult& r, std::ostream* os) {
    *os << "{changed " << r.changed << ", completed " << r.completed << ", message "
        << (r.message ? r.message->text.toStdString() : "none") << '}';
}

namespace {

// The lists as an earlier load or edit could have left them.
template <typename Change> void withLists(SubtitleSession& session, Change change) {
    SubtitleDocument d = session.document();
    change(d);
    session.reset(d, session.rows().all());
}

struct FileForm {
    bool utf16; // else 8-bit in the ANSI code page
    bool crlf;
    const char* name;
};
constexpr FileForm kAllForms[] = {
    {false, false, "AnsiLf"},
    {false, true, "AnsiCrLf"},
    {true, false, "Utf16Lf"},
    {true, true, "Utf16CrLf"},
};
std::string formName(const ::testing::TestParamInfo<FileForm>& info) {
    return info.param.name;
}

QByteArray utf16le(const QString& s) {
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

QByteArray encodeLines(const QStringList& lines, const FileForm& form) {
    const QString text = lines.join(form.crlf ? "\r\n" : "\n") + (form.crlf ? "\r\n" : "\n");
    if (form.utf16)
        return QByteArray("\xFF\xFE", 2) + utf16le(text);
    return encodeText(text, 1252).value();
}

const ReadResult kCompleted{true, true, std::nullopt, {}, {}, {}};
// The result without how the bytes were read, which the byte forms differ in.
ReadResult outcome(ReadResult r) {
    r.encoding = {};
    return r;
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        setSystemAnsiCodePage(1252);
        ASSERT_TRUE(dir.isValid());
    }

    QString writeFile(const QByteArray& bytes, const QString& name = QString()) {
        const QString path = dir.filePath(name.isEmpty() ? QString("f%1.sub").arg(++counter) : name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    ReadResult loadIn(const FileForm& form, const QStringList& lines, SubtitleFormat format, Side side) {
        return LoadSubtitleFile(session, writeFile(encodeLines(lines, form)), format, side);
    }
    ReadResult load(const QStringList& lines, SubtitleFormat format = kSubRip, Side side = Side::Original) {
        return loadIn(kAllForms[0], lines, format, side);
    }

    QTemporaryDir dir;
    SubtitleSession session;
    int counter = 0;
};

// Cases that depend on how lines are read run in the four byte forms a subtitle file comes in.
class FormRead : public ReaderTest, public ::testing::WithParamInterface<FileForm> {
protected:
    ReadResult load(const QStringList& lines, SubtitleFormat format = kSubRip, Side side = Side::Original) {
        return loadIn(GetParam(), lines, format, side);
    }
};
INSTANTIATE_TEST_SUITE_P(Forms, FormRead, ::testing::ValuesIn(kAllForms), formName);

} // namespace

TEST_P(FormRead, SubRipIndexNumbersAreIgnoredAndLinesJoined) {
    EXPECT_EQ(outcome(load({"5", "00:00:01,000 --> 00:00:02,000", "Hello", "World", "", "9",
                            "  00:00:03,000 --> 00:00:04,000 X1:100", "Bye", "", "12",
                            "00:00:05,000 --> 00:00:06,000", "été"})),
              kCompleted);
    const SubtitleDocument& d = session.document();
    EXPECT_EQ(d.originalTexts, (QStringList{"Hello|\nWorld", "Bye", "été"}));
    EXPECT_EQ(d.loadedTimeLines,
              (QStringList{"00:00:01,000 --> 00:00:02,000", "00:00:03,000 --> 00:00:04,000 X1:100",
                           "00:00:05,000 --> 00:00:06,000"}));
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    EXPECT_EQ(d.translatedTexts, QStringList(3, kUntranslated));
    ASSERT_EQ(session.rows().count(), 3);
    EXPECT_EQ(session.rows().at(0),
              (EntryRow{1, "00:00:01,000", "00:00:02,000", "Hello|\nWorld", kUntranslated}));
    EXPECT_EQ(session.rows().at(1),
              (EntryRow{2, "00:00:03,000", "00:00:04,000 X1:100", "Bye", kUntranslated}));
    EXPECT_EQ(session.rows().at(2).number, 3.0);
}

TEST_P(FormRead, SubRipEntryWithoutTextKeepsItsPlace) {
    load({"1", "00:00:01,000 --> 00:00:02,000", "", "2", "00:00:03,000 --> 00:00:04,000", "Kept", "3",
          "00:00:05,000 --> 00:00:06,000", "00:00:07,000 --> 00:00:08,000", "Late", "4",
          "00:00:09,000 --> 00:00:10,000"});
    const SubtitleDocument& d = session.document();
    // Empty entries, also one right before another time line and the last one, stay where they
    // are, so that the entries after them keep their translations.
    EXPECT_EQ(d.originalTexts, (QStringList{"", "Kept", "", "Late", ""}));
    EXPECT_EQ(d.loadedTimeLines,
              (QStringList{"00:00:01,000 --> 00:00:02,000", "00:00:03,000 --> 00:00:04,000",
                           "00:00:05,000 --> 00:00:06,000", "00:00:07,000 --> 00:00:08,000",
                           "00:00:09,000 --> 00:00:10,000"}));
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    ASSERT_EQ(session.rows().count(), 5);
    EXPECT_EQ(session.rows().at(3), (EntryRow{4, "00:00:07,000", "00:00:08,000", "Late", kUntranslated}));

    // The translation with the same blank entry lines up entry by entry.
    load({"1", "00:00:01,000 --> 00:00:02,000", "2", "00:00:03,000 --> 00:00:04,000", "Behalten", "3",
          "00:00:05,000 --> 00:00:06,000", "4", "00:00:07,000 --> 00:00:08,000", "Spät"},
         kSubRip, Side::Translated);
    EXPECT_EQ(d.translatedTexts, (QStringList{"", "Behalten", "", "Spät"}));
    EXPECT_EQ(session.rows().at(1).translated, "Behalten");
    EXPECT_EQ(session.rows().at(3).translated, "Spät");
}

TEST_P(FormRead, SubRipDigitFirstTextLines) {
    load({"1", "00:00:01,000 --> 00:00:02,000", "3 days later", "they left", "2",
          "00:00:03,000 --> 00:00:04,000", "Count:", "10 apples", "and pears", "42", "3",
          "00:00:05,000 --> 00:00:06,000", "5 normal spaces between letters", "7"});
    const SubtitleDocument& d = session.document();
    // A line is an index only with a time line after it; every other line of an entry is its text.
    EXPECT_EQ(d.originalTexts, (QStringList{"3 days later|\nthey left", "Count:|\n10 apples|\nand pears|\n42",
                                            "5 normal spaces between letters|\n7"}));
    EXPECT_EQ(d.loadedTimeLines,
              (QStringList{"00:00:01,000 --> 00:00:02,000", "00:00:03,000 --> 00:00:04,000",
                           "00:00:05,000 --> 00:00:06,000"}));
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    ASSERT_EQ(session.rows().count(), 3);
    EXPECT_EQ(session.rows().at(2).original, d.originalTexts[2]);

    // Only the shape makes a time line: an arrow in the text does not.
    load({"1", "00:00:01,000 --> 00:00:02,000", "2 hours --> later", "2", "00:00:03,000 --> 00:00:04,000",
          "B"});
    EXPECT_EQ(d.originalTexts, (QStringList{"2 hours --> later", "B"}));
}

TEST_P(FormRead, SubRipTextBeforeTheFirstTimeLineIsIgnored) {
    load({"Title line", "1", "stray", "00:00:01,000 --> 00:00:02,000", "Hello"});
    EXPECT_EQ(session.document().originalTexts, QStringList{"Hello"});
    EXPECT_EQ(session.document().loadedTimeLines, QStringList{"00:00:01,000 --> 00:00:02,000"});
    EXPECT_EQ(session.rows().count(), 1);
}

TEST_P(FormRead, SubRipLineLengthLimit) {
    const QString ok(1022, u'a');
    load({"1", "00:00:01,000 --> 00:00:02,000", ok});
    EXPECT_EQ(session.document().originalTexts, QStringList{ok});

    // A translation of three entries is loaded; the stopped load must not add rows for it.
    withLists(session, [](SubtitleDocument& d) {
        d.translatedTexts = {"eins", "zwei", "drei"};
        d.timeLines = {"old 1", "old 2", "old 3"};
    });
    const ReadResult r =
        load({"1", "00:00:01,000 --> 00:00:02,000", "First", "2", "00:00:03,000 --> 00:00:04,000",
              QString(1023, u'b'), "3", "00:00:05,000 --> 00:00:06,000", "Never"});
    EXPECT_EQ(r.message, errorMessage("Invalid Subtitle File!"));
    EXPECT_TRUE(r.changed);
    EXPECT_FALSE(r.completed);
    const SubtitleDocument& d = session.document();
    EXPECT_EQ(d.originalTexts, QStringList{"First"});
    EXPECT_EQ(d.loadedTimeLines, QStringList{"00:00:01,000 --> 00:00:02,000"});
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    ASSERT_EQ(session.rows().count(), 1);
    EXPECT_EQ(session.rows().at(0).translated, "eins");
}

TEST_P(FormRead, SubRipOriginalAfterTranslated) {
    load({"1", "00:00:01,000 --> 00:00:02,000", "T1", "2", "00:00:03,000 --> 00:00:04,000", "T2", "3",
          "00:00:05,000 --> 00:00:06,000", "T3", "4", "00:00:07,000 --> 00:00:08,000 X1:5", "T4", "5",
          "00:00:09,000 --> 00:00:10,000", "T5", "second line"},
         kSubRip, Side::Translated);
    ASSERT_EQ(session.rows().count(), 5); // onto an empty grid: rows without number
    EXPECT_EQ(session.rows().at(4), (EntryRow{std::nullopt, "", "", "", "T5|\nsecond line"}));

    load({"1", "00:00:01,100 --> 00:00:02,100", "O1", "2", "00:00:03,100 --> 00:00:04,100", "O2", "3",
          "00:00:05,100 --> 00:00:06,100", "O3"});
    ASSERT_EQ(session.rows().count(), 5);
    EXPECT_EQ(session.rows().at(0), (EntryRow{1, "00:00:01,100", "00:00:02,100", "O1", "T1"}));
    EXPECT_EQ(session.rows().at(2), (EntryRow{3, "00:00:05,100", "00:00:06,100", "O3", "T3"}));
    EXPECT_EQ(session.rows().at(3), (EntryRow{4, "00:00:07,000", "00:00:08,000 X1:5", "", "T4"}));
    EXPECT_EQ(session.rows().at(4), (EntryRow{5, "00:00:09,000", "00:00:10,000", "", "T5|\nsecond line"}));
    EXPECT_EQ(session.document().originalTexts.size(), 3);
    EXPECT_EQ(session.document().timeLines.size(), 3);
}

TEST_P(FormRead, SubRipTranslatedAfterOriginal) {
    load({"1", "00:00:01,000 --> 00:00:02,000", "O1", "2", "00:00:03,000 --> 00:00:04,000", "O2", "3",
          "00:00:05,000 --> 00:00:06,000", "O3"});
    const QStringList five{"1",
                           "00:00:01,000 --> 00:00:02,000",
                           "T1",
                           "more",
                           "2",
                           "00:00:03,000 --> 00:00:04,000",
                           "T2",
                           "3",
                           "00:00:05,000 --> 00:00:06,000",
                           "T3",
                           "4",
                           "00:00:07,000 --> 00:00:08,000",
                           "T4",
                           "5",
                           "00:00:09,000 --> 00:00:10,000",
                           "T5"};
    EXPECT_EQ(outcome(load(five, kSubRip, Side::Translated)), kCompleted);
    ASSERT_EQ(session.rows().count(), 5);
    EXPECT_EQ(session.rows().at(0), (EntryRow{1, "00:00:01,000", "00:00:02,000", "O1", "T1|\nmore"}));
    EXPECT_EQ(session.rows().at(3), (EntryRow{std::nullopt, "", "", "", "T4"}));
    EXPECT_EQ(session.document().translatedTexts, (QStringList{"T1|\nmore", "T2", "T3", "T4", "T5"}));
    EXPECT_EQ(session.document().translatedTimeLines.size(), 5);
    EXPECT_EQ(session.document().timeLines.size(), 3); // a translated load leaves the times alone

    // Loaded again, the translation fills the rows it made the first time instead of adding more.
    load(five, kSubRip, Side::Translated);
    ASSERT_EQ(session.rows().count(), 5);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(session.rows().at(k).translated, session.document().translatedTexts[k]) << k;
}

TEST_P(FormRead, SubRipShorterTranslationListsOnlyItsOwnEntries) {
    load({"1", "00:00:01,000 --> 00:00:02,000", "O1", "2", "00:00:03,000 --> 00:00:04,000", "O2", "3",
          "00:00:05,000 --> 00:00:06,000", "O3"});
    session.setTextCell(2, kColumnTranslated, "mine");
    load({"1", "00:00:01,000 --> 00:00:02,000", "T1"}, kSubRip, Side::Translated);
    // A translated save writes only the entries the translation had; the other rows keep their cells.
    EXPECT_EQ(session.document().translatedTexts, (QStringList{"T1"}));
    EXPECT_EQ(session.rows().count(), 3);
    EXPECT_EQ(session.rows().at(0).translated, "T1");
    EXPECT_EQ(session.rows().at(2).translated, "mine");
}

TEST_P(FormRead, SubRipTextsBeforeAnyTimeLineInATranslation) {
    load({"1", "00:00:01,000 --> 00:00:02,000", "O1", "2", "00:00:03,000 --> 00:00:04,000", "O2"});
    // Entries begin at time lines: what stands before the first one belongs to none.
    load({"intro", "1", "T1", "2", "00:00:03,000 --> 00:00:04,000", "T2"}, kSubRip, Side::Translated);
    EXPECT_EQ(session.document().translatedTexts, (QStringList{"T2"}));
    EXPECT_EQ(session.document().translatedTimeLines, (QStringList{"00:00:03,000 --> 00:00:04,000"}));
    EXPECT_EQ(session.rows().at(0).translated, "T2");
}

TEST_F(ReaderTest, SizeLimit) {
    QByteArray body = "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n";
    QByteArray exact = body;
    exact.append(QByteArray(kMaxSubtitleFileSize - body.size(), '\n'));
    ASSERT_EQ(exact.size(), 409600);
    EXPECT_EQ(LoadSubtitleFile(session, writeFile(exact), kSubRip, Side::Original), kCompleted);
    EXPECT_EQ(session.document().originalTexts, QStringList{"Hello"});

    const SubtitleDocument before = session.document();
    const ReadResult r = LoadSubtitleFile(session, writeFile(exact + "x"), kSubRip, Side::Original);
    EXPECT_EQ(r.message, errorMessage("The size of this file is bigger than 400K bytes!"));
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(session.document().originalTexts, before.originalTexts);
    EXPECT_EQ(session.rows().count(), 1);
}

TEST_F(ReaderTest, UnopenableFilesChangeNothing) {
    load({"1", "00:00:01,000 --> 00:00:02,000", "Hello"});
    // A pipe would block the load and /dev/zero would never end.
    const QString fifo = dir.filePath("pipe.srt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path :
         {dir.filePath("missing.srt"), dir.path(), QString(), fifo, QString("/dev/zero")}) {
        const ReadResult r = LoadSubtitleFile(session, path, kSubRip, Side::Original);
        EXPECT_FALSE(r.changed) << path.toStdString();
        EXPECT_TRUE(r.message.has_value()) << path.toStdString();
        EXPECT_EQ(session.document().originalTexts, QStringList{"Hello"});
        EXPECT_EQ(session.rows().count(), 1);
        // Telling the format reads nothing from them either.
        EXPECT_EQ(guessSubtitleFormat(path), kSubRip) << path.toStdString();
    }
}

TEST_F(ReaderTest, RelativePathsResolveAgainstTheProgramFolder) {
    const QString previous = QDir::currentPath();
    writeFile("1\n00:00:01,000 --> 00:00:02,000\nHere\n", "rel.srt");
    setProgramFolder(dir.path());
    QDir::setCurrent(QDir::rootPath());
    const ReadResult r = LoadSubtitleFile(session, "rel.srt", kSubRip, Side::Original);
    setProgramFolder(QString());
    QDir::setCurrent(previous);
    EXPECT_EQ(r, kCompleted);
    EXPECT_EQ(session.document().originalTexts, QStringList{"Here"});
}

TEST_F(ReaderTest, Utf16BigEndianReadsLikeLittleEndian) {
    const QString text = QString::fromUtf8("1\r\n00:00:01,000 --> 00:00:02,000\r\nПривет, 世界\r\n\r\n"
                                           "2\r\n00:00:03,000 --> 00:00:04,000\r\nZweite\r\n");
    QByteArray big("\xFE\xFF", 2);
    for (QChar c : text)
        big.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    const ReadResult r = LoadSubtitleFile(session, writeFile(big), kSubRip, Side::Original);
    EXPECT_EQ(r.encoding.source, EncodingGuess::Source::ByteOrderMark);
    const SubtitleDocument fromBig = session.document();
    LoadSubtitleFile(session, writeFile(QByteArray("\xFF\xFE", 2) + utf16le(text)), kSubRip, Side::Original);
    EXPECT_EQ(fromBig.originalTexts, session.document().originalTexts);
    EXPECT_EQ(fromBig.originalTexts, (QStringList{QString::fromUtf8("Привет, 世界"), "Zweite"}));
    EXPECT_EQ(fromBig.loadedTimeLines, session.document().loadedTimeLines);
}

TEST_F(ReaderTest, Utf8MarkReadsUtf8) {
    LoadSubtitleFile(session,
                     writeFile("\xEF\xBB\xBF"
                               "1\n00:00:01,000 --> 00:00:02,000\n\xC3\xA9t\xC3\xA9\n"),
                     kSubRip, Side::Original);
    EXPECT_EQ(session.document().originalTexts, QStringList{QString::fromUtf8("été")});
    EXPECT_EQ(session.document().loadedTimeLines, QStringList{"00:00:01,000 --> 00:00:02,000"});
}

TEST_P(FormRead, MicroDvdBraceRules) {
    load({"{100}{250}Hello|World", "{100}{250}{y:i}Hello", "{1}{1}23.976", "{300}{400}", "{1}", "{12}",
          "  {500}{600}Lead", "{700}{abc", "{5}abc", "plain text", "{10}{20}Hello, {P:100,200}world!",
          "{30}{}x"},
         kMicroDVD);
    const SubtitleDocument& d = session.document();
    // An entry is a line that begins with two brace groups; its text is all that follows them,
    // formatting codes included, the same in the row and in the list.
    EXPECT_EQ(d.loadedTimeLines, (QStringList{"{100}{250}", "{100}{250}", "{1}{1}", "{300}{400}",
                                              "{500}{600}", "{10}{20}", "{30}{}"}));
    EXPECT_EQ(d.originalTexts, (QStringList{"Hello|World", "{y:i}Hello", "23.976", "", "Lead",
                                            "Hello, {P:100,200}world!", "x"}));
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    ASSERT_EQ(session.rows().count(), 7);
    EXPECT_EQ(session.rows().at(0), (EntryRow{1, "100", "250", "Hello|World", kUntranslated}));
    EXPECT_EQ(session.rows().at(1), (EntryRow{2, "100", "250", "{y:i}Hello", kUntranslated}));
    EXPECT_EQ(session.rows().at(3), (EntryRow{4, "300", "400", "", kUntranslated}));
    EXPECT_EQ(session.rows().at(5), (EntryRow{6, "10", "20", "Hello, {P:100,200}world!", kUntranslated}));
    EXPECT_EQ(session.rows().at(6), (EntryRow{7, "30", "", "x", kUntranslated}));
}

TEST_P(FormRead, MicroDvdTranslatedTakesTheSameEntries) {
    load({"{100}{250}One", "{300}{400}Two"}, kMicroDVD);
    load({"{5}abc", "{10}{20}{y:b}Eins", "{30}{40}Zwei|Teil", "{50}{60}Drei"}, kMicroDVD, Side::Translated);
    const SubtitleDocument& d = session.document();
    EXPECT_EQ(d.translatedTimeLines, (QStringList{"{10}{20}", "{30}{40}", "{50}{60}"}));
    EXPECT_EQ(d.translatedTexts, (QStringList{"{y:b}Eins", "Zwei|Teil", "Drei"}));
    ASSERT_EQ(session.rows().count(), 3);
    EXPECT_EQ(session.rows().at(1), (EntryRow{2, "300", "400", "Two", "Zwei|Teil"}));
    EXPECT_EQ(session.rows().at(2), (EntryRow{std::nullopt, "", "", "", "Drei"}));

    // Only SubRip rows beyond the originals take their times from the translation.
    load({"{100}{250}Neu"}, kMicroDVD);
    ASSERT_EQ(session.rows().count(), 3);
    EXPECT_EQ(session.rows().at(2), (EntryRow{3, "", "", "", "Drei"}));
}

TEST_P(FormRead, SamiTimeLinesHeadersAndClearingLines) {
    withLists(session, [](SubtitleDocument& d) { d.headerLines = {"stale"}; });
    load({"<SAMI>", "<HEAD>", "  <TITLE>x</TITLE>", "   ", "<BODY>", "<SYNC Start=1000><P Class=ENCC>",
          "Hello", "<b>there</b>", "<SYNC Start=3000><P Class=ENCC>&nbsp;", "<SYNC Start=4000><P Class=ENCC>",
          "Bye", "<sync start=5000>", "</BODY>", "</SAMI>"},
         kSAMI);
    const SubtitleDocument& d = session.document();
    EXPECT_EQ(d.headerLines, (QStringList{"<SAMI>", "<HEAD>", "<TITLE>x</TITLE>", "", "<BODY>"}));
    EXPECT_EQ(d.loadedTimeLines,
              (QStringList{"<SYNC Start=1000><P Class=ENCC>\n<SYNC Start=3000><P Class=ENCC>&nbsp;",
                           "<SYNC Start=4000><P Class=ENCC>"}));
    EXPECT_EQ(d.originalTexts, (QStringList{"Hello|\n<b>there</b>", "Bye|\n<sync start=5000>"}));
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    ASSERT_EQ(session.rows().count(), 2);
    EXPECT_EQ(session.rows().at(0), (EntryRow{1, "1000", "3000", "Hello|\n<b>there</b>", kUntranslated}));
    EXPECT_EQ(session.rows().at(1).show, "4000");

    // A SubRip load keeps the header lines; a translated SAMI load keeps them and no times.
    load({"<SAMI>", "<SYNC Start=1000>", "Hallo", "Welt", "<SYNC Start=4000>", "Tschüss"}, kSAMI,
         Side::Translated);
    EXPECT_EQ(d.headerLines.size(), 5);
    EXPECT_TRUE(d.translatedTimeLines.isEmpty());
    EXPECT_EQ(d.translatedTexts, (QStringList{"Hallo|\nWelt", "Tschüss"}));
    EXPECT_EQ(session.rows().at(1).translated, "Tschüss");
    load({"1", "00:00:01,000 --> 00:00:02,000", "Only"});
    EXPECT_EQ(d.headerLines.size(), 5);
    ASSERT_EQ(session.rows().count(), 2);
    EXPECT_EQ(session.rows().at(1), (EntryRow{2, "", "", "", "Tschüss"}));
}

TEST_P(FormRead, SubViewerTimeLinesAndHeaders) {
    load({"[TITLE]Film", "[AUTHOR]me", "00:00:01.00,00:00:04.00", "Hello", "World", "2 more", "after",
          "00:00:05.00,00:00:06.00", "5:30 p.m., he said", "Text"},
         kSubViewer);
    const SubtitleDocument& d = session.document();
    EXPECT_EQ(d.headerLines, (QStringList{"[TITLE]Film", "[AUTHOR]me"}));
    // Lines that begin with a digit are text, unless they have the shape of a time line.
    EXPECT_EQ(d.originalTexts, (QStringList{"Hello|\nWorld|\n2 more|\nafter", "5:30 p.m., he said|\nText"}));
    EXPECT_EQ(d.loadedTimeLines, (QStringList{"00:00:01.00,00:00:04.00", "00:00:05.00,00:00:06.00"}));
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    ASSERT_EQ(session.rows().count(), 2);
    EXPECT_EQ(session.rows().at(0),
              (EntryRow{1, "00:00:01.00", "00:00:04.00", "Hello|\nWorld|\n2 more|\nafter", kUntranslated}));
    EXPECT_EQ(session.rows().at(1),
              (EntryRow{2, "00:00:05.00", "00:00:06.00", "5:30 p.m., he said|\nText", kUntranslated}));

    load({"ignored", "00:00:01.00,00:00:04.00", "Hallo", "Welt", "00:00:05.00,00:00:06.00", "Nach"},
         kSubViewer, Side::Translated);
    EXPECT_TRUE(d.translatedTimeLines.isEmpty());
    EXPECT_EQ(d.translatedTexts, (QStringList{"Hallo|\nWelt", "Nach"}));
    EXPECT_EQ(session.rows().at(1).translated, "Nach");
}

TEST_P(FormRead, SubViewerDigitFirstLinesKeepTranslationsAligned) {
    for (SubtitleFormat format : {kSubViewer, kSubViewer2}) {
        SCOPED_TRACE(format);
        load({"[INFORMATION]", "[SUBTITLE]", "00:00:01.00,00:00:02.00", "They waited.",
              "00:00:03.00,00:00:04.00", "3 days later, nobody had called.", "00:00:05.00,00:00:06.00",
              "Then the phone rang."},
             format);
        load({"[INFORMATION]", "[SUBTITLE]", "00:00:01.00,00:00:02.00", "Sie warteten.",
              "00:00:03.00,00:00:04.00", "3 Tage später hatte niemand angerufen.", "00:00:05.00,00:00:06.00",
              "Dann klingelte das Telefon."},
             format, Side::Translated);
        ASSERT_EQ(session.rows().count(), 3);
        EXPECT_EQ(session.rows().at(1).original, "3 days later, nobody had called.");
        EXPECT_EQ(session.rows().at(1).translated, "3 Tage später hatte niemand angerufen.");
        EXPECT_EQ(session.rows().at(2).translated, "Dann klingelte das Telefon.");
    }
}

TEST_P(FormRead, SubViewer2LineBreaksAndOneEntryPerLine) {
    load({"[INFORMATION]", "[TITLE]x", "[END INFORMATION]", "[SUBTITLE]", "00:00:01.00,00:00:04.00",
          "Hello[br]World", "Second[BR]line", "00:00:05.00,00:00:06.00", "Third"},
         kSubViewer2);
    const SubtitleDocument& d = session.document();
    EXPECT_EQ(d.headerLines, (QStringList{"[INFORMATION]", "[TITLE]x", "[END INFORMATION]", "[SUBTITLE]"}));
    EXPECT_EQ(d.originalTexts, (QStringList{"Hello|World", "Second|line", "Third"}));
    EXPECT_EQ(d.loadedTimeLines,
              (QStringList{"00:00:01.00,00:00:04.00", "00:00:01.00,00:00:04.00", "00:00:05.00,00:00:06.00"}));
    EXPECT_EQ(d.timeLines, d.loadedTimeLines);
    ASSERT_EQ(session.rows().count(), 3);
    EXPECT_EQ(session.rows().at(1),
              (EntryRow{2, "00:00:01.00", "00:00:04.00", "Second|line", kUntranslated}));

    load({"[SUBTITLE]", "00:00:01.00,00:00:04.00", "Hallo[br]Welt", "Zweite", "00:00:05.00,00:00:06.00",
          "Dritte", "Vierte"},
         kSubViewer2, Side::Translated);
    EXPECT_EQ(d.translatedTexts, (QStringList{"Hallo|Welt", "Zweite", "Dritte", "Vierte"}));
    ASSERT_EQ(session.rows().count(), 4);
    EXPECT_EQ(session.rows().at(3), (EntryRow{std::nullopt, "", "", "", "Vierte"}));
}

// Whatever a file holds, the savers and timing edits must find element i of every list for row i.
TEST_F(ReaderTest, ListsStayAlignedOnMessyInput) {
    const QStringList messy{"junk",
                            "1",
                            "00:00:01,000 --> 00:00:02,000",
                            "00:00:01.00,00:00:02.00",
                            "",
                            "   ",
                            "<SYNC Start=1>",
                            "2 x",
                            "text",
                            "7",
                            "more",
                            "{1}{2}a",
                            "<SYNC Start=2>",
                            "00:00:03,000 --> 00:00:04,000",
                            "00:00:03.00,00:00:04.00",
                            "9",
                            "tail[br]end"};
    for (SubtitleFormat format : {kSubRip, kMicroDVD, kSAMI, kSubViewer, kSubViewer2}) {
        withLists(session, [](SubtitleDocument& d) {
            d.translatedTexts = {"t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8"};
        });
        load(messy, format, Side::Original);
        const SubtitleDocument& d = session.document();
        SCOPED_TRACE(format);
        EXPECT_GT(d.originalTexts.size(), 0);
        EXPECT_EQ(d.loadedTimeLines.size(), d.originalTexts.size());
        EXPECT_EQ(d.timeLines, d.loadedTimeLines);
        EXPECT_EQ(session.rows().count(), d.translatedTexts.size());
        for (int i = 0; i < session.rows().count(); ++i)
            EXPECT_EQ(session.rows().at(i).translated, d.translatedTexts[i]);

        // A translated load fills row k with entry k and adds rows only for entries beyond the grid.
        load(messy + messy, format, Side::Translated);
        EXPECT_GE(session.rows().count(), d.translatedTexts.size());
        for (int i = 0; i < d.translatedTexts.size(); ++i)
            EXPECT_EQ(session.rows().at(i).translated, d.translatedTexts[i]);
    }
}

TEST(MappingRuns, RedOriginalAndBlueTranslationPerRow) {
    EntryRows rows;
    rows.appendRows({EntryRow{1, "a", "b", "Hello|\nWorld", "Hallo|\nWelt"},
                     EntryRow{std::nullopt, "", "", "", kUntranslated}});
    const QVector<MappingRun> runs = buildMappingRuns(rows);
    const QVector<MappingRun> expected{
        {"Hello\nWorld\r\n", 0xFF0000, 250},
        {"Hallo\nWelt\r\n\r\n\r\n", 0x0000FF, 250},
        {"\r\n", 0xFF0000, 250},
        {"untranslated\r\n\r\n\r\n", 0x0000FF, 250},
    };
    EXPECT_EQ(runs, expected);
    EXPECT_TRUE(buildMappingRuns(EntryRows{}).isEmpty());
}

TEST(MappingRuns, LongCellsAreCutBeforeTheBarsGo) {
    EntryRows rows;
    const QString longText = QString(4094, u'x') + "|yz";
    rows.append(EntryRow{1, "", "", longText, QString(4095, u'q')});
    const QVector<MappingRun> runs = buildMappingRuns(rows);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0].text, QString(4094, u'x') + "\r\n");
    EXPECT_EQ(runs[1].text, QString(4095, u'q') + "\r\n\r\n\r\n");
}

TEST_F(ReaderTest, GuessFormat) {
    struct Case {
        const char* name;
        QByteArray content;
        SubtitleFormat expected;
    };
    const Case cases[] = {
        {"a.SRT", "{1}{2}x\n", kSubRip},
        {"a.smi", "", kSAMI},
        {"a.sami", "", kSAMI},
        {"a.txt", "1\n00:00:01,000 --> 00:00:02,000\n", kMicroDVD},
        {"b.sub", "\n  {100}{200}Hi\n", kMicroDVD},
        // The header alone does not make SubViewer 2.0; "[br]" in the entries does.
        {"c.sub", "[INFORMATION]\n[TITLE]x\n[END INFORMATION]\n[SUBTITLE]\n00:00:01.00,00:00:02.00\nHi\n",
         kSubViewer},
        {"c2.SUB", "[INFORMATION]\n[SUBTITLE]\n00:00:01.00,00:00:02.00\nHi[br]there\n", kSubViewer2},
        {"c3.sub", "{0}{10}{y:i}Inline.\n{10}{20}Plain\n", kMicroDVD},
        {"d.sub", "00:00:01.00,00:00:02.00\nHello[br]World\n", kSubViewer2},
        {"e.sub", "00:00:01.00,00:00:02.00\nHello\n", kSubViewer},
        {"f.sub", utf16le("{1}{2}Hi\r\n"), kMicroDVD},
        {"g", "<SAMI>\n<BODY>\n<SYNC Start=1>\n", kSAMI},
        {"h.dat", "1\n00:00:01,000 --> 00:00:02,000\nHi\n", kSubRip},
        {"i", "{10}{20}Hi\n", kMicroDVD},
        {"j", "00:00:01.00,00:00:02.00\nHi\n", kSubViewer},
        {"k", "nothing to go by\n", kSubRip},
    };
    for (const Case& c : cases)
        EXPECT_EQ(guessSubtitleFormat(writeFile(c.content, c.name)), c.expected) << c.name;
    EXPECT_EQ(guessSubtitleFormat(dir.filePath("absent.sub")), kSubViewer);
}

// Each file starts with content that a byte-order-mark skip of three bytes would eat.
TEST_F(ReaderTest, Utf8WithoutAMarkKeepsItsFirstBytes) {
    const std::tuple<SubtitleFormat, QByteArray, QStringList, QStringList> cases[] = {
        {kMicroDVD, "{1}{25}Caf\xC3\xA9\n{30}{50}\xC3\x89t\xC3\xA9\n", {}, {"Caf\u00E9", "\u00C9t\u00E9"}},
        {kSAMI, "<SAMI>\n<SYNC Start=1000>\nCaf\xC3\xA9\n", {"<SAMI>"}, {"Caf\u00E9"}},
        {kSubViewer,
         "[INFORMATION]\n00:00:01.00,00:00:02.00\nCaf\xC3\xA9\n",
         {"[INFORMATION]"},
         {"Caf\u00E9"}},
        {kSubRip,
         "00:00:01,000 --> 00:00:02,000\nCaf\xC3\xA9\n\n00:00:03,000 --> 00:00:04,000\nx\n",
         {},
         {"Caf\u00E9", "x"}},
    };
    for (const auto& [format, bytes, headerLines, texts] : cases) {
        withLists(session, [](SubtitleDocument& d) { d.headerLines.clear(); });
        LoadSubtitleFile(session, writeFile(bytes), format, Side::Original);
        EXPECT_EQ(session.document().headerLines, headerLines) << format;
        EXPECT_EQ(session.document().originalTexts, texts) << format;
    }
}

// Old Mac files end their lines in a lone carriage return; they read as the same file with line
// feeds does, also when the whole file is longer than the longest line allowed.
TEST_F(ReaderTest, LoneCarriageReturnsEndLines) {
    QStringList srt;
    for (int i = 10; i < 50; ++i)
        srt << QString::number(i) << QString("00:00:%1,000 --> 00:00:%1,500").arg(i) << "Line"
            << "two"
            << "";
    const std::pair<SubtitleFormat, QStringList> cases[] = {
        {kSubRip, srt},
        {kMicroDVD, {"{1}{25}One|two", "{30}{50}Three"}},
    };
    for (const auto& [format, lines] : cases) {
        load(lines, format);
        const SubtitleDocument withFeeds = session.document();
        const QVector<EntryRow> rows = session.rows().all();
        ASSERT_FALSE(rows.isEmpty());
        const QString text = lines.join(u'\r') + u'\r';
        for (const QByteArray& bytes :
             {encodeText(text, 1252).value(), QByteArray("\xFF\xFE", 2) + utf16le(text)}) {
            EXPECT_EQ(outcome(LoadSubtitleFile(session, writeFile(bytes), format, Side::Original)),
                      kCompleted);
            EXPECT_EQ(session.document().loadedTimeLines, withFeeds.loadedTimeLines) << format;
            EXPECT_EQ(session.rows().all(), rows) << format;
        }
    }
}

TEST_F(ReaderTest, SubRipTimeLinesWithUnreadableFieldsStillBeginEntries) {
    const std::tuple<QStringList, QStringList, QList<int>> cases[] = {
        {{"1", "ab:cd:ef,ghi --> 00:00:05,000", "First", "", "2", "00:00:06,000 --> 00:00:07,000", "Second"},
         {"First", "Second"},
         {1}},
        {{"1", "00:00:01,000 --> 00:00:02,000", "First", "2", "00:00:xx,000 --> 00:00:07,000", "Second"},
         {"First", "Second"},
         {2}},
        // Without index lines: at the start and after an empty line.
        {{"ab --> cd", "First", "", "00:00:06,000 --> 00:00:07,000", "Second", "", "x --> y", "Third"},
         {"First", "Second", "Third"},
         {1, 3}},
        // Inside an entry an arrow is text.
        {{"1", "00:00:01,000 --> 00:00:02,000", "2 hours --> later", "a --> b"},
         {"2 hours --> later|\na --> b"},
         {}},
    };
    for (const auto& [lines, texts, unreadable] : cases) {
        const ReadResult r = load(lines);
        EXPECT_EQ(session.document().originalTexts, texts);
        EXPECT_EQ(session.document().loadedTimeLines.size(), texts.size());
        EXPECT_EQ(r.unreadableTimes, unreadable);
        EXPECT_EQ(r.status.contains(QString::number(unreadable.value(0))), !unreadable.isEmpty())
            << r.status.toStdString();
        // A translation of the same layout lines up with its original.
        load(lines, kSubRip, Side::Translated);
        EXPECT_EQ(session.document().translatedTexts, texts);
    }
}

// The commonest SAMI layout has the text on the sync line, and ends each line with a clearing sync;
// loaded and saved unedited, the file keeps the time of every sync.
TEST_F(ReaderTest, SamiTextOnTheSyncLineAndClearingSyncs) {
    const QByteArray file =
        "<SAMI>\r\n<BODY>\r\n<SYNC Start=0><P Class=ENCC>&nbsp;\r\n"
        "<SYNC Start=1000><P Class=ENCC>One\r\n<SYNC Start=1500><P Class=ENCC>&NBSP;\r\n"
        "<SYNC Start=2000><P Class=ENCC>  Two\r\nlines\r\n<SYNC Start=2500><P Class=ENCC>\r\n&nbsp;\r\n"
        "<SYNC Start=3000>Three\r\n<SYNC Start=3500>\r\n"
        "<SYNC Start=4000><P Class=ENCC>\r\nFour\r\n</BODY>\r\n</SAMI>\r\n";
    LoadSubtitleFile(session, writeFile(file), kSAMI, Side::Original);
    const SubtitleDocument& d = session.document();
    EXPECT_EQ(d.originalTexts, (QStringList{"One", "Two|\nlines", "Three", "Four"}));
    EXPECT_EQ(d.loadedTimeLines[1], "<SYNC Start=2000><P Class=ENCC>\n<SYNC Start=2500><P Class=ENCC>&nbsp;");
    QStringList shown;
    for (const EntryRow& row : session.rows().all())
        shown << row.show + "-" + row.hide;
    EXPECT_EQ(shown, (QStringList{"1000-1500", "2000-2500", "3000-3500", "4000-"}));

    auto syncTimes = [](const QString& text) {
        QStringList times;
        for (qsizetype at = text.indexOf("Start="); at >= 0; at = text.indexOf("Start=", at + 1))
            times << text.mid(at + 6, text.indexOf(u'>', at) - at - 6);
        return times;
    };
    session.setFormatMode(kSAMI);
    const QString saved = dir.filePath("saved.smi");
    ASSERT_TRUE(session.save(SaveKind::OriginalSubtitle, saved).written);
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll().mid(2);
    EXPECT_EQ(
        syncTimes(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2)),
        syncTimes(QString::fromLatin1(file)));

    LoadSubtitleFile(session, writeFile(file), kSAMI, Side::Translated);
    EXPECT_EQ(d.translatedTexts, d.originalTexts);
}

TEST_F(ReaderTest, AnOriginalWithNothingToReadSaysSo) {
    for (const auto& [format, bytes] :
         {std::pair{kSubRip, QByteArray()}, std::pair{kSAMI, QByteArray("<SAMI>\n<BODY>\n</BODY>\n")},
          std::pair{kMicroDVD, QByteArray("1\n00:00:01,000 --> 00:00:02,000\nx\n")}}) {
        const ReadResult r = LoadSubtitleFile(session, writeFile(bytes), format, Side::Original);
        ASSERT_TRUE(r.message.has_value()) << format;
        EXPECT_EQ(r.message->icon, MessageIcon::Warning) << format;
        // A translation of nothing leaves the original's rows and says nothing.
        load({"1", "00:00:01,000 --> 00:00:02,000", "Kept"});
        EXPECT_FALSE(LoadSubtitleFile(session, writeFile(bytes), format, Side::Translated).message) << format;
    }
}

// Lines are cut from a file's text decoded at once (one unit per byte in a single-byte page, by
// search in step with the bytes in a multi-byte one, straight from the units of UTF-16); each
// entry must still get the text, time line and bytes its own lines hold, whatever the line ends.
TEST_F(ReaderTest, EveryCodePageAndLayoutGivesTheEntriesOfItsLines) {
    const QString cafe = QString::fromUtf8("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0"),
                  zh = QString::fromUtf8("\xE4\xB8\xAD\xE6\x96\x87");
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList texts;
        // Each entry's kept bytes, joined by "/"; empty for a Unicode file, which keeps none.
        QByteArray kept;
        // The ANSI code page, which reads what the detector cannot place.
        std::uint32_t ansi = 1252;
    };
    const QByteArray t1 = "00:00:01,000 --> 00:00:02,000", t2 = "00:00:03,000 --> 00:00:04,000";
    const QStringList times{t1, t2};
    const Case cases[] = {
        {"cp1252, CR only, no final line end",
         "1\r" + t1 + "\rCaf\xE9 d\xE9j\xE0\r\r2\r" + t2 + "\rB",
         {cafe, "B"},
         "Caf\xE9 d\xE9j\xE0/B"},
        {"cp1252, CR LF, an empty entry",
         "1\r\n" + t1 + "\r\n\r\n2\r\n" + t2 + "\r\n\xE9\r\nx\r\n",
         {"", QString::fromUtf8("\xC3\xA9|\nx")},
         "/\xE9\nx"},
        {"gb2312, LF and a stray CR",
         "1\n" + t1 + "\n\xD6\xD0\xCE\xC4\n\n2\n" + t2 + "\na\rb\n",
         {zh, "a|\nb"},
         "\xD6\xD0\xCE\xC4/a\nb",
         936},
        {"UTF-8 mark, CR LF",
         "\xEF\xBB\xBF"
         "1\r\n" +
             t1 + "\r\nCaf\xC3\xA9 d\xC3\xA9j\xC3\xA0\r\n\r\n" + t2 + "\r\nB",
         {cafe, "B"},
         ""},
        {"UTF-16LE mark, CR only, an empty entry",
         QByteArray("\xFF\xFE", 2) + utf16le("1\r" + t1 + "\r\r2\r" + t2 + "\r" + zh + "\r"),
         {"", zh},
         ""},
    };
    for (const Case& c : cases) {
        SubtitleSession s;
        setSystemAnsiCodePage(c.ansi);
        const ReadResult r = loadSubtitleBytes(s, c.bytes, kSubRip, Side::Original);
        setSystemAnsiCodePage(1252);
        EXPECT_TRUE(r.completed) << c.name;
        EXPECT_EQ(s.document().originalTexts, c.texts) << c.name;
        EXPECT_EQ(s.document().loadedTimeLines, times) << c.name;
        QByteArrayList kept;
        for (int row = 0; row < s.rowCount(); ++row)
            kept << s.sources(row).original.bytes().toByteArray();
        EXPECT_EQ(kept.join('/'), c.kept.isEmpty() ? QByteArray(s.rowCount() - 1, '/') : c.kept) << c.name;
    }
}
