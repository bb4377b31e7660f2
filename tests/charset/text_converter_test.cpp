#include "charset/convert_encodings.h"
#include "charset/text_converter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// The conversion, or a marker that cannot be mistaken for converted text.
QByteArray convert(const QByteArray& input, const QString& from, const QString& to) {
    QString error;
    const std::optional<QByteArray> out = convertBytes(input, from, to, &error);
    return out ? *out : "<failed: " + error.toUtf8() + ">";
}

// The system's iconv program with -c over `input`; what the converter promises to match.
QByteArray iconvC(const QByteArray& input, const char* from, const char* to) {
    QProcess iconv;
    iconv.start("iconv", {"-c", "-f", from, "-t", to});
    iconv.write(input);
    iconv.closeWriteChannel();
    if (!iconv.waitForFinished(10000))
        return "<iconv did not run>";
    return iconv.readAllStandardOutput();
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
    {"UTF-8 with BOM", "mixed 中文 é 😀", "\xEF\xBB\xBF\xC3\xA9", "é"},
    {"UTF-16LE with BOM", "mixed 中文 é 😀", QByteArray("\xFF\xFE\xE9\x00", 4), "é"},
    {"UTF-16BE with BOM", "mixed 中文 é 😀", QByteArray("\xFE\xFF\x00\xE9", 4), "é"},
    {"GBK", "中文字幕，镕喆堃", "\xE9\x46", "镕"},
    {"GB18030", "中文字幕 😀 ︐", "\x94\x39\xFC\x36\xA6\xD9", "😀︐"},
    {"CP950", "繁體中文字幕，碁銹", "\xA4\xA4\xA4\xE5", "中文"},
    {"ISO-2022-JP", "日本語の字幕です。", "\x1B$B$<\x1B(B", "ぜ"},
    {"CP1252", "Café déjà vu “quoted” €5 œ", "\x80\x9C", "€œ"},
    {"CP1254", "Ğüşıöç İstanbul", "\xD0\xFD", "Ğı"},
    {"CP1257", "Ąčęėįšųūž āčēģīķļņ", "\xC0\xE8", "Ąč"},
    {"CP1258", "Xin chào thế giới, đây là phụ đề", "\xEA\xEC\xD0", "ếĐ"},
};

} // namespace

TEST(ConvertEncodings, EveryKeyIsInItsNameAndHasItsSample) {
    const auto table = convertEncodingTable();
    EXPECT_EQ(QString::fromUtf16(table.front().displayName), QString::fromUtf16(kDefaultConvertEncodingName));
    QSet<QString> keys;
    for (const ConvertEncoding& row : table) {
        const QString name = QString::fromUtf16(row.displayName);
        EXPECT_EQ(convertEncodingKey(name), QLatin1String(row.key)) << qPrintable(name);
        EXPECT_TRUE(isKnownEncoding(QLatin1String(row.key))) << row.key;
        keys.insert(QLatin1String(row.key));
    }
    EXPECT_EQ(keys.size(), qsizetype(table.size()));
    QSet<QString> sampled;
    for (const KeySample& s : kSamples)
        sampled.insert(QLatin1String(s.key));
    EXPECT_EQ(sampled, keys);
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
        {"a\xD6 b", "GB2312", "UTF-8", "a b"},
        // The lead byte goes and what follows is read again, whatever the table says of the pair.
        {"\x81@x", "BIG5", "UTF-8", "@x"},
        {"\x92s", "CP950", "UTF-8", "s"},
        {"\x81\xAD", "SHIFT-JIS", "UTF-8", "ｭ"},
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
        {"GB2312", "UTF-8", "中文字幕，你好！abc"},
        {"HZ", "UTF-8", "中文 ab ~ 字幕"},
        {"UTF-8", "HZ", "中文 ab ~ 字幕"},
        {"UTF-7", "ISO-2022-KR", "한국어 + 자막"},
        {"UTF-8", "MacHebrew", "שלום ₪ 😀 x"},
        {"MacHebrew", "CP1255", "שלום ₪ x"},
        {"UTF-16LE", "MacUkraine", "Ґанок 😀"},
        // Accents written after their letters, composed again on reading.
        {"CP1258", "UTF-8", "Xin chào thế giới, được rồi"},
        {"UTF-8", "CP1258", "Xin chào thế giới, được rồi"},
        {"SHIFT-JIS", "UTF-16LE with BOM", "ええ〜っと ﾊﾝｶｸ"},
        {"UTF-8 with BOM", "GB18030", "中文 ︐ 😀"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.from) + " -> " + row.to);
        // Longer than the largest piece, so that every size cuts sequences somewhere.
        QByteArray text;
        for (int i = 0; i < 600; ++i)
            text += row.text;
        const QByteArray input = convert(text, "UTF-8", row.from);
        const QByteArray whole = convert(input, row.from, row.to);
        ASSERT_FALSE(whole.startsWith("<failed"));
        ASSERT_GT(whole.size(), 600);
        std::unique_ptr<TextConverter> converter = TextConverter::open(row.from, row.to);
        ASSERT_TRUE(converter);
        for (qsizetype piece : {1, 7, 1000, 4096}) {
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

namespace {
struct RealFile {
    const char* key;
    const char* iconvName; // the same encoding in the iconv program's words
    QByteArray mark;       // what the key writes before the text
    const char* lines;     // two lines of an entry, split at "|"
    // UTF-7 may write a sign as itself or in base64: iconv's bytes and ours differ, the text not.
    bool sameBytes = true;
};

const char* const kMixed = "Hello, wörld! 中文 é ₪ 😀|Unicode keeps everything";

// What the key decodes and encodes as iconv does on a small SubRip file. GB2312 reads as GBK.
const RealFile kRealFiles[] = {
    {"GB2312", "GBK", {}, "你好，世界！这是中文字幕。|——“引号”与《书名号》·镕喆堃……"},
    {"GBK", "GBK", {}, "你好，世界！这是中文字幕。|——“引号”与《书名号》·镕喆堃……"},
    {"GB18030", "GB18030", {}, "你好，世界！😀 镕喆|︐︒ 中文字幕"},
    {"BIG5", "BIG5", {}, "你好，這是繁體中文字幕。|「引號」……碁銹"},
    {"CP950", "CP950", {}, "你好，這是繁體中文字幕。|「引號」……碁銹"},
    {"SHIFT-JIS",
     "SHIFT_JIS",
     {},
     "こんにちは、世界！これは日本語の字幕です。|「ええ〜っと」――ﾊﾝｶｸ ｶﾀｶﾅ ¢£¬"},
    {"CP932", "CP932", {}, "こんにちは～①②③ ﾊﾝｶｸ|「ええ～っと」――"},
    {"EUC-JP", "EUC-JP", {}, "こんにちは、世界！これは日本語の字幕です。|「ええ〜っと」――¢£¬"},
    {"ISO-2022-JP", "ISO-2022-JP", {}, "こんにちは、世界！|日本語の字幕です。"},
    {"EUC-KR", "EUC-KR", {}, "안녕하세요, 세계! €5|이것은 한국어 자막입니다."},
    {"CP949", "CP949", {}, "안녕하세요, 세계! 똠방각하|이것은 한국어 자막입니다."},
    {"ISO-2022-KR", "ISO-2022-KR", {}, "안녕하세요, 세계!|한국어 자막"},
    {"CP1251", "CP1251", {}, "Привет, мир! «Ёлка» — №5|Это русские субтитры…"},
    {"KOI8-R", "KOI8-R", {}, "Привет, мир!|Это русские субтитры."},
    {"ISO-8859-5", "ISO-8859-5", {}, "Привет, мир! №5|Это русские субтитры."},
    {"ISO-8859-7", "ISO-8859-7", {}, "Γειά σου Κόσμε!|Αυτοί είναι ελληνικοί υπότιτλοι."},
    {"CP1253", "CP1253", {}, "Γειά σου Κόσμε! “€5”|Αυτοί είναι ελληνικοί υπότιτλοι…"},
    {"ISO-8859-1", "ISO-8859-1", {}, "Café, naïve façade|«¿Qué?» ÿ"},
    {"CP1252", "CP1252", {}, "Café “quoted” … €5|œuvre ‰ Ÿ"},
    {"ISO-8859-2", "ISO-8859-2", {}, "Zażółć gęślą jaźń.|Příliš žluťoučký kůň."},
    {"CP1250", "CP1250", {}, "Zażółć gęślą jaźń.|„Příliš žluťoučký kůň” – €"},
    {"CP1254", "CP1254", {}, "Ğüşıöç İstanbul'da|“çay” içtik…"},
    {"CP1257", "CP1257", {}, "Ąčęėįšųūž|Latviešu valoda: āčēģīķļņšūž"},
    {"CP1255", "CP1255", {}, "שלום עולם!|אלה כתוביות בעברית. ₪"},
    {"CP1256", "CP1256", {}, "مرحبا بالعالم!|هذه ترجمة عربية."},
    {"CP874", "CP874", {}, "สวัสดีชาวโลก…|นี่คือคำบรรยายภาษาไทย €"},
    {"TIS-620", "TIS-620", {}, "สวัสดีชาวโลก|นี่คือคำบรรยายภาษาไทย ฿"},
    {"CP1258", "CP1258", {}, "Xin chào thế giới!|Đây là phụ đề tiếng Việt. Ừ, được rồi."},
    {"ASCII", "ASCII", {}, "Hello, world! ~ {x}|Plain text."},
    {"UTF-8", "UTF-8", {}, kMixed},
    {"UTF-7", "UTF-7", {}, "Hello, wörld! 中文|Unicode", false},
    {"UTF-8 with BOM", "UTF-8", "\xEF\xBB\xBF", kMixed},
    {"UTF-16LE with BOM", "UTF-16LE", "\xFF\xFE", kMixed},
    {"UTF-16BE with BOM", "UTF-16BE", "\xFE\xFF", kMixed},
};

// Three SubRip entries in UTF-8 with CRLF line ends, each with the two lines.
QByteArray subRip(const char* lines) {
    const QByteArray text = QByteArray(lines).replace('|', "\r\n");
    QByteArray file;
    for (int n = 1; n <= 3; ++n)
        file += QByteArray::number(n) + "\r\n00:00:0" + QByteArray::number(n) + ",000 --> 00:00:0" +
                QByteArray::number(n + 1) + ",500\r\n" + text + "\r\n\r\n";
    return file;
}

bool isC1(char32_t c) {
    return c >= 0x80 && c <= 0x9F;
}
bool isPrivateUse(char32_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}
} // namespace

TEST(TextConverter, RealLookingFilesConvertAsIconvDoes) {
    for (const RealFile& row : kRealFiles) {
        SCOPED_TRACE(row.key);
        const QByteArray utf8 = subRip(row.lines);
        const QByteArray file = iconvC(utf8, "UTF-8", row.iconvName);
        ASSERT_GT(file.size(), 100);
        const QByteArray written = convert(utf8, "UTF-8", row.key);
        if (row.sameBytes)
            EXPECT_EQ(written.toHex(' '), (row.mark + file).toHex(' '));
        else
            EXPECT_EQ(iconvC(written, row.iconvName, "UTF-8"), utf8);
        const QByteArray read = iconvC(file, row.iconvName, "UTF-8");
        ASSERT_GT(read.size(), 100);
        EXPECT_EQ(QString::fromUtf8(convert(row.mark + file, row.key, "UTF-8")), QString::fromUtf8(read));
    }
}

TEST(TextConverter, ControlBytesStayThemselvesInEveryCodePage) {
    // IBM's tables, which ICU reads Shift_JIS with, swap 0x1A, 0x1C and 0x7F.
    QByteArray controls;
    for (int b = 1; b < 0x20; ++b)
        if (b != 0x0E && b != 0x0F && b != 0x1B) // the shifts of ISO-2022
            controls += char(b);
    controls += '\x7F';
    QStringList keys{"CP932"};
    // Not the shifting encodings nor the Unicode forms, which write a header, shift or mark first.
    for (const ConvertEncoding& row : convertEncodingTable())
        if (!QRegularExpression("^(UTF|HZ|ISO-2022)").match(QLatin1String(row.key)).hasMatch())
            keys << QLatin1String(row.key);
    for (const QString& key : keys) {
        EXPECT_EQ(convert(controls, key, "UTF-8").toHex(' '), controls.toHex(' ')) << qPrintable(key);
        EXPECT_EQ(convert(controls, "UTF-8", key).toHex(' '), controls.toHex(' ')) << qPrintable(key);
    }
}

TEST(TextConverter, SingleByteCodePagesReadEveryByteAsIconvDoes) {
    QByteArray input;
    for (int b = 0; b <= 0xFF; ++b)
        input += QByteArray("-") + char(b) + "\n";
    for (const char* key :
         {"CP1253", "CP1250", "CP1251", "CP1252", "CP1254", "CP1256", "CP1257", "CP874", "TIS-620", "KOI8-R",
          "ISO-8859-1", "ISO-8859-2", "ISO-8859-5", "ISO-8859-7", "ASCII"})
        EXPECT_EQ(QString::fromUtf8(convert(input, key, "UTF-8")),
                  QString::fromUtf8(iconvC(input, key, "UTF-8")))
            << key;
}

TEST(TextConverter, BytesThatCannotBeReadAreLeftOutNeverControlOrPrivateUse) {
    // Each byte of the upper half alone on its line, after a sign no accent combines with.
    QByteArray input;
    for (int b = 0x80; b <= 0xFF; ++b)
        input += QByteArray("-") + char(b) + "\n";
    QStringList keys{"CP1252"};
    for (const ConvertEncoding& row : convertEncodingTable())
        keys << QLatin1String(row.key);
    for (const QString& key : keys) {
        // Unicode forms and GB18030 read every sequence; C1 controls are the ISO 8859 sets' own.
        if (key.startsWith("UTF") || key == "GB18030")
            continue;
        SCOPED_TRACE(key.toStdString());
        const QString text = QString::fromUtf8(convert(input, key, "UTF-8"));
        EXPECT_EQ(text.count(u'\n'), 128);
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(line.startsWith(u'-')) << qPrintable(line);
        for (char32_t c : text.toUcs4()) {
            EXPECT_FALSE(isC1(c) && !key.startsWith("ISO-8859")) << std::hex << unsigned(c);
            // Apple's tables give their private characters (the logo) to bytes they define.
            EXPECT_FALSE(isPrivateUse(c) && !key.startsWith("Mac")) << std::hex << unsigned(c);
        }
    }
}
