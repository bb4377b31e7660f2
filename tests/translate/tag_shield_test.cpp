// Tags and line joins through placeholders: back in place when the engine keeps them, at the
// start or end of the line when it does not, and the row marked for review then.
#include "translate/tag_shield.h"

#include <gtest/gtest.h>

namespace {

TEST(TagShield, TagsComeBackWhereverThePlaceholdersLand) {
    const struct {
        const char* what;
        QString line;
        QString sent;   // what the engine gets
        QString answer; // what it gives back (placeholders as "#n", written as ⟦n⟧ before use)
        QString back;
        bool review;
    } cases[] = {
        {"lost opening and closing tags", "<i>Run</i>", "#1Run#2", "Corre", "<i>Corre</i>", true},
        {"moved with the word", "<b>Hello</b> Tom", "#1Hello#2 Tom", "Tom #1Hola#2", "Tom <b>Hola</b>",
         false},
        {"reordered", "<i>a</i>", "#1a#2", "#2a#1", "</i>a<i>", true},
        {"a repeat", "<u>a</u>", "#1a#2", "#1a#2#2", "<u>a</u>", true},
        {"one the line never had", "<i>a</i>", "#1a#2", "#1a#2#7", "<i>a</i>", true},
        {"spaces inside the brackets", "<i>a</i>", "#1a#2", "\u27E6 1 \u27E7a\u27E62 \u27E7", "<i>a</i>",
         false},
        {"a mangled placeholder", "<i>a</i>", "#1a#2", "#1a\u27E6 2", "<i>a</i>", true},
        {"line join, SubRip", "Hi|\nyou", "Hi #1 you", "Salut #1 toi", "Salut|\ntoi", false},
        {"line join, MicroDVD", "Hi|you", "Hi #1 you", "Salut #1 toi", "Salut|toi", false},
        {"lost line join", "Hi|\nyou", "Hi #1 you", "Salut toi", "Salut toi|\n", true},
        {"codes and fonts", "{y:i}<font color=\"red\">Go</font>", "#1#2Go#3", "#1#2Va#3",
         "{y:i}<font color=\"red\">Va</font>", false},
        {"upper-case tags", "<I>a</I>", "#1a#2", "b", "<I>b</I>", true},
        {"no tags", "a < b & c", "a < b & c", "x", "x", false},
    };
    auto placeholders = [](QString text) {
        for (int n = 9; n >= 1; --n)
            text.replace(QStringLiteral("#%1").arg(n), QStringLiteral("\u27E6%1\u27E7").arg(n));
        return text;
    };
    for (const auto& c : cases) {
        const ShieldedLine shielded = shieldTags(c.line);
        EXPECT_EQ(shielded.text, placeholders(c.sent)) << c.what;
        const RestoredLine restored = restoreTags(placeholders(c.answer), shielded);
        EXPECT_EQ(restored.text, c.back) << c.what;
        EXPECT_EQ(restored.needsReview, c.review) << c.what;
    }
}

} // namespace
