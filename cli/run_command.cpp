// The subcommand table's entry points.
#include "cli/commands.h"

int runCommand(const ParsedCommand& command) {
    switch (command.command) {
    case Subcommand::Convert:
        return runConvert(command);
    case Subcommand::Shift:
        return runShift(command);
    case Subcommand::Translate:
        return runTranslate(command);
    case Subcommand::Check:
        return runCheck(command);
    case Subcommand::Pair:
        return runPair(command);
    case Subcommand::Info:
        return runInfo(command);
    }
    return kExitUsage;
}
