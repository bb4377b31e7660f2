// velmora-cli's command line on arbitrary arguments (the input split at NUL bytes): parsing gives a
// usage error or a command within its subcommand's bounds, and each argument read as a time value
// or an encoding name gives a sound answer or none.
#include "cli/command_line.h"
#include "cli/subtitle_files.h"
#include "cli/time_values.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList arguments;
    for (const QByteArray& part : bytes.split('\0'))
        arguments.append(QString::fromUtf8(part));

    const auto parsed = parseCommandLine(arguments);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        FUZZ_CHECK(!error->message.isEmpty());
        FUZZ_CHECK(!usageText(error->command).isEmpty());
    } else {
        const CommandLine& line = std::get<CommandLine>(parsed);
        if (line.action == Action::Run) {
            FUZZ_CHECK(line.command.has_value());
            const SubcommandSpec& spec = subcommandSpec(line.command->command);
            const int inputs = int(line.command->inputs.size());
            FUZZ_CHECK(inputs >= spec.minInputs && (spec.maxInputs < 0 || inputs <= spec.maxInputs));
            FUZZ_CHECK(line.command->inputs.count(QStringLiteral("-")) <= 1);
            FUZZ_CHECK(line.command->jobs >= 0 && line.command->jobs <= 1024);
            FUZZ_CHECK(!helpText(line.command->command).isEmpty());
        }
    }

    for (const QString& argument : arguments) {
        for (bool signAllowed : {false, true}) {
            if (const std::optional<TimeValue> v = parseTimeValue(argument, signAllowed)) {
                FUZZ_CHECK(signAllowed || v->amount >= 0);
                FUZZ_CHECK(v->amount > -(qint64(1) << 50) && v->amount < (qint64(1) << 50));
            }
        }
        if (const std::optional<TextEncoding> encoding = textEncodingNamed(argument))
            FUZZ_CHECK(!encoding->name.isEmpty());
    }
    return 0;
}
