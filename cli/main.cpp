// velmora-cli: the core of velmora from the command line, without a display.
#include "cli/command_line.h"
#include "cli/commands.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0"
#endif

namespace {
void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}
} // namespace

int main(int argc, char** argv) {
    // A closed pipe downstream (velmora-cli info *.srt | head) is an error to report, not a death.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora"));
    QCoreApplication::setOrganizationName(QStringLiteral("velmora"));
    const auto parsed = parseCommandLine(app.arguments().mid(1));
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        print(stderr, QStringLiteral("velmora-cli: %1\n").arg(error->message));
        print(stderr, usageText(error->command));
        if (!error->command)
            print(stderr, QStringLiteral("Run 'velmora-cli --help' for the subcommands.\n"));
        return kExitUsage;
    }
    const CommandLine& line = std::get<CommandLine>(parsed);
    switch (line.action) {
    case Action::Help:
        print(stdout, helpText(line.command ? std::optional(line.command->command) : std::nullopt));
        return kExitOk;
    case Action::Version:
        print(stdout, QStringLiteral("velmora-cli %1\n").arg(QStringLiteral(VELMORA_VERSION)));
        return kExitOk;
    case Action::Manual:
        print(stdout, manualPage(QStringLiteral(VELMORA_VERSION)));
        return kExitOk;
    case Action::Completion:
        print(stdout, bashCompletion());
        return kExitOk;
    case Action::Run:
        break;
    }
    return runCommand(*line.command);
}
