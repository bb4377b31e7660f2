// What the dictionary panes store and what the Library lists.
#include "dictionary/dictionary_rules.h"

#include <gtest/gtest.h>

TEST(DictionaryPaneRules, LengthLimitsAndLineBreaks) {
    const QString max(1000, u'a');
    const QString over(1001, u'a');
    EXPECT_FALSE(dictionaryPairFromPane(QString(), QStringLiteral("x")));
    EXPECT_FALSE(dictionaryPairFromPane(over, QString()));
    EXPECT_FALSE(dictionaryPairFromPane(QStringLiteral("x"), over));
    ASSERT_TRUE(dictionaryPairFromPane(max, max));

    const auto word = dictionaryPairFromPane(QStringLiteral("a"), QString());
    ASSERT_TRUE(word);
    EXPECT_EQ(word->flag, 1);
    EXPECT_TRUE(word->translated.isEmpty());

    const auto pair = dictionaryPairFromPane(QStringLiteral("Hello|\nWorld"), QStringLiteral("Bon\r\njour"));
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->original, QStringLiteral("Hello| World"));
    EXPECT_EQ(pair->translated, QStringLiteral("Bon  jour"));
}

TEST(LibraryRows, NumbersOnlyFlaggedEntries) {
    std::vector<DictionaryRecord> records(3);
    records[0] = {1, QStringLiteral("one"), QStringLiteral("un")};
    records[1] = {0, QStringLiteral("gone"), QStringLiteral("parti")};
    records[2] = {1, QStringLiteral("two"), QStringLiteral("deux")};

    const QVector<QStringList> words = libraryRows(records, LibraryMode::Vocabulary);
    ASSERT_EQ(words.size(), 2);
    EXPECT_EQ(words[1], (QStringList{"2", "two", "deux"}));

    const QVector<QStringList> sentences = libraryRows(records, LibraryMode::Dictionary);
    ASSERT_EQ(sentences.size(), 4);
    EXPECT_EQ(sentences[0], (QStringList{"1", "one"}));
    EXPECT_EQ(sentences[1], (QStringList{"1", "un"}));
    EXPECT_EQ(sentences[2], (QStringList{"2", "two"}));
    EXPECT_EQ(sentences[3], (QStringList{"2", "deux"}));
    EXPECT_EQ(libraryColumns(LibraryMode::Dictionary), (QStringList{"Num", "Sentence"}));
}
