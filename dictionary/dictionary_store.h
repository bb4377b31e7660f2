// The vocabulary and the sentence dictionary: two files of fixed 9252-byte records, append only.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
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

    // Little-endian bytes; texts longer than the limit are cut (never inside a surrogate pair),
    // unset bytes are zero. CR and LF are stored like any other character.
    QByteArray toBytes() const;
    // kDictionaryRecordSize bytes; a text field without a terminator ends at the field's end.
    static DictionaryRecord fromBytes(const char* bytes);
};

// The entries among whole records of a store file's bytes: records whose flag is 1, in order. A
// short tail after the last whole record is no entry.
std::vector<DictionaryRecord> listDictionaryRecords(QByteArrayView bytes);

enum DictionarySelector : int { kVocabulary = 0, kSentences = 1 };
// The file of the sentence pairs, in the data folder.
inline constexpr char kSentenceFileName[] = "sentence.lxd";

class DictionaryStore {
public:
    DictionaryStore() = default;
    ~DictionaryStore();
    DictionaryStore(const DictionaryStore&) = delete;
    DictionaryStore& operator=(const DictionaryStore&) = delete;

    // Opens "../data/word.lxd" and "../data/sentence.lxd" relative to the program folder,
    // creating them when missing, for the user alone (0600); the working directory is left alone.
    // Only regular files the user owns are opened: a link (symbolic or hard), a pipe or a folder at
    // either name fails the open. 0 on success, -1 on failure (logged; the store then stays closed,
    // with neither file open).
    int OpenDictionaryFiles(const QString& programFolder);
    // The same with "word.lxd" and "sentence.lxd" directly in dataFolder, wherever that is.
    int openDictionaryFilesIn(const QString& dataFolder);
    // Appends one record to the vocabulary (selector 0) or the dictionary (any other). 0 on
    // success, -1 when the store is not open or the write failed; a failed write leaves the file's
    // whole records as they were, so that no partial record shifts the ones appended after it. A
    // short tail already in the file (a record cut off by a crash) is cut away first, so the new
    // record starts on a record boundary and the half record never becomes an entry.
    int AppendDictionaryRecord(const DictionaryRecord& record, int selector);
    // The entries of the file (records whose flag is 1), in file order. Records with another flag
    // and a short tail are skipped. Nothing when the store is not open.
    std::vector<DictionaryRecord> readRecords(int selector);

    bool isOpen() const { return m_wordFile && m_sentenceFile; }
    void close();

private:
    std::FILE* m_wordFile = nullptr;
    std::FILE* m_sentenceFile = nullptr;
};
