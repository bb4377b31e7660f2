// The subcommand table, its parser and the texts made from it.
#include "cli/command_line.h"

#include "cli/format_names.h"

#include <QRegularExpression>
#include <array>

namespace {

constexpr OptionSpec kJobs{"--jobs", "-j", "N", ValueKind::Text,
                           "Work on N files at once (default: the number of cores). Each file is "
                           "independent: one that fails stops no other."};
constexpr OptionSpec kHelp{"--help", "-h", nullptr, ValueKind::None, "Show this help and exit."};
constexpr OptionSpec kForce{"--force", nullptr, nullptr, ValueKind::None,
                            "Replace an output file that exists already (never an input file)."};
constexpr OptionSpec kOutput{"--output", "-o", "DIR|FILE", ValueKind::File,
                             "Write into the folder DIR, or to FILE when there is one input; '-' writes "
                             "to standard output."};

constexpr std::array kConvertOptions{
    OptionSpec{"--to", nullptr, "FORMAT", ValueKind::Format, "The format to write (required; see FORMATS)."},
    OptionSpec{"--encoding", nullptr, "NAME", ValueKind::Encoding,
               "The character encoding to write, such as UTF-8, UTF-8-BOM, UTF-16, windows-1251, "
               "KOI8-R, GB18030 or MacRoman (default: the format's own)."},
    OptionSpec{"--input-encoding", nullptr, "NAME", ValueKind::Encoding,
               "Read 8-bit input in this code page instead of the one detected."},
    OptionSpec{"--fps", nullptr, "RATE", ValueKind::Text,
               "The frame rate of MicroDVD frame numbers, on either side (default: the file's own, "
               "else 25). A rate such as 23.976 or 29.97 is the NTSC rate (24000/1001, 30000/1001)."},
    kOutput,
    kForce,
    kJobs,
    kHelp,
};

constexpr std::array kShiftOptions{
    OptionSpec{"--by", nullptr, "TIME", ValueKind::Text,
               "Move every time by TIME: +1.2, -0.5s, 1500ms, -00:00:01,200 or, for MicroDVD, 30f."},
    OptionSpec{"--fps-from", nullptr, "RATE", ValueKind::Text,
               "Re-time from this frame rate (with --fps-to): a film sped up from 23.976 to 25 "
               "frames a second needs its times scaled by 23.976/25."},
    OptionSpec{"--fps-to", nullptr, "RATE", ValueKind::Text, "The frame rate to re-time to."},
    OptionSpec{"--from", nullptr, "TIME", ValueKind::Text, "Change only the entries shown at or after TIME."},
    OptionSpec{"--fps", nullptr, "RATE", ValueKind::Text,
               "The frame rate of a MicroDVD file, to move its frames by a time (default: the "
               "file's own)."},
    kOutput,
    kForce,
    kJobs,
    kHelp,
};

constexpr std::array kTranslateOptions{
    OptionSpec{"--from", nullptr, "LANG", ValueKind::Language,
               "The language of the input, as a code (en) or a name (English); 'auto' detects it."},
    OptionSpec{"--to", nullptr, "LANG", ValueKind::Language, "The language to translate into (required)."},
    OptionSpec{"--engine", nullptr, "NAME", ValueKind::Engine,
               "google, apertium, libretranslate, openai or deepl (default: the one chosen in "
               "velmora)."},
    OptionSpec{"--address", nullptr, "URL", ValueKind::Text,
               "The engine's address (default: the one set in velmora)."},
    OptionSpec{"--model", nullptr, "NAME", ValueKind::Text, "The model of an OpenAI-compatible engine."},
    OptionSpec{"--memory", nullptr, "on|off", ValueKind::OnOff,
               "Use the translation memory: exact matches are taken from it and new translations "
               "go into it (default: on, when --from names a language)."},
    OptionSpec{"--memory-file", nullptr, "FILE", ValueKind::File,
               "The translation memory to use, such as a team's (default: velmora's own)."},
    OptionSpec{"--untranslated-only", nullptr, nullptr, ValueKind::None,
               "Translate only the entries the output file does not have yet, and keep the rest: "
               "resumes a stopped translation."},
    OptionSpec{"--allow-http", nullptr, nullptr, ValueKind::None,
               "Send lines over plain http to a host off this computer (unencrypted)."},
    kOutput,
    kForce,
    kJobs,
    kHelp,
};

constexpr std::array kCheckOptions{
    OptionSpec{"--preset", nullptr, "NAME", ValueKind::Text, "The limits to check against."},
    OptionSpec{"--format", nullptr, "text|json", ValueKind::Report, "How to report (default: text)."},
    kJobs,
    kHelp,
};

constexpr std::array kPairOptions{
    OptionSpec{"--mix", nullptr, "OUT", ValueKind::File,
               "The mix subtitle to write: each entry with its original and its translation "
               "(required; '-' for standard output)."},
    kForce,
    kHelp,
};

constexpr std::array kInfoOptions{
    OptionSpec{"--format", nullptr, "text|json", ValueKind::Report, "How to report (default: text)."},
    kJobs,
    kHelp,
};

constexpr std::array kSubcommands{
    SubcommandSpec{Subcommand::Convert, "convert",
                   "IN... --to FORMAT [--encoding NAME] [--fps N] [-o DIR|FILE]",
                   "convert subtitle files to another format or encoding",
                   "Each input is written in FORMAT beside itself, under its name with the new "
                   "extension, or into the folder given with -o. Times convert exactly to the "
                   "unit the target can hold. What the target has no place for (styles, cue "
                   "settings, comments) is named in a warning on standard error.",
                   kConvertOptions, 1, -1},
    SubcommandSpec{Subcommand::Shift, "shift", "IN... (--by TIME | --fps-from N --fps-to N) [--from TIME]",
                   "move or re-time the entries of subtitle files",
                   "Each input is written beside itself as NAME.shifted.EXT, or into the folder "
                   "given with -o. A time moved before the start stops at 0.",
                   kShiftOptions, 1, -1},
    SubcommandSpec{Subcommand::Translate, "translate",
                   "IN... --from LANG --to LANG [--engine NAME] [--memory on|off]",
                   "translate subtitle files with the engines of velmora",
                   "Each input is translated entry by entry, with its tags kept in place, and "
                   "written as NAME.LANG.EXT beside itself. Ctrl+C stops after the current batch, "
                   "writes what is done and says how to resume with --untranslated-only; a second "
                   "Ctrl+C stops at once. The keys of engines that need one come from the "
                   "environment: VELMORA_LIBRETRANSLATE_KEY, VELMORA_OPENAI_KEY, VELMORA_DEEPL_KEY.",
                   kTranslateOptions, 1, -1},
    SubcommandSpec{Subcommand::Check, "check", "IN... [--preset NAME] [--format text|json]",
                   "check subtitle files against reading-speed and layout limits",
                   "Exit status 0 when every file is clean, 1 when something was found, 2 when a "
                   "file could not be read or the command line is wrong.",
                   kCheckOptions, 1, -1},
    SubcommandSpec{Subcommand::Pair, "pair", "ORIGINAL TRANSLATED --mix OUT",
                   "write the mix subtitle of an original and its translation",
                   "The entries are paired by position; OUT is in the original's format.", kPairOptions, 2,
                   2},
    SubcommandSpec{Subcommand::Info, "info", "IN... [--format text|json]",
                   "tell the format, encoding, entries, duration and languages of subtitle files",
                   "The encoding is the one detected, the languages are guessed from the words of "
                   "the entries.",
                   kInfoOptions, 1, -1},
};

const OptionSpec* findOption(const SubcommandSpec& spec, QStringView name) {
    for (const OptionSpec& o : spec.options)
        if (name == QLatin1StringView(o.name) || (o.shortName && name == QLatin1StringView(o.shortName)))
            return &o;
    return nullptr;
}

std::optional<Subcommand> subcommandNamed(QStringView name) {
    for (const SubcommandSpec& s : kSubcommands)
        if (name == QLatin1StringView(s.name))
            return s.id;
    return std::nullopt;
}

UsageError error(const QString& message, std::optional<Subcommand> command = std::nullopt) {
    return UsageError{message, command};
}

std::variant<int, UsageError> parseJobs(const QString& text, Subcommand command) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > 1024)
        return error(QStringLiteral("--jobs takes a number from 1 to 1024, not '%1'").arg(text), command);
    return n;
}

std::variant<CommandLine, UsageError> parseSubcommand(Subcommand id, QStringList args) {
    const SubcommandSpec& spec = subcommandSpec(id);
    ParsedCommand parsed;
    parsed.command = id;
    bool onlyInputs = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString arg = args[i];
        // "-" is standard input; after "--" everything is a file, also "-name.srt".
        if (onlyInputs || arg == u"-" || !arg.startsWith(u'-')) {
            parsed.inputs.append(arg);
            continue;
        }
        if (arg == u"--") {
            onlyInputs = true;
            continue;
        }
        QString name = arg;
        std::optional<QString> attached;
        if (arg.startsWith(u"--")) {
            const qsizetype eq = arg.indexOf(u'=');
            if (eq > 0) {
                name = arg.left(eq);
                attached = arg.mid(eq + 1);
            }
        }
        const OptionSpec* option = findOption(spec, name);
        if (!option) {
            QString message =
                QStringLiteral("'%1' is no option of %2").arg(arg, QLatin1StringView(spec.name));
            message +=
                QStringLiteral(" (a file whose name begins with '-' goes after '--' or as ./%1)").arg(arg);
            return error(message, id);
        }
        const QString longName = QLatin1StringView(option->name);
        if (longName == u"--help") {
            CommandLine line;
            line.action = Action::Help;
            line.command = parsed;
            return line;
        }
        if (!option->value) {
            if (attached)
                return error(QStringLiteral("%1 takes no value").arg(longName), id);
            parsed.switches.insert(longName);
            continue;
        }
        QString value;
        if (attached) {
            value = *attached;
        } else {
            if (i + 1 >= args.size())
                return error(
                    QStringLiteral("%1 needs a value (%2)").arg(longName, QLatin1StringView(option->value)),
                    id);
            value = args[++i];
        }
        if (parsed.values.contains(longName) && parsed.values.value(longName) != value)
            return error(QStringLiteral("%1 is given twice").arg(longName), id);
        parsed.values.insert(longName, value);
    }
    if (parsed.hasValue("--jobs")) {
        auto jobs = parseJobs(parsed.value("--jobs"), id);
        if (auto* e = std::get_if<UsageError>(&jobs))
            return *e;
        parsed.jobs = std::get<int>(jobs);
    }
    const int count = int(parsed.inputs.size());
    if (count < spec.minInputs)
        return error(
            count == 0
                ? QStringLiteral("no input file given")
                : QStringLiteral("%1 takes %2 files").arg(QLatin1StringView(spec.name)).arg(spec.minInputs),
            id);
    if (spec.maxInputs >= 0 && count > spec.maxInputs)
        return error(QStringLiteral("%1 takes %2 files, not %3")
                         .arg(QLatin1StringView(spec.name))
                         .arg(spec.maxInputs)
                         .arg(count),
                     id);
    if (parsed.inputs.count(QStringLiteral("-")) > 1)
        return error(QStringLiteral("standard input ('-') can be read only once"), id);
    CommandLine line;
    line.command = parsed;
    return line;
}

QString wrap(const QString& text, int indent, int width = 78) {
    const QString pad(indent, u' ');
    QString out;
    QString line = pad;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (line.size() > indent && line.size() + 1 + word.size() > width) {
            out += line + u'\n';
            line = pad;
        }
        if (line.size() > indent)
            line += u' ';
        line += word;
    }
    if (line.size() > indent)
        out += line + u'\n';
    return out;
}

QString optionLabel(const OptionSpec& o) {
    QString label;
    if (o.shortName)
        label = QLatin1StringView(o.shortName) + QStringLiteral(", ");
    label += QLatin1StringView(o.name);
    if (o.value)
        label += u' ' + QLatin1StringView(o.value);
    return label;
}

QString formatsParagraph() {
    return QStringLiteral("FORMATS: ") + targetFormatList() + u'.';
}

// Troff needs its own escapes for backslashes and for a leading dot or quote.
QString troff(QString text) {
    text.replace(u'\\', QStringLiteral("\\e"));
    text.replace(u'-', QStringLiteral("\\-"));
    if (text.startsWith(u'.') || text.startsWith(u'\''))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

QString valueWords(ValueKind kind) {
    switch (kind) {
    case ValueKind::Format:
        return targetFormatNames().join(u' ');
    case ValueKind::Encoding:
        return QStringLiteral("UTF-8 UTF-8-BOM UTF-16 UTF-16BE windows-1250 windows-1251 windows-1252 "
                              "windows-1253 windows-1255 windows-1256 windows-874 ISO-8859-1 ISO-8859-2 "
                              "ISO-8859-5 ISO-8859-7 KOI8-R GB2312 GBK GB18030 HZ BIG5 CP950 SHIFT-JIS "
                              "CP932 EUC-JP ISO-2022-JP EUC-KR CP949 ISO-2022-KR TIS-620 MacRoman "
                              "MacArabic MacHebrew MacIceland MacCroatian MacRomania MacUkraine "
                              "MacTurkish UTF-7");
    case ValueKind::Engine:
        return QStringLiteral("google apertium libretranslate openai deepl");
    case ValueKind::Language:
        return QStringLiteral("auto en fr es it de pt nl ru zh-CN zh-TW ja ko ar");
    case ValueKind::OnOff:
        return QStringLiteral("on off");
    case ValueKind::Report:
        return QStringLiteral("text json");
    case ValueKind::None:
    case ValueKind::Text:
    case ValueKind::File:
    case ValueKind::Folder:
        break;
    }
    return {};
}

} // namespace

std::span<const SubcommandSpec> subcommands() {
    return kSubcommands;
}

const SubcommandSpec& subcommandSpec(Subcommand command) {
    for (const SubcommandSpec& s : kSubcommands)
        if (s.id == command)
            return s;
    return kSubcommands.front();
}

std::variant<CommandLine, UsageError> parseCommandLine(const QStringList& arguments) {
    if (arguments.isEmpty())
        return error(QStringLiteral("no subcommand given"));
    const QString first = arguments.first();
    CommandLine line;
    if (first == u"--help" || first == u"-h") {
        line.action = Action::Help;
        return line;
    }
    if (first == u"--version") {
        line.action = Action::Version;
        return line;
    }
    if (first == u"--manual-page") {
        line.action = Action::Manual;
        return line;
    }
    if (first == u"--bash-completion") {
        line.action = Action::Completion;
        return line;
    }
    if (first == u"help") {
        line.action = Action::Help;
        if (arguments.size() > 1) {
            const std::optional<Subcommand> named = subcommandNamed(arguments[1]);
            if (!named)
                return error(QStringLiteral("'%1' is no subcommand").arg(arguments[1]));
            ParsedCommand parsed;
            parsed.command = *named;
            line.command = parsed;
        }
        return line;
    }
    const std::optional<Subcommand> id = subcommandNamed(first);
    if (!id)
        return error(first.startsWith(u'-')
                         ? QStringLiteral("'%1' is no option; a subcommand comes first").arg(first)
                         : QStringLiteral("'%1' is no subcommand").arg(first));
    return parseSubcommand(*id, arguments.mid(1));
}

QString usageText(std::optional<Subcommand> command) {
    if (command) {
        const SubcommandSpec& s = subcommandSpec(*command);
        return QStringLiteral("usage: velmora-cli %1 %2\n")
            .arg(QLatin1StringView(s.name), QLatin1StringView(s.synopsis));
    }
    QString out = QStringLiteral("usage: velmora-cli SUBCOMMAND [OPTIONS] FILE...\n");
    out += QStringLiteral("       velmora-cli SUBCOMMAND --help\n");
    return out;
}

QString helpText(std::optional<Subcommand> command) {
    if (!command) {
        QString out = usageText(std::nullopt);
        out += QStringLiteral("\nConvert, shift, translate, check and pair subtitle files from the command "
                              "line, with the same core as velmora.\n\nSubcommands:\n");
        for (const SubcommandSpec& s : kSubcommands)
            out += QStringLiteral("  %1%2\n")
                       .arg(QLatin1StringView(s.name).toString().leftJustified(11),
                            QLatin1StringView(s.summary));
        out += u'\n';
        out += wrap(QStringLiteral("A file named '-' is standard input. Exit status: 0 when all went well, 1 "
                                   "when a file failed (check: when something was found), 2 for a wrong "
                                   "command line, 130 after Ctrl+C."),
                    0);
        out += u'\n' + wrap(formatsParagraph(), 0);
        return out;
    }
    const SubcommandSpec& s = subcommandSpec(*command);
    QString out = usageText(command);
    out += u'\n' + wrap(QLatin1StringView(s.summary) + u'.', 0);
    for (const QString& paragraph : QString::fromLatin1(s.details).split(QStringLiteral("\n\n")))
        out += u'\n' + wrap(paragraph, 0);
    out += QStringLiteral("\nOptions:\n");
    for (const OptionSpec& o : s.options) {
        out += QStringLiteral("  ") + optionLabel(o) + u'\n';
        out += wrap(QLatin1StringView(o.help), 8);
    }
    if (s.id == Subcommand::Convert)
        out += u'\n' + wrap(formatsParagraph(), 0);
    return out;
}

QString manualPage(const QString& version) {
    QString out;
    out += QStringLiteral(".TH VELMORA-CLI 1 \"\" \"velmora %1\" \"User Commands\"\n").arg(version);
    out += QStringLiteral(
        ".SH NAME\nvelmora\\-cli \\- convert, shift, translate, check and pair subtitle files\n");
    out += QStringLiteral(".SH SYNOPSIS\n");
    for (const SubcommandSpec& s : kSubcommands)
        out += QStringLiteral(".B velmora\\-cli %1\n%2\n.br\n")
                   .arg(QLatin1StringView(s.name), troff(QString::fromLatin1(s.synopsis)));
    out += QStringLiteral(".SH DESCRIPTION\n");
    out += troff(QStringLiteral(
               "velmora-cli does from a terminal or a script what velmora does in its window, with "
               "the same core: no display is needed. A file named '-' is standard input.")) +
           u'\n';
    for (const SubcommandSpec& s : kSubcommands) {
        out += QStringLiteral(".SS %1\n").arg(QLatin1StringView(s.name));
        out += troff(QLatin1StringView(s.summary) + u'.') + u'\n';
        for (const QString& paragraph : QString::fromLatin1(s.details).split(QStringLiteral("\n\n")))
            out += QStringLiteral(".PP\n") + troff(paragraph) + u'\n';
        for (const OptionSpec& o : s.options)
            out += QStringLiteral(".TP\n.B %1\n%2\n")
                       .arg(troff(optionLabel(o)), troff(QLatin1StringView(o.help)));
    }
    out += QStringLiteral(".SH FORMATS\n") + troff(formatsParagraph()) + u'\n';
    out += QStringLiteral(".SH EXIT STATUS\n");
    out +=
        troff(QStringLiteral("0 when all went well; 1 when a file failed, or check found something; 2 for a "
                             "wrong command line, or a file check could not read; 130 after Ctrl+C.")) +
        u'\n';
    out += QStringLiteral(".SH SEE ALSO\n.BR velmora (1)\n");
    return out;
}

QString bashCompletion() {
    QString out;
    out += QStringLiteral("# bash completion for velmora-cli\n_velmora_cli() {\n");
    out += QStringLiteral("    local cur prev sub\n    cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
                          "    prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n    sub=\"${COMP_WORDS[1]}\"\n");
    QStringList names;
    for (const SubcommandSpec& s : kSubcommands)
        names << QLatin1StringView(s.name);
    out += QStringLiteral("    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
                          "        COMPREPLY=($(compgen -W \"%1 help --help --version\" -- \"$cur\"))\n"
                          "        return\n    fi\n")
               .arg(names.join(u' '));
    out += QStringLiteral("    case \"$sub\" in\n");
    for (const SubcommandSpec& s : kSubcommands) {
        QStringList options;
        QString valueCases;
        for (const OptionSpec& o : s.options) {
            options << QLatin1StringView(o.name);
            if (o.shortName)
                options << QLatin1StringView(o.shortName);
            if (!o.value)
                continue;
            QString pattern = QLatin1StringView(o.name);
            if (o.shortName)
                pattern += u'|' + QLatin1StringView(o.shortName);
            const QString words = valueWords(o.kind);
            QString action;
            if (!words.isEmpty())
                action = QStringLiteral("COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))").arg(words);
            else if (o.kind == ValueKind::File || o.kind == ValueKind::Folder)
                action = QStringLiteral("COMPREPLY=($(compgen -f -- \"$cur\"))");
            else
                action = QStringLiteral("COMPREPLY=()");
            valueCases += QStringLiteral("                %1) %2; return ;;\n").arg(pattern, action);
        }
        out += QStringLiteral("        %1)\n            case \"$prev\" in\n%2            esac\n")
                   .arg(QLatin1StringView(s.name), valueCases);
        out += QStringLiteral("            if [[ \"$cur\" == -* ]]; then\n"
                              "                COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))\n"
                              "            else\n"
                              "                compopt -o filenames 2>/dev/null\n"
                              "                COMPREPLY=($(compgen -f -- \"$cur\"))\n"
                              "            fi\n            ;;\n")
                   .arg(options.join(u' '));
    }
    out += QStringLiteral(
               "        help)\n            COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))\n            ;;\n")
               .arg(names.join(u' '));
    out += QStringLiteral("    esac\n}\ncomplete -F _velmora_cli velmora-cli\n");
    return out;
}
