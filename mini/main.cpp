// mini: flash cards over the vocabulary or the dictionary that velmora keeps.
#include "mini/card_speaker.h"
#include "mini/mini_window.h"
#include "mini/study_files.h"
#include "support/log.h"
#include "support/program_folder.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>

namespace {

constexpr char kVersion[] = "0.1.0";

QString settingsFile() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/velmora/mini.ini");
}

QStringList rawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char** argv) {
    // Help and version before the window system is reached: they must work without a display.
    const MiniOptions early = parseMiniOptions(rawArguments(argc, argv));
    if (early.help) {
        std::fputs(miniHelpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.version) {
        std::printf("mini %s\n", kVersion);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mini"));
    // Qt has taken its own options (-platform and the like) out of the arguments by now.
    const MiniOptions options = parseMiniOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "mini: %s\nTry 'mini --help'.\n", qPrintable(options.error));
        return 2;
    }

    // The same data folder velmora decides on from the same program folder, found without
    // creating anything: mini only reads the store, and writes its schedule only beside it.
    setProgramFolder(QCoreApplication::applicationDirPath());
    const QString folder = programFolder();
    const WritableFolders folders =
        writableFoldersFor(folderLayoutFor(folder), folder, QProcessEnvironment::systemEnvironment());

    MiniSetup setup;
    setup.selector = options.selector;
    setup.dataFolder = folders.data;
    setup.settingsFile = settingsFile();
    setup.speaker = systemCardSpeaker();
    MiniWindow window(std::move(setup));
    window.show();
    window.load();
    log_printf("mini started on %s: %d entries\n",
               qPrintable(QDir(folders.data).filePath(storeFileName(options.selector))),
               window.recordCount());
    return app.exec();
}
