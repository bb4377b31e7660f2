// The editing commands driven by id through the registry, their dialogs answered through the seam,
// and the grid told about every change.
#include "app/edit_dialogs.h"
#include "frame_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextCursor>
#include <QTextDocument>
#include <functional>

namespace {

class EditCommands : public FrameTest {
protected:
    CMainFrame& loaded(int entries = 5) {
        CMainFrame& f = frame();
        load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(entries)));
        return f;
    }
    QString cell(int row, int column) const {
        return m_frame->grid()->model()->index(row, column).data().toString();
    }
    QStringList originals() const {
        QStringList out;
        for (int r = 0; r < m_frame->grid()->model()->rowCount(); ++r)
            out.append(cell(r, kColumnOriginal));
        return out;
    }
};

} // namespace

TEST_F(EditCommands, LineOperationsUndoAndRedoThroughTheRegistry) {
    CMainFrame& f = loaded();
    EXPECT_FALSE(f.commands().isEnabled(CommandId::Undo));
    EXPECT_FALSE(f.ribbon()->control(quint16(CommandId::Undo))->isEnabled());
    EXPECT_FALSE(f.commands().isEnabled(CommandId::DeleteSelected));

    selectRows({1, 3});
    EXPECT_TRUE(f.commands().isEnabled(CommandId::CombineSubtitles));
    f.dispatchCommand(CommandId::CutLine);
    EXPECT_EQ(originals(), (QStringList{"Line 1", "Line 3", "Line 5"}));
    EXPECT_EQ(cell(2, kColumnNumber), "3");
    EXPECT_TRUE(f.ribbon()->control(quint16(CommandId::Undo))->isEnabled());

    selectRows({0});
    f.dispatchCommand(CommandId::PasteLine);
    EXPECT_EQ(originals(), (QStringList{"Line 2", "Line 4", "Line 1", "Line 3", "Line 5"}));
    EXPECT_EQ(f.selectedRows(), (QList<int>{0, 1}));
    EXPECT_EQ(f.focusedRow(), 1);
    EXPECT_EQ(f.session().document().originalTexts,
              (QStringList{"Line 2", "Line 4", "Line 1", "Line 3", "Line 5"}));

    // The quick-access buttons name the step they take back or do again, and their keys.
    auto tip = [&](CommandId id) { return f.ribbon()->control(quint16(id))->toolTip(); };
    EXPECT_EQ(tip(CommandId::Undo), QStringLiteral("Undo Paste Line (Ctrl+Z)"));
    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(tip(CommandId::Undo), QStringLiteral("Undo Cut Line (Ctrl+Z)"));
    EXPECT_EQ(tip(CommandId::Redo), QStringLiteral("Redo Paste Line (Ctrl+Shift+Z, Ctrl+Y)"));
    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(tip(CommandId::Undo), QStringLiteral("Undo (Ctrl+Z)"));
    EXPECT_EQ(originals(), (QStringList{"Line 1", "Line 2", "Line 3", "Line 4", "Line 5"}));
    // The rows that came back are the ones selected.
    EXPECT_EQ(f.selectedRows(), (QList<int>{1, 3}));
    EXPECT_FALSE(f.commands().isEnabled(CommandId::Undo));
    f.dispatchCommand(CommandId::Redo);
    EXPECT_EQ(originals(), (QStringList{"Line 1", "Line 3", "Line 5"}));

    // Nothing touches the document while a translation runs.
    f.setTranslating(true);
    selectRows({0});
    f.dispatchCommand(CommandId::DeleteSelected);
    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(originals().size(), 3);
    f.setTranslating(false);
}

TEST_F(EditCommands, EveryCommandTellsTheGridOnce) {
    CMainFrame& f = loaded(6);
    QAbstractItemModel* model = f.grid()->model();
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);
    auto counts = [&] {
        const QList<int> c{int(changed.count()), int(inserted.count()), int(removed.count()),
                           int(reset.count())};
        changed.clear();
        inserted.clear();
        removed.clear();
        reset.clear();
        return c;
    };

    selectRows({2, 3});
    counts();
    f.dispatchCommand(CommandId::CombineSubtitles); // one removal, the rows after it renumbered at once
    EXPECT_EQ(counts(), (QList<int>{1, 0, 1, 0}));
    ASSERT_EQ(changed.count(), 0);

    selectRows({0, 4});
    counts();
    f.dispatchCommand(CommandId::DeleteSelected); // rows from two places: the grid starts over once
    EXPECT_EQ(counts(), (QList<int>{0, 0, 0, 1}));

    selectRows({1});
    counts();
    f.dispatchCommand(CommandId::InsertBefore);
    EXPECT_EQ(counts(), (QList<int>{1, 1, 0, 0}));

    // An in-place edit reaches the view and its list, and undoes like any edit.
    const QModelIndex i = model->index(0, kColumnTranslated);
    ASSERT_TRUE(model->setData(i, QStringLiteral("Zeile"), Qt::EditRole));
    EXPECT_EQ(counts(), (QList<int>{1, 0, 0, 0}));
    EXPECT_EQ(f.session().document().translatedTexts[0], "Zeile");
    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(cell(0, kColumnTranslated), kUntranslated);
    EXPECT_EQ(counts(), (QList<int>{1, 0, 0, 0}));
}

TEST_F(EditCommands, TimingBoxesSpinAndTypedTimesReachTheTimeLine) {
    CMainFrame& f = loaded(3);
    f.ribbon()->setCurrentTab(1);
    selectRows({1});
    ASSERT_TRUE(f.showTimeEdit()->isEnabled());
    EXPECT_EQ(f.showTimeEdit()->text(), "00:00:02,000");
    QSignalSpy changed(f.grid()->model(), &QAbstractItemModel::dataChanged);

    f.showTimeEdit()->stepBy(1);
    EXPECT_EQ(f.showTimeEdit()->text(), "00:00:02,010");
    EXPECT_EQ(cell(1, kColumnShow), "00:00:02,010");
    EXPECT_EQ(f.session().document().timeLines[1], "00:00:02,010 --> 00:00:03,500");
    EXPECT_EQ(changed.count(), 1);

    // Typing: the time line the savers write follows, and the whole typing is one undo step.
    f.hideTimeEdit()->setFocus();
    QTest::keyClick(f.hideTimeEdit(), Qt::Key_Home);
    QTest::keyClicks(f.hideTimeEdit(), "000009500");
    EXPECT_EQ(cell(1, kColumnHide), "00:00:09,500");
    EXPECT_EQ(f.session().document().timeLines[1], "00:00:02,010 --> 00:00:09,500");
    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(f.session().document().timeLines[1], "00:00:02,010 --> 00:00:03,500");
    EXPECT_EQ(f.hideTimeEdit()->text(), "00:00:03,500");

    // Focusing another row fills the boxes without touching any time line.
    const QStringList before = f.session().document().timeLines;
    selectRows({2});
    EXPECT_EQ(f.showTimeEdit()->text(), "00:00:04,000");
    EXPECT_EQ(f.session().document().timeLines, before);
}

TEST_F(EditCommands, TimeBoxesKeepTheRowsTimeUntilAWholeOrderedOneIsTyped) {
    CMainFrame& f = loaded(3);
    f.ribbon()->setCurrentTab(1);
    selectRows({1});
    const QString timeLine = f.session().document().timeLines[1];
    TimeSpinEdit* show = f.showTimeEdit();
    TimeSpinEdit* hide = f.hideTimeEdit();
    show->setFocus();

    // Select-all and a letter: the box is being typed over, the row keeps its time.
    QTest::keyClick(show, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(show, Qt::Key_X);
    EXPECT_EQ(cell(1, kColumnShow), "00:00:02,000");
    QTest::keyClicks(show, "0000025");
    EXPECT_EQ(f.session().document().timeLines[1], timeLine);
    QTest::keyClicks(show, "00");
    EXPECT_EQ(f.session().document().timeLines[1], "00:00:02,500 --> 00:00:03,500");

    // A Hide before the Show is refused with a word in the status bar.
    hide->setFocus();
    QTest::keyClick(hide, Qt::Key_Home);
    QTest::keyClicks(hide, "000001");
    EXPECT_EQ(cell(1, kColumnHide), "00:00:03,500");
    EXPECT_TRUE(f.statusBar()->currentMessage().contains(QStringLiteral("Hide time is before")));

    // Leaving the box shows the row's times again; a cleared box the same.
    QTest::keyClick(hide, Qt::Key_End);
    QTest::keyClick(hide, Qt::Key_Backspace);
    emit hide->editingFinished();
    EXPECT_EQ(hide->text(), "00:00:03,500");
    EXPECT_EQ(show->text(), "00:00:02,500");
}

TEST_F(EditCommands, SetDelayDialogAndRestoreOriginalTime) {
    CMainFrame& f = loaded(3);
    m_seam.onModal = [](QDialog& d) {
        auto* delay = qobject_cast<CSet_Delay*>(&d);
        ASSERT_NE(delay, nullptr);
        EXPECT_EQ(delay->signList()->currentText(), "+");
        EXPECT_TRUE(delay->selectedRadio()->isChecked());
        delay->signList()->setCurrentIndex(1);
        delay->valueBox()->setText("00:00:01,990");
        delay->valueBox()->stepBy(1); // the up arrow adds ten units to what was typed
        delay->allRadio()->setChecked(true);
        delay->accept();
    };
    f.dispatchCommand(CommandId::SetDelay);
    EXPECT_EQ(cell(0, kColumnShow), "00:00:00,000");
    EXPECT_EQ(cell(2, kColumnShow), "00:00:02,000");
    EXPECT_EQ(f.session().document().timeLines[2], "00:00:02,000 --> 00:00:03,500");

    selectRows({2});
    f.dispatchCommand(CommandId::RestoreOriginalTime);
    EXPECT_EQ(cell(2, kColumnShow), "00:00:04,000");
    EXPECT_EQ(cell(1, kColumnShow), "00:00:00,000");
    EXPECT_EQ(f.showTimeEdit()->text(), "00:00:04,000");

    // Cancel changes nothing.
    m_seam.onModal = [](QDialog& d) { d.reject(); };
    const QStringList before = f.session().document().timeLines;
    f.dispatchCommand(CommandId::SetDelay);
    EXPECT_EQ(f.session().document().timeLines, before);
}

TEST_F(EditCommands, FindAndReplaceDialogsReportOnTheirOwn) {
    CMainFrame& f = loaded(5);
    f.dispatchCommand(CommandId::Search);
    f.dispatchCommand(CommandId::Replace);
    ASSERT_EQ(m_seam.modeless.size(), 2);
    auto* find = qobject_cast<FindReplaceDialog*>(m_seam.modeless[0].data());
    auto* replace = qobject_cast<FindReplaceDialog*>(m_seam.modeless[1].data());
    ASSERT_TRUE(find && replace);
    EXPECT_EQ(find->windowTitle(), "Find");
    EXPECT_EQ(replace->upRadio(), nullptr); // replacing always searches down

    find->findEdit()->setText("LINE 3");
    find->findNextButton()->click();
    EXPECT_EQ(f.focusedRow(), 2);
    find->matchCaseBox()->setChecked(true);
    find->findNextButton()->click();
    EXPECT_EQ(f.focusedRow(), 2);
    EXPECT_EQ(f.findText, "LINE 3");
    EXPECT_TRUE(f.replaceText.isEmpty());

    // "Find Next" goes on down, without regard to case, whatever the dialog said.
    find->findEdit()->setText("line");
    find->matchCaseBox()->setChecked(false);
    find->upRadio()->setChecked(true);
    find->findNextButton()->click();
    EXPECT_EQ(f.focusedRow(), 1);
    f.dispatchCommand(CommandId::FindNext);
    EXPECT_EQ(f.focusedRow(), 2);

    replace->findEdit()->setText("line");
    replace->replaceEdit()->setText("Zeile");
    replace->replaceButton()->click(); // the focused row only, both texts, focus stays
    EXPECT_EQ(cell(2, kColumnOriginal), "Zeile 3");
    EXPECT_EQ(f.focusedRow(), 2);
    replace->replaceAllButton()->click();
    EXPECT_EQ(originals(), (QStringList{"Zeile 1", "Zeile 2", "Zeile 3", "Zeile 4", "Zeile 5"}));
    EXPECT_EQ(f.session().document().originalTexts[4], "Zeile 5");
    f.dispatchCommand(CommandId::Undo); // replace-all is one step
    EXPECT_EQ(originals(), (QStringList{"Line 1", "Line 2", "Zeile 3", "Line 4", "Line 5"}));

    replace->reject();
    QTest::qWait(0);
    EXPECT_TRUE(m_seam.modeless[1].isNull()); // a closed dialog deletes itself
    EXPECT_EQ(f.replaceText, "Zeile");        // closing copied its texts and did nothing else
}

TEST_F(EditCommands, GoToLineNumberSaysWhatIsWrongAndStaysOpen) {
    CMainFrame& f = loaded(5);
    int attempts = 0;
    m_seam.onModal = [&](QDialog& d) {
        auto* dialog = qobject_cast<CLine_Number*>(&d);
        ASSERT_NE(dialog, nullptr);
        for (const char* text : {"", "0", "3"}) {
            dialog->edit()->setText(text);
            dialog->goButton()->click();
            ++attempts;
            if (dialog->result() == QDialog::Accepted)
                return;
        }
    };
    f.dispatchCommand(CommandId::GoToLineNumber);
    EXPECT_EQ(attempts, 3);
    ASSERT_EQ(m_seam.messages.size(), 2);
    EXPECT_EQ(m_seam.messages[0], errorMessage("you must input a valid line number!"));
    EXPECT_EQ(f.focusedRow(), 2);
    EXPECT_EQ(f.selectedRows(), QList<int>{2});

    m_seam.onModal = [](QDialog& d) {
        auto* dialog = qobject_cast<CLine_Number*>(&d);
        dialog->edit()->setText("7");
        dialog->goButton()->click();
    };
    f.dispatchCommand(CommandId::GoToLineNumber);
    EXPECT_EQ(f.focusedRow(), 2); // beyond the last row: nothing happens
}

TEST_F(EditCommands, UnsavedChangesShowInTheTitleAndAreAskedAboutBeforeTheyAreLost) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.en.srt"), srt(3)));
    load(CommandId::LoadTranslated, writeFile(QStringLiteral("film.fr.srt"), srt(3, "Ligne")));
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("film.en.srt + film.fr.srt \u2014 velmora"));
    EXPECT_TRUE(m_seam.questions.isEmpty());

    selectRows({0});
    f.dispatchCommand(CommandId::DeleteSelected);
    EXPECT_TRUE(f.isModified());
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("film.en.srt \u2022 + film.fr.srt \u2022 \u2014 velmora"));
    f.dispatchCommand(CommandId::Undo);
    EXPECT_FALSE(f.isModified()); // back where the load left it
    f.dispatchCommand(CommandId::Redo);

    // Cancel keeps the window and the work.
    m_seam.saveChoices = {SaveChoice::Cancel};
    EXPECT_FALSE(f.close());
    EXPECT_EQ(m_seam.questions, QStringList{"Save the changes to the original subtitle \"film.en.srt\"?"});
    m_seam.saveChoices = {SaveChoice::Cancel};
    f.dispatchCommand(CommandId::Exit);
    EXPECT_EQ(m_seam.exitStatus, -1);

    // Loading over the work asks first; Cancel does not even open the file dialog.
    m_seam.saveChoices = {SaveChoice::Cancel};
    const int opened = m_seam.openAsked;
    f.dispatchCommand(CommandId::LoadOriginal);
    EXPECT_EQ(m_seam.openAsked, opened);

    // Save writes each side's subtitle, marks the document saved and lets the window close.
    const QString saved = m_root.filePath(QStringLiteral("saved.srt"));
    m_seam.saveAnswers = {m_root.filePath(QStringLiteral("saved.en.srt")), saved};
    m_seam.saveChoices = {SaveChoice::Save, SaveChoice::Save};
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(QFile::exists(saved));
    EXPECT_FALSE(f.isModified());
    EXPECT_FALSE(f.windowTitle().contains(QString::fromUtf8("\u2022")));

    // A save the user cancels keeps the window open.
    f.dispatchCommand(CommandId::DeleteSelected);
    selectRows({0});
    f.dispatchCommand(CommandId::DeleteSelected);
    m_seam.saveChoices = {SaveChoice::Save};
    EXPECT_FALSE(f.close());
    m_seam.saveChoices = {SaveChoice::Discard};
    EXPECT_TRUE(f.close());
}

TEST_F(EditCommands, EveryShortcutBelongsToOneCommandAndReachesItFromTheGrid) {
    CMainFrame& f = frame(true);
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(5)));
    // A key two commands share runs neither (Qt calls it ambiguous), and an empty one runs nothing.
    QHash<QString, QString> owners;
    for (CommandId id : f.commands().ids()) {
        const CommandSpec* command = f.commands().find(id);
        for (const QKeySequence& key : command->shortcuts) {
            EXPECT_FALSE(key.isEmpty()) << command->label.toStdString();
            const QString text = key.toString();
            EXPECT_FALSE(owners.contains(text))
                << text.toStdString() << ": " << owners.value(text).toStdString() << " and "
                << command->label.toStdString();
            owners.insert(text, command->label);
        }
    }

    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    selectRows({1});
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), Qt::Key_Delete);
    EXPECT_EQ(originals(), (QStringList{"Line 1", "Line 3", "Line 4", "Line 5"}));
    QTest::keyClick(f.grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(originals(), (QStringList{"Line 1", "Line 2", "Line 3", "Line 4", "Line 5"}));
    QTest::keyClick(f.grid(), Qt::Key_H, Qt::ControlModifier);
    ASSERT_EQ(m_seam.modeless.size(), 1);
    EXPECT_EQ(m_seam.modeless[0]->windowTitle(), "Replace");
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(f.grid(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(f.ribbon()->applicationMenu()->isVisible());
    f.ribbon()->applicationMenu()->close();
}

TEST_F(EditCommands, PasteLineWaitsForSomethingToPaste) {
    CMainFrame& f = loaded(3);
    QWidget* button = f.ribbon()->control(quint16(CommandId::PasteLine));
    const std::pair<std::function<void()>, bool> steps[] = {
        {[] {}, false}, // nothing cut or copied yet
        {[&] {
             selectRows({0});
             f.dispatchCommand(CommandId::CopyLine);
         },
         true},
        {[&] { f.dispatchCommand(CommandId::PasteLine); }, true}, // still held
        {[&] { load(CommandId::LoadOriginal, writeFile("o.srt", srt(2))); }, true},
    };
    for (const auto& [run, canPaste] : steps) {
        run();
        EXPECT_EQ(f.commands().isEnabled(CommandId::PasteLine), canPaste);
        EXPECT_EQ(button->isEnabled(), canPaste);
    }
}

TEST_F(EditCommands, FindWhatStartsWithTheSelectedTextOrTheLastSearch) {
    CMainFrame& f = loaded(3);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTextEdit* mapping = f.childView()->mappingView()->richEdit();
    struct Case {
        CommandId command;
        const char* selected; // on the Mapping Text page, which has the focus; none: the grid has it
        const char* offered;
    };
    const Case cases[] = {
        {CommandId::Replace, nullptr, "Line 3"},
        {CommandId::Search, "ine 1", "ine 1"},
        {CommandId::Search, "", "Line 3"}, // all of it: a selection over lines is no search text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offered);
        f.findText = "Line 3";
        f.grid()->setFocus();
        if (c.selected) {
            mapping->setFocus();
            if (*c.selected)
                mapping->setTextCursor(mapping->document()->find(QLatin1String(c.selected)));
            else
                mapping->selectAll();
        }
        m_seam.modeless.clear();
        f.dispatchCommand(c.command);
        ASSERT_EQ(m_seam.modeless.size(), 1);
        auto* dialog = qobject_cast<FindReplaceDialog*>(m_seam.modeless[0].data());
        EXPECT_EQ(dialog->findEdit()->text(), QLatin1String(c.offered));
        // Typing replaces what is offered.
        EXPECT_EQ(dialog->findEdit()->selectedText(), dialog->findEdit()->text());
        dialog->reject();
    }
}

TEST(EditDialogs, ReplaceWithFollowsFindWhatInTheTabOrder) {
    FindReplaceDialog dialog(FindReplaceDialog::Kind::Replace);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.findEdit()->setFocus();
    QTest::keyClick(dialog.findEdit(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.replaceEdit());
}

TEST(EditDialogs, TitlesFitTheirWindows) {
    // Room for the title as the desktop shows it ("Set Delay — velmora") and the title bar's buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    QApplication::setApplicationDisplayName(QStringLiteral("velmora"));
    CSet_Delay delay(kSubRip);
    CLine_Number line({});
    FindReplaceDialog find(FindReplaceDialog::Kind::Find);
    FindReplaceDialog replace(FindReplaceDialog::Kind::Replace);
    for (QDialog* d : std::initializer_list<QDialog*>{&delay, &line, &find, &replace}) {
        d->adjustSize();
        EXPECT_GE(d->width(),
                  QFontMetrics(bold).horizontalAdvance(d->windowTitle() + " \u2014 velmora") + 100)
            << qPrintable(d->windowTitle());
    }
    QApplication::setApplicationDisplayName(QString());
}
