// Every control of the main window and of its dialogs has a name a screen reader can say.
#include "accessible_names.h"
#include "frame_fixture.h"
#include "tools/fake_translator/fake_service.h"

namespace {

void expectNamed(QWidget* window, const QString& what) {
    const QStringList unnamed = unnamedControls(window);
    EXPECT_TRUE(unnamed.isEmpty()) << what.toStdString() << ":\n" << unnamed.join(u'\n').toStdString();
}

TEST_F(FrameTest, EveryControlOfTheWindowAndItsDialogsHasAName) {
    // The progress dialog comes with a translation; it goes to a service on this machine.
    FakeTranslator service(serviceLikeHandler(markedTranslation));
    ASSERT_TRUE(service.listening());
    qputenv("VELMORA_TRANSLATE_URL", service.url().toUtf8());
    CMainFrame& f = frame(true);
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(3)));
    selectRows({0});
    expectNamed(&f, QStringLiteral("the main window"));

    QStringList seen;
    m_seam.onModal = [&](QDialog& d) {
        seen.append(d.metaObject()->className());
        expectNamed(&d, d.windowTitle());
        d.reject();
    };
    // A save as MicroDVD asks the frame rate.
    m_seam.saveChoiceAnswers.push_back({m_root.filePath(QStringLiteral("film.sub")), kMicroDVD - 1});
    for (CommandId id : {CommandId::SetDelay, CommandId::GoToLineNumber, CommandId::ConvertFileCodeSchema,
                         CommandId::TranslationServices, CommandId::Search, CommandId::Replace,
                         CommandId::About, CommandId::SaveOriginalSubtitleAs, CommandId::TranslateAll})
        f.dispatchCommand(id);
    for (QDialog* d : m_seam.modeless)
        if (d) {
            seen.append(d->metaObject()->className());
            expectNamed(d, d->windowTitle());
        }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.isTranslating(); }, 10000));
    qunsetenv("VELMORA_TRANSLATE_URL");
    for (const char* dialog : {"CNAboutDlg", "FrameRateDialog", "CProgress"})
        EXPECT_TRUE(seen.contains(QLatin1String(dialog))) << dialog;
    EXPECT_EQ(seen.size(), 9) << seen.join(", ").toStdString();
}

} // namespace
