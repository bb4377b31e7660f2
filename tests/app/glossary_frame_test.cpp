// The client's glossary in the window: Import Glossary underlines its terms in the Original cells
// with their translations in the tooltip and flags the rows whose translation lacks one; Clear
// Glossary takes both away.
#include "app/checks_page.h"
#include "app/review_controller.h"
#include "frame_fixture.h"
#include "memory/memory_store.h"

#include <QRegularExpression>
#include <QTreeWidget>

namespace {

const QByteArray kTerms = "Term\tTranslation\tNote\n"
                          "Ministry\tMinistère\tclient's term\n"
                          "red car\tvoiture rouge\n";

QByteArray srtOf(const QList<const char*>& texts) {
    QByteArray out;
    for (int i = 0; i < texts.size(); ++i)
        out += QByteArray::number(i + 1) + "\n00:00:" + QByteArray::number(10 + i * 4) +
               ",000 --> 00:00:" + QByteArray::number(12 + i * 4) + ",000\n" + texts[i] + "\n\n";
    return out;
}

using Span = QPair<int, int>;

class GlossaryFrame : public FrameTest {
protected:
    CMainFrame& loaded() {
        CMainFrame& f = frame(true);
        load(CommandId::LoadOriginal,
             writeFile(QStringLiteral("ep.srt"),
                       srtOf({"The Ministry is closed.", "The red car of the ministry.", "Nothing here."})));
        load(CommandId::LoadTranslated,
             writeFile(QStringLiteral("ep.fr.srt"),
                       srtOf({"Le ministère est fermé.", "La voiture bleue du ministère.", "Rien ici."})));
        // The load's review runs from the event loop.
        EXPECT_TRUE(QTest::qWaitFor([&f] { return !f.review().isChecking(); }));
        return f;
    }

    void importTerms(const QByteArray& bytes, const char* name = "client.tsv") {
        m_seam.openAnswers.push_back({writeFile(QLatin1String(name), bytes), 0});
        m_frame->dispatchCommand(CommandId::ImportGlossary);
    }

    QList<Span> underlined(int row) const {
        QList<Span> spans;
        for (const GlossaryHit& hit : m_frame->review().glossaryHits(m_frame->review().originalText(row)))
            spans.append({hit.start, hit.length});
        return spans;
    }
    QString tooltip(int row) const {
        return m_frame->grid()->model()->index(row, kColumnOriginal).data(Qt::ToolTipRole).toString();
    }
    // The Checks page's glossary findings, as "row: message", of one row or all.
    QStringList listedGlossaryFindings(int row = -1) {
        m_frame->paneTabStrip()->setCurrentWidget(m_frame->checksPage());
        settle();
        QStringList listed;
        QTreeWidget* list = m_frame->checksPage()->list();
        for (int g = 0; g < list->topLevelItemCount(); ++g) {
            QTreeWidgetItem* group = list->topLevelItem(g);
            if (!group->text(0).startsWith(checkKindName(CheckKind::Glossary)))
                continue;
            for (int i = 0; i < group->childCount(); ++i)
                if (row < 0 || group->child(i)->text(1) == QString::number(row + 1))
                    listed.append(group->child(i)->text(1) + QStringLiteral(": ") + group->child(i)->text(0));
        }
        return listed;
    }
};

TEST_F(GlossaryFrame, ImportedTermsAreUnderlinedAndARowLackingTheirTranslationIsAFinding) {
    struct Case {
        const char* what;
        int row;
        QList<Span> spans;
        QStringList tooltipLines;
        QStringList findings; // on the Checks page, for this row
        const char* fixed;    // a translation that carries every term, or nullptr
    };
    const Case cases[] = {
        {"the car's translation is missing",
         1,
         {{4, 7}, {19, 8}},
         {QStringLiteral("Glossary: red car → voiture rouge"),
          QStringLiteral("Glossary: Ministry → Ministère (client's term)")},
         {QStringLiteral("2: Glossary: \"red car\" is translated as \"voiture rouge\"")},
         "La voiture rouge du ministère."},
        {"the term is translated, in another case",
         0,
         {{4, 8}},
         {QStringLiteral("Glossary: Ministry → Ministère (client's term)")},
         {},
         nullptr},
        {"no term", 2, {}, {}, {}, nullptr},
    };
    CMainFrame& f = loaded();
    importTerms(kTerms);
    ASSERT_EQ(m_seam.messages.size(), 1);
    EXPECT_EQ(m_seam.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(m_seam.messages[0].text.contains(QStringLiteral("2 new terms")))
        << m_seam.messages[0].text.toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(underlined(c.row), c.spans);
        EXPECT_EQ(tooltip(c.row).split(u'\n').filter(QRegularExpression(QStringLiteral("^Glossary: "))),
                  c.tooltipLines);
        EXPECT_EQ(listedGlossaryFindings(c.row), c.findings);
        if (!c.fixed)
            continue;
        QAbstractItemModel* model = f.grid()->model();
        ASSERT_TRUE(
            model->setData(model->index(c.row, kColumnTranslated), QString::fromUtf8(c.fixed), Qt::EditRole));
        EXPECT_TRUE(listedGlossaryFindings(c.row).isEmpty());
        f.undo();
        EXPECT_EQ(listedGlossaryFindings(c.row), c.findings);
    }

    // The glossary is kept with the memory: the next run reads it at its start.
    loaded();
    EXPECT_EQ(underlined(1), cases[0].spans);
    EXPECT_EQ(listedGlossaryFindings(), cases[0].findings);
}

TEST_F(GlossaryFrame, ABrokenTermListImportsNothingAndSaysWhy) {
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* said;
    };
    const Case cases[] = {
        {"an unclosed quote after good lines", "Ministry\tMinistère\n\"red car\tvoiture rouge\n", "line 2"},
        {"no translations", "Ministry\nred car\n", "no term with a translation"},
    };
    loaded();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_seam.messages.clear();
        importTerms(c.bytes, "broken.csv");
        ASSERT_EQ(m_seam.messages.size(), 1);
        EXPECT_EQ(m_seam.messages[0].icon, MessageIcon::Error);
        EXPECT_TRUE(m_seam.messages[0].text.contains(QLatin1String(c.said)))
            << m_seam.messages[0].text.toStdString();
        EXPECT_TRUE(m_frame->memory()->glossaryTerms().isEmpty());
        EXPECT_TRUE(underlined(0).isEmpty());
        EXPECT_TRUE(listedGlossaryFindings().isEmpty());
    }
}

TEST_F(GlossaryFrame, ClearGlossaryAsksFirstThenRemovesUnderlinesAndFindings) {
    loaded();
    importTerms(kTerms);
    ASSERT_FALSE(listedGlossaryFindings().isEmpty());

    // No keeps every term.
    m_seam.yesNoAnswers.push_back(false);
    m_frame->dispatchCommand(CommandId::ClearGlossary);
    ASSERT_EQ(m_seam.yesNoQuestions.size(), 1);
    EXPECT_TRUE(m_seam.yesNoQuestions[0].text.contains(QStringLiteral("2 terms")));
    EXPECT_EQ(m_frame->memory()->glossaryTerms().size(), 2);
    EXPECT_FALSE(underlined(0).isEmpty());

    m_seam.yesNoAnswers.push_back(true);
    m_frame->dispatchCommand(CommandId::ClearGlossary);
    EXPECT_TRUE(m_frame->memory()->glossaryTerms().isEmpty());
    EXPECT_TRUE(underlined(0).isEmpty());
    EXPECT_FALSE(tooltip(0).contains(QStringLiteral("Glossary")));
    EXPECT_TRUE(listedGlossaryFindings().isEmpty());
}

} // namespace
