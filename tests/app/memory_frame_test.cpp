// The translation memory in the window: what a save keeps, what a TMX brings in, what the Memory
// page offers for the focused row and how a match reaches the Translated cell.
#include "app/memory_page.h"
#include "dictionary/dictionary_store.h"
#include "frame_fixture.h"
#include "memory/memory_store.h"

#include <QListWidget>

namespace {

const QByteArray kTmx = R"(<?xml version="1.0" encoding="UTF-8"?>
<tmx version="1.4"><header srclang="en-US" datatype="plaintext" segtype="sentence" adminlang="en"
 creationtool="t" creationtoolversion="1" o-tmf="t"/><body>
<tu><tuv xml:lang="en-US"><seg>Where is the red car &amp; the key</seg></tuv>
<tuv xml:lang="fr-FR"><seg>Où est la voiture rouge
et la clé</seg></tuv></tu>
</body></tmx>
)";

QString memoryFile(const QTemporaryDir& root) {
    return root.filePath(QStringLiteral("data/")) + QLatin1String(kMemoryFileName);
}

TEST(MemoryPageText, DifferingWordsAreMarkedAndTheRestEscaped) {
    struct Case {
        const char* what;
        QString text;
        QList<TextRange> ranges;
        QString html;
    };
    const QString mark = QStringLiteral("<span style=\"background-color:#ffd966\">");
    const Case cases[] = {
        {"markup in the text is shown, not obeyed",
         QStringLiteral("<i>a</i> b"),
         {{9, 1}},
         QStringLiteral("&lt;i&gt;a&lt;/i&gt; ") + mark + QStringLiteral("b</span>")},
        {"ranges out of order",
         QStringLiteral("one two three"),
         {{8, 5}, {0, 3}},
         mark + QStringLiteral("one</span> two ") + mark + QStringLiteral("three</span>")},
        {"a range past the end stops there",
         QStringLiteral("ab"),
         {{1, 9}},
         QStringLiteral("a") + mark + "b</span>"},
        {"overlapping ranges mark each character once",
         QStringLiteral("abcd"),
         {{0, 3}, {1, 1}},
         mark + QStringLiteral("abc</span>d")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(highlightedHtml(c.text, c.ranges), c.html) << c.what;
}

TEST(MemoryPageText, TheThresholdSettingStaysWhereTheStoreCanSearch) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("memory.ini"));
    struct Case {
        const char* written; // nullptr: no setting
        int threshold;
    };
    const Case cases[] = {{"10", kLowestMatchThreshold},
                          {"abc", kDefaultMatchThreshold},
                          {"140", 100},
                          {"90", 90},
                          {nullptr, kDefaultMatchThreshold}};
    for (const Case& c : cases) {
        QFile::remove(file);
        if (c.written) {
            QSettings settings(file, QSettings::IniFormat);
            settings.setValue(QLatin1String(kMemoryThresholdKey), QString::fromLatin1(c.written));
        }
        EXPECT_EQ(readMatchThreshold(file), c.threshold) << (c.written ? c.written : "none");
    }
}

TEST_F(FrameTest, SavingTheTranslationKeepsItsRowsInTheMemory) {
    struct Case {
        const char* what;
        CommandId save;
        const char* file;
        int filter; // for Save As; -1: the plain save
        const char* translation;
    };
    const Case cases[] = {
        {"a copy in another format", CommandId::SaveTranslatedSubtitleAs, "ep1.fr.vtt", kWebVTT - 1, "Salut"},
        {"a plain save", CommandId::SaveTranslatedSubtitle, "ep2.fr.srt", -1, "Bonjour"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CMainFrame& f = frame();
        load(CommandId::LoadOriginal, writeFile(QStringLiteral("ep.srt"), srt(3, "Hello")));
        load(CommandId::LoadTranslated, writeFile(QStringLiteral("ep.fr.srt"), srt(2, c.translation)));
        ASSERT_EQ(f.session().rowCount(), 3);
        const QString out = m_root.filePath(QLatin1String(c.file));
        if (c.filter < 0)
            m_seam.saveAnswers.push_back(out);
        else
            m_seam.saveChoiceAnswers.push_back({out, c.filter});
        f.dispatchCommand(c.save);
        ASSERT_TRUE(QFile::exists(out));

        // Another connection, as a second velmora would open it.
        MemoryStore reopened;
        ASSERT_FALSE(reopened.open(memoryFile(m_root)).has_value());
        const QString kept = QStringLiteral("%1 2").arg(QLatin1String(c.translation));
        bool fromFile = false;
        reopened.forEachUnit([&](const MemoryUnit& u) {
            fromFile = fromFile || (u.source == "Hello 2" && u.target == kept && u.origin == c.file);
            return true;
        });
        EXPECT_TRUE(fromFile);
        // The row without a translation is not remembered.
        const MemoryResult<QList<MemoryFill>> third =
            reopened.exactMatches({QStringLiteral("Hello 3")}, {"en", "fr"});
        EXPECT_TRUE(third.value.isEmpty());
    }
}

TEST_F(FrameTest, ADamagedMemoryIsSaidOnceAndKeptAsItWas) {
    const QByteArray junk = QByteArray("SQLite format 3") + '\0' + QByteArray(4000, 'x');
    writeFile(QStringLiteral("data/") + QLatin1String(kMemoryFileName), junk);
    CMainFrame& f = frame();
    EXPECT_EQ(m_seam.messages.size(), 1);
    EXPECT_FALSE(f.memory()->writable());
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("a.srt"), srt(1, "Hello")));
    m_seam.saveAnswers.push_back(m_root.filePath(QStringLiteral("a.fr.srt")));
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);
    QFile kept(memoryFile(m_root));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), junk);
}

TEST_F(FrameTest, AnImportedTmxIsOfferedForANearRowAndOneMatchIsOneUndoStep) {
    CMainFrame& f = frame(true);
    load(CommandId::LoadOriginal,
         writeFile(QStringLiteral("ep2.srt"),
                   "1\r\n00:00:01,000 --> 00:00:02,000\r\nWhere is the blue car & the "
                   "key\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nNothing "
                   "alike\r\n\r\n"));
    ASSERT_EQ(f.session().rowCount(), 2);
    // A malformed file adds nothing and says where it broke.
    m_seam.openAnswers.push_back({writeFile(QStringLiteral("bad.tmx"), kTmx.left(kTmx.size() - 20)), 0});
    f.dispatchCommand(CommandId::ImportTmx);
    ASSERT_EQ(m_seam.messages.size(), 1);
    EXPECT_EQ(m_seam.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(f.memory()->unitCount(), 0);

    f.focusRow(0);
    settle();
    MemoryPage* page = f.memoryPage();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->matches().isEmpty());
    // The page looks again once the import is in.
    m_seam.openAnswers.push_back({writeFile(QStringLiteral("client.tmx"), kTmx), 0});
    f.dispatchCommand(CommandId::ImportTmx);
    ASSERT_EQ(m_seam.messages.size(), 2);
    EXPECT_TRUE(m_seam.messages[1].text.contains(QStringLiteral("1 added")))
        << m_seam.messages[1].text.toStdString();
    ASSERT_EQ(page->matches().size(), 1);
    EXPECT_GE(page->matches()[0].score, kDefaultMatchThreshold);
    EXPECT_LT(page->matches()[0].score, 100);
    EXPECT_EQ(page->list()->count(), 1);

    // The units are French: another target language has none.
    f.translateToCombo()->setCurrentText(QStringLiteral("German"));
    EXPECT_TRUE(page->matches().isEmpty());
    f.translateToCombo()->setCurrentText(QStringLiteral("French"));
    EXPECT_EQ(page->matches().size(), 1);

    // The second row has no near unit: Ctrl+1 there changes nothing.
    f.focusRow(1);
    settle();
    EXPECT_TRUE(page->matches().isEmpty());
    EXPECT_FALSE(page->choose(0));

    f.focusRow(0);
    settle();
    const QString before = f.session().rows().at(0).translated;
    f.paneTabStrip()->setCurrentWidget(page);
    QListWidget* list = page->list();
    const QRect first = list->visualItemRect(list->item(0));
    // A double-click is a press and release, then the second press.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(f.session().rows().at(0).translated,
              entryTextFromTyped(QStringLiteral("Où est la voiture rouge|et la clé"),
                                 f.session().document().formatMode));
    f.undo();
    EXPECT_EQ(f.session().rows().at(0).translated, before);
    // The window's Ctrl+1 does the same from any Toolbox page.
    f.paneTabStrip()->setCurrentIndex(0);
    QTest::keyClick(f.grid(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(f.session().rows().at(0).translated.startsWith(QStringLiteral("Où est")));
}

TEST_F(FrameTest, DictionarySentencesGoIntoTheMemoryOnceInThePairOfTheirTime) {
    {
        // Kept before this memory existed.
        DictionaryStore earlier;
        ASSERT_EQ(earlier.openDictionaryFilesIn(m_root.filePath(QStringLiteral("data/"))), 0);
        ASSERT_EQ(earlier.AppendDictionaryRecord(
                      {1, QStringLiteral("Good night"), QStringLiteral("Bonne nuit")}, kSentences),
                  0);
    }
    CMainFrame& f = frame();
    const auto knows = [&](const char* original, const char* to) {
        const MemoryResult<QList<MemoryFill>> found =
            f.memory()->exactMatches({QString::fromUtf8(original)}, {"en", QString::fromLatin1(to)});
        return found.value.isEmpty() ? QString() : found.value[0].target;
    };
    // A detected source language names no pair: nothing goes in until the user picks one.
    f.translateFromCombo()->setCurrentText(QStringLiteral("Detect language"));
    f.sentencePane()->setTexts(QStringLiteral("Good morning"), QStringLiteral("Bonjour"));
    ASSERT_TRUE(f.sentencePane()->OnAdd());
    EXPECT_EQ(f.memory()->unitCount(), 0);

    f.translateFromCombo()->setCurrentText(QStringLiteral("English"));
    f.sentencePane()->setTexts(QStringLiteral("Thank you"), QStringLiteral("Merci"));
    ASSERT_TRUE(f.sentencePane()->OnAdd());
    EXPECT_EQ(knows("Good night", "fr"), QStringLiteral("Bonne nuit"));
    EXPECT_EQ(knows("Good morning", "fr"), QStringLiteral("Bonjour"));
    EXPECT_EQ(knows("Thank you", "fr"), QStringLiteral("Merci"));
    EXPECT_EQ(f.memory()->unitCount(), 3);

    // Another pair later takes only what is new, and a translation job finds it without a request.
    f.translateToCombo()->setCurrentText(QStringLiteral("German"));
    f.sentencePane()->setTexts(QStringLiteral("Yes"), QStringLiteral("Ja"));
    ASSERT_TRUE(f.sentencePane()->OnAdd());
    EXPECT_EQ(f.memory()->unitCount(), 4);
    EXPECT_EQ(knows("Yes", "de"), QStringLiteral("Ja"));
    EXPECT_TRUE(knows("Thank you", "de").isEmpty());
}

} // namespace
