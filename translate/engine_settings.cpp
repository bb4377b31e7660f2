// The engine settings and the engines made from them.
#include "translate/engine_settings.h"

#include "translate/apertium_service.h"
#include "translate/deepl_service.h"
#include "translate/libre_translate_service.h"
#include "translate/openai_chat_service.h"
#include "translate/translate_transport.h"

#include <array>

namespace {
struct EngineName {
    EngineKind kind;
    const char* name;
};
constexpr std::array kEngineNames{
    EngineName{EngineKind::GoogleWeb, "google"},
    EngineName{EngineKind::Apertium, "apertium"},
    EngineName{EngineKind::LibreTranslate, "libretranslate"},
    EngineName{EngineKind::OpenAiChat, "openai"},
    EngineName{EngineKind::DeepL, "deepl"},
};

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

EngineSettings readEngineSettings(QSettings& settings) {
    EngineSettings engine;
    engine.kind = engineKindFromName(settings.value(QStringLiteral("translation/engine")).toString())
                      .value_or(EngineKind::GoogleWeb);
    const QString group = QStringLiteral("translation/") + engineSettingName(engine.kind) + u'/';
    engine.address = serviceUrlFromText(settings.value(group + QStringLiteral("address")).toString());
    engine.model = settings.value(group + QStringLiteral("model")).toString();
    const QByteArray variable = "VELMORA_" + engineSettingName(engine.kind).toUpper().toLatin1() + "_KEY";
    engine.key = qEnvironmentVariable(variable.constData()).trimmed();
    return engine;
}

void writeEngineSettings(QSettings& settings, const EngineSettings& engine) {
    settings.setValue(QStringLiteral("translation/engine"), engineSettingName(engine.kind));
    const QString group = QStringLiteral("translation/") + engineSettingName(engine.kind) + u'/';
    settings.setValue(group + QStringLiteral("address"), engine.address.toString());
    settings.setValue(group + QStringLiteral("model"), engine.model);
}

EngineSettings userEngineSettings() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("velmora"),
                       QStringLiteral("translation"));
    return readEngineSettings(settings);
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
