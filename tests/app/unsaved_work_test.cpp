// Nothing the user typed is lost to the frame: every row the grid shows on a side is saved with it,
// a typed "|" is a line break, each side's unsaved work is asked about by name, and the title says
// which files are loaded and which have unsaved work.
#include "frame_fixture.h"

#include <QPlainTextEdit>
#include <QRegularExpression>

namespace {

class UnsavedWork : public FrameTest {
protected:
    QString text(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        if (!bytes.startsWith("\xFF\xFE"))
            return QString::fromLatin1(bytes);
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    }
    QString save(CommandId id, const QString& name) {
        const QString path = m_root.filePath(name);
        m_seam.saveAnswers.push_back(path);
        m_frame->dispatchCommand(id);
        return text(path);
    }
    bool type(int row, int column, const QString& typed) {
        QAbstractItemModel* model = m_frame->grid()->model();
        return model->setData(model->index(row, column), typed);
    }
};

} // namespace

TEST_F(UnsavedWork, WhatTheGridShowsOnASideIsWhatItsSaveWrites) {
    struct Case {
        const char* name;
        int originals, translations;
        bool translatedFirst;
        int column;
        CommandId save;
        QStringList entries; // the texts of the saved file's entries
    };
    const Case cases[] = {
        {"an original typed beyond a shorter original",
         1,
         2,
         true,
         kColumnOriginal,
         CommandId::SaveOriginalSubtitle,
         {"Line 1", "typed"}},
        {"a translation typed beyond a shorter translation",
         3,
         1,
         false,
         kColumnTranslated,
         CommandId::SaveTranslatedSubtitle,
         {"Ligne 1", "untranslated", "typed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMainFrame& f = frame();
        const QString original = writeFile("o.srt", srt(c.originals));
        const QString translated = writeFile("t.srt", srt(c.translations, "Ligne"));
        if (c.translatedFirst)
            load(CommandId::LoadTranslated, translated);
        load(CommandId::LoadOriginal, original);
        if (!c.translatedFirst)
            load(CommandId::LoadTranslated, translated);
        const int last = f.session().rowCount() - 1;
        ASSERT_TRUE(type(last, c.column, "typed"));

        const QString saved = save(c.save, "saved.srt");
        QStringList entries;
        for (const QString& block : saved.split("\r\n\r\n", Qt::SkipEmptyParts))
            entries.append(block.section("\r\n", 2));
        EXPECT_EQ(entries, c.entries) << saved.toStdString();
    }
}

TEST_F(UnsavedWork, ATypedBarOrShiftEnterIsALineBreakInTheSavedFile) {
    struct Case {
        const char* name;
        int filter; // 0 SubRip, 1 MicroDVD
        QByteArray file;
        const char* saved; // a pattern of the saved entry
    };
    const Case cases[] = {
        {"SubRip", 0, srt(1), "\r\n(Hello\r?\nWorld)\r\n\r\n$"},
        {"MicroDVD", 1, "{10}{20}Line\r\n", "^\\{10\\}\\{20\\}(Hello\\|World)\r\n$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMainFrame& f = frame(true);
        load(CommandId::LoadOriginal, writeFile("o.txt", c.file), c.filter);
        const QRegularExpression entry(QString::fromLatin1(c.saved));

        ASSERT_TRUE(type(0, kColumnTranslated, "Hello|World"));
        EXPECT_TRUE(entry.match(save(CommandId::SaveTranslatedSubtitle, "typed.txt")).hasMatch());

        // In the cell editor, Shift+Enter breaks the line and Enter ends the edit.
        CReportView* grid = f.grid();
        const QModelIndex cell = grid->model()->index(0, kColumnOriginal);
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        QPointer<QPlainTextEdit> editor = grid->findChild<QPlainTextEdit*>("cellEditor");
        ASSERT_TRUE(editor);
        QTest::keyClicks(editor, "Hello");
        QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(editor, "World");
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
        EXPECT_TRUE(!editor || !editor->isVisible());
        EXPECT_TRUE(entry.match(save(CommandId::SaveOriginalSubtitle, "shift-enter.txt")).hasMatch());
    }
}

TEST_F(UnsavedWork, TheTitleNamesEachSideAndItsUnsavedWorkIsAskedAboutByName) {
    const QString askOriginal = "Save the changes to the original subtitle \"film.en.srt\"?";
    const QString askTranslated = "Save the changes to the translated subtitle \"film.fr.srt\"?";
    struct Case {
        const char* name;
        bool withTranslation; // film.fr.srt loaded after film.en.srt
        std::function<void(CMainFrame&)> work;
        const char* title;
        QStringList questions; // asked when the window closes
    };
    const Case cases[] = {
        {"an original edited, the translation saved",
         true,
         [this](CMainFrame&) {
             type(0, kColumnOriginal, "edited");
             save(CommandId::SaveTranslatedSubtitle, "film.fr.srt");
         },
         "film.en.srt \u2022 + film.fr.srt \u2014 velmora",
         {askOriginal}},
        {"a row deleted",
         true,
         [this](CMainFrame& f) {
             selectRows({0});
             f.dispatchCommand(CommandId::DeleteSelected);
         },
         "film.en.srt \u2022 + film.fr.srt \u2022 \u2014 velmora",
         {askOriginal, askTranslated}},
        {"a translation edited, then an original loaded over it, which keeps it",
         true,
         [this](CMainFrame&) {
             type(1, kColumnTranslated, "kept");
             load(CommandId::LoadOriginal, m_root.filePath("film.en.srt"));
             EXPECT_EQ(m_frame->session().document().translatedTexts.value(1), "kept");
         },
         "film.en.srt + film.fr.srt \u2022 \u2014 velmora",
         {askTranslated}},
        {"a new original over a translation",
         true,
         [this](CMainFrame&) { load(CommandId::LoadOriginal, writeFile("other.srt", srt(2))); },
         "other.srt + film.fr.srt \u2014 velmora",
         {}},
        {"a translation typed into an original alone",
         false,
         [this](CMainFrame&) { type(0, kColumnTranslated, "Bonjour"); },
         "film.en.srt + untitled translation \u2022 \u2014 velmora",
         {"Save the changes to the translated subtitle?"}},
        {"rows deleted from an original alone",
         false,
         [this](CMainFrame& f) {
             selectRows({0});
             f.dispatchCommand(CommandId::DeleteSelected);
         },
         "film.en.srt \u2022 \u2014 velmora",
         {askOriginal}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMainFrame& f = frame();
        m_seam.questions.clear();
        load(CommandId::LoadOriginal, writeFile("film.en.srt", srt(3)));
        if (c.withTranslation)
            load(CommandId::LoadTranslated, writeFile("film.fr.srt", srt(3, "Ligne")));
        c.work(f);
        EXPECT_EQ(f.windowTitle(), QString::fromUtf8(c.title));
        // Nothing asked while loading over work that the load keeps.
        EXPECT_TRUE(m_seam.questions.isEmpty());

        // Cancel at the first question keeps the window; Discard for each lets it close.
        m_seam.saveChoices = {SaveChoice::Cancel};
        EXPECT_EQ(f.close(), c.questions.isEmpty());
        m_seam.questions.clear();
        m_seam.saveChoices = {};
        EXPECT_TRUE(f.close());
        EXPECT_EQ(m_seam.questions, c.questions);
    }
}

TEST_F(UnsavedWork, TextStillInTheCellEditorCountsWhenTheWindowCloses) {
    CMainFrame& f = frame(true);
    load(CommandId::LoadOriginal, writeFile("film.en.srt", srt(2)));
    CReportView* grid = f.grid();
    auto typeWithoutEnter = [grid](const char* text) {
        const QModelIndex cell = grid->model()->index(1, kColumnOriginal);
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        QTest::keyClicks(grid->findChild<QPlainTextEdit*>("cellEditor"), text);
    };
    typeWithoutEnter("still typing");
    m_seam.saveChoices = {SaveChoice::Cancel};
    EXPECT_FALSE(f.close());
    EXPECT_EQ(m_seam.questions, QStringList{"Save the changes to the original subtitle \"film.en.srt\"?"});
    EXPECT_EQ(f.session().document().originalTexts.value(1), "still typing");

    // Gone with an edit open (as a test or a shutdown may), the frame takes the editor with it first.
    typeWithoutEnter("more");
    m_frame.reset();
}
