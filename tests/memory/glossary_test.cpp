#include "memory_fixture.h"

#include "memory/glossary.h"

#include <QStringEncoder>

namespace {

QStringList termsOf(const GlossaryRead& read) {
    QStringList out;
    for (const GlossaryTerm& t : read.terms)
        out.append(t.term + u'=' + t.translation + (t.note.isEmpty() ? QString() : u'(' + t.note + u')'));
    return out;
}

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding, bool mark) {
    QStringEncoder encoder(encoding,
                           mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

TEST(GlossaryRead, SpreadsheetExportsAreReadInTheirEncodingsAndQuoting) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList terms;
        QList<int> incomplete;
        int errorLine; // 0: no error
    };
    const Case cases[] = {
        {"a quote never closed", "term,translation\nfoo,bar\n\"open,x\nmore\n", {}, {}, 3},
        {"Latin-1 bytes", "caf\xe9,coffee\n", {}, {}, -1},
        {"CSV with quotes, a line break in a note and a header",
         "Term,Translation,Note\n\"New York, NY\",\"New York\",\"city\nnot state\"\n"
         "\"say \"\"hi\"\"\",\"dis \"\"salut\"\"\"\r\nlonely,\n",
         {"New York, NY=New York(city\nnot state)", "say \"hi\"=dis \"salut\""},
         {5},
         0},
        {"semicolons, as European spreadsheets write CSV",
         "\xEF\xBB\xBFordinateur;computer;;\n\nclef;key\n",
         {"ordinateur=computer", "clef=key"},
         {},
         0},
        {"UTF-16 tab-separated with its mark",
         utf16(QString::fromUtf8("Москва\tMoscow\tcapital, city\n北京\tBeijing\n"), QStringConverter::Utf16LE,
               true),
         {"Москва=Moscow(capital, city)", "北京=Beijing"},
         {},
         0},
        {"UTF-16 big-endian without a mark",
         utf16(QStringLiteral("alpha\tAlpha\nalpha\tAlpha\n"), QStringConverter::Utf16BE, false),
         {"alpha=Alpha"},
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GlossaryRead read = readGlossary(c.bytes, QStringLiteral("terms.csv"));
        EXPECT_EQ(termsOf(read), c.terms);
        EXPECT_EQ(read.incompleteLines, c.incomplete);
        ASSERT_EQ(read.message.has_value(), c.errorLine != 0);
        if (c.errorLine > 0) {
            EXPECT_TRUE(read.message->text.contains(QStringLiteral("line %1:").arg(c.errorLine)))
                << read.message->text.toStdString();
        }
    }
}

TEST(GlossaryMatch, TermsAreWholeWordsInAnyCaseAcrossScriptsAndLineBreaks) {
    const GlossaryMatcher glossary({
        {QStringLiteral("ordinateur"), QStringLiteral("computer"), {}},
        {QStringLiteral("aujourd'hui"), QStringLiteral("today"), {}},
        {QStringLiteral("Москва"), QStringLiteral("Moscow"), {}},
        {QStringLiteral("北京"), QStringLiteral("Beijing"), {}},
        {QStringLiteral("New York"), QStringLiteral("New York"), {}},
        {QStringLiteral("York"), QStringLiteral("York"), {}},
        {QString::fromUtf8("café"), QStringLiteral("coffee"), {}},
    });
    struct Case {
        const char* text;
        QStringList found;
    };
    const Case cases[] = {
        {"Les ordinateurs et Москвариум, pas Москвы", {}},
        {"L'ordinateur", {"ordinateur"}},
        {"l\xe2\x80\x99ORDINATEUR d\xe2\x80\x99"
         "aujourd\xe2\x80\x99hui",
         {"ORDINATEUR", "aujourd\xe2\x80\x99hui"}},
        {"\xd0\x92\xd1\x81\xd0\xb5 \xd0\xb2 \xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90!",
         {"\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90"}},
        {"我爱北京天安门", {"北京"}},
        {"<i>New</i>|\nyork and York", {"New</i>|\nyork", "York"}},
        {"un cafe\xcc\x81 noir", {"cafe\xcc\x81"}},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        QStringList found;
        for (const GlossaryHit& hit : glossary.find(text))
            found.append(text.mid(hit.start, hit.length));
        QStringList expected;
        for (const QString& s : c.found)
            expected.append(s);
        EXPECT_EQ(found, expected) << c.text;
    }
}

TEST(GlossaryCheck, ARowWhoseTranslationLacksATermsTranslationIsFound) {
    const GlossaryMatcher glossary({
        {QStringLiteral("ship"), QStringLiteral("navire"), {}},
        {QStringLiteral("ship"), QStringLiteral("bateau"), {}},
        {QStringLiteral("captain"), QStringLiteral("capitaine"), {}},
    });
    QVector<EntryRow> rows(5);
    rows[0] = {1,
               {},
               {},
               QStringLiteral("The captain left the ship."),
               QStringLiteral("Le capitaine a quitté le bateau.")};
    rows[1] = {2, {}, {}, QStringLiteral("The Captain!"), QStringLiteral("Le chef !")};
    rows[2] = {3, {}, {}, QStringLiteral("Ship ahoy, captain"), QStringLiteral("Navire en vue, capitaines")};
    rows[3] = {4, {}, {}, QStringLiteral("A ship."), QStringLiteral("untranslated")};
    rows[4] = {5, {}, {}, QStringLiteral("A ship."), QString()};
    const QList<GlossaryFinding> findings = checkGlossary(glossary, rows);
    QStringList got;
    for (const GlossaryFinding& f : findings)
        got.append(
            QStringLiteral("%1:%2").arg(f.row).arg(rows[f.row].original.mid(f.hit.start, f.hit.length)));
    EXPECT_EQ(got, (QStringList{"1:Captain", "2:captain"}));
}

using GlossaryStore = MemoryFixture;

TEST_F(GlossaryStore, ImportedTermsAreKeptOnceAndCleared) {
    write(file(QStringLiteral("client.tsv")), "term\ttranslation\nship\tnavire\nship\tnavire\nmast\t\n");
    const GlossaryImport first = importGlossaryFile(store(), file(QStringLiteral("client.tsv")));
    EXPECT_EQ(first.added, 1);
    ASSERT_TRUE(first.message.has_value());
    EXPECT_EQ(first.message->icon, MessageIcon::Information);
    EXPECT_TRUE(first.message->text.contains(QStringLiteral("line 4"))) << first.message->text.toStdString();
    EXPECT_EQ(importGlossaryFile(store(), file(QStringLiteral("client.tsv"))).known, 1);
    EXPECT_EQ(store().glossaryTerms(), (QList<GlossaryTerm>{{"ship", "navire", {}}}));
    EXPECT_FALSE(store().clearGlossary().has_value());
    EXPECT_TRUE(store().glossaryTerms().isEmpty());
}

} // namespace
