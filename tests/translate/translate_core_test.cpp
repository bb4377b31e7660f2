// The language table, the request text and the reading of answers, without a network.
#include "subtitle/entry_rows.h"
#include "translate/answer_reader.h"
#include "translate/language_table.h"
#include "translate/translate_job.h"
#include "translate/translate_request.h"
#include "translate/translate_transport.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString piecesText(const QStringList& pieces) {
    return pieces.join(QStringLiteral(" / "));
}

TEST(LanguageTable, CodesOrdersAndPairs) {
    ASSERT_EQ(languageTable().size(), 92u);
    const QStringList from = translateFromNames();
    const QStringList to = translateToNames();
    ASSERT_EQ(from.size(), 92);
    ASSERT_EQ(to.size(), 91);
    EXPECT_EQ(from.mid(0, 6),
              (QStringList{"English", "Detect language", "French", "Spanish", "Italian", "Afrikaans"}));
    EXPECT_EQ(to.mid(0, 5), (QStringList{"French", "English", "Spanish", "Italian", "Afrikaans"}));
    EXPECT_EQ(to.last(), QStringLiteral("Zulu"));
    // Each row appears once in either combo, and both offer the same languages but detection.
    EXPECT_EQ(QSet<QString>(from.begin(), from.end()).size(), 92);
    QStringList fromWithoutDetect = from;
    fromWithoutDetect.removeAll(QStringLiteral("Detect language"));
    fromWithoutDetect.sort();
    QStringList toSorted = to;
    toSorted.sort();
    EXPECT_EQ(toSorted, fromWithoutDetect);

    // The service's own codes, where general code lists differ.
    const struct {
        const char* name;
        const char* code;
    } codes[] = {{"Hebrew", "iw"},
                 {"Filipino", "tl"},
                 {"Javanese", "jw"},
                 {"Cebuano", "ceb"},
                 {"Hmong", "hmn"},
                 {"Chinese(Simplified)", "zh-CN"},
                 {"Myanmar (Burmese)", "my"},
                 {"english", ""},
                 {"", ""}};
    for (const auto& c : codes)
        EXPECT_EQ(languageCode(QString::fromUtf8(c.name)), QByteArray(c.code)) << c.name;

    EXPECT_EQ(BuildLanguagePair("English", "French"), "en&tl=fr");
    EXPECT_EQ(BuildLanguagePair("Detect language", "Chinese(Traditional)"), "auto&tl=zh-TW");
    EXPECT_EQ(BuildLanguagePair("Klingon", "German"), "&tl=de");
    EXPECT_EQ(BuildLanguagePair("German", ""), "de&tl=");
}

TEST(TranslateRequest, PercentEncoding) {
    const struct {
        QByteArray in;
        QByteArray out;
    } cases[] = {
        {" ", "%20"},
        {"\xC3\xA9", "%C3%A9"},
        {"-_~", "%2D%5F%7E"},
        {"a/b.c", "a/b.c"},
        {"Hi|\nyou", "Hi%7C%0Ayou"},
        {"a\rb", "a%0Db"},
        {QByteArray("\0\xFF", 2), "%00%FF"},
        {"AZaz09", "AZaz09"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentEncode(c.in), c.out) << c.in.toHex().constData();
}

TEST(TranslateRequest, BatchesAndBody) {
    QStringList sixty;
    for (int i = 0; i < 60; ++i)
        sixty.append(QStringLiteral("line %1").arg(i));
    QList<int> ends;
    QList<int> sizes;
    for (int pos = 0; pos < 60;) {
        const BatchText batch = assembleBatch(sixty, pos);
        ends.append(batch.end);
        sizes.append(int(batch.text.split(u'\r').size()));
        pos = batch.end;
    }
    EXPECT_EQ(ends, (QList<int>{25, 50, 60}));
    EXPECT_EQ(sizes, (QList<int>{25, 25, 10}));

    EXPECT_EQ(assembleBatch({"a", "b"}, 0).text, QStringLiteral("a\rb"));
    EXPECT_EQ(assembleBatch({"only"}, 0).text, QStringLiteral("only"));
    EXPECT_EQ(assembleBatch({"a", "", "c"}, 0).text, QStringLiteral("a\r\rc"));
    EXPECT_EQ(assembleBatch({"a"}, 5).end, 5);

    EXPECT_EQ(buildRequestBody("auto&tl=zh-TW", QStringLiteral("Hi|\nyou\rb")),
              "sl=auto&tl=zh-TW&ie=UTF-8&oe=UTF-8&client=gtx&dt=t&q=Hi%7C%0Ayou%0Db");
}

TEST(TranslateRequest, SelectedRowsInAscendingOrderOnce) {
    EntryRows rows;
    for (int i = 0; i < 15; ++i)
        rows.append(EntryRow{double(i + 1), {}, {}, QStringLiteral("o%1").arg(i), {}});
    const TranslateRequest r = requestForRows(rows, {12, 10, 11, 10, 99, -1}, "en&tl=fr", kMicroDVD);
    EXPECT_EQ(r.rows, (QList<int>{10, 11, 12}));
    EXPECT_EQ(r.lines, (QStringList{"o10", "o11", "o12"}));
    EXPECT_EQ(r.formatMode, kMicroDVD);
    const TranslateRequest all = requestForAllRows(rows, "en&tl=fr", kSubRip);
    EXPECT_EQ(all.rows.size(), 15);
    EXPECT_EQ(all.lines.value(14), QStringLiteral("o14"));
}

// What is not an answer is told apart by its markers and its JSON, with the two messages.
TEST(AnswerReader, MessagesForWhatIsNoAnswer) {
    const QString empty = emptyAnswerMessage().text;
    const QString translator = translatorUnavailableMessage().text;
    // The service's answer, not the network, was empty; and nobody is sent to write to an address.
    EXPECT_TRUE(empty.startsWith(QStringLiteral("The translation service gave an empty answer.")));
    EXPECT_FALSE(translator.contains(u'@'));
    EXPECT_TRUE(translator.contains(QStringLiteral("\"Troubleshooting\"")));
    const struct {
        const char* what;
        QByteArray answer;
        QString message; // empty: an answer
    } cases[] = {
        {"empty", "", empty},
        {"error page", "<html><body>500 Internal Server Error</body></html>", translator},
        {"no start marker", R"([["Bonjour","Hello"]])", translator},
        {"segment without end", R"([[["Bonjour\r","Hello\r",null],["le monde)", translator},
        {"cut after a segment", R"([[["Bonjour","Hello",null,null,1])", translator},
        {"too large", "[[[\"" + QByteArray(kMaxAnswerBytes, 'a') + "\"]]]", translator},
        {"first member not a list", R"([1,[["x","y"]],[[["z"]]]])", translator},
        {"answer", R"([[["Bonjour","Hello",null,null,1]],null,"en"])", {}},
        {"answer after a prefix",
         R"()]}'
[[["Bonjour","Hello",null,null,1]]])",
         {}},
    };
    for (const auto& c : cases) {
        const AnswerText read = readAnswer(c.answer);
        if (c.message.isEmpty()) {
            EXPECT_FALSE(read.message) << c.what;
            continue;
        }
        ASSERT_TRUE(read.message) << c.what;
        EXPECT_EQ(read.message->text, c.message) << c.what;
        EXPECT_EQ(read.message->caption, QStringLiteral("ERROR!")) << c.what;
        EXPECT_EQ(read.message->icon, MessageIcon::Error) << c.what;
    }
}

// Escapes, entities and tags: each decoded once, the service's damage to tags mended, and any
// other text left as it is.
TEST(AnswerReader, RepairDecodesOnceAndLeavesOrdinaryTextAlone) {
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {"Tom &amp; Jerry", "Tom & Jerry"},
        {"salt; and pepper", "salt; and pepper"},
        {"it&#x27;s over", "it's over"},
        {"it&#39;s", "it's"},
        {"caf&#233;", QStringLiteral("caf\u00e9")},
        {"&#128512;!", QStringLiteral("\U0001F600!")},
        {"&#x1F600;", QStringLiteral("\U0001F600")},
        {"&lt;b&gt;x&lt;/b&gt;", "<b>x</b>"},
        {"&lt;i&gt;x&lt;/ I&gt;", "<i>x</i>"},
        {"&amp;lt;i&amp;gt;x&amp;lt;/ i&amp;gt;", "<i>x</i>"},
        {"&amp;quot;a&amp;quot; &amp;#39;", "\"a\" '"},
        {"&quot;yes&quot;", "\"yes\""},
        {"a&lt;br&gt;b<br>c", "abc"},
        {"<font color=red>x</ Font>", "<font color=red>x</font>"},
        {"x</I> y</ b>", "x</i> y</b>"},
        {"&amp;amp;", "&amp;"},
        {"&amp;#233;", "&#233;"},
        {"AT&T; R&D &; &#; &#0; &#xD800; &#99999999; &bogus; &",
         "AT&T; R&D &; &#; &#0; &#xD800; &#99999999; &bogus; &"},
        {"lt;gt;", "lt;gt;"},
        {"a|\nb", "a|b"},
        {"a|   \nb", "a|b"},
        {"a\nb", "a\nb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(repairText(c.in), c.out) << c.in.toStdString();
}

TEST(AnswerReader, JsonEscapesAndSegmentsComeThroughOnce) {
    const QByteArray answer = R"([[["say \"hi\" \\ \u00e9 \u003ci\u003ea\",\"b\u003c/i\u003e\r","src",null],)"
                              R"([null,null,"translit"],["second","src2",null]],null,"en"])";
    const BatchAnswer read = readBatchAnswer(answer, 2, kSubRip);
    ASSERT_FALSE(read.message);
    EXPECT_EQ(read.pieces, (QStringList{QStringLiteral("say \"hi\" \\ \u00e9 <i>a\",\"b</i>"), "second"}));
}

// The split gives the k-th piece to the k-th line and shapes it for the document's format.
TEST(AnswerReader, SplitAndShape) {
    const struct {
        const char* what;
        QByteArray answer;
        int lines;
        std::int32_t format;
        QString pieces;
    } cases[] = {
        {"the example",
         R"([[["Bonjour\r","Hello\r",null,null,1],["le monde","world",null,null,1]],null,"en"])", 2, kSubRip,
         "Bonjour / le monde"},
        {"extra separators", R"([[["a\rb\rc"]]])", 2, kSubRip, "a / b"},
        {"joiner, SubRip", R"([[["A|\nB"]]])", 1, kSubRip, "A|\nB"},
        {"bar, SubRip", R"([[["A|B"]]])", 1, kSubRip, "A|\nB"},
        {"bar, MicroDVD", R"([[["A|B"]]])", 1, kMicroDVD, "A|B"},
        {"joiner, MicroDVD", R"([[["A|\nB"]]])", 1, kMicroDVD, "A|B"},
        {"space before the joiner's line feed", R"([[["A| \nB"]]])", 1, kSAMI, "A|\nB"},
        {"leading blanks, SubViewer", R"([[["  Hola\r  Adios"]]])", 2, kSubViewer, "Hola / Adios"},
        {"leading blanks, MicroDVD", R"([[["  Hola"]]])", 1, kMicroDVD, "  Hola"},
        {"empty lines keep their place", R"([[["a\r\rc"]]])", 3, kSubRip, "a /  / c"},
    };
    for (const auto& c : cases) {
        const BatchAnswer read = readBatchAnswer(c.answer, c.lines, c.format);
        ASSERT_FALSE(read.message) << c.what;
        EXPECT_EQ(piecesText(read.pieces), c.pieces) << c.what;
    }
}

// Fewer pieces than lines fails the batch: no line gets another's piece, and a short answer of a
// megabyte is not copied onto every line. Texts and pieces beyond any translation are refused.
TEST(AnswerReader, ShortOrOverlongAnswersAreNoPieces) {
    const QByteArray huge = QByteArray(kMaxAnswerBytes - 100, 'a');
    const struct {
        const char* what;
        QByteArray answer;
        int lines;
        QString message; // empty: pieces
        bool mismatch;
    } cases[] = {
        {"one separator for three lines", R"([[["a\rb"]]])", 3, linesMismatchMessage().text, true},
        {"a megabyte and one separator for 25 lines", "[[[\"" + huge + "\\r" + "b\"]]]", 25,
         answerTooLongMessage().text, false},
        {"a long line and an empty one", "[[[\"" + QByteArray(4000, 'a') + "\\r\"]]]", 2, {}, false},
        {"a piece past the bound", "[[[\"" + QByteArray(kMaxPieceChars + 1, 'a') + "\\rb\"]]]", 2,
         answerTooLongMessage().text, false},
        {"joiners that grow a piece past the bound",
         "[[[\"" + QByteArray(kMaxPieceChars / 2 + 1, '|') + "\"]]]", 1, answerTooLongMessage().text, false},
        {"a piece at the bound", "[[[\"" + QByteArray(kMaxPieceChars, 'a') + "\"]]]", 1, {}, false},
        {"segments past the bound together",
         "[[[\"" + QByteArray(40000, 'a') + "\"],[\"" + QByteArray(20000, 'b') + "\"]]]", 1,
         answerTooLongMessage().text, false},
    };
    for (const auto& c : cases) {
        const BatchAnswer read = readBatchAnswer(c.answer, c.lines, kSubRip);
        EXPECT_EQ(read.mismatch, c.mismatch) << c.what;
        if (c.message.isEmpty()) {
            EXPECT_FALSE(read.message) << c.what;
            EXPECT_EQ(read.pieces.size(), c.lines) << c.what;
            continue;
        }
        ASSERT_TRUE(read.message) << c.what;
        EXPECT_EQ(read.message->text, c.message) << c.what;
        EXPECT_TRUE(read.pieces.isEmpty()) << c.what;
    }
}

TEST(ServiceAddress, BareHostsMeanHttpsAndOnlyLoopbackIsLocal) {
    const struct {
        const char* typed;
        const char* url;
    } addresses[] = {
        {"translate.example.org", "https://translate.example.org"},
        {"translate.example.org:8443/base", "https://translate.example.org:8443/base"},
        {"  http://127.0.0.1:5000 ", "http://127.0.0.1:5000"},
        {"https://example.org", "https://example.org"},
        {"", ""},
    };
    for (const auto& a : addresses)
        EXPECT_EQ(serviceUrlFromText(QString::fromUtf8(a.typed)).toString(), QString::fromUtf8(a.url))
            << a.typed;

    const struct {
        const char* host;
        bool loopback;
    } hosts[] = {
        {"example.org", false},
        {"127.0.0.1.example.org", false},
        {"10.0.0.1", false},
        {"::2", false},
        {"localhostx", false},
        {"127.0.0.1", true},
        {"127.8.9.10", true},
        {"::1", true},
        {"[::1]", true},
        {"LOCALHOST", true},
        {"::ffff:127.0.0.1", true},
    };
    for (const auto& h : hosts)
        EXPECT_EQ(isLoopbackHost(QString::fromUtf8(h.host)), h.loopback) << h.host;
}

// The failure log is appended to, starts over when large, and never follows a planted link.
TEST(FailureLog, AppendsToARegularFileOnly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("translation.log"));
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QFile v(victim);
    ASSERT_TRUE(v.open(QIODevice::WriteOnly));
    v.write("keep me");
    v.close();
    const QString link = dir.filePath(QStringLiteral("link.log"));
    ASSERT_TRUE(QFile::link(victim, link));

    EXPECT_FALSE(appendFailureLog(link, QStringLiteral("HTTP 500")));
    EXPECT_FALSE(appendFailureLog(dir.path(), QStringLiteral("HTTP 500")));
    EXPECT_FALSE(appendFailureLog(QString(), QStringLiteral("HTTP 500")));
    QFile check(victim);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "keep me");

    ASSERT_TRUE(appendFailureLog(log, QStringLiteral("HTTP 500"),
                                 QByteArray("<html>\x01"
                                            "busy") +
                                     QByteArray(1000, 'x')));
    ASSERT_TRUE(appendFailureLog(log, QStringLiteral("HTTP 503")));
    QFile written(log);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    written.close();
    EXPECT_TRUE(text.contains(" HTTP 500\n  answer (1011 bytes): <html>\\x01busyxxx")) << text.constData();
    EXPECT_TRUE(text.contains("xxx...\n")) << text.constData();
    EXPECT_LT(text.size(), 500);
    EXPECT_TRUE(text.contains(" HTTP 503\n"));
    EXPECT_EQ(QFile::permissions(log) & (QFile::ReadGroup | QFile::ReadOther), 0);

    // Past its limit it starts over rather than grow without end.
    ASSERT_TRUE(written.open(QIODevice::Append));
    written.write(QByteArray(300 * 1024, 'y'));
    written.close();
    ASSERT_TRUE(appendFailureLog(log, QStringLiteral("HTTP 429")));
    EXPECT_LT(QFileInfo(log).size(), 200);
}

TEST(TranslateRequest, UntranslatedRowsAreEmptyMarkedOrUnchanged) {
    EntryRows rows;
    const struct {
        const char* original;
        const char* translated;
        bool untranslated;
    } cases[] = {
        {"Hello", "Bonjour", false}, {"Hello", "", true}, {"Hello", "untranslated", true},
        {"Hello", " Hello ", true},  {"", "", false},     {"Bye", "Hello", false},
    };
    QList<int> expected;
    for (const auto& c : cases) {
        if (c.untranslated)
            expected.append(rows.count());
        rows.append(EntryRow{double(rows.count() + 1), {}, {}, c.original, c.translated});
    }
    EXPECT_EQ(untranslatedRows(rows), expected);
}

TEST(JobRules, BatchesKeepToTheEnginesLimits) {
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines.append(QString(100, u'x'));
    const struct {
        int start;
        BatchLimit limit;
        int end;
    } cases[] = {
        {0, {25, 1 << 20}, 10}, {0, {4, 1 << 20}, 4}, {8, {4, 1 << 20}, 10},
        {0, {25, 700}, 2},      {3, {25, 10}, 4},     {0, {0, 0}, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(batchEnd(lines, c.start, c.limit), c.end)
            << c.start << " " << c.limit.lines << " " << c.limit.bytes;
}

TEST(JobRules, TimeLeftOnceTwoBatchesAreDone) {
    using std::chrono::milliseconds;
    using std::chrono::seconds;
    const struct {
        milliseconds elapsed;
        int done;
        int total;
        int batches;
        std::optional<seconds> left;
    } cases[] = {
        {milliseconds(20000), 25, 100, 1, std::nullopt}, {milliseconds(20000), 50, 100, 2, seconds(20)},
        {milliseconds(1000), 100, 100, 4, seconds(0)},   {milliseconds(0), 0, 100, 2, std::nullopt},
        {milliseconds(3000), 50, 1000, 2, seconds(57)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(estimateTimeLeft(c.elapsed, c.done, c.total, c.batches), c.left)
            << c.done << "/" << c.total;
}

} // namespace
