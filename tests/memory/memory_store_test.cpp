#include "memory_fixture.h"

#include "memory/tmx.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <functional>
#include <sqlite3.h>

namespace {

QString fillOf(const MemoryResult<QList<MemoryFill>>& fills, int position) {
    for (const MemoryFill& f : fills.value)
        if (f.position == position)
            return f.target;
    return QStringLiteral("(none)");
}

using MemoryStoreTest = MemoryFixture;

TEST_F(MemoryStoreTest, ExactLookupIgnoresTagsAndSpacingButNotCaseOrWords) {
    add({unit(QStringLiteral("<i>Where are you going?</i>|\nTom"), QStringLiteral("Où vas-tu ? Tom"))});
    struct Case {
        const char* asked;
        const char* filled;
    };
    const Case cases[] = {
        {"where are you going? tom", "(none)"},
        {"Where are you going? Tom.", "(none)"},
        {"", "(none)"},
        {"<i></i>", "(none)"},
        {"Where are you going?|\nTom", "Où vas-tu ? Tom"},
        {"  Where  are you\tgoing?   Tom ", "Où vas-tu ? Tom"},
        {"{\\i1}Where are you going?{\\i0}\\NTom", "Où vas-tu ? Tom"},
        {"<font color=\"#ff0000\">Where are you going?</font><br>Tom", "Où vas-tu ? Tom"},
        {"Where&nbsp;are you going? Tom", "Où vas-tu ? Tom"},
    };
    QStringList asked;
    for (const Case& c : cases)
        asked.append(QString::fromUtf8(c.asked));
    const auto fills = store().exactMatches(asked, kEnFr);
    ASSERT_FALSE(fills.message.has_value());
    for (int i = 0; i < asked.size(); ++i)
        EXPECT_EQ(fillOf(fills, i), QString::fromUtf8(cases[i].filled)) << cases[i].asked;
    // Another pair knows nothing of it.
    EXPECT_TRUE(store().exactMatches(asked, {QStringLiteral("en"), QStringLiteral("de")}).value.isEmpty());
}

TEST_F(MemoryStoreTest, SavedRowsKeepHandWorkOverEngineTextAndSkipUntranslatedOnes) {
    const LanguagePair pair = kEnFr;
    MemoryWrite w = store().addRows({{QStringLiteral("Good night."), QStringLiteral("Bonne nuit (machine)."),
                                      false, QStringLiteral("LibreTranslate")},
                                     {QStringLiteral("Not yet."), QStringLiteral("untranslated"), false, {}},
                                     {QStringLiteral("Empty."), QStringLiteral("  "), true, {}}},
                                    pair, QStringLiteral("/films/e01.srt"), 1000);
    EXPECT_EQ(w.added, 1);
    EXPECT_EQ(w.skipped, 2);
    // Episode 2 is saved later; the engine's line was corrected by hand, and the engine said the
    // same thing again for another.
    w = store().addRows({{QStringLiteral("Good night."), QStringLiteral("Bonne nuit."), true, {}},
                         {QStringLiteral("Good night."), QStringLiteral("Bonne nuit (machine)."), false,
                          QStringLiteral("LibreTranslate")}},
                        pair, QStringLiteral("/films/e02.srt"), 2000);
    EXPECT_EQ(w.added, 1);
    EXPECT_EQ(w.known, 1);
    // A newer engine answer does not beat the older hand-made one.
    store().addRows({{QStringLiteral("Good night."), QStringLiteral("Bonsoir."), false, QStringLiteral("X")}},
                    pair, QStringLiteral("/films/e03.srt"), 3000);
    EXPECT_EQ(fillOf(store().exactMatches({QStringLiteral("Good night.")}, pair), 0),
              QStringLiteral("Bonne nuit."));

    QList<MemoryUnit> units;
    store().forEachUnit([&](const MemoryUnit& u) {
        units.append(u);
        return true;
    });
    ASSERT_EQ(units.size(), 3);
    EXPECT_EQ(units[0].engine, QStringLiteral("LibreTranslate"));
    EXPECT_FALSE(units[0].byHand);
    EXPECT_EQ(units[1].origin, QStringLiteral("/films/e02.srt"));
    EXPECT_TRUE(units[1].byHand);
}

TEST_F(MemoryStoreTest, ApproximateMatchesRankAsATranslatorWould) {
    struct Case {
        const char* source;
        int score; // -1: below the threshold
    };
    // Shuffled into the memory; expected back in this order.
    const Case cases[] = {
        {"Where did he put the old keys?", -1},
        {"Where did you put the car keys?", 100},
        {"where did you put the car keys?", 99},
        {"Where did you put the car keys.", 97},
        {"Where did you put the keys?", 86},
        {"Where did you put your old car keys?", 76},
        {"The car is outside.", -1},
    };
    for (int i : {3, 0, 5, 6, 1, 4, 2})
        add({unit(QString::fromUtf8(cases[i].source), QStringLiteral("t%1").arg(i))});
    add({unit(QStringLiteral("Where did you put the car keys?"), QStringLiteral("wrong pair"),
              {QStringLiteral("en"), QStringLiteral("de")})});

    const auto found = store().approximateMatches(QStringLiteral("Where did you put the car keys?"), kEnFr);
    ASSERT_FALSE(found.message.has_value());
    QStringList got, expected;
    for (const MemoryMatch& m : found.value)
        got.append(QStringLiteral("%1 %2").arg(m.unit.source).arg(m.score));
    for (const Case& c : cases)
        if (c.score >= 0)
            expected.append(QStringLiteral("%1 %2").arg(QString::fromUtf8(c.source)).arg(c.score));
    EXPECT_EQ(got, expected);

    // The differing words, marked in the unit and in the asked text.
    ASSERT_EQ(found.value.size(), 5);
    const MemoryMatch& last = found.value[4];
    QStringList marked;
    for (const TextRange& r : last.differences)
        marked.append(last.unit.source.mid(r.start, r.length));
    EXPECT_EQ(marked, (QStringList{"your", "old"}));
    ASSERT_EQ(last.missing.size(), 1);
    EXPECT_EQ(
        QStringLiteral("Where did you put the car keys?").mid(last.missing[0].start, last.missing[0].length),
        QStringLiteral("the"));

    // A lower threshold lets the farther one in, never more than asked for.
    const auto wider = store().approximateMatches(QStringLiteral("Where did you put the car keys?"), kEnFr,
                                                  MatchOptions{70, 6});
    ASSERT_EQ(wider.value.size(), 6);
    EXPECT_EQ(wider.value[5].unit.source, QStringLiteral("Where did he put the old keys?"));
}

TEST_F(MemoryStoreTest, ApproximateMatchesPreferHandWorkAndReadUnspacedScripts) {
    MemoryUnit engine = unit(QStringLiteral("I will call you tomorrow."), QStringLiteral("engine"));
    engine.byHand = false;
    engine.created = 1800000000; // newer than the hand-made one
    add({engine, unit(QStringLiteral("I will call you tomorrow."), QStringLiteral("hand"))});
    const auto same = store().approximateMatches(QStringLiteral("I will call you tomorrow!"), kEnFr);
    ASSERT_EQ(same.value.size(), 2);
    EXPECT_EQ(same.value[0].unit.target, QStringLiteral("hand"));

    // Chinese has no spaces: every character is a word, so one changed name is a near match.
    const LanguagePair zhEn{QStringLiteral("zh-CN"), QStringLiteral("en")};
    add({unit(QStringLiteral("我们明天早上去上海。"), QStringLiteral("We go to Shanghai tomorrow morning."),
              zhEn)});
    const auto chinese = store().approximateMatches(QStringLiteral("我们明天早上去北京。"), zhEn);
    ASSERT_EQ(chinese.value.size(), 1);
    EXPECT_EQ(chinese.value[0].score, 78);
    EXPECT_EQ(chinese.value[0].differences.size(), 2);
}

TEST_F(MemoryStoreTest, DictionaryEntriesAreImportedOnceAndLaterOnesFollow) {
    std::vector<DictionaryRecord> entries(2);
    entries[0].original = QStringLiteral("How are you?");
    entries[0].translated = QStringLiteral("Comment vas-tu ?");
    entries[1].original = QStringLiteral("Fine.");
    entries[1].translated = QStringLiteral("Bien.");
    EXPECT_EQ(store().importDictionary(QStringLiteral("sentence.lxd"), entries, kEnFr).added, 2);
    EXPECT_EQ(store().importDictionary(QStringLiteral("sentence.lxd"), entries, kEnFr).added, 0);
    entries.push_back(entries[0]);
    entries.back().original = QStringLiteral("Thanks.");
    entries.back().translated = QStringLiteral("Merci.");
    const MemoryWrite third = store().importDictionary(QStringLiteral("sentence.lxd"), entries, kEnFr);
    EXPECT_EQ(third.added, 1);
    EXPECT_EQ(third.known, 0) << "only the new entry is read";
    EXPECT_EQ(store().importedCount(QStringLiteral("sentence.lxd")), 3);
    EXPECT_EQ(store().unitCount(), 3);
}

// ---------------------------------------------------------------- files that are not a sound memory

void runSql(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void overwrite(const QString& path, qint64 at, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(at));
    f.write(bytes);
}

TEST_F(MemoryStoreTest, AFileItCannotTrustOpensReadOnlyOrNotAtAllAndStaysAsItWas) {
    QList<MemoryUnit> many;
    for (int i = 0; i < 300; ++i)
        many.append(
            unit(QStringLiteral("Line number %1 of the film.").arg(i), QStringLiteral("Ligne %1.").arg(i)));
    add(many);
    store().close();
    const QString sound = file(QStringLiteral("sound.sqlite"));
    ASSERT_TRUE(QFile::copy(storePath(), sound));

    struct Case {
        const char* name;
        std::function<void(const QString&)> spoil;
        MemoryAccess access;
        const char* says;
        bool readable; // the units are still found
    };
    const Case cases[] = {
        {"damaged pages", [](const QString& p) { overwrite(p, 2 * 4096, QByteArray(3 * 4096, '\x5a')); },
         MemoryAccess::ReadOnly, "is damaged", false},
        {"newer schema", [](const QString& p) { runSql(p, "PRAGMA user_version=2"); }, MemoryAccess::ReadOnly,
         "newer version", true},
        {"another program's database",
         [](const QString& p) {
             QFile::remove(p);
             runSql(p, "CREATE TABLE notes(x); INSERT INTO notes VALUES (1)");
         },
         MemoryAccess::Closed, "not a velmora translation memory", false},
        {"no database", [](const QString& p) { write(p, "word;mot\n"); }, MemoryAccess::Closed,
         "not a velmora translation memory", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = file(QStringLiteral("case.sqlite"));
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(sound, path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        c.spoil(path);
        const QByteArray before = digest(path);

        MemoryStore spoilt;
        const std::optional<UserMessage> said = spoilt.open(path);
        ASSERT_TRUE(said.has_value());
        EXPECT_TRUE(said->text.contains(QLatin1String(c.says))) << said->text.toStdString();
        EXPECT_EQ(spoilt.access(), c.access);
        const MemoryWrite refused =
            spoilt.addUnits({unit(QStringLiteral("New."), QStringLiteral("Nouveau."))});
        EXPECT_TRUE(refused.message.has_value());
        EXPECT_EQ(refused.added, 0);
        if (c.readable) {
            EXPECT_EQ(fillOf(spoilt.exactMatches({QStringLiteral("Line number 0 of the film.")}, kEnFr), 0),
                      QStringLiteral("Ligne 0."));
        }
        spoilt.close();
        EXPECT_EQ(digest(path), before);
    }
}

// ---------------------------------------------------------------- a crash in the middle of an import

QByteArray bigTmx(int units) {
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\"><header srclang=\"en\"/><body>\n";
    // Long targets fill the page cache quickly at little cost: only sources are analysed.
    const QByteArray padding(1500, 'x');
    for (int i = 0; i < units; ++i)
        xml += "<tu><tuv xml:lang=\"en\"><seg>Sentence " + QByteArray::number(i) +
               "</seg></tuv><tuv xml:lang=\"fr\"><seg>Phrase " + QByteArray::number(i) + " " + padding +
               "</seg></tuv></tu>\n";
    return xml + "</body></tmx>\n";
}

TEST_F(MemoryStoreTest, AProcessKilledMidImportLeavesTheMemoryWholeAndTheImportCanBeRepeated) {
    add({unit(QStringLiteral("Before."), QStringLiteral("Avant."))});
    store().close();
    const QString tmx = file(QStringLiteral("big.tmx"));
    write(tmx, bigTmx(600));
    const QString path = storePath();

    // The child writes well past its small page cache, so the unfinished import reaches the
    // journal, and is killed while the transaction is open.
    EXPECT_EXIT(
        {
            MemoryStore child;
            MemoryStore::OpenOptions options;
            options.cacheKiB = 256;
            child.open(path, options);
            importTmx(child, tmx, [](qint64 done, qint64 total) {
                if (done > total * 2 / 3)
                    std::raise(SIGKILL);
                return true;
            });
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_GT(QFileInfo(path + QStringLiteral("-wal")).size(), 0);

    MemoryStore after;
    ASSERT_FALSE(after.open(path).has_value());
    ASSERT_TRUE(after.writable());
    EXPECT_EQ(after.unitCount(), 1);
    const TmxImport again = importTmx(after, tmx);
    ASSERT_FALSE(again.message.has_value()) << again.message->text.toStdString();
    EXPECT_EQ(again.added, 600);
    EXPECT_EQ(importTmx(after, tmx).added, 0);
    EXPECT_EQ(after.unitCount(), 601);
}

} // namespace
