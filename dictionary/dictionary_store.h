// The vocabulary and the sentence dictionary: two files of fixed 9252-byte records, append only.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <vector>

inline constexpr std::size_t kDictionaryRecordSize = 9252;
// Longest text of either side of a pair, in UTF-16 units.
inline constexpr qsizetype kDictionaryTextLimit = 1000;

struct DictionaryRecord {
    std::int32_t flag = 1; // 1 marks an entry; only those are listed
    QString original;
    QString translated;

    // Little-endian bytes; texts longer than the limit are cut, unset bytes are zero.
    QByteArray toBytes() const;
    static DictionaryRecord fromBytes(const char* bytes); // kDictionaryRecordSize bytes
};

enum DictionarySelector : int { kVocabulary = 0, kSentences = 1 };

class DictionaryStore {
public:
    DictionaryStore() = default;
    ~DictionaryStore();
    DictionaryStore(const DictionaryStore&) = delete;
    DictionaryStore& operator=(const DictionaryStore&) = delete;

    // Opens "../data/word.lxd" and "../data/sentence.lxd" relative to the program folder,
    // creating them when missing. 0 on success, -1 on failure (the store then stays closed).
    int OpenDictionaryFiles(const QString& programFolder);
    // Appends one record to the vocabulary (selector 0) or the dictionary (any other). 0 on
    // success, -1 when the store is not open or the write failed.
    int AppendDictionaryRecord(const DictionaryRecord& record, int selector);
    // Every whole record of the file, in file order (a short tail is ignored).
    std::vector<DictionaryRecord> ReadRecords(int selector);

    bool isOpen() const { return m_wordFile && m_sentenceFile; }
    void close();

private:
    std::FILE* m_wordFile = nullptr;
    std::FILE* m_sentenceFile = nullptr;
};
