// velmora-cli's command line as a value. The subcommands and their options are one table, from which
// the parser, --help, the manual page and the bash completion are all made, so they cannot disagree.
#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>
#include <variant>

enum class Subcommand { Convert, Shift, Translate, Check, Pair, Info };

// What bash completion offers after an option.
enum class ValueKind { None, Text, File, Folder, Format, Encoding, Engine, Language, OnOff, Report };

struct OptionSpec {
    const char* name;      // "--to"
    const char* shortName; // "-o", or nullptr
    const char* value;     // the value's placeholder ("FORMAT"), or nullptr for a switch
    ValueKind kind;
    const char* help;
};

struct SubcommandSpec {
    Subcommand id;
    const char* name;
    const char* synopsis; // what follows "velmora-cli NAME" in the usage line
    const char* summary;  // one line
    const char* details;  // paragraphs separated by blank lines
    std::span<const OptionSpec> options;
    int minInputs;
    int maxInputs; // -1: any number
};

std::span<const SubcommandSpec> subcommands();
const SubcommandSpec& subcommandSpec(Subcommand command);

// Exit statuses shared by every subcommand.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,    // some file failed, or check found something
    kExitUsage = 2,     // the command line is wrong; check also uses it for a file it cannot read
    kExitStopped = 130, // Ctrl+C: what was done is kept
};

struct ParsedCommand {
    Subcommand command = Subcommand::Info;
    QStringList inputs;
    QHash<QString, QString> values; // by long option name ("--to")
    QSet<QString> switches;         // long names of the switches given
    int jobs = 0;                   // 0: as many as the computer has cores

    bool has(const char* name) const { return switches.contains(QLatin1StringView(name)); }
    QString value(const char* name) const { return values.value(QLatin1StringView(name)); }
    bool hasValue(const char* name) const { return values.contains(QLatin1StringView(name)); }
};

enum class Action { Run, Help, Version, Manual, Completion };

struct CommandLine {
    Action action = Action::Run;
    // For Run, and for Help when it names a subcommand.
    std::optional<ParsedCommand> command;
};

struct UsageError {
    QString message;
    // The subcommand whose usage line goes with the message, if one was named.
    std::optional<Subcommand> command;
};

// The arguments without the program's name.
std::variant<CommandLine, UsageError> parseCommandLine(const QStringList& arguments);

// The usage line of a subcommand, or of the program.
QString usageText(std::optional<Subcommand> command);
// What --help prints: for the program, or for one subcommand.
QString helpText(std::optional<Subcommand> command);
// The manual page (troff), made from the same text as --help.
QString manualPage(const QString& version);
// A bash completion script for the subcommands and their options.
QString bashCompletion();
