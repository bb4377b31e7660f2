// The memory's SQLite file: schema, opening with its checks, writes in one transaction, lookups.
#include "memory/memory_store.h"

#include "subtitle/subtitle_document.h"
#include "support/program_folder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <sqlite3.h>

namespace {

// "VMTM": tells our files from other SQLite databases.
constexpr int kApplicationId = 0x564D544D;
constexpr int kSchemaVersion = 1;
// A side of a unit longer than this is no subtitle line.
constexpr qsizetype kMaxUnitText = 10000;
// A longer text is compared with nothing: the distance table would be too large to be quick.
constexpr int kMaxCompareTokens = 400;
// The candidates compared for one approximate lookup; the rarest words pick them, so more are rare.
constexpr int kCandidateLimit = 1500;

const char kSchema[] = R"sql(
CREATE TABLE units(
    id INTEGER PRIMARY KEY,
    source_lang TEXT NOT NULL,
    target_lang TEXT NOT NULL,
    source TEXT NOT NULL,
    target TEXT NOT NULL,
    source_key TEXT NOT NULL,
    words TEXT NOT NULL,
    weight INTEGER NOT NULL,
    origin TEXT NOT NULL,
    engine TEXT NOT NULL,
    by_hand INTEGER NOT NULL,
    created INTEGER NOT NULL);
CREATE UNIQUE INDEX units_by_key ON units(source_lang, target_lang, source_key, target);
CREATE VIRTUAL TABLE units_words USING fts5(words, content='units', content_rowid='id',
    tokenize="unicode61 remove_diacritics 0 categories 'L* N* M* Co'");
CREATE VIRTUAL TABLE units_vocab USING fts5vocab(units_words, 'row');
CREATE TRIGGER units_added AFTER INSERT ON units BEGIN
    INSERT INTO units_words(rowid, words) VALUES (new.id, new.words);
END;
CREATE TRIGGER units_removed AFTER DELETE ON units BEGIN
    INSERT INTO units_words(units_words, rowid, words) VALUES ('delete', old.id, old.words);
END;
CREATE TRIGGER units_rewritten AFTER UPDATE OF words ON units BEGIN
    INSERT INTO units_words(units_words, rowid, words) VALUES ('delete', old.id, old.words);
    INSERT INTO units_words(rowid, words) VALUES (new.id, new.words);
END;
CREATE TABLE imports(name TEXT PRIMARY KEY, entries INTEGER NOT NULL);
CREATE TABLE glossary(
    id INTEGER PRIMARY KEY,
    term TEXT NOT NULL,
    translation TEXT NOT NULL,
    note TEXT NOT NULL,
    UNIQUE(term, translation));
)sql";

// A unit seen again: a hand-made one replaces the engine's, and a later confirmation makes it newer.
const char kInsertUnit[] = R"sql(
INSERT INTO units(source_lang, target_lang, source, target, source_key, words, weight, origin, engine,
                  by_hand, created)
VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)
ON CONFLICT(source_lang, target_lang, source_key, target) DO UPDATE SET
    by_hand = excluded.by_hand,
    engine = excluded.engine,
    origin = excluded.origin,
    created = max(units.created, excluded.created)
WHERE excluded.by_hand > units.by_hand
   OR (excluded.by_hand = units.by_hand AND excluded.created > units.created)
)sql";

const char kUnitColumns[] = "id, source_lang, target_lang, source, target, origin, engine, by_hand, created";

QString text(sqlite3_stmt* s, int column) {
    const auto* data = static_cast<const char16_t*>(sqlite3_column_text16(s, column));
    return data ? QString::fromUtf16(data, sqlite3_column_bytes16(s, column) / 2) : QString();
}

MemoryUnit unitAt(sqlite3_stmt* s) {
    MemoryUnit u;
    u.id = sqlite3_column_int64(s, 0);
    u.languages = {text(s, 1), text(s, 2)};
    u.source = text(s, 3);
    u.target = text(s, 4);
    u.origin = text(s, 5);
    u.engine = text(s, 6);
    u.byHand = sqlite3_column_int(s, 7) != 0;
    u.created = sqlite3_column_int64(s, 8);
    return u;
}

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    int prepareCode() const { return m_rc; }
    sqlite3_stmt* get() const { return m_stmt; }
    void bind(int i, const QString& v) const {
        sqlite3_bind_text16(m_stmt, i, v.utf16(), int(v.size() * 2), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 v) const { sqlite3_bind_int64(m_stmt, i, v); }
    int step() const { return sqlite3_step(m_stmt); }
    void reset() const {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

bool isDamage(int code) {
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

UserMessage memoryNotice(const QString& text) {
    return UserMessage{text, QStringLiteral("Translation Memory"), MessageIcon::Warning};
}

qint64 nowSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

// Lookups see one state of the file and take its read lock once; inside a write transaction they
// simply join it.
class ReadTransaction {
public:
    explicit ReadTransaction(sqlite3* db) : m_db(db) {
        m_began =
            sqlite3_get_autocommit(db) && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~ReadTransaction() {
        if (m_began)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* m_db;
    bool m_began = false;
};

QString quoted(const QString& word) {
    return u'"' + QString(word).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

QString memoryFilePath() {
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1String(kMemoryFileName);
}

// ---------------------------------------------------------------- opening

MemoryStore::~MemoryStore() {
    close();
}

void MemoryStore::close() {
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_access = MemoryAccess::Closed;
}

std::optional<UserMessage> MemoryStore::open(const QString& path, OpenOptions options) {
    close();
    m_path = path;
    const QFileInfo info(path);
    if (!info.exists() && !QDir().mkpath(info.absolutePath()))
        return errorMessage(
            QStringLiteral("The folder of the translation memory %1 cannot be made.").arg(path));
    // Not an SQLite file at all: SQLite would not read it, and it must not be written over.
    if (info.exists() && info.size() > 0) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && !file.read(16).startsWith("SQLite format 3")) {
            return errorMessage(
                QStringLiteral("%1 is not a velmora translation memory, or its start is damaged. "
                               "It is left as it is, and the memory is not used this time.")
                    .arg(path));
        }
    }
    const QByteArray name = QFile::encodeName(path);
    const int rc =
        sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const UserMessage why = failure(rc, QStringLiteral("opened"));
        close();
        return why;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, int(options.busyTimeout.count()));
    m_cacheKiB = options.cacheKiB;
    m_access = MemoryAccess::ReadWrite;
    return inspectAndPrepare();
}

std::optional<UserMessage> MemoryStore::inspectAndPrepare() {
    auto single = [&](const char* sql, qint64* value) {
        Statement s(m_db, sql);
        if (!s.ok())
            return s.prepareCode();
        const int rc = s.step();
        if (rc == SQLITE_ROW)
            *value = sqlite3_column_int64(s.get(), 0);
        return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
    };
    qint64 applicationId = 0, version = 0, tables = 0;
    int rc = SQLITE_OK;
    {
        // One state of the file for all three: another velmora making the same new file could
        // otherwise commit its schema between them, and ours would read tables without our id.
        ReadTransaction snapshot(m_db);
        rc = single("PRAGMA application_id", &applicationId);
        if (rc == SQLITE_OK)
            rc = single("PRAGMA user_version", &version);
        if (rc == SQLITE_OK)
            rc = single("SELECT count(*) FROM sqlite_schema", &tables);
    }
    if (rc != SQLITE_OK) {
        const UserMessage why = failure(rc, QStringLiteral("read"));
        if (isDamage(rc))
            return reopenReadOnly(why);
        close();
        return why;
    }
    const bool ours = applicationId == kApplicationId;
    if (!ours && (applicationId != 0 || tables > 0)) {
        close();
        return errorMessage(
            QStringLiteral("%1 is not a velmora translation memory. It is left as it is, and the "
                           "memory is not used this time.")
                .arg(m_path));
    }
    if (version > kSchemaVersion) {
        return reopenReadOnly(memoryNotice(
            QStringLiteral(
                "The translation memory %1 was written by a newer version of velmora. It is open for "
                "reading only: nothing new is kept in it, and the file is left as it is.")
                .arg(m_path)));
    }
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        m_access = MemoryAccess::ReadOnly;
        return memoryNotice(
            QStringLiteral("The translation memory %1 cannot be written. It is open for reading "
                           "only: nothing new is kept in it.")
                .arg(m_path));
    }
    if (tables > 0) {
        Statement check(m_db, "PRAGMA quick_check(1)");
        rc = check.ok() ? check.step() : check.prepareCode();
        const QString verdict = rc == SQLITE_ROW ? text(check.get(), 0) : QString();
        if (verdict != u"ok") {
            const QString what = rc == SQLITE_ROW ? verdict : QString::fromUtf8(sqlite3_errstr(rc));
            return reopenReadOnly(memoryNotice(
                QStringLiteral(
                    "The translation memory %1 is damaged (%2). It is open for reading only: nothing "
                    "new is kept in it, and the file is left as it is. To start a new memory, move the "
                    "file elsewhere and start velmora again.")
                    .arg(m_path, what)));
        }
    }
    // WAL: a crash leaves the last committed state, and readers do not wait for a writer. NORMAL
    // sync keeps the file whole on any crash; a power cut may take the last transaction back.
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
    exec(QByteArray("PRAGMA cache_size=-" + QByteArray::number(std::max(m_cacheKiB, 64))).constData());
    if (tables == 0)
        return createSchema();
    return std::nullopt;
}

std::optional<UserMessage> MemoryStore::createSchema() {
    // Another process may be making the same new file: the first one's schema stands.
    if (!exec("BEGIN IMMEDIATE"))
        return failure(sqlite3_extended_errcode(m_db), QStringLiteral("prepared"));
    qint64 tables = 0;
    {
        Statement s(m_db, "SELECT count(*) FROM sqlite_schema");
        if (s.ok() && s.step() == SQLITE_ROW)
            tables = sqlite3_column_int64(s.get(), 0);
    }
    if (tables == 0) {
        const QByteArray pragmas = QStringLiteral("PRAGMA application_id=%1; PRAGMA user_version=%2;")
                                       .arg(kApplicationId)
                                       .arg(kSchemaVersion)
                                       .toUtf8();
        if (!exec(kSchema) || !exec(pragmas.constData())) {
            const UserMessage why = failure(sqlite3_extended_errcode(m_db), QStringLiteral("prepared"));
            exec("ROLLBACK");
            close();
            return why;
        }
    }
    if (!exec("COMMIT")) {
        const UserMessage why = failure(sqlite3_extended_errcode(m_db), QStringLiteral("prepared"));
        exec("ROLLBACK");
        close();
        return why;
    }
    return std::nullopt;
}

std::optional<UserMessage> MemoryStore::reopenReadOnly(const UserMessage& why) {
    close();
    const QByteArray name = QFile::encodeName(m_path);
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        close();
        return why;
    }
    sqlite3_extended_result_codes(m_db, 1);
    m_access = MemoryAccess::ReadOnly;
    return why;
}

UserMessage MemoryStore::failure(int code, const QString& doing) const {
    const QString detail =
        m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    if ((code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED) {
        return errorMessage(
            QStringLiteral("The translation memory %1 is busy in another velmora; nothing was "
                           "%2. Try again in a moment.")
                .arg(m_path, doing == u"read" ? QStringLiteral("read") : QStringLiteral("kept")));
    }
    if (isDamage(code)) {
        return errorMessage(
            QStringLiteral("The translation memory %1 is damaged (%2). It is left as it is, and "
                           "nothing new is kept in it.")
                .arg(m_path, detail));
    }
    return errorMessage(
        QStringLiteral("The translation memory %1 could not be %2 (%3).").arg(m_path, doing, detail));
}

void MemoryStore::noteFailure(int code) const {
    if (isDamage(code) && m_access == MemoryAccess::ReadWrite)
        m_access = MemoryAccess::ReadOnly;
}

bool MemoryStore::exec(const char* sql) const {
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// ---------------------------------------------------------------- writing

MemoryImport::MemoryImport(MemoryStore& store) : m_store(store), m_now(nowSeconds()) {
    if (store.m_access == MemoryAccess::Closed) {
        m_message = errorMessage(QStringLiteral("The translation memory is not open; nothing was kept."));
        return;
    }
    if (!store.writable()) {
        m_message = memoryNotice(
            QStringLiteral("The translation memory %1 is open for reading only; nothing was kept.")
                .arg(store.m_path));
        return;
    }
    // IMMEDIATE: the write lock is taken now, within the busy time-out, rather than at the first
    // write, where a second writer would fail at once instead of waiting.
    if (sqlite3_exec(store.m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const int rc = sqlite3_extended_errcode(store.m_db);
        store.noteFailure(rc);
        m_message = store.failure(rc, QStringLiteral("kept"));
        return;
    }
    m_open = true;
    const int rc = sqlite3_prepare_v2(store.m_db, kInsertUnit, -1, &m_insert, nullptr);
    if (rc != SQLITE_OK) {
        m_message = store.failure(rc, QStringLiteral("kept"));
        store.exec("ROLLBACK");
        m_open = false;
    }
}

MemoryImport::~MemoryImport() {
    sqlite3_finalize(m_insert);
    if (m_open)
        m_store.exec("ROLLBACK");
}

AddOutcome MemoryImport::add(const MemoryUnit& unit) {
    if (!m_open)
        return AddOutcome::Failed;
    const QString key = memoryKey(unit.source);
    if (!isStorableLanguage(unit.languages.source) || !isStorableLanguage(unit.languages.target) ||
        key.isEmpty() || unit.target.trimmed().isEmpty() || unit.source.size() > kMaxUnitText ||
        unit.target.size() > kMaxUnitText) {
        ++m_counts.skipped;
        return AddOutcome::Skipped;
    }
    const QList<MemoryToken> tokens = memoryTokens(unit.source);
    QStringList words;
    for (const MemoryToken& t : tokens)
        if (t.kind == TokenKind::Word)
            words.append(t.folded);

    sqlite3* db = m_store.m_db;
    auto bindText = [&](int i, const QString& v) {
        sqlite3_bind_text16(m_insert, i, v.utf16(), int(v.size() * 2), SQLITE_TRANSIENT);
    };
    bindText(1, unit.languages.source);
    bindText(2, unit.languages.target);
    bindText(3, unit.source);
    bindText(4, unit.target);
    bindText(5, key);
    bindText(6, words.join(u' '));
    sqlite3_bind_int(m_insert, 7, totalWeight(tokens));
    bindText(8, unit.origin);
    bindText(9, unit.byHand ? QString() : unit.engine);
    sqlite3_bind_int(m_insert, 10, unit.byHand ? 1 : 0);
    sqlite3_bind_int64(m_insert, 11, unit.created > 0 ? unit.created : m_now);

    const sqlite3_int64 before = sqlite3_last_insert_rowid(db);
    const int rc = sqlite3_step(m_insert);
    sqlite3_reset(m_insert);
    sqlite3_clear_bindings(m_insert);
    if (rc != SQLITE_DONE) {
        m_store.noteFailure(rc);
        m_message = m_store.failure(rc, QStringLiteral("kept"));
        return AddOutcome::Failed;
    }
    if (sqlite3_changes(db) > 0 && sqlite3_last_insert_rowid(db) != before) {
        ++m_counts.added;
        return AddOutcome::Added;
    }
    ++m_counts.known;
    return AddOutcome::Known;
}

bool MemoryImport::setImportedCount(const QString& storeName, int count) {
    if (!m_open)
        return false;
    Statement s(m_store.m_db, "INSERT INTO imports(name, entries) VALUES (?1, ?2) "
                              "ON CONFLICT(name) DO UPDATE SET entries = excluded.entries");
    s.bind(1, storeName);
    s.bind(2, qint64(count));
    const int rc = s.ok() ? s.step() : s.prepareCode();
    if (rc != SQLITE_DONE) {
        m_store.noteFailure(rc);
        m_message = m_store.failure(rc, QStringLiteral("kept"));
        return false;
    }
    return true;
}

std::optional<UserMessage> MemoryImport::commit() {
    if (!m_open)
        return m_message;
    if (m_message) {
        m_store.exec("ROLLBACK");
        m_open = false;
        return m_message;
    }
    if (!m_store.exec("COMMIT")) {
        const int rc = sqlite3_extended_errcode(m_store.m_db);
        m_store.noteFailure(rc);
        m_message = m_store.failure(rc, QStringLiteral("kept"));
        m_store.exec("ROLLBACK");
    }
    m_open = false;
    return m_message;
}

namespace {

MemoryWrite finish(MemoryImport& import) {
    MemoryWrite result = import.counts();
    if (std::optional<UserMessage> why = import.commit()) {
        result = MemoryWrite{};
        result.message = why;
    }
    return result;
}

} // namespace

MemoryWrite MemoryStore::addUnits(const QList<MemoryUnit>& units) {
    MemoryImport import(*this);
    for (const MemoryUnit& u : units)
        if (import.add(u) == AddOutcome::Failed)
            break;
    return finish(import);
}

MemoryWrite MemoryStore::addRows(const QList<MemoryRow>& rows, const LanguagePair& languages,
                                 const QString& origin, qint64 when) {
    MemoryImport import(*this);
    for (const MemoryRow& row : rows) {
        MemoryUnit unit;
        unit.languages = languages;
        unit.source = row.original;
        // An untranslated row carries a placeholder, not a translation.
        unit.target = row.translated == kUntranslated ? QString() : row.translated;
        unit.origin = origin;
        unit.engine = row.engine;
        unit.byHand = row.byHand;
        unit.created = when;
        if (import.add(unit) == AddOutcome::Failed)
            break;
    }
    return finish(import);
}

int MemoryStore::importedCount(const QString& storeName) const {
    if (!m_db)
        return 0;
    Statement s(m_db, "SELECT entries FROM imports WHERE name = ?1");
    s.bind(1, storeName);
    return s.ok() && s.step() == SQLITE_ROW ? sqlite3_column_int(s.get(), 0) : 0;
}

MemoryWrite MemoryStore::importDictionary(const QString& storeName,
                                          const std::vector<DictionaryRecord>& entries,
                                          const LanguagePair& languages, qint64 when) {
    MemoryImport import(*this);
    if (!import.ok())
        return finish(import);
    // Entries are only ever appended; a store that shrank was replaced, and is read again whole
    // (what is known already is not added twice).
    const int before = importedCount(storeName);
    const std::size_t first = entries.size() >= std::size_t(before) ? std::size_t(before) : 0;
    for (std::size_t i = first; i < entries.size(); ++i) {
        MemoryUnit unit;
        unit.languages = languages;
        unit.source = entries[i].original;
        unit.target = entries[i].translated;
        unit.origin = storeName;
        unit.byHand = true;
        unit.created = when;
        if (import.add(unit) == AddOutcome::Failed)
            return finish(import);
    }
    import.setImportedCount(storeName, int(entries.size()));
    return finish(import);
}

// ---------------------------------------------------------------- reading

MemoryResult<QList<MemoryFill>> MemoryStore::exactMatches(const QStringList& originals,
                                                          const LanguagePair& languages) const {
    MemoryResult<QList<MemoryFill>> result;
    if (!m_db)
        return result;
    Statement s(m_db, "SELECT id, target, by_hand FROM units "
                      "WHERE source_lang = ?1 AND target_lang = ?2 AND source_key = ?3 "
                      "ORDER BY by_hand DESC, created DESC, id DESC LIMIT 1");
    if (!s.ok()) {
        noteFailure(s.prepareCode());
        result.message = failure(s.prepareCode(), QStringLiteral("read"));
        return result;
    }
    const ReadTransaction reading(m_db);
    QHash<QString, std::optional<MemoryFill>> seen;
    for (int i = 0; i < originals.size(); ++i) {
        const QString key = memoryKey(originals[i]);
        if (key.isEmpty())
            continue;
        auto known = seen.constFind(key);
        if (known == seen.constEnd()) {
            s.bind(1, languages.source);
            s.bind(2, languages.target);
            s.bind(3, key);
            std::optional<MemoryFill> fill;
            const int rc = s.step();
            if (rc == SQLITE_ROW) {
                fill = MemoryFill{0, text(s.get(), 1), sqlite3_column_int64(s.get(), 0),
                                  sqlite3_column_int(s.get(), 2) != 0};
            } else if (rc != SQLITE_DONE) {
                noteFailure(rc);
                result.message = failure(rc, QStringLiteral("read"));
                s.reset();
                break;
            }
            s.reset();
            known = seen.insert(key, fill);
        }
        if (*known) {
            MemoryFill fill = **known;
            fill.position = i;
            result.value.append(fill);
        }
    }
    return result;
}

MemoryResult<QList<MemoryMatch>> MemoryStore::approximateMatches(const QString& original,
                                                                 const LanguagePair& languages,
                                                                 const MatchOptions& options) const {
    MemoryResult<QList<MemoryMatch>> result;
    const QList<MemoryToken> query = memoryTokens(original);
    QStringList words;
    {
        QSet<QString> distinct;
        for (const MemoryToken& t : query)
            if (t.kind == TokenKind::Word && !distinct.contains(t.folded)) {
                distinct.insert(t.folded);
                words.append(t.folded);
            }
    }
    if (!m_db || words.isEmpty() || query.size() > kMaxCompareTokens || options.maxMatches <= 0)
        return result;

    // A score is rounded, so a unit a half point below the threshold still passes.
    const int threshold = std::clamp(options.threshold, kLowestMatchThreshold, 100);
    const double t = (threshold - 0.5) / 100.0;
    const int weight = totalWeight(query);
    // The distance is at least the difference of the two weights, which bounds the unit's weight;
    // and a unit lacking k distinct words of the text is at least k words away, so it must hold
    // one of the `needed` rarest ones.
    const auto lightest = qint64(std::ceil(t * weight));
    const auto heaviest = qint64(std::floor(weight / t));
    const double farthest = (1.0 - t) * weight / t;
    const int needed = std::min<int>(int(words.size()), int(farthest / kWordWeight) + 1);

    const ReadTransaction reading(m_db);
    {
        Statement frequency(m_db, "SELECT doc FROM units_vocab WHERE term = ?1");
        QList<QPair<qint64, QString>> ranked;
        for (const QString& w : words) {
            frequency.bind(1, w);
            const qint64 docs = frequency.step() == SQLITE_ROW ? sqlite3_column_int64(frequency.get(), 0) : 0;
            frequency.reset();
            ranked.append({docs, w});
        }
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        words.clear();
        for (int i = 0; i < needed; ++i)
            words.append(ranked[i].second);
    }
    // CROSS JOIN: the word index leads. Left to itself the planner walks the pair's units and asks
    // the index about each one, which reads the whole memory.
    const QByteArray sql = QByteArray("SELECT u.") + QByteArray(kUnitColumns).replace(", ", ", u.") +
                           " FROM units_words CROSS JOIN units u ON u.id = units_words.rowid"
                           " WHERE units_words MATCH ?1 AND u.source_lang = ?2 AND u.target_lang = ?3"
                           " AND u.weight BETWEEN ?4 AND ?5 LIMIT ?6";
    Statement s(m_db, sql.constData());
    if (!s.ok()) {
        noteFailure(s.prepareCode());
        result.message = failure(s.prepareCode(), QStringLiteral("read"));
        return result;
    }
    // The rarest word first: its units are the likeliest matches, so when a line of common words
    // has more candidates than are read, the ones left out are the least promising.
    QSet<qint64> seen;
    for (const QString& word : words) {
        s.bind(1, quoted(word));
        s.bind(2, languages.source);
        s.bind(3, languages.target);
        s.bind(4, lightest);
        s.bind(5, heaviest);
        s.bind(6, qint64(kCandidateLimit - seen.size()));
        int rc;
        while ((rc = s.step()) == SQLITE_ROW) {
            const qint64 id = sqlite3_column_int64(s.get(), 0);
            if (seen.contains(id))
                continue;
            seen.insert(id);
            MemoryUnit unit = unitAt(s.get());
            WordComparison c = compareWords(query, memoryTokens(unit.source));
            if (c.score >= threshold)
                result.value.append(MemoryMatch{std::move(unit), c.score, c.inMatch, c.inQuery});
        }
        s.reset();
        if (rc != SQLITE_DONE) {
            noteFailure(rc);
            result.message = failure(rc, QStringLiteral("read"));
            break;
        }
        if (seen.size() >= kCandidateLimit)
            break;
    }
    std::sort(result.value.begin(), result.value.end(), [](const MemoryMatch& a, const MemoryMatch& b) {
        if (a.score != b.score)
            return a.score > b.score;
        if (a.unit.byHand != b.unit.byHand)
            return a.unit.byHand;
        if (a.unit.created != b.unit.created)
            return a.unit.created > b.unit.created;
        return a.unit.id > b.unit.id;
    });
    if (result.value.size() > options.maxMatches)
        result.value.resize(options.maxMatches);
    return result;
}

int MemoryStore::unitCount() const {
    if (!m_db)
        return 0;
    Statement s(m_db, "SELECT count(*) FROM units");
    return s.ok() && s.step() == SQLITE_ROW ? sqlite3_column_int(s.get(), 0) : 0;
}

std::optional<UserMessage> MemoryStore::forEachUnit(const std::function<bool(const MemoryUnit&)>& visit,
                                                    const std::optional<LanguagePair>& languages) const {
    if (!m_db)
        return errorMessage(QStringLiteral("The translation memory is not open."));
    QByteArray sql = QByteArray("SELECT ") + kUnitColumns + " FROM units";
    if (languages)
        sql += " WHERE source_lang = ?1 AND target_lang = ?2";
    sql += " ORDER BY id";
    Statement s(m_db, sql.constData());
    if (!s.ok())
        return failure(s.prepareCode(), QStringLiteral("read"));
    if (languages) {
        s.bind(1, languages->source);
        s.bind(2, languages->target);
    }
    int rc;
    while ((rc = s.step()) == SQLITE_ROW)
        if (!visit(unitAt(s.get())))
            return std::nullopt;
    if (rc != SQLITE_DONE) {
        noteFailure(rc);
        return failure(rc, QStringLiteral("read"));
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- glossary

MemoryWrite MemoryStore::addGlossaryTerms(const QList<GlossaryTerm>& terms) {
    MemoryImport import(*this);
    MemoryWrite result;
    if (!import.ok()) {
        result.message = import.message();
        return result;
    }
    Statement s(m_db, "INSERT OR IGNORE INTO glossary(term, translation, note) VALUES (?1, ?2, ?3)");
    for (const GlossaryTerm& term : terms) {
        s.bind(1, term.term);
        s.bind(2, term.translation);
        s.bind(3, term.note);
        const int rc = s.ok() ? s.step() : s.prepareCode();
        s.reset();
        if (rc != SQLITE_DONE) {
            noteFailure(rc);
            return MemoryWrite{0, 0, 0, failure(rc, QStringLiteral("kept"))};
        }
        if (sqlite3_changes(m_db) > 0)
            ++result.added;
        else
            ++result.known;
    }
    if (std::optional<UserMessage> why = import.commit())
        return MemoryWrite{0, 0, 0, why};
    return result;
}

std::optional<UserMessage> MemoryStore::clearGlossary() {
    MemoryImport import(*this);
    if (!import.ok())
        return import.message();
    if (!exec("DELETE FROM glossary")) {
        const int rc = sqlite3_extended_errcode(m_db);
        noteFailure(rc);
        return failure(rc, QStringLiteral("changed"));
    }
    return import.commit();
}

QList<GlossaryTerm> MemoryStore::glossaryTerms() const {
    QList<GlossaryTerm> terms;
    if (!m_db)
        return terms;
    Statement s(m_db, "SELECT term, translation, note FROM glossary ORDER BY id");
    while (s.ok() && s.step() == SQLITE_ROW)
        terms.append(GlossaryTerm{text(s.get(), 0), text(s.get(), 1), text(s.get(), 2)});
    return terms;
}
