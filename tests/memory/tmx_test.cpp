#include "memory_fixture.h"

#include "memory/tmx.h"
#include "translate/language_table.h"

#include <QBuffer>
#include <QStringEncoder>

namespace {

using TmxTest = MemoryFixture;

QList<MemoryUnit> unitsOf(const MemoryStore& store) {
    QList<MemoryUnit> units;
    store.forEachUnit([&](const MemoryUnit& u) {
        units.append(u);
        return true;
    });
    for (MemoryUnit& u : units)
        u.id = 0;
    return units;
}

TEST_F(TmxTest, ExportThenImportGivesBackEveryUnitWithItsTagsLinesAndOrigin) {
    MemoryUnit engine =
        unit(QStringLiteral("<i>Run!</i>|\nNow."), QStringLiteral("<i>Cours !</i>|\nMaintenant."));
    engine.byHand = false;
    engine.engine = QStringLiteral("DeepL");
    engine.origin = QStringLiteral("/films/e01.srt");
    MemoryUnit odd = unit(QStringLiteral("{\\an8}<b>Top</b> <i>unclosed & <3"),
                          QString::fromUtf8("\xe9\xa1\xb6\xe9\x83\xa8 \xf0\x9f\x98\x80"),
                          {QStringLiteral("iw"), QStringLiteral("zh-CN")});
    odd.created = 1234567890;
    odd.origin = QStringLiteral("e02.srt");
    add({engine, odd});
    const QString path = file(QStringLiteral("out.tmx"));
    const TmxExport exported = exportTmx(store(), path);
    ASSERT_FALSE(exported.message.has_value());
    EXPECT_EQ(exported.units, 2);

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    // Tags as inline codes that other tools leave alone, BCP 47 codes, lines as line breaks.
    EXPECT_TRUE(
        xml.contains("<seg><bpt i=\"1\">&lt;i&gt;</bpt>Run!<ept i=\"1\">&lt;/i&gt;</ept>\nNow.</seg>"));
    EXPECT_TRUE(xml.contains("<ph>{\\an8}</ph><bpt i=\"1\">&lt;b&gt;</bpt>Top<ept i=\"1\">&lt;/b&gt;</ept> "
                             "<it pos=\"begin\">&lt;i&gt;</it>unclosed &amp; &lt;3</seg>"));
    EXPECT_TRUE(xml.contains("xml:lang=\"he\""));

    MemoryStore other;
    ASSERT_FALSE(other.open(file(QStringLiteral("other.sqlite"))).has_value());
    const TmxImport imported = importTmx(other, path);
    ASSERT_FALSE(imported.message.has_value());
    EXPECT_EQ(imported.added, 2);
    EXPECT_EQ(unitsOf(other), unitsOf(store()));
    EXPECT_EQ(importTmx(other, path).added, 0);
    EXPECT_EQ(other.unitCount(), 2);
}

// As other tools write it: UTF-16 with its mark, regional codes, a third language, inline codes of
// several kinds, and a unit whose source language is missing.
const char kForeignTmx[] = R"(<?xml version="1.0" encoding="UTF-16"?>
<!DOCTYPE tmx SYSTEM "tmx14.dtd">
<tmx version="1.4">
<header creationtool="OtherTool" creationtoolversion="9" segtype="sentence" o-tmf="x" adminlang="en-US"
        srclang="en-US" datatype="html"><prop type="x-client">ACME</prop></header>
<body>
<tu tuid="1" creationdate="20240102T030405Z">
  <note>checked</note>
  <tuv xml:lang="EN-US"><seg>Press <ph x="1">&lt;b&gt;</ph>Start<ph x="2">&lt;/b&gt;</ph> now</seg></tuv>
  <tuv xml:lang="fr-FR"><seg>Appuyez sur <hi type="b">Démarrer</hi></seg></tuv>
  <tuv xml:lang="zh-Hant-TW"><seg>按開始</seg></tuv>
</tu>
<tu><tuv xml:lang="de-DE"><seg>Nur Deutsch</seg></tuv><tuv xml:lang="fr"><seg>Que français</seg></tuv></tu>
</body>
</tmx>
)";

TEST_F(TmxTest, ATmxFromAnotherToolImportsInUtf16WithItsLanguagesMapped) {
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    write(file(QStringLiteral("foreign.tmx")), utf16.encode(QString::fromUtf8(kForeignTmx)));
    const TmxImport imported = importTmx(store(), file(QStringLiteral("foreign.tmx")));
    ASSERT_FALSE(imported.message.has_value()) << imported.message->text.toStdString();
    EXPECT_EQ(imported.added, 2);
    EXPECT_EQ(imported.skipped, 1);
    const QList<MemoryUnit> units = unitsOf(store());
    ASSERT_EQ(units.size(), 2);
    EXPECT_EQ(units[0].languages, (LanguagePair{"en", "fr"}));
    EXPECT_EQ(units[0].source, QStringLiteral("Press <b>Start</b> now"));
    EXPECT_EQ(units[0].target, QString::fromUtf8("Appuyez sur Démarrer"));
    EXPECT_TRUE(units[0].byHand);
    EXPECT_EQ(units[0].origin, QStringLiteral("foreign.tmx"));
    EXPECT_EQ(units[0].created, 1704164645);
    EXPECT_EQ(units[1].languages, (LanguagePair{"en", "zh-TW"}));
    EXPECT_EQ(exactTarget(store(), QStringLiteral("Press Start now")),
              QString::fromUtf8("Appuyez sur Démarrer"));
}

TEST_F(TmxTest, ABrokenTmxSaysWhereAndImportsNothing) {
    add({unit(QStringLiteral("Kept."), QStringLiteral("Gardé."))});
    const QByteArray good =
        "<tu><tuv xml:lang=\"en\"><seg>One</seg></tuv><tuv xml:lang=\"fr\"><seg>Un</seg></tuv></tu>\n";
    struct Case {
        const char* name;
        QByteArray bytes;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {"cut short", "<tmx version=\"1.4\"><header srclang=\"en\"/><body>\n" + good + good + "<tu><tuv", 4,
         "Premature end"},
        {"tags crossed",
         "<tmx version=\"1.4\"><header srclang=\"en\"/><body>\n" + good +
             "<tu><tuv xml:lang=\"en\"><seg>a<b></seg></b></tuv></tu></body></tmx>",
         3, "Opening and ending tag mismatch"},
        {"unknown entity",
         "<tmx><body>\n" + good + "<tu><tuv xml:lang=\"en\"><seg>&nope;</seg></tuv></tu></body></tmx>", 3,
         "nope"},
        {"another format", "<?xml version=\"1.0\"?>\n<xliff version=\"1.2\"><file/></xliff>", 2,
         "no TMX file"},
        {"empty", "", 1, "no TMX file"},
        {"a huge segment",
         "<tmx><body>\n" + good + "<tu><tuv xml:lang=\"en\"><seg>" + QByteArray(kMaxSegmentLength + 1, 'a') +
             "</seg></tuv></tu></body></tmx>",
         3, "longer than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(file(QStringLiteral("broken.tmx")), c.bytes);
        const TmxImport imported = importTmx(store(), file(QStringLiteral("broken.tmx")));
        ASSERT_TRUE(imported.message.has_value());
        const QString text = imported.message->text;
        EXPECT_TRUE(text.contains(QStringLiteral("(line %1)").arg(c.line))) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.says))) << text.toStdString();
        EXPECT_EQ(imported.added, 0);
        EXPECT_EQ(store().unitCount(), 1);
    }
}

TEST_F(TmxTest, ACancelledImportKeepsNothing) {
    QByteArray xml = "<tmx><header srclang=\"en\"/><body>";
    for (int i = 0; i < 1200; ++i)
        xml += "<tu><tuv xml:lang=\"en\"><seg>Line " + QByteArray::number(i) +
               "</seg></tuv><tuv xml:lang=\"fr\"><seg>Ligne</seg></tuv></tu>";
    write(file(QStringLiteral("long.tmx")), xml + "</body></tmx>");
    int calls = 0;
    const TmxImport imported =
        importTmx(store(), file(QStringLiteral("long.tmx")), [&](qint64, qint64) { return ++calls < 2; });
    EXPECT_TRUE(imported.cancelled);
    EXPECT_FALSE(imported.message.has_value());
    EXPECT_EQ(store().unitCount(), 0);
}

TEST(LanguageTags, ExchangeTagsMapToTheCodesVelmoraUsesAndBack) {
    struct Case {
        const char* tag;
        const char* code;
    };
    const Case cases[] = {
        {"*all*", ""},        {"", ""},
        {"he-IL", "iw"},      {"jv", "jw"},
        {"fil-PH", "tl"},     {"nb-NO", "no"},
        {"EN_us", "en"},      {"pt-BR", "pt"},
        {"zh", "zh-CN"},      {"zh-Hans-SG", "zh-CN"},
        {"zh-Hant", "zh-TW"}, {"zh-HK", "zh-TW"},
        {"sr-Latn-RS", "sr"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(languageFromTag(QLatin1String(c.tag)), QLatin1String(c.code)) << c.tag;
    // Every language of the translation combos survives an export and an import.
    for (const LanguageEntry& e : languageTable()) {
        const QString code = QLatin1String(e.serviceCode);
        if (isStorableLanguage(code)) {
            EXPECT_EQ(languageFromTag(tagFromLanguage(code)), code);
        }
    }
}

} // namespace
