#include "subtitle/save_name.h"

#include <gtest/gtest.h>

namespace {

TEST(SaveName, EachSaveProposesTheNameItsSideWouldHave) {
    struct Case {
        SaveKind kind;
        const char* original;
        const char* translated;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        // A translation not saved yet: the original's language code gives way to the target's.
        {SaveKind::TranslatedSubtitle, "/films/film.en.srt", "", "srt", "/films/film.fr.srt"},
        {SaveKind::TranslatedSubtitle, "/films/film.srt", "", "vtt", "/films/film.fr.vtt"},
        {SaveKind::TranslatedSubtitle, "/films/film.pt-BR.srt", "", "srt", "/films/film.fr.srt"},
        // Marks that are no language code stay part of the name.
        {SaveKind::TranslatedSubtitle, "/films/film.2019.srt", "", "srt", "/films/film.2019.fr.srt"},
        {SaveKind::TranslatedSubtitle, "/films/film.sdh.srt", "", "srt", "/films/film.sdh.fr.srt"},
        // A side with a file keeps it, in its own folder, with the extension saved in.
        {SaveKind::TranslatedSubtitle, "/films/film.en.srt", "/work/x.de.sub", "ass", "/work/x.de.ass"},
        {SaveKind::OriginalSubtitle, "/films/film.en.srt", "", "vtt", "/films/film.en.vtt"},
        {SaveKind::TranslatedText, "/films/film.en.srt", "/films/film.fr.srt", "txt", "/films/film.fr.txt"},
        {SaveKind::TranslatedText, "/films/film.en.srt", "", "txt", "/films/film.fr.txt"},
        {SaveKind::OriginalText, "/films/film.en.srt", "", "txt", "/films/film.en.txt"},
        {SaveKind::MixSubtitle, "/films/film.en.srt", "/films/film.fr.srt", "srt", "/films/film.mix.srt"},
        {SaveKind::MixText, "/films/film.en.srt", "", "txt", "/films/film.mix.txt"},
        // Only a translation loaded: the names start from it.
        {SaveKind::MixSubtitle, "", "/films/film.fr.srt", "srt", "/films/film.mix.srt"},
        {SaveKind::OriginalSubtitle, "", "", "srt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(suggestedSaveName(c.kind, QString::fromUtf8(c.original), QString::fromUtf8(c.translated),
                                    QStringLiteral("fr"), QString::fromLatin1(c.extension)),
                  QString::fromUtf8(c.expected));
    }
}

} // namespace
