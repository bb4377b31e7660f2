// The command line's names of the formats.
#include "cli/format_names.h"

#include "subtitle/format_table.h"

namespace {

struct FormatName {
    const char* name; // the one --help lists
    SubtitleFormat id;
    const char* aliases; // ";"-separated
    bool subStationV4 = false;
};

constexpr FormatName kNames[] = {
    {"srt", kSubRip, "subrip"},
    {"vtt", kWebVTT, "webvtt"},
    {"ass", kSubStation, "advanced-substation"},
    {"ssa", kSubStation, "substation", true},
    {"microdvd", kMicroDVD, "sub;mdvd"},
    {"smi", kSAMI, "sami"},
    {"subviewer", kSubViewer, ""},
    {"subviewer2", kSubViewer2, "subviewer-2.0"},
};

TargetFormat targetOf(const FormatName& n) {
    TargetFormat t;
    t.id = n.id;
    t.subStationV4 = n.subStationV4;
    // The table's SubViewer extension is upper case, as velmora has always saved it; a file made
    // from the command line gets the lower case people type.
    t.extension = n.subStationV4 ? QStringLiteral("ssa") : formatInfo(n.id).extension.toString().toLower();
    return t;
}

} // namespace

std::optional<TargetFormat> targetFormatNamed(const QString& given) {
    const QString wanted = given.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    for (const FormatName& n : kNames) {
        if (wanted.compare(QLatin1StringView(n.name), Qt::CaseInsensitive) == 0)
            return targetOf(n);
        for (const QStringView alias :
             QLatin1StringView(n.aliases).toString().split(u';', Qt::SkipEmptyParts))
            if (wanted.compare(alias, Qt::CaseInsensitive) == 0)
                return targetOf(n);
    }
    // The table's name ("SubViewer 2.0", "Advanced SubStation") says the format's own form.
    for (const FormatName& n : kNames)
        if (!n.subStationV4 && wanted.compare(formatInfo(n.id).name, Qt::CaseInsensitive) == 0)
            return targetOf(n);
    return std::nullopt;
}

QStringList targetFormatNames() {
    QStringList names;
    for (const FormatName& n : kNames)
        names << QLatin1StringView(n.name);
    return names;
}

QString targetFormatList() {
    QStringList parts;
    for (const FormatName& n : kNames) {
        QString label = n.subStationV4 ? QStringLiteral("SubStation Alpha v4") : formatName(n.id);
        const QString aliases = QLatin1StringView(n.aliases).toString().replace(u';', QStringLiteral(", "));
        if (!aliases.isEmpty())
            label += QStringLiteral("; also ") + aliases;
        parts << QStringLiteral("%1 (%2)").arg(QLatin1StringView(n.name), label);
    }
    return parts.join(QStringLiteral(", "));
}

QString formatName(std::int32_t formatMode) {
    return formatInfo(formatMode).name.toString();
}

QStringList subStationV4Header() {
    return {
        QStringLiteral("[Script Info]"),
        QStringLiteral("ScriptType: v4.00"),
        QStringLiteral("PlayResX: 384"),
        QStringLiteral("PlayResY: 288"),
        QString(),
        QStringLiteral("[V4 Styles]"),
        QStringLiteral("Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, TertiaryColour, "
                       "BackColour, Bold, Italic, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, "
                       "MarginV, AlphaLevel, Encoding"),
        QStringLiteral("Style: Default,Arial,16,16777215,255,0,0,0,0,1,1,0,2,10,10,10,0,1"),
        QString(),
        QStringLiteral("[Events]"),
        QStringLiteral("Format: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text"),
    };
}
