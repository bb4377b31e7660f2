// The subcommands. Each takes the parsed command line and returns the exit status; what it has to
// say goes to standard error, what it makes to standard output only when asked for there.
#pragma once

#include "cli/command_line.h"
#include "cli/file_jobs.h"

#include <variant>

int runCommand(const ParsedCommand& command);

int runConvert(const ParsedCommand& command);
int runShift(const ParsedCommand& command);
int runPair(const ParsedCommand& command);
int runInfo(const ParsedCommand& command);
int runTranslate(const ParsedCommand& command);
int runCheck(const ParsedCommand& command);

// Shared by the subcommands.
namespace cli {
// "velmora-cli: " + text + a line end, on standard error.
void printError(const QString& text);
// A wrong option value: the message and the subcommand's usage line; returns kExitUsage.
int usageFailure(Subcommand command, const QString& message);
// A failed file's report: "velmora-cli: NAME: message".
FileReport failed(const QString& input, const QString& message,
                  FileReport::Outcome outcome = FileReport::Outcome::Failed);
// Prints what a file reported; collects its outcome.
void printReport(const FileReport& report);
} // namespace cli
