// The review in the window: the Checks page and the grid's marks after a load, F8 through the
// findings, the timing fixes, the CPS column, spelling suggestions, and findings that follow edits.
#include "app/checks_page.h"
#include "app/grid_review.h"
#include "app/review_controller.h"
#include "frame_fixture.h"
#include "review/checks.h"
#include "translate/language_table.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>

namespace {

struct Entry {
    const char* show;
    const char* hide;
    const char* original;
    const char* translated;
};

QByteArray srtOf(const QList<Entry>& entries, bool translated) {
    QByteArray out;
    for (int i = 0; i < entries.size(); ++i)
        out += QByteArray::number(i + 1) + "\n" + entries[i].show + " --> " + entries[i].hide + "\n" +
               (translated ? entries[i].translated : entries[i].original) + "\n\n";
    return out;
}

// Row 1 loses a number, row 2 is read too fast, rows 3 and 4 overlap; rows 0 and 4 are sound.
const QList<Entry> kFilm = {
    {"00:00:01,000", "00:00:03,000", "Good morning.", "Guten Morgen."},
    {"00:00:04,000", "00:00:06,000", "It costs 1,000 dollars.", "Es kostet tausend Dollar."},
    {"00:00:07,000", "00:00:08,000", "We have to go now, they are waiting.",
     "Wir muessen jetzt gehen, sie warten auf uns."},
    {"00:00:10,000", "00:00:12,500", "Wait.", "Warte."},
    {"00:00:12,000", "00:00:14,000", "Why?", "Warum?"},
};

class ReviewFrame : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        // The review's settings and the user's words stay in the test's folder.
        qputenv("XDG_CONFIG_HOME", m_root.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("share")).toUtf8());
    }
    void TearDown() override {
        FrameTest::TearDown();
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
    }

    // The load's review runs from the event loop: it is waited for unless the test asks before.
    CMainFrame& loaded(const QList<Entry>& entries = kFilm, bool show = false, bool reviewed = true) {
        CMainFrame& f = frame(show);
        // Chosen anew, so that spelling follows it at once whatever an earlier test remembered.
        if (f.translateToCombo()->currentText() == QStringLiteral("German"))
            f.translateToCombo()->setCurrentText(QStringLiteral("French"));
        f.translateToCombo()->setCurrentText(QStringLiteral("German"));
        load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srtOf(entries, false)));
        load(CommandId::LoadTranslated, writeFile(QStringLiteral("film.de.srt"), srtOf(entries, true)));
        if (reviewed) {
            EXPECT_TRUE(QTest::qWaitFor([&f] { return !f.review().isChecking(); }));
        }
        return f;
    }

    QVector<Finding> fullCheck() const {
        return checkRows(m_frame->session().rows().all(), m_frame->review().checker().options());
    }
    QVariant cellData(int row, int column, int role) const {
        return m_frame->grid()->model()->index(row, column).data(role);
    }
    void showChecksPage() {
        m_frame->paneTabStrip()->setCurrentWidget(m_frame->checksPage());
        settle();
    }
    int listedFindings() const {
        int listed = 0;
        QTreeWidget* list = m_frame->checksPage()->list();
        for (int g = 0; g < list->topLevelItemCount(); ++g)
            listed += list->topLevelItem(g)->childCount();
        return listed;
    }
    QList<int> findingKindsOf(int row) const {
        QList<int> kinds;
        for (const Finding& f : m_frame->review().checker().findingsOf(row))
            kinds.append(int(f.kind));
        return kinds;
    }
};

TEST_F(ReviewFrame, ALoadShowsItsFindingsInTheChecksPageAndTheGrid) {
    CMainFrame& f = loaded(kFilm, true);
    showChecksPage();
    const IncrementalChecker& checker = f.review().checker();
    ASSERT_EQ(checker.findings(), fullCheck());

    struct Case {
        int row;
        int column;
        CheckKind kind;
        bool marked;
    };
    const Case cases[] = {
        {0, kColumnOriginal, CheckKind::MissingNumber, false},
        {1, kColumnOriginal, CheckKind::MissingNumber, true},
        {2, kColumnTranslated, CheckKind::ReadingSpeed, true},
        {3, kColumnNumber, CheckKind::Overlap, true},
        {4, kColumnNumber, CheckKind::Overlap, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findingKindsOf(c.row).contains(int(c.kind)), c.marked) << c.row;
        // A cell's tooltip says more than its own text only where it has findings.
        const QString tip = cellData(c.row, c.column, Qt::ToolTipRole).toString();
        const QString text = cellData(c.row, c.column, Qt::DisplayRole).toString();
        EXPECT_EQ(!tip.isEmpty() && tip != text, c.marked) << c.row;
    }
    // A text finding is not shown on the other text's cell.
    EXPECT_EQ(cellData(2, kColumnOriginal, Qt::ToolTipRole).toString(),
              cellData(2, kColumnOriginal, Qt::DisplayRole).toString());

    // The page lists each kind once with its count, and every finding under it.
    QTreeWidget* list = f.checksPage()->list();
    const std::array<int, kCheckKindCount> counts = checker.countsByKind();
    int groups = 0, listed = 0;
    for (int kind = 0; kind < kCheckKindCount; ++kind) {
        if (counts[kind] == 0)
            continue;
        QTreeWidgetItem* group = list->topLevelItem(groups++);
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->text(0),
                  QStringLiteral("%1 (%2)").arg(checkKindName(CheckKind(kind))).arg(counts[kind]));
        EXPECT_EQ(group->childCount(), counts[kind]);
        listed += group->childCount();
    }
    EXPECT_EQ(list->topLevelItemCount(), groups);
    EXPECT_EQ(listed, checker.findingCount());
    EXPECT_EQ(listedFindings(), listed);

    // A click on a finding leads to its row.
    QTreeWidgetItem* overlap = nullptr;
    for (int g = 0; g < list->topLevelItemCount(); ++g)
        if (list->topLevelItem(g)->text(0).startsWith(checkKindName(CheckKind::Overlap)))
            overlap = list->topLevelItem(g)->child(0);
    ASSERT_NE(overlap, nullptr);
    emit list->itemClicked(overlap, 0);
    EXPECT_EQ(f.focusedRow(), 3);
}

TEST_F(ReviewFrame, ALoadsFindingsAreTheSameAskedAtOnceOrOnceTheReviewHasRun) {
    // The load's review runs after the first frame; what asks before it has run gets every finding.
    enum class Ask { F8AtOnce, EditAtOnce, AfterTheReview };
    for (const Ask ask : {Ask::F8AtOnce, Ask::EditAtOnce, Ask::AfterTheReview}) {
        SCOPED_TRACE(int(ask));
        CMainFrame& f = loaded(kFilm, true, false);
        ASSERT_TRUE(f.review().isChecking());
        switch (ask) {
        case Ask::F8AtOnce:
            f.grid()->selectionModel()->clearCurrentIndex();
            QTest::keyClick(f.grid(), Qt::Key_F8);
            EXPECT_EQ(f.focusedRow(), fullCheck().first().row);
            break;
        case Ask::EditAtOnce:
            f.dispatchCommand(CommandId::FixOverlaps);
            EXPECT_EQ(f.review().completeChecker().findings(), fullCheck());
            break;
        case Ask::AfterTheReview: // nothing asks: the event loop runs the review
            break;
        }
        QTRY_VERIFY(!f.review().isChecking());
        EXPECT_EQ(f.review().checker().findings(), fullCheck());
        EXPECT_TRUE(f.review().checker().readingSpeedOf(2).has_value());
    }
}

TEST_F(ReviewFrame, AKindWithVeryManyFindingsListsThemInPartAndCountsThemAll) {
    QList<Entry> many;
    for (int i = 0; i <= ChecksPage::kMostListedPerKind; ++i)
        many.append({"00:01:00,000", "00:01:02,000", "Look.", "Zorblat."});
    CMainFrame& f = loaded(many, true);
    showChecksPage();
    QTreeWidget* list = f.checksPage()->list();
    QTreeWidgetItem* spelling = nullptr;
    for (int g = 0; g < list->topLevelItemCount(); ++g)
        if (list->topLevelItem(g)->text(0).startsWith(checkKindName(CheckKind::Spelling)))
            spelling = list->topLevelItem(g);
    ASSERT_NE(spelling, nullptr);
    EXPECT_EQ(spelling->text(0),
              QStringLiteral("%1 (%2)").arg(checkKindName(CheckKind::Spelling)).arg(many.size()));
    ASSERT_EQ(spelling->childCount(), ChecksPage::kMostListedPerKind + 1);
    EXPECT_TRUE(spelling->child(ChecksPage::kMostListedPerKind)->text(0).contains(QStringLiteral("1 more")));
}

TEST_F(ReviewFrame, F8AndShiftF8WalkTheFindingsInRowOrderAndGoRound) {
    // Shown: the keys reach the window's shortcuts.
    CMainFrame& f = loaded(kFilm, true);
    const QVector<Finding> findings = f.review().checker().findings();
    ASSERT_GE(findings.size(), 3);
    selectRows({});
    f.grid()->selectionModel()->clearCurrentIndex();

    QList<int> forward;
    for (int i = 0; i <= findings.size(); ++i) {
        QTest::keyClick(f.grid(), Qt::Key_F8);
        forward.append(f.focusedRow());
    }
    QList<int> expected;
    for (const Finding& finding : findings)
        expected.append(finding.row);
    expected.append(findings.first().row);
    EXPECT_EQ(forward, expected);

    QList<int> back;
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(f.grid(), Qt::Key_F8, Qt::ShiftModifier);
        back.append(f.focusedRow());
    }
    EXPECT_EQ(back, (QList<int>{findings.last().row, findings[findings.size() - 2].row}));
}

TEST_F(ReviewFrame, EachTimingFixIsOneUndoStep) {
    CMainFrame& f = loaded();
    const QStringList before = f.session().document().timeLines;
    ASSERT_TRUE(findingKindsOf(3).contains(int(CheckKind::Overlap)));

    f.dispatchCommand(CommandId::FixOverlaps);
    EXPECT_NE(f.session().document().timeLines, before);
    EXPECT_FALSE(findingKindsOf(3).contains(int(CheckKind::Overlap)));
    EXPECT_EQ(f.review().checker().findings(), fullCheck());

    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(f.session().document().timeLines, before);
    EXPECT_TRUE(findingKindsOf(3).contains(int(CheckKind::Overlap)));
    EXPECT_EQ(f.review().checker().findings(), fullCheck());
}

TEST_F(ReviewFrame, CpsColumnShowsHidesAndColoursWhatIsReadTooFast) {
    CMainFrame& f = loaded();
    CReportView* grid = f.grid();
    EXPECT_TRUE(grid->isColumnHidden(kColumnCps));
    f.dispatchCommand(CommandId::ShowCpsColumn);
    EXPECT_FALSE(grid->isColumnHidden(kColumnCps));
    EXPECT_TRUE(f.ribbon()->button(quint16(CommandId::ShowCpsColumn))->isChecked());

    struct Case {
        int row;
        bool tooFast;
    };
    for (const Case& c : {Case{2, true}, Case{0, false}}) {
        const double speed = cellData(c.row, kColumnCps, Qt::DisplayRole).toString().toDouble();
        EXPECT_NEAR(speed, *f.review().checker().readingSpeedOf(c.row), 0.05) << c.row;
        EXPECT_EQ(cellData(c.row, kColumnCps, Qt::ForegroundRole).isValid(), c.tooFast) << c.row;
    }

    f.dispatchCommand(CommandId::ShowCpsColumn);
    EXPECT_TRUE(grid->isColumnHidden(kColumnCps));
}

TEST_F(ReviewFrame, AStricterPresetFlagsMoreAndIsKept) {
    // 14 characters in 0.8 s: 17.5 a second, over the children's limit only.
    CMainFrame& f = loaded({{"00:00:01,000", "00:00:01,800", "Hello there.", "Hallo, ihr da."}});
    EXPECT_FALSE(findingKindsOf(0).contains(int(CheckKind::ReadingSpeed)));
    auto* box = qobject_cast<QComboBox*>(f.ribbonControl(CommandId::ReviewPreset));
    ASSERT_NE(box, nullptr);
    box->setCurrentIndex(box->findData(int(PresetId::Children)));
    f.dispatchCommand(CommandId::ReviewPreset);
    EXPECT_TRUE(findingKindsOf(0).contains(int(CheckKind::ReadingSpeed)));
    EXPECT_EQ(ReviewSettings().preset(), PresetId::Children);
}

TEST_F(ReviewFrame, FindingsFollowAnEditAndItsUndoWithoutAFullRecheck) {
    QList<Entry> many = kFilm;
    for (int i = 0; i < 40; ++i)
        many.append({"00:01:00,000", "00:01:02,000", "Seven.", "Sieben."});
    CMainFrame& f = loaded(many, true);
    showChecksPage();
    const IncrementalChecker& checker = f.review().checker();
    ASSERT_TRUE(findingKindsOf(1).contains(int(CheckKind::MissingNumber)));

    QAbstractItemModel* model = f.grid()->model();
    ASSERT_TRUE(model->setData(model->index(1, kColumnTranslated), QStringLiteral("Es kostet 1.000 Dollar."),
                               Qt::EditRole));
    EXPECT_FALSE(findingKindsOf(1).contains(int(CheckKind::MissingNumber)));
    EXPECT_EQ(checker.findings(), fullCheck());
    EXPECT_LE(checker.lastRecheckedRows(), 3);
    settle();
    EXPECT_EQ(listedFindings(), checker.findingCount());

    f.dispatchCommand(CommandId::Undo);
    EXPECT_TRUE(findingKindsOf(1).contains(int(CheckKind::MissingNumber)));
    EXPECT_EQ(checker.findings(), fullCheck());
    EXPECT_LE(checker.lastRecheckedRows(), 3);
}

TEST_F(ReviewFrame, SpellingSuggestionReplacesTheWordAndMyWordsSilenceIt) {
    CMainFrame& f = loaded({{"00:00:01,000", "00:00:04,000", "The house is big.", "La maisson est grande."},
                            {"00:00:05,000", "00:00:08,000", "Look, Zorblat!", "Regarde, Zorblat !"}});
    f.translateToCombo()->setCurrentText(QStringLiteral("French"));
    if (!f.review().speller().isEnabled())
        GTEST_SKIP() << "no French dictionary installed";
    ASSERT_TRUE(findingKindsOf(0).contains(int(CheckKind::Spelling)));
    // The original side is not spelt.
    EXPECT_EQ(spellingMenu(*f.grid(), f.review(), {}, f.grid()->model()->index(0, kColumnOriginal)), nullptr);

    std::unique_ptr<QMenu> menu(
        spellingMenu(*f.grid(), f.review(), {}, f.grid()->model()->index(0, kColumnTranslated)));
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions.first()->text(), QStringLiteral("maison"));
    actions.first()->trigger();
    EXPECT_EQ(f.session().rows().at(0).translated, QStringLiteral("La maison est grande."));
    EXPECT_FALSE(findingKindsOf(0).contains(int(CheckKind::Spelling)));

    ASSERT_TRUE(findingKindsOf(1).contains(int(CheckKind::Spelling)));
    menu.reset(spellingMenu(*f.grid(), f.review(), {}, f.grid()->model()->index(1, kColumnTranslated)));
    ASSERT_NE(menu, nullptr);
    menu->actions().last()->trigger();
    EXPECT_FALSE(findingKindsOf(1).contains(int(CheckKind::Spelling)));
    EXPECT_TRUE(f.review().speller().myWords().contains(u"Zorblat"));
}

} // namespace

namespace {

TEST_F(ReviewFrame, ChosenSpellingLanguageOverridesTheToLanguageUntilSetBack) {
    CMainFrame& f = loaded({{"00:00:01,000", "00:00:04,000", "The house.", "Das Haus."}});
    auto* box = qobject_cast<QComboBox*>(f.ribbonControl(CommandId::SpellingLanguage));
    ASSERT_NE(box, nullptr);
    const int french = box->findData(QStringLiteral("fr_FR"));
    if (french < 0)
        GTEST_SKIP() << "no French dictionary installed";
    EXPECT_EQ(f.review().speller().languages(), QStringList{"de"});
    EXPECT_FALSE(findingKindsOf(0).contains(int(CheckKind::Spelling)));

    box->setCurrentIndex(french);
    f.dispatchCommand(CommandId::SpellingLanguage);
    EXPECT_EQ(f.review().speller().languages(), QStringList{"fr_FR"});
    EXPECT_TRUE(findingKindsOf(0).contains(int(CheckKind::Spelling)));
    EXPECT_EQ(ReviewSettings().spellingLanguages(), QStringList{"fr_FR"});

    box->setCurrentIndex(0);
    f.dispatchCommand(CommandId::SpellingLanguage);
    EXPECT_EQ(f.review().speller().languages(), QStringList{"de"});
    EXPECT_TRUE(ReviewSettings().spellingLanguages().isEmpty());
}

} // namespace

namespace {

TEST_F(ReviewFrame, TheCellEditorUnderlinesMisspeltWordsOfTheTranslationOnly) {
    CMainFrame& f = loaded({{"00:00:01,000", "00:00:04,000", "La maisson.", "La maisson est grande."}});
    f.translateToCombo()->setCurrentText(QStringLiteral("French"));
    if (!f.review().speller().isEnabled())
        GTEST_SKIP() << "no French dictionary installed";
    struct Case {
        int column;
        QList<int> underlined; // where underlined runs start
    };
    for (const Case& c : {Case{kColumnOriginal, {}}, Case{kColumnTranslated, {3}}}) {
        CReportView* grid = f.grid();
        grid->edit(grid->model()->index(0, c.column));
        settle(); // the editor's first highlighting is queued
        auto* editor = grid->viewport()->findChild<QPlainTextEdit*>(QStringLiteral("cellEditor"));
        ASSERT_NE(editor, nullptr);
        QList<int> underlined;
        for (const QTextLayout::FormatRange& r : editor->document()->firstBlock().layout()->formats())
            if (r.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                underlined.append(r.start);
        EXPECT_EQ(underlined, c.underlined) << c.column;
        grid->commitOpenEditor();
    }
}

} // namespace

namespace {

TEST_F(ReviewFrame, SpellingFollowsTheStartingToLanguageOnceTheRowsAreShown) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srtOf(kFilm, false)));
    // Not while the window is still to be shown: opening a dictionary would hold up the first paint.
    EXPECT_TRUE(f.review().speller().languages().isEmpty());
    f.resize(1280, 800);
    f.show();
    const QString to = QString::fromLatin1(languageCode(f.translateToCombo()->currentText()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.review().speller().languages() == QStringList{to}; }, 5000));
}

} // namespace
