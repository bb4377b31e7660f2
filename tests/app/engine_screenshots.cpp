// A picture of the Translation Services dialog for a look by eye and for the user guide:
// engine_screenshots [FOLDER]. The model list is filled as a server would fill it.
#include "app/translation_keys.h"
#include "app/translation_services_dialog.h"
#include "ui/desktop_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
class NoKeyring : public KeyStore {
public:
    Result read(const QString&) override { return {Status::NotFound, {}, {}}; }
    Result write(const QString&, const QString&) override { return {}; }
};
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("velmora"));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/engine-shots");
    QDir().mkpath(folder);
    // The user's own settings stay untouched.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    setEngineKeyStore(std::make_unique<NoKeyring>());

    DesktopDialogs seam;
    TranslationServicesDialog dialog(seam, "en&tl=es");
    dialog.showEngine(EngineKind::OpenAiChat);
    dialog.addressEdit()->setText(QStringLiteral("http://localhost:11434/v1"));
    dialog.modelCombo()->addItems({QStringLiteral("llama3.1:8b"), QStringLiteral("qwen2.5:7b")});
    dialog.modelCombo()->setEditText(QStringLiteral("llama3.1:8b"));
    dialog.testResult()->setText(QStringLiteral("Answer: Hola"));
    dialog.show();
    (void)QTest::qWaitForWindowExposed(&dialog);
    QTest::qWait(100);
    dialog.grab().save(folder + QStringLiteral("/translation-services.png"));
    return 0;
}
