// The recovery file: what it keeps comes back unchanged, anything damaged is refused with a reason,
// and a run's file is an orphan only once the run has ended.
#include "subtitle/recovery.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

RecoveryState sample() {
    RecoveryState s;
    SubtitleDocument& d = s.document;
    d.formatMode = kSAMI;
    d.originalCodePage = 1251;
    d.translatedCodePage = 65001;
    d.headerLines = {"<SAMI>", ""};
    // What a WebVTT or Advanced SubStation file holds after its last entry.
    d.trailerLines = {"", "[Aegisub Extradata]"};
    d.loadedTimeLines = {"<SYNC Start=1000>"};
    d.timeLines = {"<SYNC Start=1500>", "<SYNC Start=>"};
    // A lone surrogate, as a UTF-16 file may hold one, and an empty text.
    d.originalTexts = {QString::fromUtf8("Привет|\nмир") + QChar(0xD800), ""};
    d.translatedTimeLines = {"x"};
    d.translatedTexts = {"Hello|\nworld", "typed", "beyond"};
    s.rows = {EntryRow{1, "1500", "", d.originalTexts[0], "Hello|\nworld"},
              EntryRow{2.5, "", "", "", "typed"}, EntryRow{std::nullopt, "", "", "", "beyond"}};
    s.originalUnsaved = kTimesAndRows;
    s.translatedUnsaved = sideBit(Side::Translated) | kTimesAndRows;
    s.originalFile = "/films/film.ru.smi";
    s.translatedFile = "";
    s.savedAtMs = 1733580000123;
    return s;
}

void expectSame(const RecoveryState& a, const RecoveryState& b) {
    const SubtitleDocument &x = a.document, &y = b.document;
    EXPECT_EQ(x.formatMode, y.formatMode);
    EXPECT_EQ(x.originalCodePage, y.originalCodePage);
    EXPECT_EQ(x.translatedCodePage, y.translatedCodePage);
    EXPECT_EQ(x.headerLines, y.headerLines);
    EXPECT_EQ(x.trailerLines, y.trailerLines);
    EXPECT_EQ(x.loadedTimeLines, y.loadedTimeLines);
    EXPECT_EQ(x.timeLines, y.timeLines);
    EXPECT_EQ(x.originalTexts, y.originalTexts);
    EXPECT_EQ(x.translatedTimeLines, y.translatedTimeLines);
    EXPECT_EQ(x.translatedTexts, y.translatedTexts);
    EXPECT_EQ(a.rows, b.rows);
    EXPECT_EQ(a.originalUnsaved, b.originalUnsaved);
    EXPECT_EQ(a.translatedUnsaved, b.translatedUnsaved);
    EXPECT_EQ(a.originalFile, b.originalFile);
    EXPECT_EQ(a.translatedFile, b.translatedFile);
    EXPECT_EQ(a.savedAtMs, b.savedAtMs);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(Recovery, KeepsEveryCharacterListAndRowAsItWas) {
    const RecoveryState state = sample();
    const RecoveryRead read = decodeRecovery(encodeRecovery(state));
    ASSERT_TRUE(read.state) << read.problem.toStdString();
    expectSame(*read.state, state);
}

TEST(Recovery, AFileOfTheVersionBeforeTrailersIsStillRead) {
    // Version 1 had no trailer list: the file a crash left before an upgrade keeps its work.
    RecoveryState state = sample();
    state.document.trailerLines.clear();
    const QByteArray content = encodeRecovery(state).mid(17 + 4 + 4 + 32);
    // The empty trailer list's count stands right before the row count and the first row's flag.
    const QByteArray rowsCount("\x03\0\0\0\x01", 5);
    const qsizetype trailer = content.indexOf(QByteArray(4, '\0') + rowsCount);
    ASSERT_GE(trailer, 0);
    const QByteArray v1Content = QByteArray(content).remove(trailer, 4);
    QByteArray v1 = QByteArray("velmora recovery\n") + QByteArray("\x01\0\0\0", 4);
    const quint32 length = quint32(v1Content.size());
    v1 += QByteArray(reinterpret_cast<const char*>(&length), 4);
    v1 += QCryptographicHash::hash(v1Content, QCryptographicHash::Sha256) + v1Content;
    const RecoveryRead read = decodeRecovery(v1);
    ASSERT_TRUE(read.state) << read.problem.toStdString();
    expectSame(*read.state, state);
}

TEST(Recovery, RefusesWhatIsDamagedSayingWhy) {
    const QByteArray good = encodeRecovery(sample());
    // The content starts after the 17-byte magic, version, length and 32-byte checksum.
    const qsizetype content = 17 + 4 + 4 + 32;
    auto withContent = [&](const std::function<void(RecoveryState&)>& change) {
        RecoveryState s = sample();
        change(s);
        return encodeRecovery(s);
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* problem;
    };
    const Case cases[] = {
        {"a byte of the content changed", QByteArray(good).replace(content + 20, 1, "\x7f"), "checksum"},
        {"cut short", good.left(good.size() - 3), "incomplete"},
        {"bytes added", good + "x", "incomplete"},
        {"another file", "<SAMI>\r\n", "not a recovery file"},
        {"another version", QByteArray(good).replace(17, 1, "\x07"), "another version"},
        {"lists longer than the rows", withContent([](RecoveryState& s) { s.rows.removeLast(); }),
         "lists longer"},
        {"an unknown format", withContent([](RecoveryState& s) { s.document.formatMode = 9; }), "unknown"},
        {"unknown unsaved changes", withContent([](RecoveryState& s) { s.originalUnsaved = 0x80; }),
         "unknown"},
        {"a row number that is no number",
         withContent([](RecoveryState& s) { s.rows[0].number = std::numeric_limits<double>::quiet_NaN(); }),
         "not a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecoveryRead read = decodeRecovery(c.bytes);
        EXPECT_FALSE(read.state);
        EXPECT_TRUE(read.problem.contains(QLatin1String(c.problem))) << read.problem.toStdString();
    }

    // Only what writing gives back is read: a row's number flag is 0 or 1. (The first row's number,
    // 1.0, follows its flag.)
    QByteArray flagged = good.mid(content);
    const QByteArray firstNumber = QByteArray("\x01", 1) + QByteArray("\0\0\0\0\0\0\xf0\x3f", 8);
    const qsizetype flag = flagged.indexOf(firstNumber);
    ASSERT_GE(flag, 0);
    flagged[flag] = 2;
    EXPECT_FALSE(decodeRecoveryContent(flagged).state);

    // A list's count that the bytes left could not hold is refused before anything is reserved for
    // it. The header lines' count follows the time, format, code pages, unsaved changes and the two
    // file names.
    QByteArray huge = good.mid(content);
    const qsizetype headerCount = 8 + 4 + 4 + 4 + 2 + (4 + 2 * sample().originalFile.size()) + 4;
    huge.replace(headerCount, 4, QByteArray("\xff\xff\xff\x7f", 4));
    const RecoveryRead read = decodeRecoveryContent(huge);
    EXPECT_FALSE(read.state);
    EXPECT_TRUE(read.problem.contains(QLatin1String("damaged")));
}

TEST(Recovery, OnlyTheFileOfAnEndedRunIsAnOrphan) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath("recovery");
    auto running = std::make_unique<RecoveryFile>(folder);
    QString error;
    ASSERT_TRUE(running->write(sample(), &error)) << error.toStdString();
    const QString path = running->path();
    expectSame(*decodeRecovery(readAll(path)).state, sample());
    // Written beside itself and renamed: nothing half-written stays.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2); // the file and its lock

    // A running session's file is not offered.
    EXPECT_TRUE(claimOrphanRecoveries(folder).empty());

    // Once the run has ended without removing it (its lock let go, as a kill does), it is.
    running.reset();
    std::vector<OrphanRecovery> orphans = claimOrphanRecoveries(folder);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0].path(), path);
    // Held while it is offered: a second look does not find it again.
    EXPECT_TRUE(claimOrphanRecoveries(folder).empty());
    ASSERT_TRUE(orphans[0].read().state);
    orphans[0].discard();
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());

    // A clean end leaves nothing behind; a run that died before its first write leaves no orphan.
    RecoveryFile clean(folder);
    ASSERT_TRUE(clean.write(sample()));
    clean.remove();
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
    writeAll(folder + "/velmora-1-2.lock", "");
    writeAll(folder + "/velmora-1-2.recovery.part", "half");
    EXPECT_TRUE(claimOrphanRecoveries(folder).empty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

TEST(Recovery, ADamagedFileIsKeptAsideAndAFailedWriteSaysWhy) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString path = folder + "/velmora-7-8.recovery";
    const QByteArray damaged = encodeRecovery(sample()).chopped(1);
    writeAll(path, damaged);
    std::vector<OrphanRecovery> orphans = claimOrphanRecoveries(folder);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_FALSE(orphans[0].read().state);
    const QString kept = orphans[0].setAside();
    EXPECT_EQ(kept, path + ".damaged");
    EXPECT_EQ(readAll(kept), damaged);
    EXPECT_TRUE(claimOrphanRecoveries(folder).empty());

    // A folder that cannot be made: the reason, and no file.
    writeAll(folder + "/plain", "x");
    RecoveryFile blocked(folder + "/plain/recovery");
    QString error;
    EXPECT_FALSE(blocked.write(sample(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(blocked.exists());
}
