// Output names and the -o option.
#include "cli/output_naming.h"

#include "cli/subtitle_files.h"

#include <QDir>
#include <QFileInfo>

namespace {
// Where the name part of a path starts, and where its extension's dot is (-1 without one). A
// name's leading dot (".hidden") is no extension.
std::pair<qsizetype, qsizetype> nameAndDot(const QString& path) {
    const qsizetype name = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    return {name, dot > name ? dot : -1};
}

// Two spellings of one path ("a/./b.vtt", "a/b.vtt") are one file.
QString comparable(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
} // namespace

QString outputNameBeside(const QString& input, const QString& infix, const QString& extension) {
    QString stem = isStandardStream(input) ? QStringLiteral("stdin") : input;
    const auto [name, dot] = nameAndDot(stem);
    if (dot >= 0)
        stem.truncate(dot);
    if (!infix.isEmpty())
        stem += u'.' + infix;
    return extension.isEmpty() ? stem : stem + u'.' + extension;
}

QString inputExtension(const QString& input) {
    const auto [name, dot] = nameAndDot(input);
    return dot >= 0 ? input.mid(dot + 1) : QString();
}

std::variant<QList<OutputPlan>, QString> planOutputs(const QStringList& inputs, const QStringList& besides,
                                                     bool outputGiven, const QString& output) {
    QList<OutputPlan> plans;
    const bool several = inputs.size() > 1;
    const bool intoFolder =
        outputGiven && output != u"-" && (output.endsWith(u'/') || QFileInfo(output).isDir());
    if (outputGiven && !intoFolder && several)
        return output == u"-"
                   ? QStringLiteral("-o - writes one file to standard output; %1 inputs were given")
                         .arg(inputs.size())
                   : QStringLiteral(
                         "-o %1 names one file, or a folder that does not exist; %2 inputs were given")
                         .arg(output)
                         .arg(inputs.size());
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        OutputPlan plan;
        if (!outputGiven) {
            plan.toStandardOutput = isStandardStream(inputs[i]);
            if (!plan.toStandardOutput)
                plan.path = besides[i];
        } else if (output == u"-") {
            plan.toStandardOutput = true;
        } else if (intoFolder) {
            QString folder = output;
            if (!folder.endsWith(u'/'))
                folder += u'/';
            plan.path = folder + besides[i].mid(besides[i].lastIndexOf(u'/') + 1);
        } else {
            plan.path = output;
        }
        plans.append(plan);
    }
    // With -o DIR, "a/x.srt" and "b/x.srt" would both become DIR/x.vtt: the first keeps it.
    for (qsizetype i = 0; i < plans.size(); ++i) {
        if (plans[i].toStandardOutput)
            continue;
        for (qsizetype k = 0; k < i; ++k) {
            if (!plans[k].toStandardOutput && comparable(plans[k].path) == comparable(plans[i].path)) {
                plans[i].conflict =
                    QStringLiteral("%1 is written from %2 already").arg(plans[i].path, inputs[k]);
                break;
            }
        }
    }
    return plans;
}
