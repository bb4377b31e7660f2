// The translation memory: every confirmed translation as a unit in an SQLite file, found again
// exactly (tags and spacing aside) or approximately (by a word-level distance), and the glossary.
#pragma once

#include "dictionary/dictionary_store.h"
#include "memory/glossary.h"
#include "memory/language_codes.h"
#include "memory/memory_text.h"
#include "support/user_message.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

inline constexpr char kMemoryFileName[] = "memory.sqlite";
// The memory's file in the data folder, or an empty string before the folders are decided.
QString memoryFilePath();

struct MemoryUnit {
    LanguagePair languages;
    QString source;
    QString target;
    QString origin;      // the file it came from; may be empty
    QString engine;      // the engine that translated it; empty when by hand or unknown
    bool byHand = false; // written or corrected by the translator: wins over engine text
    qint64 created = 0;  // seconds since 1970 (UTC); 0 when added means now
    qint64 id = 0;       // given by the store

    friend bool operator==(const MemoryUnit&, const MemoryUnit&) = default;
};

// One translated row of a saved subtitle.
struct MemoryRow {
    QString original;
    QString translated;
    bool byHand = false;
    QString engine;
};

struct MemoryWrite {
    int added = 0;   // new units
    int known = 0;   // already in the memory (a hand-made one may have replaced an engine's)
    int skipped = 0; // nothing to keep: no text, no translation, or a text beyond the limit
    std::optional<UserMessage> message; // set when nothing was written
};

// Row `position` of the asked originals is filled with `target`.
struct MemoryFill {
    int position = 0;
    QString target;
    qint64 unitId = 0;
    bool byHand = false;
    friend bool operator==(const MemoryFill&, const MemoryFill&) = default;
};

struct MemoryMatch {
    MemoryUnit unit;
    int score = 0;                // 0..100
    QList<TextRange> differences; // in unit.source: the words that differ from the asked text
    QList<TextRange> missing;     // in the asked text: the words the unit lacks or replaces
};

inline constexpr int kDefaultMatchThreshold = 75;
inline constexpr int kMaxMatches = 5;
// Below this the candidates would be most of the memory; a lower setting is taken as this.
inline constexpr int kLowestMatchThreshold = 50;

struct MatchOptions {
    int threshold = kDefaultMatchThreshold;
    int maxMatches = kMaxMatches;
};

template <typename T> struct MemoryResult {
    T value{};
    std::optional<UserMessage> message; // the memory could not be read
};

enum class MemoryAccess { Closed, ReadWrite, ReadOnly };

// One connection to the memory's file, used by one thread at a time; another thread or process
// opens its own. Writers wait for each other up to the busy time-out; readers never wait.
class MemoryStore {
public:
    MemoryStore() = default;
    ~MemoryStore();
    MemoryStore(const MemoryStore&) = delete;
    MemoryStore& operator=(const MemoryStore&) = delete;

    struct OpenOptions {
        // How long a write waits for another process that is writing the same file.
        std::chrono::milliseconds busyTimeout{10000};
        // The page cache. The key and word indexes of 100,000 units pass 20 MB; with much less a
        // large import spends its time writing pages out and reading them back.
        int cacheKiB = 32768;
    };
    // Opens the file, creating it (and its folder) when missing. A file from a newer velmora or a
    // damaged one opens for reading only; a file that is no memory at all stays closed. The file is
    // never changed in either case. The message says what happened when it is not plain success.
    std::optional<UserMessage> open(const QString& path, OpenOptions options);
    std::optional<UserMessage> open(const QString& path) { return open(path, OpenOptions{}); }
    void close();

    MemoryAccess access() const { return m_access; }
    bool writable() const { return m_access == MemoryAccess::ReadWrite; }
    const QString& path() const { return m_path; }

    // The translated rows of a saved subtitle: rows without text or translation are skipped; a row
    // marked by hand wins over an engine's translation of the same line. One transaction.
    MemoryWrite addRows(const QList<MemoryRow>& rows, const LanguagePair& languages, const QString& origin,
                        qint64 when = 0);
    MemoryWrite addUnits(const QList<MemoryUnit>& units);
    // The entries of a dictionary store file (records are only appended): those beyond the count
    // imported before from `storeName` go in as hand-made units, and the new count is kept in the
    // same transaction, so each record is imported once.
    MemoryWrite importDictionary(const QString& storeName, const std::vector<DictionaryRecord>& entries,
                                 const LanguagePair& languages, qint64 when = 0);
    // How many entries of `storeName` were imported so far.
    int importedCount(const QString& storeName) const;

    // For each original whose key has a unit of the pair: the best unit's target (by hand before
    // engine, then the newest). Originals without text are never filled.
    MemoryResult<QList<MemoryFill>> exactMatches(const QStringList& originals,
                                                 const LanguagePair& languages) const;
    // The best units (at most maxMatches) scoring at least the threshold, best first; equal scores
    // put units by hand and then newer ones first. A unit must share a word with the text.
    MemoryResult<QList<MemoryMatch>> approximateMatches(const QString& original,
                                                        const LanguagePair& languages,
                                                        const MatchOptions& options = {}) const;

    int unitCount() const;
    // Every unit in insertion order (of one pair when given) until `visit` returns false.
    std::optional<UserMessage> forEachUnit(const std::function<bool(const MemoryUnit&)>& visit,
                                           const std::optional<LanguagePair>& languages = std::nullopt) const;

    // The glossary kept with the memory: terms added once each (term and translation), all removed.
    MemoryWrite addGlossaryTerms(const QList<GlossaryTerm>& terms);
    std::optional<UserMessage> clearGlossary();
    QList<GlossaryTerm> glossaryTerms() const;

private:
    friend class MemoryImport;
    std::optional<UserMessage> inspectAndPrepare();
    std::optional<UserMessage> reopenReadOnly(const UserMessage& why);
    std::optional<UserMessage> createSchema();
    UserMessage failure(int code, const QString& doing) const;
    // A damaged file found while working: no more writes to it.
    void noteFailure(int code) const;
    bool exec(const char* sql) const;

    sqlite3* m_db = nullptr;
    QString m_path;
    int m_cacheKiB = 0;
    mutable MemoryAccess m_access = MemoryAccess::Closed;
};

enum class AddOutcome { Added, Known, Skipped, Failed };

// One write transaction over the store: units added one by one, all kept by commit() or none
// (destroyed without commit, or the process ends first). Waits for another writer up to the
// store's busy time-out.
class MemoryImport {
public:
    explicit MemoryImport(MemoryStore& store);
    ~MemoryImport();
    MemoryImport(const MemoryImport&) = delete;
    MemoryImport& operator=(const MemoryImport&) = delete;

    // Set when the transaction could not start or a write failed; nothing is kept then.
    const std::optional<UserMessage>& message() const { return m_message; }
    bool ok() const { return !m_message.has_value(); }

    AddOutcome add(const MemoryUnit& unit);
    // For importDictionary: the count remembered with the units.
    bool setImportedCount(const QString& storeName, int count);
    std::optional<UserMessage> commit();

    const MemoryWrite& counts() const { return m_counts; }

private:
    MemoryStore& m_store;
    sqlite3_stmt* m_insert = nullptr;
    bool m_open = false;
    qint64 m_now = 0;
    MemoryWrite m_counts;
    std::optional<UserMessage> m_message;
};
