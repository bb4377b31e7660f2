// The dictionary store on arbitrary file content: listing from memory, then the same bytes as a
// store file that is listed, appended to and listed again.
#include "dictionary/dictionary_store.h"

#include "fuzz_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {
QString g_bin;
QString g_word;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir dir(fuzzScratchFolder() + QStringLiteral("/velmora-fuzz-XXXXXX"));
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    g_bin = dir.filePath(QStringLiteral("bin"));
    g_word = dir.filePath(QStringLiteral("data/word.lxd"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<DictionaryRecord> listed = listDictionaryRecords(bytes);
    FUZZ_CHECK(listed.size() <= size / kDictionaryRecordSize);
    for (const DictionaryRecord& record : listed) {
        FUZZ_CHECK(record.flag == 1);
        // Written back, a record keeps its texts up to the limit.
        const DictionaryRecord again = DictionaryRecord::fromBytes(record.toBytes().constData());
        FUZZ_CHECK(again.original.size() <= kDictionaryTextLimit);
        FUZZ_CHECK(record.original.startsWith(again.original));
        FUZZ_CHECK(record.translated.startsWith(again.translated));
    }

    {
        QFile file(g_word);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    DictionaryStore store;
    FUZZ_CHECK(store.OpenDictionaryFiles(g_bin) == 0);
    FUZZ_CHECK(store.readRecords(kVocabulary).size() == listed.size());
    DictionaryRecord added;
    added.original = QStringLiteral("fuzz");
    added.translated = QStringLiteral("test");
    FUZZ_CHECK(store.AppendDictionaryRecord(added, kVocabulary) == 0);
    const std::vector<DictionaryRecord> after = store.readRecords(kVocabulary);
    FUZZ_CHECK(after.size() == listed.size() + 1);
    FUZZ_CHECK(after.back().original == added.original && after.back().translated == added.translated);
    FUZZ_CHECK(QFile(g_word).size() % qint64(kDictionaryRecordSize) == 0);
    return 0;
}
