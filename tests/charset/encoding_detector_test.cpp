// The encoding detector on real-language subtitles in the table's encodings: how often the text
// reads right, and never UTF-8 for bytes that are not UTF-8.
#include "charset/charset_table.h"
#include "charset/code_page.h"
#include "charset/encoding_detector.h"
#include "encoding_samples.h"

#include <QSet>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

namespace {

class EncodingDetector : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedAnsi = systemAnsiCodePage();
        setSystemAnsiCodePage(1252);
    }
    void TearDown() override { setSystemAnsiCodePage(m_savedAnsi); }

private:
    std::uint32_t m_savedAnsi = 0;
};

QString keyOf(std::uint32_t codePage) {
    for (const CharsetEntry& e : charsetTable())
        if (e.codePage == codePage)
            return QString::fromLatin1(e.key);
    return QString::number(codePage);
}

} // namespace

TEST_F(EncodingDetector, ReadsMostRealLanguageSamplesRight) {
    const QVector<EncodingSample> samples = encodingSamples();
    QSet<std::uint32_t> encodings;
    for (const EncodingSample& s : samples)
        encodings.insert(s.codePage);
    ASSERT_GE(encodings.size(), 10);

    struct Tally {
        int shortRight = 0, shortCount = 0, longRight = 0, longCount = 0;
    };
    std::map<std::pair<QString, QString>, Tally> table;
    int longRight = 0, longCount = 0, shortRight = 0, shortCount = 0;
    for (const EncodingSample& s : samples) {
        const EncodingGuess guess = detectEncoding(s.bytes);
        if (s.codePage != kUtf8CodePage) {
            EXPECT_NE(guess.codePage, kUtf8CodePage) << s.language.toStdString() << " " << s.codePage;
        }
        // Right means the user sees the text: a sibling page that decodes it the same is right too.
        const bool right = decodeBytes(s.bytes, guess.codePage) == s.text;
        Tally& t = table[{s.language, keyOf(s.codePage)}];
        (s.isLong ? t.longCount : t.shortCount)++;
        if (right)
            (s.isLong ? t.longRight : t.shortRight)++;
        (s.isLong ? longCount : shortCount)++;
        if (right)
            (s.isLong ? longRight : shortRight)++;
    }
    std::printf("%-20s %-12s %6s %6s\n", "language", "encoding", "short", "long");
    for (const auto& [key, t] : table)
        std::printf("%-20s %-12s %3d/%-2d %3d/%-2d\n", key.first.toUtf8().constData(),
                    key.second.toUtf8().constData(), t.shortRight, t.shortCount, t.longRight, t.longCount);
    std::printf("right: long %d of %d, short %d of %d\n", longRight, longCount, shortRight, shortCount);
    EXPECT_GE(longRight * 10, longCount * 9);
    EXPECT_GE(shortRight * 10, shortCount * 6);
}

TEST_F(EncodingDetector, MarksAsciiAndUtf8Rules) {
    using S = EncodingGuess::Source;
    struct Case {
        QByteArray bytes;
        S source;
        std::uint32_t codePage;
    };
    const Case cases[] = {
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n", S::Ascii, 0},
        {"", S::Ascii, 0},
        {"\xEF\xBB\xBF"
         "abc",
         S::ByteOrderMark, kUtf8CodePage},
        {QByteArray("\xFF\xFE\x61\x00", 4), S::ByteOrderMark, 0},
        {QByteArray("\xFE\xFF\x00\x61", 4), S::ByteOrderMark, 0},
        {QByteArray("\x00\x00\xFE\xFF", 4), S::ByteOrderMark, 0},
        {"caf\xC3\xA9 cr\xC3\xA8me", S::Utf8, kUtf8CodePage},
        {"\xF0\x9F\x98\x80", S::Utf8, kUtf8CodePage},
    };
    for (const Case& c : cases) {
        const EncodingGuess g = detectEncoding(c.bytes);
        EXPECT_EQ(g.source, c.source) << c.bytes.toHex().constData();
        EXPECT_EQ(g.codePage, c.codePage) << c.bytes.toHex().constData();
    }
    // Nearly UTF-8 is not UTF-8: a cut sequence, an overlong form, a surrogate, beyond U+10FFFF, a
    // stray continuation byte.
    for (const QByteArray& bad :
         {QByteArray("caf\xC3"), QByteArray("\xC0\xAF"), QByteArray("\xED\xA0\x80"),
          QByteArray("\xF4\x90\x80\x80"), QByteArray("a\x80z"), QByteArray("\xE9t\xE9")}) {
        EXPECT_FALSE(isValidUtf8(bad)) << bad.toHex().constData();
        EXPECT_NE(detectEncoding(bad).codePage, kUtf8CodePage) << bad.toHex().constData();
    }
}
