#include "charset/convert_encodings.h"
#include "charset/text_converter.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

// The conversion, or a marker that cannot be mistaken for converted text.
QByteArray convert(const QByteArray& input, const QString& from, const QString& to) {
    QString error;
    const std::optional<QByteArray> out = convertBytes(input, from, to, &error);
    return out ? *out : "<failed: " + error.toUtf8() + ">";
}

struct KeySample {
    const char* key;
    const char* text;  // UTF-8, within the encoding's repertoire
    QByteArray bytes;  // known bytes of the encoding
    const char* means; // what those bytes are, in UTF-8
};

// One row per key of the list: a sample that must survive the round trip, and bytes whose meaning
// is fixed by the encoding's published table (a consistent but wrong table fails here).
const KeySample kSamples[] = {
    {"ASCII", "Hello, world ~ \\ {x}", "A~", "A~"},
    {"GB2312", "中文字幕，你好！", "\xD6\xD0\xCE\xC4", "中文"},
    {"BIG5", "繁體中文字幕", "\xA4\xA4\xA4\xE5", "中文"},
    {"HZ", "中文字幕 and ~ tilde", "~{VPND~}", "中文"},
    {"ISO-8859-1", "Café déjà vu ¿ÿ", "\xE9", "é"},
    {"ISO-8859-2", "Zażółć gęślą jaźń", "\xB1", "ą"},
    {"CP1250", "Příliš žluťoučký kůň „x“", "\x8A", "Š"},
    {"SHIFT-JIS", "日本語の字幕です。カタカナ", "\x93\xFA\x96\x7B", "日本"},
    {"CP932", "日本語①②", "\x87\x40", "①"},
    {"EUC-JP", "日本語の字幕", "\xC6\xFC\xCB\xDC", "日本"},
    {"EUC-KR", "한국어 자막", "\xC7\xD1", "한"},
    {"CP949", "한국어 갂", "\x81\x41", "갂"},
    {"ISO-2022-KR", "한국어 자막", "\x1B$)C\x0E\x47\x51\x0F", "한"},
    {"CP1251", "Привет, мир! Ёё №", "\xCF\xF0\xE8\xA8", "ПриЁ"},
    {"KOI8-R", "Привет, мир!", "\xF0\xD2\xC9", "При"},
    {"ISO-8859-5", "Привет, мир!", "\xBF\xE0\xD8", "При"},
    {"ISO-8859-7", "Καλημέρα κόσμε", "\xE1", "α"},
    {"CP1253", "Καλημέρα κόσμε €", "\x80\xE1", "€α"},
    {"CP1256", "مرحبا بالعالم", "\xC7", "ا"},
    {"MacArabic", "مرحبا بالعالم ١٢٣", "\xC7\xB1", "ا١"},
    // A control byte stays itself: ICU's own "CP874" table swaps 0x1A, 0x1C and 0x7F.
    {"CP874", "สวัสดีชาวโลก €", QByteArray("\xA1\x80\x1A", 3), "ก€\x1A"},
    {"TIS-620", "สวัสดีชาวโลก", "\xA1", "ก"},
    {"CP1255", "שלום עולם ₪", "\xE0\xA4", "א₪"},
    {"MacHebrew", "שלום עולם ₪", "\xE0\xA6\x81", "א₪\xEF\xAC\x9F"},
    {"MacRoman", "Café ™ ƒ ∞ €", "\x8E\xDB", "é€"},
    {"MacIceland", "Þetta er íslenska ðÝ", "\xA0", "Ý"},
    {"MacCroatian", "Čćđšž Šđ", "\xA9", "Š"},
    {"MacRomania", "Română ĂăȘș", "\xAE\xAF", "ĂȘ"},
    {"MacUkraine", "Ґанок, їжак, Привіт", "\xA2\x80", "ҐА"},
    {"MacTurkish", "Ğüşıöç İstanbul", "\xDA", "Ğ"},
    {"UTF-7", "Hello + 中文 ~", "+AOk-", "é"},
    {"UTF-8", "mixed 中文 é 😀", "\xC3\xA9", "é"},
};

} // namespace

TEST(ConvertEncodings, ThirtyTwoRowsWhoseKeysAreInTheirNames) {
    const auto table = convertEncodingTable();
    ASSERT_EQ(table.size(), 32u);
    EXPECT_EQ(QString::fromUtf16(table.front().displayName), QString::fromUtf16(kDefaultConvertEncodingName));
    EXPECT_EQ(QString::fromUtf16(table.back().displayName), "Unicode(UTF-8)");
    QSet<QString> keys;
    for (const ConvertEncoding& row : table) {
        const QString name = QString::fromUtf16(row.displayName);
        EXPECT_EQ(convertEncodingKey(name), QLatin1String(row.key)) << qPrintable(name);
        EXPECT_TRUE(isKnownEncoding(QLatin1String(row.key))) << row.key;
        keys.insert(QLatin1String(row.key));
    }
    EXPECT_EQ(keys.size(), 32);
    // Every key has its row of samples below.
    EXPECT_EQ(std::size(kSamples), table.size());
}

TEST(TextConverter, EveryKeyRoundTripsThroughUtf8AndKnowsItsBytes) {
    for (const KeySample& s : kSamples) {
        SCOPED_TRACE(s.key);
        const QString key = QLatin1String(s.key);
        const QByteArray text(s.text);
        const QByteArray encoded = convert(text, "UTF-8", key);
        if (key != "UTF-8" && key != "ASCII") {
            EXPECT_NE(encoded, text) << "nothing was encoded";
        }
        EXPECT_EQ(convert(encoded, key, "UTF-8"), text);
        EXPECT_EQ(convert(s.bytes, key, "UTF-8"), QByteArray(s.means));
        EXPECT_EQ(convert(s.means, "UTF-8", key), s.bytes);
    }
}

TEST(TextConverter, UnicodeForms) {
    struct Row {
        const char* name;
        QByteArray bytes;
    };
    // U+00E9, U+20AC, U+1F600 (a surrogate pair in UTF-16).
    const QByteArray text("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const Row rows[] = {
        {"UTF-16LE", QByteArray("\xE9\x00\xAC\x20\x3D\xD8\x00\xDE", 8)},
        {"UTF-16BE", QByteArray("\x00\xE9\x20\xAC\xD8\x3D\xDE\x00", 8)},
        {"UTF-32LE", QByteArray("\xE9\x00\x00\x00\xAC\x20\x00\x00\x00\xF6\x01\x00", 12)},
        {"UTF-32BE", QByteArray("\x00\x00\x00\xE9\x00\x00\x20\xAC\x00\x01\xF6\x00", 12)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(convert(text, "UTF-8", row.name), row.bytes);
        EXPECT_EQ(convert(row.bytes, row.name, "UTF-8"), text);
    }
    // A character beyond the 16-bit range has no place in a Mac table: it is left out whole.
    EXPECT_EQ(convert("\xF0\x9F\x98\x80x", "UTF-8", "MacHebrew"), "x");
}

TEST(TextConverter, WhatCannotBeConvertedIsLeftOut) {
    struct Row {
        QByteArray input;
        const char* from;
        const char* to;
        QByteArray expected;
    };
    const Row rows[] = {
        {"a中b", "UTF-8", "ISO-8859-1", "ab"},
        {"a中b€", "UTF-8", "MacArabic", "ab"},
        {"a中b", "UTF-8", "ASCII", "ab"},
        {"a\xFF"
         "b",
         "UTF-8", "UTF-16BE", QByteArray("\0a\0b", 4)},
        {"a\x80"
         "b",
         "ASCII", "UTF-8", "ab"},
        // A lead byte followed by a byte that cannot trail it: the lead goes, the ASCII stays.
        {"a\xD6"
         "b",
         "GB2312", "UTF-8", "ab"},
        // A sequence cut off by the end of the file.
        {"a\xD6", "GB2312", "UTF-8", "a"},
        // The one byte MacHebrew leaves undefined.
        {"a\xC0"
         "b",
         "MacHebrew", "UTF-8", "ab"},
        {"Ä€", "UTF-8", "MacRoman", "\x80\xDB"},
        // Arabic duplicates of ASCII punctuation decode to it and encode as the ASCII byte.
        {"\xA0\xA1", "MacArabic", "MacArabic", " !"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(convert(row.input, row.from, row.to), row.expected)
            << row.from << " -> " << row.to << ": " << row.input.toHex().constData();
}

TEST(TextConverter, PiecesOfAnySizeGiveTheWholeResult) {
    struct Row {
        const char* from;
        const char* to;
        const char* text; // UTF-8, encoded to `from` first
    };
    const Row rows[] = {
        {"GB2312", "UTF-8", "中文字幕，你好！abc"}, {"HZ", "UTF-8", "中文 ab ~ 字幕"},
        {"UTF-8", "HZ", "中文 ab ~ 字幕"},          {"UTF-7", "ISO-2022-KR", "한국어 + 자막"},
        {"UTF-8", "MacHebrew", "שלום ₪ 😀 x"},       {"MacHebrew", "CP1255", "שלום ₪ x"},
        {"UTF-16LE", "MacUkraine", "Ґанок 😀"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.from) + " -> " + row.to);
        // Long enough to overflow the converter's inner buffers several times.
        QByteArray text;
        for (int i = 0; i < 2000; ++i)
            text += row.text;
        const QByteArray input = convert(text, "UTF-8", row.from);
        const QByteArray whole = convert(input, row.from, row.to);
        ASSERT_FALSE(whole.startsWith("<failed"));
        ASSERT_GT(whole.size(), 2000);
        std::unique_ptr<TextConverter> converter = TextConverter::open(row.from, row.to);
        ASSERT_TRUE(converter);
        for (qsizetype piece : {1, 7, 4096, 70000}) {
            QByteArray out;
            for (qsizetype at = 0; at < input.size(); at += piece)
                ASSERT_TRUE(converter->convert(
                    QByteArrayView(input).sliced(at, std::min(piece, input.size() - at)), false, out));
            ASSERT_TRUE(converter->convert({}, true, out));
            EXPECT_EQ(out, whole) << "pieces of " << piece;
        }
    }
}

TEST(TextConverter, EachTextStartsInTheInitialState) {
    std::unique_ptr<TextConverter> converter = TextConverter::open("HZ", "UTF-8");
    ASSERT_TRUE(converter);
    QByteArray out;
    // The first text ends inside a GB2312 shift; the second must not start in it.
    ASSERT_TRUE(converter->convert("~{VP", true, out));
    ASSERT_TRUE(converter->convert("VP", true, out));
    EXPECT_EQ(out, "中VP");
}

TEST(TextConverter, UnknownNamesAreRefusedWithTheName) {
    for (const char* bad : {"", "NoSuchEncoding", "MacKlingon"}) {
        QString error;
        EXPECT_FALSE(TextConverter::open(bad, "UTF-8", &error)) << bad;
        EXPECT_TRUE(error.contains(QString("\"%1\"").arg(bad))) << qPrintable(error);
        EXPECT_FALSE(TextConverter::open("UTF-8", bad)) << bad;
    }
}
