// Spelling with Debian's own dictionaries: which words are read, which dictionary a language code
// opens, the user's words, and a dictionary in an 8-bit encoding.
#include "review_rows.h"

#include "review/hunspell_dictionary.h"
#include "review/my_words.h"
#include "review/spell_checker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class Spelling : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString wordsFile() const { return dir.filePath("words/my_words.txt"); }

    QStringList unknown(const SpellChecker& speller, const QString& translated) {
        CheckOptions options;
        options.speller = &speller;
        return foundTexts({textRow("o", translated)}, CheckKind::Spelling, options);
    }
};

TEST_F(Spelling, FrenchSentenceWithOneTypo) {
    SpellChecker speller(defaultDictionaryFolders(), wordsFile());
    EXPECT_TRUE(speller.setLanguages({"fr"}).isEmpty());
    const QString sentence = QStringLiteral("Aujourd'hui, l’homme est allé au cinémma avec ses amis.|\n"
                                            "<i>C'est peut-être la 3e fois</i> : voir www.exemple.fr");
    EXPECT_EQ(unknown(speller, sentence), QStringList{"cinémma"});
    const QStringList suggestions = speller.suggestions(u"cinémma");
    ASSERT_FALSE(suggestions.isEmpty());
    EXPECT_EQ(suggestions.first(), "cinéma");
}

TEST_F(Spelling, WordsOutsideTheLanguageAreNotRead) {
    SpellChecker speller(defaultDictionaryFolders(), wordsFile());
    speller.setLanguages({"en"});
    struct Case {
        const char* text;
        QStringList unknown;
    } cases[] = {
        {"I recieve mail", {"recieve"}},
        {"<font color=\"#ff0000\">Red</font> {\\an8}alert", {}},
        {"Call 555-0199 or mail jo@exmple.com, see https://exmple.org/pth", {}},
        {"R2D2 and 3rd place", {}},
        {"Don’t go", {}},
        {"Xqzt|\nxqzt", {"Xqzt", "xqzt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(unknown(speller, c.text), c.unknown);
    }
    // An untranslated row is not the translator's spelling.
    EXPECT_TRUE(unknown(speller, "untranslated").isEmpty());
    // The cell editor's underline: ranges of the cell text as typed.
    EXPECT_EQ(speller.misspeltWords("<i>Teh</i> cat|\nrecieve"), (QVector<TextSpan>{{3, 3}, {16, 7}}));
}

TEST_F(Spelling, MissingDictionaryTurnsTheCheckOffWithAMessage) {
    SpellChecker speller(defaultDictionaryFolders(), wordsFile());
    const QVector<UserMessage> messages = speller.setLanguages({"xx"});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].text.contains("\"xx\""));
    EXPECT_FALSE(speller.isEnabled());
    EXPECT_FALSE(speller.disabledReason().isEmpty());
    EXPECT_TRUE(unknown(speller, "Xqzt").isEmpty());
    // One language missing among several leaves the others on.
    EXPECT_EQ(speller.setLanguages({"xx", "de"}).size(), 1);
    EXPECT_TRUE(speller.isEnabled());
    EXPECT_EQ(unknown(speller, "Das Haus ist grosz"), QStringList{"grosz"});
}

TEST_F(Spelling, SeveralLanguagesAtOnce) {
    SpellChecker speller(defaultDictionaryFolders(), wordsFile());
    speller.setLanguages({"es"});
    EXPECT_EQ(unknown(speller, "Dijo thanks"), QStringList{"thanks"});
    speller.setLanguages({"es", "en-US"});
    EXPECT_TRUE(unknown(speller, "Dijo thanks").isEmpty());
}

TEST_F(Spelling, LanguageCodesFindTheirDictionaries) {
    const QString folder = dir.filePath("dicts");
    QDir().mkpath(folder);
    for (const char* name : {"fr", "fr_CA", "en_AU", "en_US", "de_AT", "de_DE", "he_IL", "nb_NO"}) {
        writeFile(folder + "/" + name + ".aff", "SET UTF-8\n");
        writeFile(folder + "/" + name + ".dic", "0\n");
    }
    writeFile(folder + "/pt_PT.aff", "SET UTF-8\n"); // no .dic beside it
    struct Case {
        const char* code;
        const char* found; // nullptr: none
    } cases[] = {
        {"pt", nullptr},    {"fr-CA", "fr_CA"}, {"fr-BE", "fr"}, {"fr", "fr"},    {"en", "en_US"},
        {"en-GB", "en_US"}, {"de", "de_DE"},    {"iw", "he_IL"}, {"no", "nb_NO"}, {"../fr", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const std::optional<DictionaryFiles> files = findDictionary(c.code, {folder});
        ASSERT_EQ(files.has_value(), c.found != nullptr);
        if (files) {
            EXPECT_EQ(files->dic, folder + "/" + c.found + ".dic");
        }
    }
}

TEST_F(Spelling, InstalledDictionariesArePairsOnceEach) {
    const QString first = dir.filePath("hunspell");
    const QString second = dir.filePath("myspell");
    QDir().mkpath(first);
    QDir().mkpath(second);
    struct File {
        QString folder;
        const char* name;
    } files[] = {
        {first, "pt_BR.dic"}, // its .aff is missing: no dictionary
        {second, "es_ES.aff"}, {first, "fr_FR.aff"},  {first, "fr_FR.dic"},  {second, "fr_FR.aff"},
        {second, "fr_FR.dic"}, {second, "de_DE.aff"}, {second, "de_DE.dic"},
    };
    for (const File& f : files)
        writeFile(f.folder + "/" + f.name, "x\n");
    EXPECT_EQ(installedDictionaries({first, second, dir.filePath("none")}), (QStringList{"de_DE", "fr_FR"}));
}

TEST_F(Spelling, EightBitDictionaryIsReadInItsOwnEncoding) {
    writeFile(dir.filePath("la.aff"), "SET ISO8859-1\nTRY e\xe9\x61\x63\x66\n");
    writeFile(dir.filePath("la.dic"), "2\ncaf\xe9\nth\xe9\n");
    QString error;
    const std::unique_ptr<HunspellDictionary> d =
        HunspellDictionary::open(dir.filePath("la.aff"), dir.filePath("la.dic"), &error);
    ASSERT_TRUE(d) << error.toStdString();
    EXPECT_TRUE(d->spell(u"café"));
    EXPECT_FALSE(d->spell(u"cafe"));
    // A character Latin-1 lacks cannot be in the dictionary, and must not become a '?' that is.
    EXPECT_FALSE(d->spell(u"caf€"));
    EXPECT_TRUE(d->suggest(u"cafée").contains("café"));
    EXPECT_FALSE(HunspellDictionary::open(dir.filePath("none.aff"), dir.filePath("la.dic"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(Spelling, MyWordsAreKeptAndNothingElseInTheFileIsLost) {
    QDir().mkpath(QFileInfo(wordsFile()).absolutePath());
    // A line that is no word in UTF-8 stays as it was.
    const QByteArray before = "Zorblax\n\xff\xfe broken\nZorblax";
    writeFile(wordsFile(), before);
    {
        SpellChecker speller(defaultDictionaryFolders(), wordsFile());
        speller.setLanguages({"en"});
        EXPECT_EQ(unknown(speller, "Zorblax met Quuxly"), QStringList{"Quuxly"});
        EXPECT_TRUE(speller.addToMyWords("two words"));
        EXPECT_EQ(readAll(wordsFile()), before);
        EXPECT_FALSE(speller.addToMyWords("Quuxly"));
        EXPECT_TRUE(unknown(speller, "Zorblax met Quuxly").isEmpty());
    }
    EXPECT_EQ(readAll(wordsFile()), before + "\nQuuxly\n");
    SpellChecker reopened(defaultDictionaryFolders(), wordsFile());
    reopened.setLanguages({"en"});
    EXPECT_TRUE(unknown(reopened, "Quuxly").isEmpty());
    EXPECT_EQ(parseMyWords(readAll(wordsFile())), (QStringList{"Zorblax", "Quuxly"}));
}

TEST_F(Spelling, UnreadableWordListIsNeverWritten) {
    QDir().mkpath(wordsFile()); // a folder where the file should be
    MyWords words(wordsFile());
    EXPECT_TRUE(words.load());
    EXPECT_TRUE(words.add("Quuxly"));
    EXPECT_TRUE(QFileInfo(wordsFile()).isDir());
}

} // namespace
