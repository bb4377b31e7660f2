// The checks that read a row's texts: layout, consistency with the original and slips of typing.
// Each table starts with a case that must be found.
#include "review_rows.h"

#include "subtitle/subtitle_document.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* name;
    QString original;
    QString translated;
    CheckKind kind;
    QStringList found; // the cell texts the findings point at
};

void runTable(const std::vector<TextCase>& cases, const CheckOptions& options = {}) {
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(foundTexts({textRow(c.original, c.translated)}, c.kind, options), c.found);
    }
}

QString repeated(const QString& piece, int times) {
    QString s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

const QString e43 = repeated(QStringLiteral("e"), 43);
const QString e42 = repeated(QStringLiteral("e"), 42);
// "é" as e + combining acute: two UTF-16 units, one character.
const QString combining42 = repeated(QStringLiteral("e\u0301"), 42);
const QString combining43 = repeated(QStringLiteral("e\u0301"), 43);
const QString cjk42 = repeated(QStringLiteral("字"), 42);
const QString cjk43 = repeated(QStringLiteral("字"), 43);
// Outside the basic plane: a surrogate pair each.
const QString emoji42 = repeated(QStringLiteral("\U0001F600"), 42);

TEST(LayoutChecks, CharactersPerLineCountCharactersNotUnitsTagsOrJoins) {
    runTable({
        {"43 letters", "o", e43, CheckKind::LineLength, {e43}},
        {"42 letters", "o", e42, CheckKind::LineLength, {}},
        {"second line too long", "o", "ok|\n" + e43, CheckKind::LineLength, {e43}},
        {"tags are not read", "o", "<i>" + e42 + "</i>", CheckKind::LineLength, {}},
        {"the range is the line's text, tags around it aside",
         "o",
         "<i>" + e43 + "</i>",
         CheckKind::LineLength,
         {e43}},
        {"MicroDVD bar alone breaks the line", "o", e42 + "|" + e42, CheckKind::LineLength, {}},
        {"combining marks", "o", combining42, CheckKind::LineLength, {}},
        {"combining marks, one too many", "o", combining43, CheckKind::LineLength, {combining43}},
        {"ideographs", "o", cjk42, CheckKind::LineLength, {}},
        {"ideographs, one too many", "o", cjk43, CheckKind::LineLength, {cjk43}},
        {"surrogate pairs", "o", emoji42, CheckKind::LineLength, {}},
        {"untranslated row: the original is what is read", e43, kUntranslated, CheckKind::LineLength, {e43}},
    });
}

TEST(LayoutChecks, LinesPerEntry) {
    runTable({
        {"three lines", "o", "a|\nb|\nc", CheckKind::LineCount, {"a|\nb|\nc"}},
        {"two lines", "o", "a|\nb", CheckKind::LineCount, {}},
        {"a trailing join adds no line", "o", "a|\nb|\n", CheckKind::LineCount, {}},
        {"a break tag is a line", "o", "a<br>b<br/>c", CheckKind::LineCount, {"a<br>b<br/>c"}},
    });
}

TEST(ConsistencyChecks, EmptyOrUntouchedTranslation) {
    runTable({
        {"placeholder", "Hello", kUntranslated, CheckKind::EmptyTranslation, {kUntranslated}},
        {"only tags and spaces", "Hello", "<i> </i>", CheckKind::EmptyTranslation, {"<i> </i>"}},
        {"nothing to translate", "", "", CheckKind::EmptyTranslation, {}},
        {"translated", "Hello", "Bonjour", CheckKind::EmptyTranslation, {}},
        {"same text",
         "Paris, je t'aime",
         "Paris, je t'aime",
         CheckKind::SameAsOriginal,
         {"Paris, je t'aime"}},
        {"same text, other line breaks",
         "Hello|\nyou",
         "Hello you",
         CheckKind::SameAsOriginal,
         {"Hello you"}},
        {"no letters to translate", "...", "...", CheckKind::SameAsOriginal, {}},
        {"other case", "hello", "Hello", CheckKind::SameAsOriginal, {}},
    });
}

TEST(ConsistencyChecks, NumbersOfTheOriginalStayInTheTranslation) {
    runTable({
        {"lost", "Room 42, floor 3", "Chambre 24, étage 3", CheckKind::MissingNumber, {"42"}},
        {"thousands with comma and dot", "1,000 men", "1.000 hommes", CheckKind::MissingNumber, {}},
        {"thousands with a no-break space", "1,000 men", "1\u00A0000 hommes", CheckKind::MissingNumber, {}},
        {"thousands run together", "1,000,000", "1000000", CheckKind::MissingNumber, {}},
        {"decimal comma", "2.5 miles", "2,5 miles", CheckKind::MissingNumber, {}},
        {"a decimal is not a thousand", "2.5", "25", CheckKind::MissingNumber, {"2.5"}},
        {"time of day", "At 12:30", "À 12h30", CheckKind::MissingNumber, {}},
        {"full-width digits", "7 days", "７日", CheckKind::MissingNumber, {}},
        {"range inside tags", "<i>Take 5</i>", "Prends-en", CheckKind::MissingNumber, {"5"}},
        {"reported once", "5 by 5", "cinq", CheckKind::MissingNumber, {"5"}},
    });
}

TEST(ConsistencyChecks, TagsBalancedAndKept) {
    runTable({
        {"never closed", "o", "<i>Bonjour", CheckKind::UnbalancedTag, {"<i>"}},
        {"closed but not opened", "o", "Bonjour</i>", CheckKind::UnbalancedTag, {"</i>"}},
        {"crossed", "o", "<i><b>Bonjour</i></b>", CheckKind::UnbalancedTag, {"<b>", "</b>"}},
        {"balanced, any case", "o", "<I>Bon</i><font color=red>jour</font>", CheckKind::UnbalancedTag, {}},
        {"lone tags need no partner", "o", "{\\an8}Bon<br>jour{y:i}", CheckKind::UnbalancedTag, {}},
        {"the original's own", "<b>Hello", "Bonjour", CheckKind::UnbalancedTag, {"<b>"}},
        {"a tag lost", "<i>Hello</i>", "Bonjour</i>", CheckKind::MissingTag, {"<i>"}},
        {"an override lost", "{\\an8}Hello", "Bonjour", CheckKind::MissingTag, {"{\\an8}"}},
        {"kept, quotes and case aside",
         "<font color=\"red\">Hi</font>",
         "<FONT color=red>Salut</FONT>",
         CheckKind::MissingTag,
         {}},
        {"as many as the original has",
         "<i>a</i> <i>b</i>",
         "<i>a b</i>",
         CheckKind::MissingTag,
         {"<i>", "</i>"}},
        {"a lone angle bracket is text", "a < b", "a < b > c", CheckKind::MissingTag, {}},
    });
}

TEST(TypingChecks, SpacesAndDoubledWords) {
    runTable({
        {"leading", "o", " Bonjour", CheckKind::EdgeSpaces, {" "}},
        {"trailing on the first line", "o", "Bonjour  |\ntoi", CheckKind::EdgeSpaces, {"  "}},
        {"inside a tag", "o", "<i> Bonjour</i>", CheckKind::EdgeSpaces, {" "}},
        {"none", "o", "Bonjour toi", CheckKind::EdgeSpaces, {}},
        {"doubled", "o", "Bonjour  toi", CheckKind::DoubledSpaces, {"  "}},
        {"a no-break space and a space", "o", "Quoi\u00A0 ?", CheckKind::DoubledSpaces, {"\u00A0 "}},
        {"edges are not doubled spaces", "o", "  Bonjour toi  ", CheckKind::DoubledSpaces, {}},
        {"doubled word", "o", "Le le chat", CheckKind::DoubledWord, {" le"}},
        {"across a line break", "o", "the|\nthe cat", CheckKind::DoubledWord, {}},
        {"after a comma", "o", "Non, non", CheckKind::DoubledWord, {}},
        {"a repeat grammar allows", "o", "Nous nous sommes vus", CheckKind::DoubledWord, {}},
        {"not the same word", "o", "Le les chats", CheckKind::DoubledWord, {}},
    });
}

TEST(TextChecks, OriginalSideIsLeftAloneBySlipChecks) {
    // The source file's stray spaces are not the translator's to fix.
    EXPECT_TRUE(foundTexts({textRow("Hello  you ", "Bonjour toi")}, CheckKind::DoubledSpaces).isEmpty());
    EXPECT_TRUE(foundTexts({textRow("Hello  you ", "Bonjour toi")}, CheckKind::EdgeSpaces).isEmpty());
}

} // namespace

TEST(TextLayout, AVisibleSpanPointsAtItsPlaceInTheCell) {
    struct Case {
        QString cell;
        QString visible; // a piece of what is read
        QString inCell;  // what it covers in the cell
    };
    const Case cases[] = {
        {"<i>Hello</i> there", "there", "there"}, {"<i>Hello</i> there", "Hello there", "Hello</i> there"},
        {"One|\nTwo words", "Two", "Two"},        {"One|\nTwo", "One\nTwo", "One|\nTwo"},
        {"Up<br/>down", "down", "down"},          {"First\r\nsecond", "second", "second"},
        {"{\\an8}Top line", "line", "line"},      {"Plain words", "words", "words"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell.toStdString());
        const TextLayout layout = layoutText(c.cell);
        const int at = int(layout.visible.indexOf(c.visible));
        ASSERT_GE(at, 0) << layout.visible.toStdString();
        const TextSpan span = layout.cellSpan({at, int(c.visible.size())});
        EXPECT_EQ(c.cell.mid(span.start, span.length), c.inCell);
        // An empty span at the end of what is read stands at the end of the cell.
        EXPECT_EQ(layout.cellSpan({int(layout.visible.size()), 0}), (TextSpan{int(c.cell.size()), 0}));
    }
}
