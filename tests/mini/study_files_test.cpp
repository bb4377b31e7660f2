// The command line velmora starts mini with, and what else a user may type.
#include "mini/study_files.h"

#include <gtest/gtest.h>

namespace {

TEST(MiniOptions, PickTheListOrSayWhatIsWrong) {
    struct Case {
        QStringList arguments;
        int selector;
        bool error;
        bool help;
    };
    const Case cases[] = {
        {{"-f", "0"}, kVocabulary, false, false},  {{"-f", "x"}, kSentences, true, false},
        {{"-f", "1"}, kSentences, false, false},   {{"-f0"}, kVocabulary, false, false},
        {{"--file=0"}, kVocabulary, false, false}, {{"--file", " 0"}, kVocabulary, false, false},
        {{"-f", "7"}, kSentences, false, false},   {{}, kSentences, false, false},
        {{"-f"}, kSentences, true, false},         {{"--bogus"}, kSentences, true, false},
        {{"words.lxd"}, kSentences, true, false},  {{"--bogus", "--help"}, kSentences, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const MiniOptions options = parseMiniOptions(QStringList{QStringLiteral("mini")} + c.arguments);
        EXPECT_EQ(options.error.isEmpty(), !c.error) << options.error.toStdString();
        EXPECT_EQ(options.help, c.help);
        if (!c.error && !c.help) {
            EXPECT_EQ(options.selector, c.selector);
        }
    }
}

} // namespace
