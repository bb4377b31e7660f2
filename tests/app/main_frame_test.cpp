// The main frame driven by command ids, with dialogs answered through a fake seam.
#include "app/child_view.h"
#include "app/entry_rows_model.h"
#include "app/main_frame.h"
#include "app/mapping_view.h"
#include "app/report_view.h"
#include "app/review_controller.h"
#include "app/ribbon/ribbon_bar.h"
#include "app/sentence_form_view.h"
#include "app/view_voca_lib.h"
#include "app/voca_form_view.h"
#include "frame_fixture.h"
#include "subtitle/mapping_text.h"
#include "subtitle/subtitle_format.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>
#include <deque>
#include <gtest/gtest.h>

TEST_F(FrameTest, CreatesFrameStatusBarViewsDockAndStore) {
    for (const char* name : {"1478140830translated.srt", "my_translated_work.srt", "translate.srt"})
        writeFile(QStringLiteral("bin/") + QLatin1String(name), "x");
    CMainFrame& f = frame();

    EXPECT_EQ(f.windowTitle(), QStringLiteral("velmora"));
    EXPECT_FALSE(QFile::exists(bin() + QStringLiteral("1478140830translated.srt")));
    EXPECT_TRUE(QFile::exists(bin() + QStringLiteral("my_translated_work.srt")));
    EXPECT_TRUE(QFile::exists(bin() + QStringLiteral("translate.srt")));
    EXPECT_EQ(QFileInfo(m_root.filePath(QStringLiteral("data/word.lxd"))).size(), 0);
    EXPECT_EQ(QFileInfo(m_root.filePath(QStringLiteral("data/sentence.lxd"))).size(), 0);

    EXPECT_EQ(f.statusBar()->currentMessage(), QStringLiteral("Ready"));
    EXPECT_EQ(f.indicator(0)->text(), QStringLiteral("CAP"));
    EXPECT_EQ(f.indicator(2)->text(), QStringLiteral("SCRL"));

    QTabWidget* view = f.childView()->tabStrip();
    ASSERT_EQ(view->count(), 3);
    EXPECT_EQ(view->tabText(0), QStringLiteral("Language Text"));
    EXPECT_EQ(view->tabText(1), QStringLiteral("Mapping Text"));
    EXPECT_EQ(view->tabText(2), QStringLiteral("Search by Google"));
    EXPECT_EQ(view->currentIndex(), 0);

    CReportView* grid = f.grid();
    const QStringList captions{"No.", "Show", "Hide", "Original", "Translated"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(grid->model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
    EXPECT_EQ(grid->columnWidth(0), 50);
    EXPECT_EQ(grid->columnWidth(3), 345);
    EXPECT_TRUE(grid->isColumnHidden(1));
    EXPECT_TRUE(grid->isColumnHidden(2));
    EXPECT_EQ(grid->selectionMode(), QAbstractItemView::ExtendedSelection);

    EXPECT_EQ(f.toolbox()->windowTitle(), QStringLiteral("Toolbox"));
    ASSERT_EQ(f.paneTabStrip()->count(), 4);
    EXPECT_EQ(f.paneTabStrip()->tabText(0), QStringLiteral("Dictionary Library"));
    EXPECT_EQ(f.paneTabStrip()->tabText(1), QStringLiteral("Play Movie"));
    EXPECT_EQ(f.paneTabStrip()->tabText(2), QStringLiteral("Checks"));
    EXPECT_EQ(f.paneTabStrip()->tabText(3), QStringLiteral("Memory"));
    EXPECT_EQ(f.paneTabStrip()->widget(0), f.sentencePane());
    EXPECT_TRUE(f.vocaPane()->isHidden());

    EXPECT_FALSE(f.showTimeEdit()->isEnabled());
    EXPECT_FALSE(f.hideTimeEdit()->isEnabled());
    EXPECT_FALSE(f.restoreTimeButton()->isEnabled());
    EXPECT_EQ(f.showTimeEdit()->text(), QStringLiteral("00:00:00,000"));
    EXPECT_EQ(f.originalCharsetCombo()->currentText(), QStringLiteral("America(ANSI)"));
    EXPECT_EQ(f.translatedCharsetCombo()->count(), 21);
    EXPECT_EQ(f.session().document().translatedCodePage, 1252u);
    EXPECT_EQ(f.session().document().formatMode, kSubRip);
}

TEST_F(FrameTest, ToolboxStartsFiveHundredWideOnTheLeft) {
    CMainFrame& f = frame(true);
    EXPECT_EQ(f.dockWidgetArea(f.toolbox()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(f.toolbox()->width(), kToolboxWidth);
    EXPECT_TRUE(f.toolbox()->isVisible());
}

TEST_F(FrameTest, EveryControlHasACommandAndEveryCommandIsHarmlessOnAnEmptyDocument) {
    CMainFrame& f = frame();
    int controls = 0;
    for (QWidget* w : f.ribbon()->findChildren<QWidget*>()) {
        const QVariant id = w->property("ribbonCommandId");
        if (!id.isValid())
            continue;
        ++controls;
        EXPECT_TRUE(f.commands().contains(CommandId(id.toUInt()))) << id.toUInt();
        EXPECT_FALSE(f.commands().label(CommandId(id.toUInt())).isEmpty()) << id.toUInt();
    }
    // The ribbon's 44 controls (with the Toolbox toggle), "About" and the quick-access Undo and Redo.
    EXPECT_EQ(controls, 47);
    for (CommandId id : f.commands().ids())
        if (id != CommandId::Exit && id != CommandId::ApplicationMenu)
            f.dispatchCommand(id);
    // The savers have nothing to write: no dialog is even asked for. Only the memory, which does not
    // depend on the document, asks where to export to; its imports wait for the job the translate
    // commands started.
    EXPECT_EQ(m_seam.saveAsked, 1);
    EXPECT_EQ(m_seam.openAsked, 2);
    // Only "Insert Subtitle" has something to do in an empty document: it adds the first entry.
    EXPECT_EQ(f.session().rows().count(), 1);
    f.dispatchCommand(CommandId(12345));
}

TEST_F(FrameTest, LoadSetsFormatFromTheChosenFilterAndFillsGridAndMapping) {
    CMainFrame& f = frame();
    const QString path = writeFile(QStringLiteral("film.srt"), srt(3));
    load(CommandId::LoadOriginal, path);
    ASSERT_EQ(f.grid()->model()->rowCount(), 3);
    EXPECT_EQ(f.grid()->model()->index(2, 3).data().toString(), QStringLiteral("Line 3"));
    EXPECT_EQ(f.grid()->model()->index(0, 4).data().toString(), QStringLiteral("untranslated"));
    EXPECT_EQ(f.session().document().formatMode, kSubRip);

    QTextEdit* mapping = f.childView()->mappingView()->richEdit();
    EXPECT_TRUE(mapping->toPlainText().startsWith(QStringLiteral("Line 1\nuntranslated\n\n\n")));
    QTextCursor cursor(mapping->document());
    cursor.movePosition(QTextCursor::NextCharacter);
    const QColor original = cursor.charFormat().foreground().color();
    EXPECT_GE(original.red(), 230);
    EXPECT_EQ(original.green() + original.blue(), 0);
    EXPECT_DOUBLE_EQ(cursor.charFormat().fontPointSize(), 12.5);
    // A dark theme: both sides stay readable on the page.
    QPalette dark = mapping->palette();
    dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Text, QColor(0xEF, 0xF0, 0xF1));
    f.childView()->mappingView()->setPalette(dark);
    mapping = f.childView()->mappingView()->richEdit();
    for (int at : {1, int(QStringLiteral("Line 1\nu").size())}) {
        QTextCursor run(mapping->document());
        run.setPosition(at);
        const QRgb shown = run.charFormat().foreground().color().rgb();
        EXPECT_GE(contrastRatio(shown & 0xFFFFFFu, 0x232629), 4.5) << at;
    }

    // The filter decides the format, whatever the extension; a cancel changes nothing.
    m_seam.openAnswers.push_back({QString(), 2});
    f.dispatchCommand(CommandId::LoadOriginal);
    EXPECT_EQ(f.session().document().formatMode, kSubRip);
    load(CommandId::LoadTranslated, path, 3);
    EXPECT_EQ(f.session().document().formatMode, kSubViewer);
    // A dialog that cannot say which filter was picked: the file decides.
    load(CommandId::LoadTranslated, path, -1);
    EXPECT_EQ(f.session().document().formatMode, kSubRip);

    const QString big = writeFile(QStringLiteral("big.srt"), QByteArray(409601, 'a'));
    load(CommandId::LoadOriginal, big);
    ASSERT_EQ(m_seam.messages.size(), 1);
    EXPECT_EQ(m_seam.messages[0].text, QStringLiteral("The size of this file is bigger than 400K bytes!"));
    EXPECT_EQ(m_seam.messages[0].caption, QStringLiteral("ERROR!"));
    EXPECT_EQ(f.grid()->model()->rowCount(), 3);
}

TEST_F(FrameTest, FocusedRowDrivesTimingControlsAndDictionaryPane) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o.srt"), srt(2)));
    load(CommandId::LoadTranslated, writeFile(QStringLiteral("t.srt"), srt(4, "Ligne")));
    ASSERT_EQ(f.session().rows().count(), 4);

    selectRows({1});
    EXPECT_TRUE(f.showTimeEdit()->isEnabled());
    EXPECT_TRUE(f.hideTimeEdit()->isEnabled());
    EXPECT_TRUE(f.restoreTimeButton()->isEnabled());
    EXPECT_EQ(f.showTimeEdit()->text(), QStringLiteral("00:00:02,000"));
    EXPECT_EQ(f.hideTimeEdit()->text(), QStringLiteral("00:00:03,500"));
    EXPECT_EQ(f.sentencePane()->originalEdit()->text(), QStringLiteral("Line 2"));
    EXPECT_EQ(f.sentencePane()->translatedEdit()->text(), QStringLiteral("Ligne 2"));

    selectRows({0, 1});
    EXPECT_FALSE(f.showTimeEdit()->isEnabled());
    EXPECT_FALSE(f.hideTimeEdit()->isEnabled());
    EXPECT_FALSE(f.restoreTimeButton()->isEnabled());

    f.session().setFormatMode(kSAMI);
    selectRows({0});
    EXPECT_TRUE(f.showTimeEdit()->isEnabled());
    EXPECT_FALSE(f.hideTimeEdit()->isEnabled());
    f.session().setFormatMode(kSubRip);

    // A row added for a translated entry has no time: nothing to adjust, yet the pane follows it.
    selectRows({3});
    EXPECT_FALSE(f.showTimeEdit()->isEnabled());
    EXPECT_FALSE(f.restoreTimeButton()->isEnabled());
    EXPECT_EQ(f.sentencePane()->translatedEdit()->text(), QStringLiteral("Ligne 4"));
    EXPECT_EQ(f.showTimeEdit()->text(), QString());
}

TEST_F(FrameTest, InPlaceEditReachesTheListAndTheSavedFile) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o.srt"), srt(6)));
    QAbstractItemModel* model = f.grid()->model();
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    selectRows({5});

    EXPECT_FALSE(model->setData(model->index(5, 0), QStringLiteral("9")));
    EXPECT_FALSE(model->flags(model->index(5, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(model->index(5, 2)) & Qt::ItemIsEditable);
    ASSERT_TRUE(model->setData(model->index(5, 4), QStringLiteral("Edited five")));
    EXPECT_EQ(f.session().document().translatedTexts.value(5), QStringLiteral("Edited five"));
    EXPECT_EQ(model->index(5, 4).data().toString(), QStringLiteral("Edited five"));
    // A cell change is not a reset: the focus stays where it was.
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(f.grid()->focusedRow(), 5);

    const QString out = m_root.filePath(QStringLiteral("out.srt"));
    m_seam.saveAnswers.push_back(out);
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);
    EXPECT_EQ(m_seam.lastSuffix, QStringLiteral("srt"));
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_TRUE(text.endsWith(QStringLiteral("6\r\n00:00:10,000 --> 00:00:11,500\r\nEdited five\r\n\r\n")))
        << text.toStdString();
}

TEST_F(FrameTest, TimingsTabShowsTimeColumnsAndSetsMasksOnce) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o.srt"), srt(3)));
    selectRows({2});
    f.showTimeEdit()->setText(QString());
    const int timings = tabIndex("&Timings"), edit = tabIndex("&Edit"), home = tabIndex("&Home");
    ASSERT_GE(timings, 0);

    f.ribbon()->setCurrentTab(timings);
    EXPECT_FALSE(f.grid()->isColumnHidden(1));
    EXPECT_FALSE(f.grid()->isColumnHidden(2));
    EXPECT_EQ(f.showTimeEdit()->inputMask(), QStringLiteral("99:99:99,999;0"));
    EXPECT_EQ(f.showTimeEdit()->text(), QStringLiteral("00:00:04,000"));
    EXPECT_EQ(f.hideTimeEdit()->inputMask(), QStringLiteral("99:99:99,999;0"));

    f.ribbon()->setCurrentTab(edit);
    EXPECT_TRUE(f.grid()->isColumnHidden(1));
    EXPECT_TRUE(f.grid()->isColumnHidden(2));

    // A SubViewer document later: the SubRip masks stay. SAMI: only Show comes back.
    f.session().setFormatMode(kSubViewer);
    f.ribbon()->setCurrentTab(timings);
    EXPECT_EQ(f.showTimeEdit()->inputMask(), QStringLiteral("99:99:99,999;0"));
    f.ribbon()->setCurrentTab(home);
    f.session().setFormatMode(kSAMI);
    f.ribbon()->setCurrentTab(timings);
    EXPECT_FALSE(f.grid()->isColumnHidden(1));
    EXPECT_TRUE(f.grid()->isColumnHidden(2));
}

TEST_F(FrameTest, MicroDvdFirstVisitLeavesTheBoxesWithoutMask) {
    CMainFrame& f = frame();
    f.session().setFormatMode(kMicroDVD);
    f.ribbon()->setCurrentTab(tabIndex("&Timings"));
    f.ribbon()->setCurrentTab(tabIndex("&Home"));
    f.session().setFormatMode(kSubRip);
    f.ribbon()->setCurrentTab(tabIndex("&Timings"));
    EXPECT_TRUE(f.showTimeEdit()->inputMask().isEmpty());
}

TEST_F(FrameTest, LayoutIsSavedOnCloseRestoredAtStartAndNotSavedByExit) {
    CMainFrame& first = frame(true);
    first.toolbox()->close();
    EXPECT_FALSE(first.toolbox()->isVisible());
    first.close();
    ASSERT_TRUE(QSettings(layout(), QSettings::IniFormat).contains(QLatin1String(kLayoutKey)));

    CMainFrame& second = frame(true);
    EXPECT_FALSE(second.toolbox()->isVisible());
    second.toolbox()->show();
    second.dispatchCommand(CommandId::Exit);
    EXPECT_EQ(m_seam.exitStatus, 0);

    // Exit saved nothing: the layout of the last close (Toolbox hidden) still holds.
    CMainFrame& third = frame(true);
    EXPECT_FALSE(third.toolbox()->isVisible());
}

TEST_F(FrameTest, UnreadableLayoutIsIgnored) {
    {
        QSettings settings(layout(), QSettings::IniFormat);
        settings.setValue(QLatin1String(kLayoutKey), QByteArray("not a layout"));
    }
    CMainFrame& f = frame(true);
    EXPECT_TRUE(f.toolbox()->isVisible());
    EXPECT_EQ(f.toolbox()->width(), kToolboxWidth);
}

TEST_F(FrameTest, SmallHandlersReachTheDesktop) {
    CMainFrame& f = frame();
    // Help Topics and the programs velmora starts: shell_frame_test.cpp.
    f.dispatchCommand(CommandId::WebPage);
    ASSERT_EQ(m_seam.urls.size(), 1);
    EXPECT_EQ(m_seam.urls[0].scheme(), QStringLiteral("https"));

    QString version;
    m_seam.onModal = [&](QDialog& d) {
        if (auto* label = d.findChild<QLabel*>(QStringLiteral("version")))
            version = label->text();
    };
    f.dispatchCommand(CommandId::About);
    EXPECT_EQ(m_seam.modalTitles, QStringList{"About"});
    EXPECT_EQ(version, QStringLiteral("Version 4.9.0 Build on 11-3-2016"));
}

TEST_F(FrameTest, DictionaryPaneAddsPairsThatTheLibraryLists) {
    CMainFrame& f = frame();
    const QString sentences = m_root.filePath(QStringLiteral("data/sentence.lxd"));
    CSentenceFormView* pane = f.sentencePane();

    pane->setTexts(QString(), QStringLiteral("orphan"));
    EXPECT_FALSE(pane->OnAdd());
    EXPECT_EQ(pane->translatedEdit()->text(), QStringLiteral("orphan"));
    EXPECT_EQ(QFileInfo(sentences).size(), 0);

    pane->setTexts(QStringLiteral("Hello|\nWorld"), QStringLiteral("Bonjour"));
    EXPECT_TRUE(pane->OnAdd());
    EXPECT_TRUE(pane->originalEdit()->text().isEmpty());
    EXPECT_TRUE(pane->translatedEdit()->text().isEmpty());
    pane->setTexts(QStringLiteral("Bye"), QStringLiteral("Salut"));
    pane->addButton()->click();
    EXPECT_EQ(QFileInfo(sentences).size(), qint64(2 * kDictionaryRecordSize));
    EXPECT_EQ(QFileInfo(m_root.filePath(QStringLiteral("data/word.lxd"))).size(), 0);

    QStringList cells;
    m_seam.onModal = [&](QDialog& d) {
        auto* lib = dynamic_cast<CViewVocaLib*>(&d);
        ASSERT_NE(lib, nullptr);
        for (int r = 0; r < lib->list()->rowCount(); ++r)
            cells << lib->list()->item(r, 0)->text() + u' ' + lib->list()->item(r, 1)->text();
    };
    f.dispatchCommand(CommandId::ViewDictionary);
    EXPECT_EQ(cells, (QStringList{"1 Hello| World", "1 Bonjour", "2 Bye", "2 Salut"}));

    f.vocaPane()->setTexts(QStringLiteral("cat"), QString());
    EXPECT_TRUE(f.vocaPane()->OnAdd());
    cells.clear();
    m_seam.onModal = [&](QDialog& d) {
        auto* lib = dynamic_cast<CViewVocaLib*>(&d);
        ASSERT_NE(lib, nullptr);
        EXPECT_EQ(lib->list()->columnCount(), 3);
        cells << lib->list()->item(0, 1)->text();
    };
    f.dispatchCommand(CommandId::ViewVocabularyLibrary);
    EXPECT_EQ(cells, QStringList{"cat"});
}

TEST_F(FrameTest, PaneKeepsItsTextsWhenTheStoreCannotWrite) {
    QDir(m_root.filePath(QStringLiteral("data"))).removeRecursively();
    CMainFrame& f = frame();
    f.sentencePane()->setTexts(QStringLiteral("Hello"), QStringLiteral("Bonjour"));
    EXPECT_FALSE(f.sentencePane()->OnAdd());
    EXPECT_EQ(f.sentencePane()->originalEdit()->text(), QStringLiteral("Hello"));
    ASSERT_EQ(m_seam.messages.size(), 1);
    EXPECT_EQ(m_seam.messages[0].caption, QStringLiteral("ERROR!"));
    // Listing an unopened store shows an empty Library rather than failing.
    f.dispatchCommand(CommandId::ViewDictionary);
    EXPECT_EQ(m_seam.modalTitles, QStringList{"Library"});
}

TEST_F(FrameTest, LoadShowsTheCharsetItReadAndTheComboRedecodesWithoutLoss) {
    CMainFrame& f = frame();
    // UTF-8 without a byte-order mark reads as UTF-8, and the combo and the status bar say so.
    QByteArray bytes = "1\r\n00:00:01,000 --> 00:00:02,000\r\ncaf\xC3\xA9\r\n\r\n";
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("utf8.srt"), bytes));
    ASSERT_EQ(f.session().rows().count(), 1);
    EXPECT_EQ(f.session().rows().at(0).original, QStringLiteral("café"));
    EXPECT_EQ(f.originalCharsetCombo()->currentText(), QStringLiteral("Unicode(UTF-8)"));
    EXPECT_EQ(f.translatedCharsetCombo()->currentText(), QStringLiteral("America(ANSI)")); // not loaded
    EXPECT_TRUE(
        f.statusBar()->currentMessage().startsWith(QStringLiteral("Original: read as Unicode (UTF-8)")));

    QComboBox* combo = f.originalCharsetCombo();
    auto choose = [combo](const QString& name) {
        combo->setCurrentIndex(combo->findText(name));
        emit combo->activated(combo->currentIndex());
    };
    choose(QStringLiteral("America(ANSI)"));
    EXPECT_NE(f.session().rows().at(0).original, QStringLiteral("café"));
    choose(QStringLiteral("Unicode(UTF-8)"));
    EXPECT_EQ(f.session().document().originalCodePage, 65001u);
    EXPECT_EQ(f.session().rows().at(0).original, QStringLiteral("café"));
    EXPECT_EQ(f.session().document().originalTexts.value(0), QStringLiteral("café"));
    EXPECT_TRUE(f.childView()->mappingView()->richEdit()->toPlainText().startsWith(QStringLiteral("café\n")));
}

TEST_F(FrameTest, DictionaryPaneAndTimingsTabFollowTheDocument) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o.srt"), srt(3)));
    selectRows({1});
    EXPECT_EQ(f.sentencePane()->originalEdit()->text(), QStringLiteral("Line 2"));
    // An edit of the focused row shows at once.
    f.applyChange(f.session().setTextCell(1, kColumnOriginal, QStringLiteral("Edited")));
    EXPECT_EQ(f.sentencePane()->originalEdit()->text(), QStringLiteral("Edited"));
    // A new document leaves nothing of the old one in the pane.
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("n.srt"), srt(2, "Neu")));
    settle();
    const int row = f.focusedRow();
    EXPECT_EQ(f.sentencePane()->originalEdit()->text(),
              row >= 0 ? f.session().rows().at(row).original : QString());
    EXPECT_FALSE(f.sentencePane()->originalEdit()->text().contains(QStringLiteral("Edited")));

    // The Hide column follows the format of each load while the Timings tab stays open.
    f.ribbon()->setCurrentTab(tabIndex("&Timings"));
    EXPECT_FALSE(f.grid()->isColumnHidden(kColumnHide));
    load(CommandId::LoadOriginal,
         writeFile(QStringLiteral("s.smi"),
                   "<SAMI>\r\n<BODY>\r\n<SYNC Start=1000>\r\nHi\r\n</BODY></SAMI>\r\n"),
         2);
    EXPECT_EQ(f.session().document().formatMode, kSAMI);
    EXPECT_TRUE(f.grid()->isColumnHidden(kColumnHide));
    EXPECT_FALSE(f.grid()->isColumnHidden(kColumnShow));
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o2.srt"), srt(2)));
    EXPECT_FALSE(f.grid()->isColumnHidden(kColumnHide));
}

TEST_F(FrameTest, AFileUnderTheWrongFilterIsOfferedInItsOwnFormat) {
    CMainFrame& f = frame();
    const QString micro = writeFile(QStringLiteral("film.sub"), "{0}{25}{y:i}Hello\r\n{30}{50}Bye\r\n");
    m_seam.yesNoAnswers.push_back(true);
    load(CommandId::LoadOriginal, micro, 0); // under the SubRip filter
    ASSERT_EQ(m_seam.yesNoQuestions.size(), 1);
    EXPECT_TRUE(m_seam.yesNoQuestions[0].text.contains(QStringLiteral("looks like a MicroDVD file")));
    EXPECT_EQ(f.session().document().formatMode, kMicroDVD);
    ASSERT_EQ(f.session().rows().count(), 2);
    EXPECT_EQ(f.session().rows().at(0).original, QStringLiteral("{y:i}Hello"));

    // Answered No, the chosen filter holds; a file that matches its filter asks nothing.
    m_seam.yesNoAnswers.push_back(false);
    load(CommandId::LoadOriginal, micro, 0);
    EXPECT_EQ(f.session().document().formatMode, kSubRip);
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o.srt"), srt(2)), 0);
    EXPECT_EQ(m_seam.yesNoQuestions.size(), 2);
}

TEST_F(FrameTest, DesktopDetails) {
    CMainFrame& f = frame(true);
    // A closed Toolbox comes back from the ribbon.
    f.toolbox()->close();
    EXPECT_FALSE(f.toolbox()->isVisible());
    f.dispatchCommand(CommandId::Toolbox);
    EXPECT_TRUE(f.toolbox()->isVisible());

    // Original and Translated share the width the other columns leave.
    f.resize(1920, 1000);
    QTest::qWait(20);
    CReportView* grid = f.grid();
    const int others = grid->columnWidth(kColumnNumber);
    EXPECT_GE(grid->columnWidth(kColumnOriginal) + grid->columnWidth(kColumnTranslated) + others,
              grid->viewport()->width() - 2);
    EXPECT_LE(std::abs(grid->columnWidth(kColumnOriginal) - grid->columnWidth(kColumnTranslated)), 1);

    // A click in a selection of several rows selects that row; it does not open the editor.
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o.srt"), srt(200)));
    selectRows({1, 2, 3});
    const QRect cell = grid->visualRect(grid->model()->index(2, kColumnOriginal));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    settle();
    EXPECT_EQ(grid->selectedRowIndexes(), QList<int>{2});
    for (QLineEdit* editor : grid->viewport()->findChildren<QLineEdit*>())
        EXPECT_FALSE(editor->isVisible());

    // Ctrl+End shows the last row whole.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(grid->focusedRow(), 199);
    const QRect last = grid->visualRect(grid->model()->index(199, kColumnOriginal));
    EXPECT_GE(last.top(), 0);
    EXPECT_LE(last.bottom(), grid->viewport()->height());
}

TEST_F(FrameTest, CommandLineLoadsOriginalAndTranslated) {
    CMainFrame& f = frame();
    const QString original = writeFile(QStringLiteral("o.srt"), srt(2));
    const QString translated = writeFile(QStringLiteral("t.srt"), srt(2, "Ligne"));
    QSignalSpy loaded(&f, &CMainFrame::documentLoaded);
    f.loadFromCommandLine({original, translated});
    // Followed (checked, mapped) once, after both.
    EXPECT_EQ(loaded.count(), 1);
    ASSERT_EQ(f.session().rows().count(), 2);
    EXPECT_EQ(f.session().rows().at(1).translated, QStringLiteral("Ligne 2"));
    EXPECT_EQ(f.session().document().formatMode, kSubRip);
    // The one review saw the translation: no row is reported untranslated.
    for (const Finding& finding : f.review().completeChecker().findings())
        EXPECT_NE(finding.kind, CheckKind::EmptyTranslation) << finding.row;

    f.loadFromCommandLine({m_root.filePath(QStringLiteral("missing.srt"))});
    ASSERT_EQ(m_seam.messages.size(), 1);
    EXPECT_EQ(f.session().rows().count(), 2);

    // ".sub" is MicroDVD or SubViewer: the content tells.
    f.loadFromCommandLine({writeFile(QStringLiteral("film.sub"), "{0}{25}Hello|World\r\n{30}{50}Bye\r\n")});
    EXPECT_EQ(f.session().document().formatMode, kMicroDVD);
    EXPECT_EQ(f.session().rows().count(), 2);
    EXPECT_EQ(f.session().rows().at(1).original, QStringLiteral("Bye"));
}

TEST_F(FrameTest, RowChangesReachTheViewWithoutReset) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("o.srt"), srt(4)));
    selectRows({2});
    QSignalSpy resets(f.grid()->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(f.grid()->model(), &QAbstractItemModel::rowsInserted);
    SessionEdit insert; // without a selection of its own: the view keeps its focus on the entry
    insert.insert(0, {SessionEntry{}});
    f.runEdit(insert);
    f.applyChange(f.session().removeEntries({4}));
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(f.grid()->model()->rowCount(), 4);
    // The focused entry moved down with the insert.
    EXPECT_EQ(f.grid()->focusedRow(), 3);
    EXPECT_EQ(f.grid()->model()->index(3, 3).data().toString(), QStringLiteral("Line 3"));
}

TEST_F(FrameTest, DialogsStartInTheLastFolderAndTheLayoutLivesInTheConfigFolder) {
    const QString settings = m_root.filePath(QStringLiteral("config/velmora/folders.ini"));
    {
        DesktopSeam seam(settings);
        EXPECT_EQ(seam.startFolder(), QDir::homePath());
        seam.rememberFolder(m_root.filePath(QStringLiteral("bin/film.srt")));
    }
    // Remembered between runs; a folder that has gone since gives way to home.
    EXPECT_EQ(DesktopSeam(settings).startFolder(), m_root.filePath(QStringLiteral("bin")));
    DesktopSeam(settings).rememberFolder(m_root.filePath(QStringLiteral("gone/film.srt")));
    EXPECT_EQ(DesktopSeam(settings).startFolder(), QDir::homePath());

    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")).toLocal8Bit());
    {
        CMainFrame f(FrameOptions{bin(), QString(), &m_seam});
        EXPECT_EQ(f.layoutFile(), m_root.filePath(QStringLiteral("config/velmora/layout.ini")));
    }
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}
