// Which languages the combos offer with an engine: the engine's own codes matched to the language
// table's names, and the pairs an engine such as Apertium restricts them to.
#include "translate/engine_settings.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QList<ServiceLanguage> codes(std::initializer_list<const char*> list) {
    QList<ServiceLanguage> languages;
    for (const char* code : list)
        languages.append({QString::fromLatin1(code), {}});
    return languages;
}

} // namespace

TEST(EngineLanguages, EngineCodesMatchTableCodes) {
    const struct {
        const char* table;
        const char* engine;
        bool same;
    } cases[] = {
        {"zh-TW", "zh", false}, // a plain "zh" is the simplified script, never the traditional
        {"es", "et", false},    {"en", "eng", true},        {"en", "EN-GB", true},
        {"iw", "he", true},     {"zh-CN", "ZH-HANS", true}, {"pt", "pt_BR", true},
        {"es", "spa", true},    {"auto", "auto", true},     {"", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sameLanguage(QString::fromLatin1(c.table), QString::fromLatin1(c.engine)), c.same)
            << c.table << " / " << c.engine;
}

TEST(EngineLanguages, CombosOfferWhatTheEngineHas) {
    const struct {
        const char* name;
        ServiceLanguages languages;
        QString from;              // a source the combo offers
        QStringList targetsOfFrom; // what "To" then offers (the whole list when empty)
        QString notOffered;        // in neither combo
        bool detectOffered;
    } cases[] = {
        {"apertium pairs",
         {codes({"eng", "spa"}),
          codes({"spa", "eng", "eng_US"}),
          {{"eng", "spa"}, {"spa", "eng"}, {"spa", "eng_US"}}},
         "English",
         {"Spanish"},
         "French",
         false},
        {"pairs beyond the targets listed",
         {codes({"en"}), codes({"en"}), {{"en", "fr"}}},
         "English",
         {"French"},
         "Spanish",
         false},
        {"targets only",
         {{}, codes({"EN-GB", "ZH-HANS", "DE"}), {}},
         "French",
         {"English", "Chinese(Simplified)", "German"},
         "Chinese(Traditional)",
         true},
        {"any to any",
         {codes({"auto", "en", "fr"}), codes({"en", "fr"}), {}},
         "Detect language",
         {"French", "English"},
         "Spanish",
         true},
    };
    for (const auto& c : cases) {
        const OfferedLanguages offered = offeredLanguages(c.languages);
        EXPECT_TRUE(offered.from.contains(c.from)) << c.name;
        const QStringList targets = targetsFor(offered, c.from);
        for (const QString& t : c.targetsOfFrom) {
            EXPECT_TRUE(targets.contains(t)) << c.name << ": " << t.toStdString();
        }
        EXPECT_LE(targets.size(), c.targetsOfFrom.size()) << c.name;
        EXPECT_FALSE(offered.to.contains(c.notOffered)) << c.name;
        if (!c.languages.sources.isEmpty()) {
            EXPECT_FALSE(offered.from.contains(c.notOffered)) << c.name;
        }
        EXPECT_EQ(offered.from.contains(QStringLiteral("Detect language")), c.detectOffered) << c.name;
        EXPECT_FALSE(offered.to.contains(QStringLiteral("Detect language"))) << c.name;
    }
}

// The Spanish → English pair and its US variant are one choice in the combos, and the order is the
// combos' own.
TEST(EngineLanguages, ApertiumPairsKeepTheComboOrderAndNoDuplicates) {
    const ServiceLanguages apertium{codes({"spa", "eng"}),
                                    codes({"eng", "eng_US", "spa"}),
                                    {{"spa", "eng"}, {"spa", "eng_US"}, {"eng", "spa"}}};
    const OfferedLanguages offered = offeredLanguages(apertium);
    EXPECT_EQ(offered.from, (QStringList{"English", "Spanish"}));
    EXPECT_EQ(offered.to, (QStringList{"English", "Spanish"}));
    EXPECT_EQ(targetsFor(offered, QStringLiteral("Spanish")), QStringList{"English"});
    EXPECT_EQ(offered.pairs.size(), 2);
}

TEST(EngineSettingsFile, EngineDetailsAndLanguagesLeaveTheChosenEngineAlone) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("translation.ini"), QSettings::IniFormat);
    writeEngineSettings(settings, {EngineKind::Apertium, {}, {}, {}});
    writeEngineDetails(settings, {EngineKind::LibreTranslate, QUrl("http://127.0.0.1:5000"), {}, {}});
    writeLanguageChoice(settings, {QStringLiteral("English"), QStringLiteral("Spanish")});
    EXPECT_EQ(readEngineSettings(settings).kind, EngineKind::Apertium);
    EXPECT_EQ(readEngineSettings(settings, EngineKind::LibreTranslate).address,
              QUrl("http://127.0.0.1:5000"));
    EXPECT_EQ(readLanguageChoice(settings).to, QStringLiteral("Spanish"));
}
