// Which engine translates, with its address and model: read from the user's settings, where the
// Engine combo and the Translation Services dialog will write them. Keys never go into a settings
// file: for now they come from the environment, for the session only.
#pragma once

#include "translate/translation_service.h"

#include <QSettings>
#include <QUrl>
#include <memory>

enum class EngineKind { GoogleWeb, Apertium, LibreTranslate, OpenAiChat, DeepL };

struct EngineSettings {
    EngineKind kind = EngineKind::GoogleWeb;
    QUrl address; // empty: the engine's default (Apertium: velmora's own server)
    QString model;
    QString key;
};

// "google", "apertium", "libretranslate", "openai", "deepl".
QString engineSettingName(EngineKind kind);
std::optional<EngineKind> engineKindFromName(const QString& name);

// The "translation/engine", "translation/<engine>/address" and "…/model" values of `settings`,
// with the key from VELMORA_<ENGINE>_KEY.
EngineSettings readEngineSettings(QSettings& settings);
void writeEngineSettings(QSettings& settings, const EngineSettings& engine);
// The user's settings file.
EngineSettings userEngineSettings();

// The engine the settings name; null for the web endpoint, which the job makes at the transport's
// address (so that VELMORA_TRANSLATE_URL keeps pointing it elsewhere).
std::shared_ptr<TranslationService> makeService(const EngineSettings& engine);
