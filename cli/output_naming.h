// Where each input's output goes: beside the input under a new name, into the folder -o names, to
// the file -o names (one input only), or to standard output.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

struct OutputPlan {
    QString path; // empty for standard output
    bool toStandardOutput = false;
    QString conflict; // set when an earlier input writes the same file
};

// "dir/name.srt" with infix "fr" and extension "vtt" is "dir/name.fr.vtt"; standard input is "stdin".
QString outputNameBeside(const QString& input, const QString& infix, const QString& extension);
// The extension of an input without the dot ("" when it has none).
QString inputExtension(const QString& input);

// `besides[i]` is input i's name beside itself. Without -o, standard input goes to standard output.
// A usage error when -o names one file (or '-') for several inputs.
std::variant<QList<OutputPlan>, QString> planOutputs(const QStringList& inputs, const QStringList& besides,
                                                     bool outputGiven, const QString& output);
