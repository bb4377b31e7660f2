// Every control of the main window and of its dialogs has a name a screen reader can say.
#include "accessible_names.h"
#include "frame_fixture.h"

namespace {

void expectNamed(QWidget* window, const QString& what) {
    const QStringList unnamed = unnamedControls(window);
    EXPECT_TRUE(unnamed.isEmpty()) << what.toStdString() << ":\n" << unnamed.join(u'\n').toStdString();
}

TEST_F(FrameTest, EveryControlOfTheWindowAndItsDialogsHasAName) {
    CMainFrame& f = frame(true);
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(3)));
    selectRows({0});
    expectNamed(&f, QStringLiteral("the main window"));

    QStringList seen;
    m_seam.onModal = [&](QDialog& d) {
        seen.append(d.windowTitle());
        expectNamed(&d, d.windowTitle());
        d.reject();
    };
    for (CommandId id : {CommandId::SetDelay, CommandId::GoToLineNumber, CommandId::ConvertFileCodeSchema,
                         CommandId::TranslationServices, CommandId::Search, CommandId::Replace})
        f.dispatchCommand(id);
    for (QDialog* d : m_seam.modeless)
        if (d) {
            seen.append(d->windowTitle());
            expectNamed(d, d->windowTitle());
        }
    EXPECT_EQ(seen.size(), 6) << seen.join(", ").toStdString();
}

} // namespace
