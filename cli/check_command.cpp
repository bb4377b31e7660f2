// check: the review checks over each file.
#include "cli/commands.h"

int runCheck(const ParsedCommand& command) {
    const QString format = command.hasValue("--format") ? command.value("--format") : QStringLiteral("text");
    if (format != u"text" && format != u"json")
        return cli::usageFailure(command.command,
                                 QStringLiteral("--format takes text or json, not '%1'").arg(format));
    cli::printError(QStringLiteral("check needs the review checks, which this build does not have"));
    return kExitUsage;
}
