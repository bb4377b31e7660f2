// The engines on the user's side: the Engine combo remembered and offering its engine's languages,
// the Translation Services dialog's Test and model list against loopback servers, keys in a keyring
// or, without one, for the run only, "Translate Untranslated", the rows marked for review, the
// desktop told when a job ends unseen, and a whole film through the real apertium-apy.
#include "app/progress_dialog.h"
#include "app/translation_engine_choice.h"
#include "app/translation_keys.h"
#include "app/translation_runner.h"
#include "app/translation_services_dialog.h"
#include "frame_fixture.h"
#include "tools/fake_translator/fake_engines.h"
#include "translate/apertium_server.h"
#include "translate/language_table.h"

#include <QProgressBar>
#include <QPushButton>

namespace {

class FakeKeyStore : public KeyStore {
public:
    Status writeStatus = Status::Ok;
    QHash<QString, QString> kept;
    int reads = 0;

    Result read(const QString& account) override {
        ++reads;
        if (writeStatus == Status::NoKeyring)
            return {Status::NoKeyring, {}, QStringLiteral("no keyring")};
        if (!kept.contains(account))
            return {Status::NotFound, {}, {}};
        return {Status::Ok, kept.value(account), {}};
    }
    Result write(const QString& account, const QString& key) override {
        if (writeStatus != Status::Ok)
            return {writeStatus, {}, QStringLiteral("refused")};
        kept.insert(account, key);
        return {};
    }
};

void resetTranslationSettings(const std::function<void(QSettings&)>& write = {}) {
    const std::unique_ptr<QSettings> settings = userTranslationSettings();
    settings->clear();
    if (write)
        write(*settings);
    settings->sync();
}

class EngineFrame : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        resetTranslationSettings();
        qputenv("VELMORA_TRANSLATE_PAUSE_MS", "0");
        setEngineKeyStore(std::make_unique<FakeKeyStore>());
        // The progress dialog closes with OK once the job is done, as a user would close it.
        m_seam.onModal = [](QDialog& d) {
            auto* progress = qobject_cast<CProgress*>(&d);
            ASSERT_NE(progress, nullptr);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    progress->OnTimer();
                    return progress->okButton()->isEnabled();
                },
                180000));
            progress->okButton()->click();
        };
    }
    void TearDown() override {
        FrameTest::TearDown();
        qunsetenv("VELMORA_TRANSLATE_PAUSE_MS");
        qunsetenv("VELMORA_TRANSLATE_URL");
        resetTranslationSettings();
    }

    TranslationEngineChoice* choice() { return m_frame->findChild<TranslationEngineChoice*>(); }
    QComboBox* engineCombo() { return m_frame->ribbon()->combo(quint16(CommandId::TranslationEngine)); }
    bool languagesSettled() {
        return QTest::qWaitFor([&] { return !choice()->asking(); }, 90000);
    }
    static QStringList items(QComboBox* box) {
        QStringList names;
        for (int i = 0; i < box->count(); ++i)
            names.append(box->itemText(i));
        return names;
    }
    QString translated(int row) const { return m_frame->session().rows().at(row).translated; }
};

// Drops the first placeholder, as engines sometimes do.
QString losesFirstTag(const QString& line, const QString& target) {
    QString out = line;
    return QStringLiteral("[%1] ").arg(target) + out.remove(QStringLiteral("\u27E61\u27E7"));
}

} // namespace

TEST_F(EngineFrame, TheEngineComboRestoresTheRememberedChoice) {
    FakeTranslator libre(libreTranslateLikeHandler(&markedTranslation));
    const struct {
        const char* engine;
        const char* shown;
        QStringList from; // what "Translate From" offers; empty: the whole table
        QString to;
    } cases[] = {
        {"no-such-engine", "Google (web)", {}, QStringLiteral("Spanish")},
        {"libretranslate", "LibreTranslate", {QStringLiteral("English")}, QStringLiteral("French")},
    };
    for (const auto& c : cases) {
        resetTranslationSettings([&](QSettings& s) {
            s.setValue("translation/engine", c.engine);
            s.setValue("translation/libretranslate/address", libre.url());
            writeLanguageChoice(s, {QStringLiteral("English"), c.to});
        });
        frame();
        ASSERT_TRUE(languagesSettled()) << c.engine;
        EXPECT_EQ(engineCombo()->currentText(), QString::fromLatin1(c.shown)) << c.engine;
        const QStringList from = c.from.isEmpty() ? translateFromNames() : c.from;
        EXPECT_EQ(items(m_frame->translateFromCombo()), from) << c.engine;
        EXPECT_EQ(m_frame->translateFromCombo()->currentText(), QStringLiteral("English")) << c.engine;
        EXPECT_EQ(m_frame->translateToCombo()->currentText(), c.to) << c.engine;
    }

    // A choice made now is the one the next start finds, and the languages follow the engine.
    engineCombo()->setCurrentText(QStringLiteral("Google (web)"));
    ASSERT_TRUE(languagesSettled());
    m_frame->translateToCombo()->setCurrentText(QStringLiteral("German"));
    EXPECT_EQ(userEngineSettings().kind, EngineKind::GoogleWeb);
    EXPECT_EQ(readLanguageChoice(*userTranslationSettings()).to, QStringLiteral("German"));
    frame();
    ASSERT_TRUE(languagesSettled());
    EXPECT_EQ(m_frame->translateToCombo()->currentText(), QStringLiteral("German"));
}

// Rows already translated stay as they are; a job that ends while no window of velmora is active
// is told to the desktop; rows whose tags the engine lost are marked until the next job.
TEST_F(EngineFrame, UntranslatedRowsOnlyWithReviewMarksAndTheDesktopTold) {
    FakeTranslator libre(libreTranslateLikeHandler(&losesFirstTag));
    resetTranslationSettings([&](QSettings& s) {
        writeEngineSettings(s, {EngineKind::LibreTranslate, QUrl(libre.url()), {}, {}});
    });
    CMainFrame& f = frame();
    ASSERT_TRUE(languagesSettled());
    QStringList told;
    f.translationRunner().setNotifier([&](const QString& summary, const QString&) { told.append(summary); });
    QByteArray file = srt(5);
    file.replace("Line 4", "<i>Line</i> 4");
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), file));
    selectRows({1});
    f.dispatchCommand(CommandId::TranslateSelected);
    ASSERT_EQ(libre.requestCount(), 2); // the languages, then the line
    EXPECT_EQ(translated(1), QStringLiteral("[fr] Line 2"));

    f.dispatchCommand(CommandId::TranslateUntranslated);
    ASSERT_EQ(libre.requestCount(), 3);
    EXPECT_EQ(libre.requests()[2].body.count("Line 2"), 0);
    EXPECT_EQ(translated(0), QStringLiteral("[fr] Line 1"));
    EXPECT_TRUE(translated(3).contains(QStringLiteral("<i>"))) << translated(3).toStdString();
    EXPECT_EQ(told, (QStringList{"Translation done", "Translation done"}));

    EntryRowsModel* model = f.grid()->rowsModel();
    const QModelIndex marked = model->index(3, kColumnTranslated);
    EXPECT_TRUE(model->markedForReview(3));
    EXPECT_FALSE(model->data(marked, Qt::ToolTipRole).toString().isEmpty());
    EXPECT_FALSE(model->markedForReview(4));
    // One undo takes the job back; the next job starts without the old marks.
    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(translated(0), kUntranslated);
    EXPECT_EQ(translated(1), QStringLiteral("[fr] Line 2"));
    selectRows({0});
    f.dispatchCommand(CommandId::TranslateSelected);
    EXPECT_FALSE(model->markedForReview(3));
    // A mark stays with its row when rows before it go.
    model->markForReview({3});
    selectRows({0});
    f.dispatchCommand(CommandId::DeleteSelected);
    EXPECT_TRUE(model->markedForReview(2));
    EXPECT_FALSE(model->markedForReview(3));
    // The job's connection closes before the server that holds it open.
    m_frame.reset();
}

// The Test button translates "Hello" through the page's engine as its fields stand, off the UI
// thread, and shows the answer or why there is none.
TEST_F(EngineFrame, TheTestButtonShowsTheAnswerOrTheError) {
    const struct {
        int status;
        const char* shows;
    } cases[] = {
        {403, "key"},
        {200, "Answer: [fr] Hello"},
    };
    for (const auto& c : cases) {
        FakeTranslator libre([&](const RecordedRequest& r, int i) {
            FakeReply reply = libreTranslateLikeHandler(&markedTranslation)(r, i);
            reply.status = c.status;
            return reply;
        });
        TranslationServicesDialog dialog(m_seam, "en&tl=fr");
        dialog.showEngine(EngineKind::LibreTranslate);
        dialog.addressEdit()->setText(libre.url());
        QSignalSpy ended(&dialog, &TranslationServicesDialog::testEnded);
        dialog.testButton()->click();
        EXPECT_FALSE(dialog.testButton()->isEnabled());
        ASSERT_TRUE(ended.wait(20000)) << c.status;
        EXPECT_TRUE(dialog.testResult()->text().contains(QString::fromLatin1(c.shows), Qt::CaseInsensitive))
            << dialog.testResult()->text().toStdString();
        EXPECT_TRUE(dialog.testButton()->isEnabled());
        EXPECT_EQ(libre.requests().back().target, "/translate");
    }

    // The model combo lists the server's models and keeps what the user typed.
    FakeTranslator chat(openAiLikeHandler(&markedTranslation));
    TranslationServicesDialog dialog(m_seam, "en&tl=fr");
    dialog.showEngine(EngineKind::OpenAiChat);
    dialog.addressEdit()->setText(chat.url() + QStringLiteral("/v1"));
    dialog.modelCombo()->setEditText(QStringLiteral("mine"));
    QSignalSpy listed(&dialog, &TranslationServicesDialog::modelsListed);
    dialog.listModelsButton()->click();
    ASSERT_TRUE(listed.wait(20000));
    EXPECT_EQ(items(dialog.modelCombo()), QStringList{"llama3"});
    EXPECT_EQ(dialog.modelCombo()->currentText(), QStringLiteral("mine"));
    EXPECT_EQ(chat.requests().back().target, "/v1/models");
    dialog.save();
    EXPECT_EQ(readEngineSettings(*userTranslationSettings(), EngineKind::OpenAiChat).model,
              QStringLiteral("mine"));
}

// Keys go to the keyring; without one they last for the run, and the user is told so once; a key
// in the environment wins over both. None ever reaches the settings file.
TEST_F(EngineFrame, KeysGoToTheKeyringOrLastForTheRun) {
    const struct {
        KeyStore::Status keyring;
        int messages; // after two saves
        bool kept;    // in the keyring
    } cases[] = {
        {KeyStore::Status::NoKeyring, 1, false},
        {KeyStore::Status::Failed, 2, false},
        {KeyStore::Status::Ok, 0, true},
    };
    for (const auto& c : cases) {
        auto store = std::make_unique<FakeKeyStore>();
        store->writeStatus = c.keyring;
        FakeKeyStore* keyring = store.get();
        setEngineKeyStore(std::move(store));
        m_seam.messages.clear();
        for (const char* key : {"first-key", "second-key"}) {
            TranslationServicesDialog dialog(m_seam, "en&tl=fr");
            dialog.showEngine(EngineKind::DeepL);
            dialog.keyEdit()->setText(QString::fromLatin1(key));
            dialog.save();
        }
        EXPECT_EQ(m_seam.messages.size(), c.messages) << int(c.keyring);
        EXPECT_EQ(engineKeys().key(EngineKind::DeepL), QStringLiteral("second-key")) << int(c.keyring);
        EXPECT_EQ(keyring->kept.contains(QStringLiteral("translation/deepl")), c.kept) << int(c.keyring);
        // A dialog opened later shows the key in use.
        TranslationServicesDialog again(m_seam, "en&tl=fr");
        again.showEngine(EngineKind::DeepL);
        EXPECT_EQ(again.keyEdit()->text(), QStringLiteral("second-key")) << int(c.keyring);
    }
    QFile settings(userTranslationSettings()->fileName());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("key"));

    qputenv("VELMORA_DEEPL_KEY", "from-the-environment");
    TranslationServicesDialog dialog(m_seam, "en&tl=fr");
    dialog.showEngine(EngineKind::DeepL);
    EXPECT_FALSE(dialog.keyEdit()->isEnabled());
    EXPECT_EQ(engineKeys().key(EngineKind::DeepL), QStringLiteral("from-the-environment"));
    qunsetenv("VELMORA_DEEPL_KEY");
}

// A desktop without a session bus has no keyring to ask: the store says so rather than fail.
TEST_F(EngineFrame, TheDesktopKeyringIsMissingWithoutASessionBus) {
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir empty;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", empty.path().toUtf8());
    const std::unique_ptr<KeyStore> store = makeDesktopKeyStore();
    EXPECT_EQ(store->write(QStringLiteral("translation/deepl"), QStringLiteral("k")).status,
              KeyStore::Status::NoKeyring);
    EXPECT_EQ(store->read(QStringLiteral("translation/deepl")).status, KeyStore::Status::NoKeyring);
    if (!bus.isNull())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
}

// A whole film through velmora's own apertium-apy, chosen in the Engine combo.
TEST_F(EngineFrame, AFilmIntoSpanishWithApertiumOnThisComputer) {
    if (ApertiumServer::installedProgram().isEmpty())
        GTEST_SKIP()
            << "apertium-apy is not installed (tools/deps.sh installs apertium-apy and apertium-eng-spa)";
    const QStringList sentences{
        "Where have you been all night?",
        "The train leaves at nine.",
        "I do not know her name.",
        "We have to go now.",
        "Is this your house?",
        "My brother works in the city.",
        "The dog is sleeping.",
        "Please close the door.",
        "She wants to eat something.",
        "They are waiting for us.",
        "The water is cold.",
        "I like this song.",
    };
    QByteArray file;
    QStringList originals;
    for (int i = 0; i < 60; ++i) {
        QString text = sentences[i % sentences.size()];
        if (i % 10 == 0)
            text = QStringLiteral("<i>%1</i>").arg(text);
        originals.append(text);
        file += QStringLiteral("%1\r\n00:01:%2,000 --> 00:01:%2,900\r\n%3\r\n\r\n")
                    .arg(i + 1)
                    .arg(i % 60, 2, 10, QChar(u'0'))
                    .arg(text)
                    .toUtf8();
    }
    CMainFrame& f = frame();
    engineCombo()->setCurrentText(QStringLiteral("Apertium (this computer)"));
    ASSERT_TRUE(languagesSettled());
    EXPECT_EQ(items(f.translateFromCombo()), (QStringList{"English", "Spanish"}));
    f.translateFromCombo()->setCurrentText(QStringLiteral("English"));
    EXPECT_EQ(items(f.translateToCombo()), QStringList{"Spanish"});
    const QString path = writeFile(QStringLiteral("film.srt"), file);
    QFile::copy(path, path + QStringLiteral(".before"));
    load(CommandId::LoadOriginal, path);
    ASSERT_EQ(f.session().rowCount(), 60);

    f.dispatchCommand(CommandId::TranslateAll);
    ASSERT_TRUE(m_seam.messages.isEmpty()) << m_seam.messages.front().text.toStdString();
    for (int row = 0; row < 60; ++row) {
        const QString text = translated(row);
        EXPECT_FALSE(text.trimmed().isEmpty()) << row;
        EXPECT_NE(text, originals[row]) << row;
        EXPECT_NE(text, kUntranslated) << row;
        if (row % 10 == 0) {
            EXPECT_TRUE(text.startsWith(QStringLiteral("<i>")) && text.endsWith(QStringLiteral("</i>")))
                << text.toStdString();
        }
    }
    f.dispatchCommand(CommandId::Undo);
    for (int row = 0; row < 60; ++row)
        EXPECT_EQ(translated(row), kUntranslated) << row;
    QFile before(path + QStringLiteral(".before")), after(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly) && after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before.readAll());
}
