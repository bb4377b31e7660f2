#include "dictionary/dictionary_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A program folder "bin/" with the data folder beside it, as the store expects it at run time.
class Store : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath("bin");
        QDir(m_root.path()).mkpath("data");
    }

    QString bin() const { return m_root.path() + "/bin/"; }
    QString word() const { return m_root.path() + "/data/word.lxd"; }
    QString sentence() const { return m_root.path() + "/data/sentence.lxd"; }
    static qint64 sizeOf(const QString& path) { return QFileInfo(path).size(); }
    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString root() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
};

QByteArray utf16le(const QString& text) {
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// The record built by hand from the layout, independent of the writer.
QByteArray expectedRecord(const QString& original, const QString& translated) {
    QByteArray r(9252, '\0');
    r[4] = 1;
    r.replace(8, utf16le(original).size(), utf16le(original));
    r.replace(2060, utf16le(translated).size(), utf16le(translated));
    return r;
}

DictionaryRecord pair(const QString& original, const QString& translated) {
    DictionaryRecord r;
    r.original = original;
    r.translated = translated;
    return r;
}

} // namespace

TEST_F(Store, EmptyDataFolderGivesTwoEmptyFilesAndLeavesTheWorkingDirectory) {
    const QString cwd = QDir::currentPath();
    DictionaryStore store;
    EXPECT_EQ(store.OpenDictionaryFiles(bin()), 0);
    EXPECT_TRUE(store.isOpen());
    EXPECT_TRUE(QFileInfo::exists(word()));
    EXPECT_TRUE(QFileInfo::exists(sentence()));
    EXPECT_EQ(sizeOf(word()), 0);
    EXPECT_EQ(sizeOf(sentence()), 0);
    EXPECT_EQ(QDir::currentPath(), cwd);
    EXPECT_TRUE(store.readRecords(kVocabulary).empty());
}

TEST_F(Store, AppendWritesOneWholeRecordToTheChosenFileOnly) {
    DictionaryStore store;
    ASSERT_EQ(store.OpenDictionaryFiles(bin()), 0);
    const QString translated = QString::fromUtf8("\xE8\x8B\xB9\xE6\x9E\x9C");

    EXPECT_EQ(store.AppendDictionaryRecord(pair("apple", translated), kVocabulary), 0);

    EXPECT_EQ(sizeOf(word()), 9252);
    EXPECT_EQ(sizeOf(sentence()), 0);
    const QByteArray bytes = contents(word());
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 4), 1);
    EXPECT_EQ(bytes.mid(8, 12), utf16le("apple") + QByteArray(2, '\0'));
    EXPECT_EQ(bytes.mid(2060, 6), utf16le(translated) + QByteArray(2, '\0'));
    EXPECT_EQ(bytes, expectedRecord("apple", translated));

    // Any selector but 0 means the sentence dictionary.
    EXPECT_EQ(store.AppendDictionaryRecord(pair("How are you?", "Fine."), kSentences), 0);
    EXPECT_EQ(store.AppendDictionaryRecord(pair("Second", "Zweite"), 7), 0);
    EXPECT_EQ(sizeOf(word()), 9252);
    EXPECT_EQ(sizeOf(sentence()), 2 * 9252);
    EXPECT_EQ(contents(sentence()).mid(9252), expectedRecord("Second", "Zweite"));
}

TEST_F(Store, RecordsSurviveReopeningAndReadBackInOrder) {
    // Characters a text field must carry intact: line breaks, a pair beyond the BMP, non-Latin.
    const QString tricky = QString::fromUtf8("line one\r\nline two \xF0\x9F\x98\x80 \xD0\xB4\xD0\xB0");
    {
        DictionaryStore store;
        ASSERT_EQ(store.OpenDictionaryFiles(bin()), 0);
        store.AppendDictionaryRecord(pair("one", "eins"), kSentences);
        store.AppendDictionaryRecord(pair(tricky, ""), kSentences);
    }
    DictionaryStore store;
    ASSERT_EQ(store.OpenDictionaryFiles(bin().chopped(1)), 0); // no trailing separator
    EXPECT_EQ(sizeOf(sentence()), 2 * 9252);
    store.AppendDictionaryRecord(pair("three", "drei"), kSentences);

    const auto records = store.readRecords(kSentences);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].original, "one");
    EXPECT_EQ(records[0].translated, "eins");
    EXPECT_EQ(records[1].original, tricky);
    EXPECT_EQ(records[1].translated, "");
    EXPECT_EQ(records[2].translated, "drei");
    // Reading twice gives the same: the end-of-file of the first read does not stick.
    EXPECT_EQ(store.readRecords(kSentences).size(), 3u);
    EXPECT_TRUE(store.readRecords(kVocabulary).empty());
}

TEST_F(Store, ShortTailIsIgnoredAndCutBeforeTheNextRecord) {
    QByteArray file = expectedRecord("a", "b") + expectedRecord("c", "d");
    QByteArray unlisted = expectedRecord("gone", "weg");
    unlisted[4] = 0;
    file += unlisted;
    // What a crash part-way through an append leaves: a record's first bytes, flag included.
    for (qsizetype tailSize : {1, 100, 9251}) {
        const QByteArray tail = expectedRecord("half", "halb").left(tailSize);
        write(word(), file + tail);

        DictionaryStore store;
        ASSERT_EQ(store.OpenDictionaryFiles(bin()), 0);
        auto records = store.readRecords(kVocabulary);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[1].original, "c");

        // The half record must not become an entry of its own: the new record takes its place.
        ASSERT_EQ(store.AppendDictionaryRecord(pair("new", "neu"), kVocabulary), 0);
        EXPECT_EQ(contents(word()), file + expectedRecord("new", "neu")) << tailSize;
        records = store.readRecords(kVocabulary);
        ASSERT_EQ(records.size(), 3u) << tailSize;
        EXPECT_EQ(records[2].original, "new");
        EXPECT_EQ(records[2].translated, "neu");
    }
}

TEST_F(Store, StoreThatFailedToOpenIsNeverTouched) {
    QDir(root()).rmdir("data");
    DictionaryStore store;
    EXPECT_EQ(store.OpenDictionaryFiles(bin()), -1);
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.AppendDictionaryRecord(pair("a", "b"), kVocabulary), -1);
    EXPECT_EQ(store.AppendDictionaryRecord(pair("a", "b"), kSentences), -1);
    EXPECT_TRUE(store.readRecords(kVocabulary).empty());
    EXPECT_TRUE(store.readRecords(kSentences).empty());
    EXPECT_FALSE(QFileInfo::exists(root() + "/data"));

    // The second file failing closes the first as well.
    QDir(root()).mkpath("data/sentence.lxd");
    EXPECT_EQ(store.OpenDictionaryFiles(bin()), -1);
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.AppendDictionaryRecord(pair("a", "b"), kVocabulary), -1);
    EXPECT_EQ(sizeOf(word()), 0);
}

TEST_F(Store, LongTextsAreCutToTheFieldLimit) {
    DictionaryStore store;
    ASSERT_EQ(store.OpenDictionaryFiles(bin()), 0);
    const QString longText(1500, u'x');
    // A character outside the BMP straddling the limit must not leave half a pair behind.
    const QString straddling = QString(999, u'y') + QString::fromUtf8("\xF0\x9F\x98\x80") + "z";

    ASSERT_EQ(store.AppendDictionaryRecord(pair(longText, straddling), kVocabulary), 0);

    EXPECT_EQ(sizeOf(word()), 9252);
    const QByteArray bytes = contents(word());
    EXPECT_EQ(bytes.mid(8, 2000), utf16le(QString(1000, u'x')));
    EXPECT_EQ(bytes.mid(2008, 2056 - 2008), QByteArray(48, '\0'));
    EXPECT_EQ(bytes.mid(4108), QByteArray(9252 - 4108, '\0'));
    const auto records = store.readRecords(kVocabulary);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].original, QString(1000, u'x'));
    EXPECT_EQ(records[0].translated, QString(999, u'y'));
}

TEST(DictionaryRecordBytes, FieldWithoutTerminatorEndsAtTheFieldEnd) {
    QByteArray bytes(9252, 'A'); // 0x4141 everywhere, no terminator in either field
    qToLittleEndian<qint32>(1, bytes.data() + 4);
    const DictionaryRecord r = DictionaryRecord::fromBytes(bytes.constData());
    EXPECT_EQ(r.flag, 1);
    EXPECT_EQ(r.original.size(), 1024);
    EXPECT_EQ(r.translated.size(), 1024);
}

TEST_F(Store, FailedWriteLeavesTheFileAsItWas) {
    DictionaryStore store;
    ASSERT_EQ(store.OpenDictionaryFiles(bin()), 0);
    ASSERT_EQ(store.AppendDictionaryRecord(pair("first", "erste"), kVocabulary), 0);

    // A file size limit in the middle of the next record makes the write stop part way.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 9252 + 4000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int failed = store.AppendDictionaryRecord(pair("second", "zweite"), kVocabulary);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(failed, -1);
    EXPECT_EQ(sizeOf(word()), 9252);
    ASSERT_EQ(store.AppendDictionaryRecord(pair("third", "dritte"), kVocabulary), 0);
    const auto records = store.readRecords(kVocabulary);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].original, "third");
}

TEST_F(Store, APlantedLinkOrSpecialFileIsRefusedAndNothingIsWritten) {
    const QString victim = root() + "/victim";
    const QByteArray victimBytes("someone else's file\n");
    struct Row {
        const char* name;
        std::function<bool(const QString& file)> plant; // puts something at the store file's path
    };
    const Row rows[] = {
        {"link to another file", [&](const QString& f) { return QFile::link(victim, f); }},
        {"link to nowhere",
         [&](const QString& f) { return QFile::link(root() + "/created-through-link", f); }},
        {"hard link to another file",
         [&](const QString& f) {
             return ::link(QFile::encodeName(victim).constData(), QFile::encodeName(f).constData()) == 0;
         }},
        {"pipe", [](const QString& f) { return ::mkfifo(QFile::encodeName(f).constData(), 0600) == 0; }},
        {"folder", [](const QString& f) { return QDir().mkdir(f); }},
        // Another user's file (only a root test run can give one away).
        {"someone else's",
         [&](const QString& f) {
             write(f, victimBytes);
             return ::getuid() != 0 || ::chown(QFile::encodeName(f).constData(), 65534, 65534) == 0;
         }},
    };
    for (const Row& row : rows) {
        for (const QString& file : {word(), sentence()}) {
            SCOPED_TRACE(std::string(row.name) + " as " + QFileInfo(file).fileName().toStdString());
            write(victim, victimBytes);
            ASSERT_TRUE(row.plant(file));
            if (::getuid() != 0 && QByteArrayView(row.name) == "someone else's")
                continue;
            DictionaryStore store;
            EXPECT_EQ(store.OpenDictionaryFiles(bin()), -1);
            EXPECT_FALSE(store.isOpen());
            EXPECT_EQ(store.AppendDictionaryRecord(pair("a", "b"), kVocabulary), -1);
            EXPECT_EQ(store.AppendDictionaryRecord(pair("a", "b"), kSentences), -1);
            EXPECT_EQ(contents(victim), victimBytes);
            EXPECT_FALSE(QFileInfo::exists(root() + "/created-through-link"));
            QFile::remove(file);
            QDir().rmdir(file);
            QFile::remove(word());
            QFile::remove(sentence());
        }
    }
}

TEST_F(Store, NewStoreFilesAreTheUsersAlone) {
    DictionaryStore store;
    ASSERT_EQ(store.OpenDictionaryFiles(bin()), 0);
    for (const QString& file : {word(), sentence()}) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << qPrintable(file);
    }
}
