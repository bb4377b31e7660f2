// The engine settings and the engines made from them.
#include "translate/engine_settings.h"

#include "translate/apertium_service.h"
#include "translate/deepl_service.h"
#include "translate/libre_translate_service.h"
#include "translate/openai_chat_service.h"
#include "translate/translate_transport.h"

#include "translate/language_table.h"

#include <QHash>
#include <algorithm>
#include <array>

namespace {
struct EngineName {
    EngineKind kind;
    const char* name;
    const char* displayName;
    bool key;
    bool model;
    bool address;
};
constexpr std::array kEngineNames{
    EngineName{EngineKind::GoogleWeb, "google", "Google (web)", false, false, false},
    EngineName{EngineKind::Apertium, "apertium", "Apertium (this computer)", false, false, true},
    EngineName{EngineKind::LibreTranslate, "libretranslate", "LibreTranslate", true, false, true},
    EngineName{EngineKind::OpenAiChat, "openai", "OpenAI-compatible chat", true, true, true},
    EngineName{EngineKind::DeepL, "deepl", "DeepL", true, false, true},
};

const EngineName& entryOf(EngineKind kind) {
    for (const EngineName& e : kEngineNames)
        if (e.kind == kind)
            return e;
    return kEngineNames.front();
}

// Apertium names its languages by ISO 639-3; the table knows ISO 639-1.
const QHash<QString, QString>& threeLetterCodes() {
    static const QHash<QString, QString> codes = {
        {"afr", "af"}, {"ara", "ar"}, {"arg", "an"}, {"bel", "be"}, {"bre", "br"}, {"bul", "bg"},
        {"cat", "ca"}, {"ces", "cs"}, {"cym", "cy"}, {"dan", "da"}, {"deu", "de"}, {"ell", "el"},
        {"eng", "en"}, {"epo", "eo"}, {"est", "et"}, {"eus", "eu"}, {"fin", "fi"}, {"fra", "fr"},
        {"gle", "ga"}, {"glg", "gl"}, {"heb", "he"}, {"hin", "hi"}, {"hrv", "hr"}, {"hun", "hu"},
        {"ind", "id"}, {"isl", "is"}, {"ita", "it"}, {"jpn", "ja"}, {"kaz", "kk"}, {"kor", "ko"},
        {"lav", "lv"}, {"lit", "lt"}, {"mkd", "mk"}, {"mlt", "mt"}, {"msa", "ms"}, {"nld", "nl"},
        {"nob", "no"}, {"nor", "no"}, {"oci", "oc"}, {"pol", "pl"}, {"por", "pt"}, {"ron", "ro"},
        {"rus", "ru"}, {"slk", "sk"}, {"slv", "sl"}, {"spa", "es"}, {"sqi", "sq"}, {"srp", "sr"},
        {"swe", "sv"}, {"tat", "tt"}, {"tur", "tr"}, {"ukr", "uk"}, {"urd", "ur"}, {"zho", "zh"},
    };
    return codes;
}

QString normalCode(const QString& code) {
    QString c = code.trimmed().toLower();
    c.replace(u'_', u'-');
    const qsizetype dash = c.indexOf(u'-');
    const QString base = dash < 0 ? c : c.left(dash);
    if (base.size() == 3 && threeLetterCodes().contains(base))
        return threeLetterCodes().value(base) + c.mid(base.size());
    return c;
}

bool offers(const QList<ServiceLanguage>& languages, const QString& tableCode) {
    return std::any_of(languages.begin(), languages.end(),
                       [&](const ServiceLanguage& l) { return sameLanguage(tableCode, l.code); });
}

QStringList offeredNames(const QStringList& names, const QList<ServiceLanguage>& languages) {
    if (languages.isEmpty())
        return names;
    QStringList offered;
    for (const QString& name : names)
        if (offers(languages, QString::fromLatin1(languageCode(name))))
            offered.append(name);
    return offered;
}

// One server for the whole run, stopped when the program ends.
std::shared_ptr<ApertiumServer> sharedApertiumServer() {
    static const std::shared_ptr<ApertiumServer> server = std::make_shared<ApertiumServer>();
    return server;
}
} // namespace

QString engineSettingName(EngineKind kind) {
    for (const EngineName& e : kEngineNames)
        if (e.kind == kind)
            return QString::fromLatin1(e.name);
    return {};
}

std::optional<EngineKind> engineKindFromName(const QString& name) {
    for (const EngineName& e : kEngineNames)
        if (name.trimmed().compare(QLatin1StringView(e.name), Qt::CaseInsensitive) == 0)
            return e.kind;
    return std::nullopt;
}

QString engineDisplayName(EngineKind kind) {
    return QString::fromLatin1(entryOf(kind).displayName);
}

QList<EngineKind> engineKinds() {
    QList<EngineKind> kinds;
    for (const EngineName& e : kEngineNames)
        kinds.append(e.kind);
    return kinds;
}

bool engineTakesKey(EngineKind kind) {
    return entryOf(kind).key;
}

bool engineTakesModel(EngineKind kind) {
    return entryOf(kind).model;
}

bool engineTakesAddress(EngineKind kind) {
    return entryOf(kind).address;
}

QByteArray engineKeyVariable(EngineKind kind) {
    return "VELMORA_" + engineSettingName(kind).toUpper().toLatin1() + "_KEY";
}

EngineSettings readEngineSettings(QSettings& settings) {
    return readEngineSettings(
        settings, engineKindFromName(settings.value(QStringLiteral("translation/engine")).toString())
                      .value_or(EngineKind::GoogleWeb));
}

EngineSettings readEngineSettings(QSettings& settings, EngineKind kind) {
    EngineSettings engine;
    engine.kind = kind;
    const QString group = QStringLiteral("translation/") + engineSettingName(engine.kind) + u'/';
    engine.address = serviceUrlFromText(settings.value(group + QStringLiteral("address")).toString());
    engine.model = settings.value(group + QStringLiteral("model")).toString();
    engine.key = qEnvironmentVariable(engineKeyVariable(kind).constData()).trimmed();
    return engine;
}

void writeEngineSettings(QSettings& settings, const EngineSettings& engine) {
    settings.setValue(QStringLiteral("translation/engine"), engineSettingName(engine.kind));
    writeEngineDetails(settings, engine);
}

void writeEngineDetails(QSettings& settings, const EngineSettings& engine) {
    const QString group = QStringLiteral("translation/") + engineSettingName(engine.kind) + u'/';
    settings.setValue(group + QStringLiteral("address"), engine.address.toString());
    settings.setValue(group + QStringLiteral("model"), engine.model);
}

std::unique_ptr<QSettings> userTranslationSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("velmora"),
                                       QStringLiteral("translation"));
}

EngineSettings userEngineSettings() {
    return readEngineSettings(*userTranslationSettings());
}

LanguageChoice readLanguageChoice(QSettings& settings) {
    return {settings.value(QStringLiteral("translation/from")).toString(),
            settings.value(QStringLiteral("translation/to")).toString()};
}

void writeLanguageChoice(QSettings& settings, const LanguageChoice& choice) {
    settings.setValue(QStringLiteral("translation/from"), choice.from);
    settings.setValue(QStringLiteral("translation/to"), choice.to);
}

bool sameLanguage(const QString& tableCode, const QString& engineCode) {
    const QString table = service::isoLanguage(tableCode).toLower();
    const QString engine = normalCode(engineCode);
    if (table.isEmpty() || engine.isEmpty())
        return false;
    if (engine == table || engine == tableCode.toLower())
        return true;
    // A regional variant of the engine's ("en-gb", "zh-hans") is the table's language without one.
    const qsizetype dash = engine.indexOf(u'-');
    return dash > 0 && engine.left(dash) == table;
}

OfferedLanguages offeredLanguages(const ServiceLanguages& languages) {
    OfferedLanguages offered;
    offered.from = offeredNames(translateFromNames(), languages.sources);
    offered.to = offeredNames(translateToNames(), languages.targets);
    if (languages.pairs.isEmpty())
        return offered;
    // The pairs name the targets, whatever the list of targets says; languages that go nowhere
    // are not offered.
    const QStringList targets = translateToNames();
    for (const auto& [source, target] : languages.pairs)
        for (const QString& from : offered.from)
            if (sameLanguage(QString::fromLatin1(languageCode(from)), source))
                for (const QString& to : targets)
                    if (sameLanguage(QString::fromLatin1(languageCode(to)), target) &&
                        !offered.pairs.contains(std::pair{from, to}))
                        offered.pairs.append({from, to});
    offered.to = targets;
    offered.to.removeIf([&](const QString& to) {
        return std::none_of(offered.pairs.begin(), offered.pairs.end(),
                            [&](const auto& p) { return p.second == to; });
    });
    offered.from.removeIf([&](const QString& from) { return targetsFor(offered, from).isEmpty(); });
    return offered;
}

QStringList targetsFor(const OfferedLanguages& offered, const QString& fromName) {
    if (offered.pairs.isEmpty())
        return offered.to;
    QStringList targets;
    for (const QString& to : offered.to)
        if (offered.pairs.contains(std::pair{fromName, to}))
            targets.append(to);
    return targets;
}

std::shared_ptr<TranslationService> makeService(const EngineSettings& engine) {
    switch (engine.kind) {
    case EngineKind::GoogleWeb:
        return nullptr;
    case EngineKind::Apertium:
        return std::make_shared<ApertiumService>(engine.address,
                                                 engine.address.isEmpty() ? sharedApertiumServer() : nullptr);
    case EngineKind::LibreTranslate:
        return std::make_shared<LibreTranslateService>(engine.address, engine.key);
    case EngineKind::OpenAiChat:
        return std::make_shared<OpenAiChatService>(engine.address, engine.model, engine.key);
    case EngineKind::DeepL:
        return std::make_shared<DeepLService>(engine.key, engine.address);
    }
    return nullptr;
}
