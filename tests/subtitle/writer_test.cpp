// The savers: byte-exact files for every layout, uneven lists, and saves that must not replace a good file.
#include "subtitle/subtitle_writer.h"
#include "subtitle/time_codes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray utf16File(const QString& text) {
    QByteArray b("\xFF\xFE", 2);
    for (QChar c : text) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

// Shown as readable text when a comparison fails.
QString fromUtf16File(const QByteArray& bytes) {
    if (!bytes.startsWith("\xFF\xFE"))
        return QStringLiteral("<no byte-order mark> ") + QString::fromLatin1(bytes);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class WriterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // Saves into a fresh file and returns its bytes.
    QByteArray save(SubtitleDocument& doc, SaveKind kind) {
        const QString target = path(QStringLiteral("out%1").arg(++counter));
        const SaveResult result = writeDocument(doc, kind, target);
        EXPECT_TRUE(result.written);
        EXPECT_FALSE(result.message.has_value());
        return readBytes(target);
    }

    void expectSaved(SubtitleDocument& doc, SaveKind kind, const QString& expected) {
        const QByteArray bytes = save(doc, kind);
        EXPECT_EQ(bytes, utf16File(expected))
            << "got: " << fromUtf16File(bytes).toUtf8().toPercentEncoding(" ").toStdString()
            << "\nwant: " << expected.toUtf8().toPercentEncoding(" ").toStdString();
    }

    QStringList entriesIn(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir dir;
    int counter = 0;
};

SubtitleDocument twoEntries(std::int32_t format, QStringList timeLines) {
    SubtitleDocument doc;
    doc.formatMode = format;
    doc.headerLines = {"[INFORMATION]", "[TITLE]x"};
    doc.timeLines = timeLines;
    doc.loadedTimeLines = timeLines;
    doc.originalTexts = {"Hello|\nWorld", "Bye"};
    doc.translatedTexts = {"Hallo|\nWelt", "Tschüss 你好 \U0001F600"};
    return doc;
}

const QStringList kSrtTimes = {"00:00:01,000 --> 00:00:02,000", "00:00:03,000 --> 00:00:04,000"};
const QStringList kSubTimes = {"{10}{20}", "{30}{40}"};
const QStringList kSmiTimes = {"<SYNC Start=1000><P Class=ENCC>", "<SYNC Start=3000><P Class=ENCC>"};
const QStringList kSvTimes = {"00:00:01.00,00:00:02.00", "00:00:03.00,00:00:04.00"};

struct LayoutCase {
    const char* name;
    std::int32_t format;
    QStringList timeLines;
    SaveKind kind;
    QString expected;
};

const QString kSmiHead = "[INFORMATION]\r\n[TITLE]x\r\n\r\n";
const QString kSvHead = "[INFORMATION]\r\n[TITLE]x\r\n";
const QString kSmiTail = "\r\n</BODY></SAMI>";

const LayoutCase kLayoutCases[] = {
    // Original subtitles: joined lines end in CR LF like every other line; MicroDVD and SubViewer 2.0
    // keep an entry on one line.
    {"SubRipOriginal", kSubRip, kSrtTimes, SaveKind::OriginalSubtitle,
     "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\nWorld\r\n\r\n"
     "2\r\n00:00:03,000 --> 00:00:04,000\r\nBye\r\n\r\n"},
    {"MicroDVDOriginal", kMicroDVD, kSubTimes, SaveKind::OriginalSubtitle,
     "{10}{20}Hello|World\r\n{30}{40}Bye\r\n"},
    {"SamiOriginal", kSAMI, kSmiTimes, SaveKind::OriginalSubtitle,
     kSmiHead +
         "<SYNC Start=1000><P Class=ENCC>\r\nHello\r\nWorld\r\n\r\n<SYNC Start=3000><P "
         "Class=ENCC>\r\nBye\r\n\r\n" +
         kSmiTail},
    {"SubViewerOriginal", kSubViewer, kSvTimes, SaveKind::OriginalSubtitle,
     kSvHead + "00:00:01.00,00:00:02.00\r\nHello\r\nWorld\r\n\r\n00:00:03.00,00:00:04.00\r\nBye\r\n\r\n"},
    {"SubViewer2Original", kSubViewer2, kSvTimes, SaveKind::OriginalSubtitle,
     kSvHead + "00:00:01.00,00:00:02.00\r\nHello[br]World\r\n\r\n00:00:03.00,00:00:04.00\r\nBye\r\n\r\n"},

    // Translated subtitles use the translated texts under the same time lines.
    {"SubRipTranslated", kSubRip, kSrtTimes, SaveKind::TranslatedSubtitle,
     "1\r\n00:00:01,000 --> 00:00:02,000\r\nHallo\r\nWelt\r\n\r\n"
     "2\r\n00:00:03,000 --> 00:00:04,000\r\nTschüss 你好 \U0001F600\r\n\r\n"},
    {"MicroDVDTranslated", kMicroDVD, kSubTimes, SaveKind::TranslatedSubtitle,
     "{10}{20}Hallo|Welt\r\n{30}{40}Tschüss 你好 \U0001F600\r\n"},
    {"SamiTranslated", kSAMI, kSmiTimes, SaveKind::TranslatedSubtitle,
     kSmiHead + "<SYNC Start=1000><P Class=ENCC>\r\nHallo\r\nWelt\r\n\r\n" +
         "<SYNC Start=3000><P Class=ENCC>\r\nTschüss 你好 \U0001F600\r\n\r\n" + kSmiTail},
    {"SubViewer2Translated", kSubViewer2, kSvTimes, SaveKind::TranslatedSubtitle,
     kSvHead + "00:00:01.00,00:00:02.00\r\nHallo[br]Welt\r\n\r\n" +
         "00:00:03.00,00:00:04.00\r\nTschüss 你好 \U0001F600\r\n\r\n"},

    // Mix subtitles: both languages per entry, each layout with its own separator.
    {"SubRipMix", kSubRip, kSrtTimes, SaveKind::MixSubtitle,
     "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\nWorld\r\nHallo\r\nWelt\r\n\r\n"
     "2\r\n00:00:03,000 --> 00:00:04,000\r\nBye\r\nTschüss 你好 \U0001F600\r\n\r\n"},
    {"MicroDVDMix", kMicroDVD, kSubTimes, SaveKind::MixSubtitle,
     "{10}{20}Hello|World|Hallo|Welt\r\n{30}{40}Bye|Tschüss 你好 \U0001F600\r\n"},
    {"SamiMix", kSAMI, kSmiTimes, SaveKind::MixSubtitle,
     kSmiHead + "<SYNC Start=1000><P Class=ENCC>\r\nHello\r\nWorld\r\nHallo\r\nWelt\r\n\r\n" +
         "<SYNC Start=3000><P Class=ENCC>\r\nBye\r\nTschüss 你好 \U0001F600\r\n\r\n" + kSmiTail},
    {"SubViewerMix", kSubViewer, kSvTimes, SaveKind::MixSubtitle,
     kSvHead + "00:00:01.00,00:00:02.00\r\nHello\r\nWorld\r\nHallo\r\nWelt\r\n\r\n" +
         "00:00:03.00,00:00:04.00\r\nBye\r\nTschüss 你好 \U0001F600\r\n\r\n"},
    {"SubViewer2Mix", kSubViewer2, kSvTimes, SaveKind::MixSubtitle,
     kSvHead + "00:00:01.00,00:00:02.00\r\nHello[br]World[br]Hallo[br]Welt\r\n\r\n" +
         "00:00:03.00,00:00:04.00\r\nBye[br]Tschüss 你好 \U0001F600\r\n\r\n"},

    // Text exports: no header, time lines, numbers or trailer, but the format's text form.
    {"SamiOriginalText", kSAMI, kSmiTimes, SaveKind::OriginalText, "Hello\r\nWorld\r\nBye\r\n"},
    {"MicroDVDTranslatedText", kMicroDVD, kSubTimes, SaveKind::TranslatedText,
     "Hallo|Welt\r\nTschüss 你好 \U0001F600\r\n"},
    {"SubViewer2MixText", kSubViewer2, kSvTimes, SaveKind::MixText,
     "Hello[br]World\r\nHallo[br]Welt\r\n\r\nBye\r\nTschüss 你好 \U0001F600\r\n\r\n"},
    {"SubRipMixText", kSubRip, kSrtTimes, SaveKind::MixText,
     "Hello\r\nWorld\r\nHallo\r\nWelt\r\n\r\nBye\r\nTschüss 你好 \U0001F600\r\n\r\n"},
};

class LayoutTest : public WriterTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutTest, WritesExactBytes) {
    const LayoutCase& c = GetParam();
    SubtitleDocument doc = twoEntries(c.format, c.timeLines);
    expectSaved(doc, c.kind, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, LayoutTest, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_F(WriterTest, SubRipTwoEntryExample) {
    SubtitleDocument doc;
    doc.timeLines = kSrtTimes;
    doc.originalTexts = {"Hello", "Bye"};
    const QByteArray expected = QByteArray("\xFF\xFE", 2) + QByteArray("1\0\r\0\n\0", 6) +
                                utf16File("00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n").mid(2) +
                                utf16File("2\r\n00:00:03,000 --> 00:00:04,000\r\nBye\r\n\r\n").mid(2);
    EXPECT_EQ(save(doc, SaveKind::OriginalSubtitle), expected);
}

TEST_F(WriterTest, HeaderOnlyWhereTheFormatHasOne) {
    // SubRip and MicroDVD files carry no header, even if a SAMI load left header lines behind.
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    doc.originalTexts = {"a", "b"};
    expectSaved(
        doc, SaveKind::OriginalSubtitle,
        "1\r\n00:00:01,000 --> 00:00:02,000\r\na\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nb\r\n\r\n");
    doc.formatMode = kMicroDVD;
    doc.timeLines = kSubTimes;
    expectSaved(doc, SaveKind::OriginalSubtitle, "{10}{20}a\r\n{30}{40}b\r\n");

    // A SAMI document without header lines still gets the empty line before its entries.
    doc.formatMode = kSAMI;
    doc.headerLines.clear();
    doc.timeLines = {"<SYNC Start=1>", "<SYNC Start=2>"};
    expectSaved(doc, SaveKind::OriginalSubtitle,
                "\r\n<SYNC Start=1>\r\na\r\n\r\n<SYNC Start=2>\r\nb\r\n\r\n\r\n</BODY></SAMI>");
}

TEST_F(WriterTest, SubRipTimeLinesUnderMicroDvdFormat) {
    // Original loaded as SubRip, translation as MicroDVD: the last load's layout wins.
    SubtitleDocument doc = twoEntries(kMicroDVD, kSrtTimes);
    expectSaved(doc, SaveKind::TranslatedSubtitle,
                "00:00:01,000 --> 00:00:02,000Hallo|Welt\r\n"
                "00:00:03,000 --> 00:00:04,000Tschüss 你好 \U0001F600\r\n");
}

TEST_F(WriterTest, OriginalSaveWritesOneEntryPerOriginalText) {
    // Rows appended for translated entries beyond the originals have no original text: not saved.
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    doc.originalTexts = {"only"};
    doc.translatedTexts = {"eins", "zwei", "drei"};
    expectSaved(doc, SaveKind::OriginalSubtitle, "1\r\n00:00:01,000 --> 00:00:02,000\r\nonly\r\n\r\n");
    expectSaved(doc, SaveKind::MixSubtitle, "1\r\n00:00:01,000 --> 00:00:02,000\r\nonly\r\neins\r\n\r\n");
    expectSaved(doc, SaveKind::MixText, "only\r\neins\r\n\r\n");
    expectSaved(doc, SaveKind::TranslatedText, "eins\r\nzwei\r\ndrei\r\n");
}

TEST_F(WriterTest, MissingTimeLinesAreWrittenEmpty) {
    // After an interrupted load timeLines can be shorter than originalTexts.
    SubtitleDocument doc;
    doc.timeLines = {"00:00:01,000 --> 00:00:02,000"};
    doc.originalTexts = {"a", "b"};
    doc.translatedTexts = {"x", "y"};
    expectSaved(doc, SaveKind::OriginalSubtitle,
                "1\r\n00:00:01,000 --> 00:00:02,000\r\na\r\n\r\n2\r\n\r\nb\r\n\r\n");
    expectSaved(doc, SaveKind::MixSubtitle,
                "1\r\n00:00:01,000 --> 00:00:02,000\r\na\r\nx\r\n\r\n2\r\n\r\nb\r\ny\r\n\r\n");
    doc.formatMode = kMicroDVD;
    doc.timeLines.clear();
    expectSaved(doc, SaveKind::OriginalSubtitle, "a\r\nb\r\n");
}

TEST_F(WriterTest, MixWithFewerTranslationsWritesEmptyTranslatedParts) {
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    doc.originalTexts = {"a", "b"};
    doc.translatedTexts = {"x"};
    expectSaved(doc, SaveKind::MixSubtitle,
                "1\r\n00:00:01,000 --> 00:00:02,000\r\na\r\nx\r\n\r\n"
                "2\r\n00:00:03,000 --> 00:00:04,000\r\nb\r\n\r\n\r\n");
    expectSaved(doc, SaveKind::MixText, "a\r\nx\r\n\r\nb\r\n\r\n\r\n");

    doc.formatMode = kMicroDVD;
    doc.timeLines = kSubTimes;
    expectSaved(doc, SaveKind::MixSubtitle, "{10}{20}a|x\r\n{30}{40}b|\r\n");

    doc.formatMode = kSubViewer2;
    doc.timeLines = kSvTimes;
    doc.translatedTexts.clear();
    expectSaved(doc, SaveKind::MixSubtitle,
                kSvHead + "00:00:01.00,00:00:02.00\r\na[br]\r\n\r\n00:00:03.00,00:00:04.00\r\nb[br]\r\n\r\n");
}

TEST_F(WriterTest, TranslatedSaveWritesOnlyEntriesWithBothTimeAndText) {
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    doc.translatedTimeLines = {"stale"};
    doc.translatedTexts = {"x"};
    expectSaved(doc, SaveKind::TranslatedSubtitle, "1\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n\r\n");
    EXPECT_EQ(doc.translatedTimeLines, doc.timeLines);

    doc.translatedTexts = {"x", "y", "z"};
    expectSaved(
        doc, SaveKind::TranslatedSubtitle,
        "1\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\ny\r\n\r\n");
}

TEST_F(WriterTest, OverwritingReplacesTheWholeFile) {
    const QString target = path("existing.srt");
    writeBytes(target, QByteArray(4000, 'x'));
    SubtitleDocument doc;
    doc.timeLines = {"t"};
    doc.originalTexts = {"a"};
    const SaveResult result = writeDocument(doc, SaveKind::OriginalSubtitle, target);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(readBytes(target), utf16File("1\r\nt\r\na\r\n\r\n"));
}

TEST_F(WriterTest, NothingToSaveTouchesNothing) {
    SubtitleDocument doc;
    doc.timeLines = kSrtTimes;
    doc.translatedTexts = {"x"};
    EXPECT_FALSE(hasSomethingToSave(doc, SaveKind::OriginalSubtitle));
    EXPECT_FALSE(hasSomethingToSave(doc, SaveKind::MixSubtitle));
    EXPECT_FALSE(hasSomethingToSave(doc, SaveKind::OriginalText));
    EXPECT_FALSE(hasSomethingToSave(doc, SaveKind::MixText));
    EXPECT_TRUE(hasSomethingToSave(doc, SaveKind::TranslatedSubtitle));
    EXPECT_TRUE(hasSomethingToSave(doc, SaveKind::TranslatedText));

    const QString target = path("keep.srt");
    writeBytes(target, "old");
    const SaveResult result = writeDocument(doc, SaveKind::MixSubtitle, target);
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.message.has_value());
    EXPECT_EQ(readBytes(target), QByteArray("old"));

    doc.translatedTexts.clear();
    doc.originalTexts = {"a"};
    doc.translatedTimeLines = {"kept"};
    EXPECT_FALSE(hasSomethingToSave(doc, SaveKind::TranslatedSubtitle));
    EXPECT_FALSE(writeDocument(doc, SaveKind::TranslatedText, target).written);
    EXPECT_FALSE(writeDocument(doc, SaveKind::TranslatedSubtitle, target).written);
    EXPECT_EQ(doc.translatedTimeLines, QStringList{"kept"});
    EXPECT_EQ(readBytes(target), QByteArray("old"));
    EXPECT_FALSE(WriteTemporaryTranslatedSubtitle(doc, dir.path(), 1478140830).has_value());
    EXPECT_EQ(entriesIn(dir.path()), QStringList{"keep.srt"});
}

TEST_F(WriterTest, UncreatableFileReportsErrorNumber) {
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    doc.translatedTimeLines = {"kept"};
    const QString target = path("missing/out.srt");
    const SaveResult result = writeDocument(doc, SaveKind::TranslatedSubtitle, target);
    EXPECT_FALSE(result.written);
    ASSERT_TRUE(result.message.has_value());
    EXPECT_EQ(result.message->text, QString::number(ENOENT));
    EXPECT_EQ(result.message->caption, "velmora");
    EXPECT_EQ(result.message->icon, MessageIcon::Error);
    // The file was never created, so the translated timing was not touched either.
    EXPECT_EQ(doc.translatedTimeLines, QStringList{"kept"});
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(WriterTest, FailedWriteKeepsTheOldFile) {
    const QString target = path("good.srt");
    const QByteArray good = utf16File("1\r\n00:00:01,000 --> 00:00:02,000\r\ngood\r\n\r\n");
    writeBytes(target, good);

    SubtitleDocument doc;
    for (int i = 0; i < 2000; ++i) {
        doc.timeLines << "00:00:01,000 --> 00:00:02,000";
        doc.originalTexts << QStringLiteral("line %1").arg(i);
    }
    // A file size limit makes the writes fail part-way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult result = writeDocument(doc, SaveKind::OriginalSubtitle, target);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(result.written);
    ASSERT_TRUE(result.message.has_value());
    EXPECT_EQ(result.message->caption, "velmora");
    EXPECT_EQ(result.message->icon, MessageIcon::Error);
    EXPECT_EQ(readBytes(target), good);
    // No half-written file left beside it either.
    EXPECT_EQ(entriesIn(dir.path()), QStringList{"good.srt"});
}

TEST_F(WriterTest, ReadOnlyFolderKeepsTheOldFile) {
    // A folder that cannot take a file at all, whoever runs the test: its name is a regular file.
    const QString notAFolder = path("good.txt");
    writeBytes(notAFolder, "good");
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    const SaveResult result = writeDocument(doc, SaveKind::OriginalText, notAFolder + "/out.txt");
    EXPECT_FALSE(result.written);
    ASSERT_TRUE(result.message.has_value());
    EXPECT_EQ(result.message->text, QString::number(ENOTDIR));
    EXPECT_EQ(readBytes(notAFolder), QByteArray("good"));
    EXPECT_EQ(entriesIn(dir.path()), QStringList{"good.txt"});
}

namespace {

// Runs the save in a child process without the rights of root, whose file permissions bind
// nobody; the child's exit status tells what the save reported: 0 written, 1 refused with a message.
int saveAsUnprivilegedUser(const QString& target, std::optional<rlim_t> fileSizeLimit) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        if (fileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small{*fileSizeLimit, *fileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &small) != 0)
                _exit(4);
        }
        SubtitleDocument doc;
        for (int i = 0; i < 2000; ++i) {
            doc.timeLines << "00:00:01,000 --> 00:00:02,000";
            doc.originalTexts << QStringLiteral("line %1").arg(i);
        }
        const SaveResult result = writeDocument(doc, SaveKind::OriginalSubtitle, target);
        _exit(result.written && !result.message ? 0 : !result.written && result.message ? 1 : 2);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(WriterTest, FileInAFolderThatIsNotWritableIsWrittenDirectly) {
    const QString folder = path("ro");
    ASSERT_TRUE(QDir().mkdir(folder));
    // The unprivileged child must reach the folder.
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFileDevice::ExeOther);
    const QString target = folder + "/good.srt";
    const QByteArray good = utf16File("1\r\n00:00:01,000 --> 00:00:02,000\r\ngood\r\n\r\n");
    auto reset = [&](QFileDevice::Permissions filePermissions) {
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        writeBytes(target, good);
        const auto all = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther |
                         QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QFile::setPermissions(folder, all);
        QFile::setPermissions(target, filePermissions);
    };
    const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto writable =
        readable | QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

    // The file may be written: the save goes into it in place, as no file can be made beside it.
    reset(writable);
    EXPECT_EQ(saveAsUnprivilegedUser(target, std::nullopt), 0);
    const QByteArray saved = readBytes(target);
    EXPECT_TRUE(saved.startsWith(utf16File("1\r\n00:00:01,000 --> 00:00:02,000\r\nline 0\r\n\r\n2\r\n")));
    EXPECT_TRUE(saved.endsWith(utf16File("line 1999\r\n\r\n").mid(2)));
    EXPECT_EQ(entriesIn(folder), QStringList{"good.srt"});

    // A write that cannot complete (a file size limit, as a full disk) keeps the old content.
    reset(writable);
    EXPECT_EQ(saveAsUnprivilegedUser(target, rlim_t(1000)), 1);
    EXPECT_EQ(readBytes(target), good);
    EXPECT_EQ(entriesIn(folder), QStringList{"good.srt"});

    // Neither the folder nor the file may be written: refused, the file untouched.
    reset(readable);
    EXPECT_EQ(saveAsUnprivilegedUser(target, std::nullopt), 1);
    EXPECT_EQ(readBytes(target), good);

    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(WriterTest, SaveDialogFilters) {
    struct Row {
        std::int32_t format;
        const char* filter;
        const char* extension;
    };
    const Row rows[] = {
        {kSubRip, "SubRip file(*.srt)||", "srt"},
        {kMicroDVD, "MicroDVD File(*.sub;*.txt)|*.sub;*.txt||", "sub"},
        {kSAMI, "Sami file(*.smi)||", "smi"},
        {kSubViewer, "SubViewer file(*.SUB)||", "SUB"},
        {kSubViewer2, "SubViewer 2.0 file(*.SUB)||", "SUB"},
    };
    for (const Row& row : rows) {
        for (SaveKind kind :
             {SaveKind::OriginalSubtitle, SaveKind::TranslatedSubtitle, SaveKind::MixSubtitle}) {
            const SaveDialogSpec dialog = saveDialogSpec(kind, row.format);
            EXPECT_EQ(dialog.filter, row.filter) << row.format;
            EXPECT_EQ(dialog.defaultExtension, row.extension) << row.format;
        }
        for (SaveKind kind : {SaveKind::OriginalText, SaveKind::TranslatedText, SaveKind::MixText}) {
            const SaveDialogSpec dialog = saveDialogSpec(kind, row.format);
            EXPECT_EQ(dialog.filter, "txt file(*.txt)|*.txt|All files (*.*)|*.*||");
            EXPECT_EQ(dialog.defaultExtension, "txt");
        }
    }
}

TEST_F(WriterTest, TemporaryTranslatedSubtitle) {
    const std::pair<std::int32_t, const char*> names[] = {
        {kSubRip, "1478140830translated.srt"},     {kMicroDVD, "1478140830translated.sub"},
        {kSAMI, "1478140830translated.smi"},       {kSubViewer, "1478140830translated.SUB"},
        {kSubViewer2, "1478140830translated.SUB"},
    };
    for (const auto& [format, name] : names) {
        QTemporaryDir folder;
        SubtitleDocument doc = twoEntries(format, kSrtTimes);
        SubtitleDocument reference = doc;
        SaveResult result;
        const auto written = WriteTemporaryTranslatedSubtitle(doc, folder.path() + "/", 1478140830, &result);
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(*written, folder.path() + "/" + name);
        EXPECT_TRUE(result.written);
        EXPECT_EQ(doc.translatedTimeLines, doc.timeLines);
        // The same bytes as an ordinary translated save.
        EXPECT_EQ(readBytes(*written), save(reference, SaveKind::TranslatedSubtitle)) << name;
        EXPECT_EQ(entriesIn(folder.path()), QStringList{name});
    }
}

TEST_F(WriterTest, TemporaryPathWithoutTrailingSeparatorAndOnFailure) {
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    const auto written = WriteTemporaryTranslatedSubtitle(doc, dir.path(), 5);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(*written, dir.path() + "/5translated.srt");
    EXPECT_TRUE(QFileInfo::exists(*written));

    // The path comes back even when the file could not be made, together with the reason.
    SaveResult result;
    const QString missing = path("gone/");
    const auto failed = WriteTemporaryTranslatedSubtitle(doc, missing, 7, &result);
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(*failed, missing + "7translated.srt");
    EXPECT_FALSE(result.written);
    ASSERT_TRUE(result.message.has_value());
    EXPECT_EQ(result.message->text, QString::number(ENOENT));
}

TEST_F(WriterTest, EveryLineEndsTheSameWay) {
    // Line breaks inside entries as joins, typing and other tools leave them.
    SubtitleDocument doc;
    doc.headerLines = {"[INFORMATION]"};
    doc.originalTexts = {"joined|\nlines", "typed\nbreak", "crlf\r\nbreak|\r\nand|\rcr"};
    doc.translatedTexts = {"eins|\nzwei", "drei\rvier", "f\u00FCnf"};
    for (std::int32_t format = kSubRip; format <= kSubViewer2; ++format) {
        doc.formatMode = format;
        doc.timeLines = QStringList(3, BuildTimeLine("1", "2", format));
        for (SaveKind kind : {SaveKind::OriginalSubtitle, SaveKind::TranslatedSubtitle, SaveKind::MixSubtitle,
                              SaveKind::OriginalText, SaveKind::TranslatedText, SaveKind::MixText}) {
            const QString text = fromUtf16File(save(doc, kind));
            const QString withoutCrLf = QString(text).remove(QStringLiteral("\r\n"));
            EXPECT_FALSE(withoutCrLf.contains(u'\n') || withoutCrLf.contains(u'\r'))
                << format << " " << int(kind) << ": " << text.toUtf8().toPercentEncoding(" ").toStdString();
        }
    }
    // A MicroDVD entry is one line: a break inside it would cut the entry in two.
    doc.formatMode = kMicroDVD;
    doc.timeLines = kSubTimes + QStringList{"{50}{60}"};
    expectSaved(doc, SaveKind::OriginalSubtitle,
                "{10}{20}joined|lines\r\n{30}{40}typed|break\r\n{50}{60}crlf|break|and|cr\r\n");
}

TEST_F(WriterTest, SamiWritesTheClearingSyncsThatEndAnEntryEarly) {
    SubtitleDocument doc;
    doc.formatMode = kSAMI;
    doc.originalTexts = {"a", "b", "c"};
    doc.timeLines = {
        "<SYNC Start=1000><P Class=ENCC>\n<SYNC Start=2000><P Class=ENCC>&nbsp;", // ends before b: kept
        "<SYNC Start=3000>\n<SYNC Start=4000>&nbsp;",                             // c starts then: no need
        "<SYNC Start=4000>\n<SYNC Start=6000>&nbsp;",                             // the last entry's end
    };
    expectSaved(
        doc, SaveKind::OriginalSubtitle,
        "\r\n<SYNC Start=1000><P Class=ENCC>\r\na\r\n\r\n<SYNC Start=2000><P Class=ENCC>&nbsp;\r\n\r\n"
        "<SYNC Start=3000>\r\nb\r\n\r\n<SYNC Start=4000>\r\nc\r\n\r\n<SYNC Start=6000>&nbsp;\r\n\r\n"
        "\r\n</BODY></SAMI>");
}

TEST_F(WriterTest, TemporarySubtitleIsMadeNewNeverThroughWhatIsThere) {
    const QString victim = path("precious.srt");
    writeBytes(victim, "precious");
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(),
                        QFile::encodeName(path("1478140830translated.srt")).constData()),
              0);
    writeBytes(path("1478140831translated.srt"), "earlier");
    SubtitleDocument doc = twoEntries(kSubRip, kSrtTimes);
    SubtitleDocument reference = doc;
    const std::optional<QString> written = WriteTemporaryTranslatedSubtitle(doc, dir.path(), 1478140830);
    EXPECT_EQ(readBytes(victim), QByteArray("precious"));
    EXPECT_EQ(readBytes(path("1478140831translated.srt")), QByteArray("earlier"));
    // The next name of the kind the start-up clean-up removes.
    ASSERT_EQ(written, path("1478140832translated.srt"));
    EXPECT_EQ(readBytes(*written), save(reference, SaveKind::TranslatedSubtitle));
}
