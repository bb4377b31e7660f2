// Store and schedule names, the store read without write access, and the command line.
#include "mini/study_files.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

QString storeFileName(int selector) {
    return selector == kVocabulary ? QStringLiteral("word.lxd") : QStringLiteral("sentence.lxd");
}

QString scheduleFileName(int selector) {
    return selector == kVocabulary ? QStringLiteral("word.schedule") : QStringLiteral("sentence.schedule");
}

StoreRead readStoreFile(const QString& path) {
    StoreRead read;
    QFile file(path);
    if (!file.exists())
        return read;
    if (!file.open(QIODevice::ReadOnly)) {
        read.message = errorMessage(QStringLiteral("The list %1 cannot be read (%2).")
                                        .arg(QDir::toNativeSeparators(path), file.errorString()));
        return read;
    }
    read.records = listDictionaryRecords(file.readAll());
    return read;
}

MiniOptions parseMiniOptions(const QStringList& arguments) {
    MiniOptions options;
    QCommandLineParser parser;
    const QCommandLineOption file({QStringLiteral("f"), QStringLiteral("file")}, QString(),
                                  QStringLiteral("N"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    parser.addOptions({file, help, version});
    const bool parsed = parser.parse(arguments);
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (options.help || options.version)
        return options;
    if (!parsed) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return options;
    }
    if (parser.isSet(file)) {
        const QStringList values = parser.values(file);
        bool ok = false;
        const int selector = values.last().trimmed().toInt(&ok);
        if (!ok) {
            options.error = QStringLiteral("-f takes 0 (the vocabulary) or 1 (the dictionary), not '%1'.")
                                .arg(values.last());
            return options;
        }
        options.selector = selector == kVocabulary ? kVocabulary : kSentences;
    }
    return options;
}

QString miniHelpText() {
    return QStringLiteral("Usage: mini [-f 0|1]\n"
                          "Study the pairs collected in velmora with flash cards.\n"
                          "\n"
                          "  -f, --file 0    the vocabulary (word pairs, word.lxd)\n"
                          "  -f, --file 1    the dictionary (sentence pairs, sentence.lxd); the default\n"
                          "  -h, --help      show this text\n"
                          "      --version   show the version\n"
                          "\n"
                          "Keys: Space or a click turns the card; 1 Again, 2 Hard, 3 Good, 4 Easy.\n"
                          "The lists are read from velmora's data folder; the schedule is kept beside them\n"
                          "(word.schedule, sentence.schedule).\n");
}
