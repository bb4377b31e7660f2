// Saves pictures of the conversion dialog: filled in, converting, and with a combo open.
// Usage: convert_screenshots [folder] (default /tmp/convert-shots); run under xvfb-run -a.
#include "app/convert_code_schema.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <mutex>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/convert-shots");
    QDir().mkpath(folder);

    // A conversion that waits until it is stopped, so that the progress can be photographed.
    ScriptedDialogs dialogs;
    dialogs.openFile = [](QWidget*) {
        return QStringLiteral("/home/user/Movies/夜の街 (2019)/subtitles.srt");
    };
    dialogs.saveFile = [](QWidget*) {
        return QStringLiteral("/home/user/Movies/夜の街 (2019)/subtitles.utf8.srt");
    };
    CConvertCodeSchema dialog(
        dialogs, [](const FileConversionRequest&, std::stop_token stop, const ConversionProgress& progress) {
            progress(420, 1000);
            std::mutex m;
            std::unique_lock lock(m);
            std::condition_variable_any().wait(lock, stop, [] { return false; });
            return FileConversionResult{FileConversionResult::Status::Cancelled, {}, 0, 0};
        });
    dialog.setProgressDelay(std::chrono::milliseconds(0));
    dialog.show();
    dialog.move(40, 40);

    int failures = 0;
    auto save = [&](const QString& name, bool screen) {
        QTest::qWait(100);
        const QString path = folder + u'/' + name + QStringLiteral(".png");
        const QPixmap pm = screen ? dialog.screen()->grabWindow(0, 0, 0, 800, 700) : dialog.grab();
        if (!pm.save(path))
            ++failures;
        else
            std::printf("%s\n", qPrintable(path));
    };
    save(QStringLiteral("empty"), false);
    dialog.sourceBrowseButton()->click();
    dialog.targetBrowseButton()->click();
    dialog.sourceCombo()->setCurrentIndex(dialog.sourceCombo()->findText("Japanese(SHIFT-JIS)"));
    dialog.targetCombo()->setCurrentIndex(dialog.targetCombo()->findText("Unicode(UTF-8 with BOM)"));
    save(QStringLiteral("filled"), false);
    dialog.targetCombo()->showPopup();
    save(QStringLiteral("combo-open"), true);
    dialog.targetCombo()->hidePopup();
    dialog.okButton()->click();
    save(QStringLiteral("converting"), false);
    dialog.reject();
    return failures == 0 ? 0 : 1;
}
