// Save As through the frame: the format combo starts at the loaded format, a conversion says once
// what it lost, MicroDVD asks its frame rate, and Advanced SubStation comments are never translated.
#include "app/frame_rate_dialog.h"
#include "frame_fixture.h"
#include "tools/fake_translator/fake_service.h"

#include <QComboBox>
#include <QStatusBar>

namespace {

QByteArray utf8Bom(const QString& text) {
    return "\xEF\xBB\xBF" + text.toUtf8();
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kAss =
    QStringLiteral("[Script Info]\r\nScriptType: v4.00+\r\n\r\n[Events]\r\n"
                   "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
                   "Comment: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,note to self\r\n"
                   "Dialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,{\\i1}Hello{\\i0}\\Nthere\r\n");

} // namespace

TEST_F(FrameTest, SaveAsConvertsFromTheLoadedFormatAndSaysWhatWasLost) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.ass"), utf8Bom(kAss)), kSubStation - 1);
    ASSERT_EQ(f.session().rowCount(), 2);
    const QString out = m_root.filePath(QStringLiteral("film.srt"));
    m_seam.saveChoiceAnswers.push_back({out, kSubRip - 1});
    f.dispatchCommand(CommandId::SaveOriginalSubtitleAs);
    EXPECT_EQ(m_seam.offeredFilter, kSubStation - 1);
    ASSERT_EQ(m_seam.lastSaveFilters.size(), kLastFormat);
    // The comment stays out, the italics become SubRip's, the time is the same.
    QFile saved(out);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_EQ(
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2),
        "1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>Hello</i>\r\nthere\r\n\r\n");
    EXPECT_TRUE(f.statusBar()->currentMessage().contains(QStringLiteral("the comment lines")))
        << f.statusBar()->currentMessage().toStdString();

    // The same format again is the plain save, byte for byte.
    const QString same = m_root.filePath(QStringLiteral("same.ass"));
    m_seam.saveChoiceAnswers.push_back({same, kSubStation - 1});
    f.dispatchCommand(CommandId::SaveOriginalSubtitleAs);
    EXPECT_EQ(readBytes(same), utf8Bom(kAss));
}

TEST_F(FrameTest, MicroDvdConversionAsksTheFrameRate) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.sub"), "{1}{1}23.976\r\n{24}{48}Hi\r\n"),
         kMicroDVD - 1);
    const QString out = m_root.filePath(QStringLiteral("film.vtt"));
    // Cancelled: nothing is written.
    m_seam.modalResult = QDialog::Rejected;
    m_seam.saveChoiceAnswers.push_back({out, kWebVTT - 1});
    f.dispatchCommand(CommandId::SaveOriginalSubtitleAs);
    EXPECT_FALSE(QFile::exists(out));
    // The file's own rate is offered first and taken.
    QString offered;
    m_seam.onModal = [&](QDialog& d) {
        auto* ask = qobject_cast<FrameRateDialog*>(&d);
        ASSERT_NE(ask, nullptr);
        offered = ask->rateBox()->currentText();
        ask->accept();
    };
    m_seam.saveChoiceAnswers.push_back({out, kWebVTT - 1});
    f.dispatchCommand(CommandId::SaveOriginalSubtitleAs);
    EXPECT_EQ(offered, "23.976 (the file's own)");
    EXPECT_EQ(readBytes(out), utf8Bom("WEBVTT\r\n\r\n00:00:01.001 --> 00:00:02.002\r\nHi\r\n\r\n"));
    EXPECT_TRUE(f.statusBar()->currentMessage().contains(QStringLiteral("the frame rate line")));
}

TEST_F(FrameTest, ATranslationInAnotherFormatKeepsTheOriginalsTimes) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(2)), kSubRip - 1);
    load(CommandId::LoadTranslated,
         writeFile(QStringLiteral("film.vtt"), "WEBVTT\n\n00:00:00.000 --> 00:00:01.000 line:0\nUn\n\n"
                                               "00:00:02.000 --> 00:00:03.000\nDeux\n"),
         kWebVTT - 1);
    EXPECT_EQ(f.session().document().formatMode, kSubRip);
    EXPECT_EQ(f.session().document().translatedTexts, (QStringList{"Un", "Deux"}));
    const QString out = m_root.filePath(QStringLiteral("out.srt"));
    m_seam.saveAnswers.push_back(out);
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);
    QFile saved(out);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_TRUE(
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2)
            .startsWith("1\r\n00:00:00,000 --> 00:00:01,500\r\nUn\r\n"));
}

TEST_F(FrameTest, CommentEventsAreNeverTranslated) {
    FakeTranslator service(serviceLikeHandler(markedTranslation));
    ASSERT_TRUE(service.listening());
    qputenv("VELMORA_TRANSLATE_URL", service.url().toUtf8());
    qputenv("VELMORA_TRANSLATE_PAUSE_MS", "0");
    m_seam.onModal = [](QDialog& d) {
        QTest::qWait(200);
        d.accept();
    };
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.ass"), utf8Bom(kAss)), kSubStation - 1);
    f.dispatchCommand(CommandId::TranslateAll);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.isTranslating(); }, 10000));
    ASSERT_EQ(service.requestCount(), 1);
    EXPECT_EQ(service.requests()[0].lines().size(), 1);
    EXPECT_EQ(f.session().rows().at(0).translated, kUntranslated);
    qunsetenv("VELMORA_TRANSLATE_URL");
    qunsetenv("VELMORA_TRANSLATE_PAUSE_MS");
}

TEST_F(FrameTest, SaveDialogsProposeTheSidesFileInItsFolder) {
    CMainFrame& f = frame();
    QDir(m_root.path()).mkpath(QStringLiteral("season"));
    const QString folder = m_root.filePath(QStringLiteral("season"));
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("season/film.en.srt"), srt(2)), kSubRip - 1);

    // A translation not saved yet: the original's name with the target language's code.
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);
    EXPECT_EQ(m_seam.lastSuggestion, folder + QStringLiteral("/film.fr.srt"));
    f.translateToCombo()->setCurrentText(QStringLiteral("German"));
    f.dispatchCommand(CommandId::SaveTranslatedSubtitleAs);
    ASSERT_EQ(m_seam.offeredSuggestions.size(), kLastFormat);
    EXPECT_EQ(m_seam.offeredSuggestions[kSubRip - 1], folder + QStringLiteral("/film.de.srt"));
    EXPECT_EQ(m_seam.offeredSuggestions[kWebVTT - 1], folder + QStringLiteral("/film.de.vtt"));

    // Once saved, a side proposes its own file.
    const QString mine = m_root.filePath(QStringLiteral("mine.srt"));
    m_seam.saveAnswers.push_back(mine);
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);
    ASSERT_TRUE(QFile::exists(mine));
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);
    EXPECT_EQ(m_seam.lastSuggestion, mine);
    f.dispatchCommand(CommandId::SaveOriginalSubtitle);
    EXPECT_EQ(m_seam.lastSuggestion, folder + QStringLiteral("/film.en.srt"));
}
