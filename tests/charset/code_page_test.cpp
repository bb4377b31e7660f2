#include "charset/charset_table.h"
#include "charset/code_page.h"

#include <gtest/gtest.h>

TEST(CodePage, SingleByteAnsiPagesRoundTripEveryByte) {
    for (std::uint32_t cp : {1252u, 1250u, 1251u, 874u}) {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const auto text = decodeBytes(all, cp);
        ASSERT_TRUE(text.has_value()) << cp;
        ASSERT_EQ(text->size(), 256) << cp;
        const auto back = encodeText(*text, cp);
        ASSERT_TRUE(back.has_value()) << cp;
        EXPECT_EQ(*back, all) << "code page " << cp;
    }
}

TEST(CodePage, EveryTableCodePageOpens) {
    setSystemAnsiCodePage(1252);
    for (const CharsetEntry& e : charsetTable()) {
        EXPECT_NE(icuConverterName(e.codePage), nullptr) << e.key;
        EXPECT_TRUE(decodeBytes(QByteArray("abc"), e.codePage).has_value()) << e.key;
    }
    EXPECT_EQ(decodeBytes(QByteArray("abc"), 12345), std::nullopt);
}

TEST(CodePage, MultiByteAndStatefulPages) {
    EXPECT_EQ(decodeBytes(QByteArray("\xD6\xD0"), 936), QString::fromUtf8("\xE4\xB8\xAD"));
    EXPECT_EQ(decodeBytes(QByteArray("\xA4\xA4"), 950), QString::fromUtf8("\xE4\xB8\xAD"));
    EXPECT_EQ(decodeBytes(QByteArray("\x82\xA0"), 932), QString::fromUtf8("\xE3\x81\x82"));
    EXPECT_EQ(decodeBytes(QByteArray("~{VP~}"), 52936), QString::fromUtf8("\xE4\xB8\xAD"));
    EXPECT_EQ(decodeBytes(QByteArray("\x1B$B$\"\x1B(B"), 50932), QString::fromUtf8("\xE3\x81\x82"));
    EXPECT_EQ(decodeBytes(QByteArray("+AOk-"), 65000), QString::fromUtf8("\xC3\xA9"));
    // Each call starts in the initial state: a shift left open by one text does not leak into the next.
    EXPECT_EQ(decodeBytes(QByteArray("~{VP"), 52936), QString::fromUtf8("\xE4\xB8\xAD"));
    EXPECT_EQ(decodeBytes(QByteArray("ab"), 52936), QString("ab"));
    EXPECT_EQ(encodeText(QString::fromUtf8("\xE4\xB8\xAD") + "x", 1252, '?'), QByteArray("?x"));
}

TEST(CodePage, AnsiCodePageFollowsTheLanguageNeverUtf8) {
    EXPECT_EQ(ansiCodePageForLocale("zh_CN.UTF-8"), 936u);
    EXPECT_EQ(ansiCodePageForLocale("zh_TW"), 950u);
    EXPECT_EQ(ansiCodePageForLocale("zh_HK.UTF-8"), 950u);
    EXPECT_EQ(ansiCodePageForLocale("ja_JP.UTF-8"), 932u);
    EXPECT_EQ(ansiCodePageForLocale("ru_RU"), 1251u);
    EXPECT_EQ(ansiCodePageForLocale("pl_PL"), 1250u);
    EXPECT_EQ(ansiCodePageForLocale("th_TH"), 874u);
    EXPECT_EQ(ansiCodePageForLocale("en_US.UTF-8"), 1252u);
    EXPECT_EQ(ansiCodePageForLocale(""), 1252u);
    setSystemAnsiCodePage(65001);
    EXPECT_EQ(systemAnsiCodePage(), 1252u);
    setSystemAnsiCodePage(936);
    EXPECT_EQ(resolveCodePage(0), 936u);
    setSystemAnsiCodePage(1252);
}

TEST(CharsetTable, KeysAndLookup) {
    const auto table = charsetTable();
    ASSERT_EQ(table.size(), 21u);
    for (const CharsetEntry& e : table) {
        // The key is what stands between "(" and the final ")" of the name.
        const QString name = QString::fromUtf16(e.displayName);
        EXPECT_EQ(name.section(u'(', 1).chopped(1), QString::fromLatin1(e.key));
        EXPECT_EQ(lookupCharsetKey(name), e.codePage) << e.key;
    }
    EXPECT_EQ(lookupCharsetKey("Japanese(Shit-JIS)"), 932u);
    EXPECT_EQ(lookupCharsetKey("Japanese(JIS)"), 50932u);
    EXPECT_EQ(lookupCharsetKey("Western European(iso-8859-1)"), 1252u);
    EXPECT_EQ(lookupCharsetKey("Japanese(jis)"), std::nullopt);
    EXPECT_EQ(lookupCharsetKey("no parenthesis"), std::nullopt);
    EXPECT_EQ(lookupCharsetKey("("), std::nullopt);
    EXPECT_EQ(lookupCharsetKey(QString(300, u'x') + "(ANSI)"), std::nullopt); // cut at 100 bytes
}
