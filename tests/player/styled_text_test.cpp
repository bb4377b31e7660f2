// Subtitle markup read into styled runs: styles shown as styles, never as literal tags.
#include "player/styled_text.h"

#include <gtest/gtest.h>

namespace {

// A compact picture of the runs: "[ib#ff0000]text" for each run, "/" between lines.
std::string picture(const QList<StyledLine>& lines) {
    std::string out;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        if (l > 0)
            out += "/";
        for (const StyledRun& run : lines[l]) {
            std::string marks;
            marks += run.style.italic ? "i" : "";
            marks += run.style.bold ? "b" : "";
            marks += run.style.underline ? "u" : "";
            if (run.style.color)
                marks += QStringLiteral("#%1").arg(*run.style.color, 6, 16, QChar(u'0')).toStdString();
            out += (marks.empty() ? "" : "[" + marks + "]") + run.text.toStdString();
        }
    }
    return out;
}

TEST(StyledText, MarkupBecomesStylesAndTheRestStaysText) {
    struct Case {
        const char* text;
        const char* runs;
    };
    const Case cases[] = {
        // "b" followed by words is no bold tag.
        {"a < b and c > d", "a < b and c > d"}, // no tag: text
        // A font tag without a readable colour still closes in order.
        {"<font color=\"#00ff00\">a<font face=x>b</font>c</font>d", "[#00ff00]abc"
                                                                    "d"},
        {"<i>Hello</i> world", "[i]Hello world"},
        {"<I><b>x</B></i>", "[ib]x"},
        {"<u>under\nline</u>", "[u]under/[u]line"},
        {"<font color=red>r</font><font color='#0000FF'>b</font><font color=#abc>c</font>",
         "[#ff0000]r[#0000ff]b[#aabbcc]c"},
        {"<Music> playing", "<Music> playing"}, // not a tag anyone writes in subtitles
        {"<i>never closed\nnext", "[i]never closed/[i]next"},
        {"</i>stray close", "stray close"},
        {"Tom &amp; Jerry &lt;3 &#233;&#x41; &bogus;", "Tom & Jerry <3 \xC3\xA9"
                                                       "A &bogus;"},
        {"<c.yellow><v Bob>Hi</v></c> <00:00:01.500>there", "Hi there"},                   // WebVTT
        {"one<br>two<br />three", "one/two/three"},                                        // SAMI
        {"{\\i1}ital{\\i0} {\\b1}bold{\\r} \\Nnext{\\pos(1,2)}", "[i]ital [b]bold /next"}, // ASS
        {"{\\c&H0000FF&}red", "[#ff0000]red"},
        {"{y:i}slanted {c:$FF0000}red", "[i]slanted [i#0000ff]red"}, // MicroDVD
        {"{not markup}", "{not markup}"},
        {"\n\nHello\n\n", "Hello"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(picture(parseStyledText(QString::fromUtf8(c.text))), c.runs) << c.text;
}

} // namespace
