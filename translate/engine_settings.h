// Which engine translates, with its address and model, and the languages last chosen: the user's
// settings, written by the Engine combo and the Translation Services dialog. Keys never go into a
// settings file: they come from VELMORA_<ENGINE>_KEY or the desktop's keyring.
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
// As the Engine combo and the Translation Services dialog show it.
QString engineDisplayName(EngineKind kind);
// Every engine, in the order the combo lists them.
QList<EngineKind> engineKinds();
// Whether the engine takes a key, a model, an address of the user's.
bool engineTakesKey(EngineKind kind);
bool engineTakesModel(EngineKind kind);
bool engineTakesAddress(EngineKind kind);
// "VELMORA_<ENGINE>_KEY": a key there wins over the keyring, for tests and scripts.
QByteArray engineKeyVariable(EngineKind kind);

// The "translation/engine", "translation/<engine>/address" and "…/model" values of `settings`,
// with the key from VELMORA_<ENGINE>_KEY.
EngineSettings readEngineSettings(QSettings& settings);
// One engine's address and model, whichever engine is chosen.
EngineSettings readEngineSettings(QSettings& settings, EngineKind kind);
void writeEngineSettings(QSettings& settings, const EngineSettings& engine);
// The engine's address and model only, leaving the chosen engine as it is.
void writeEngineDetails(QSettings& settings, const EngineSettings& engine);
// The user's settings file, ~/.config/velmora/translation.ini.
std::unique_ptr<QSettings> userTranslationSettings();
EngineSettings userEngineSettings();

// The language combos' last choice, by display name; empty when none was made yet.
struct LanguageChoice {
    QString from;
    QString to;
};
LanguageChoice readLanguageChoice(QSettings& settings);
void writeLanguageChoice(QSettings& settings, const LanguageChoice& choice);

// What the language combos offer with an engine: the language table's names whose language the
// engine has, in the combos' own orders. An empty side of `languages` offers the whole table.
struct OfferedLanguages {
    QStringList from;
    QStringList to;
    // By display name; empty when any source goes to any target.
    QList<std::pair<QString, QString>> pairs;
};
OfferedLanguages offeredLanguages(const ServiceLanguages& languages);
// The targets offered for a source: those paired with it, or all of them without pairs.
QStringList targetsFor(const OfferedLanguages& offered, const QString& fromName);
// Whether a table code and an engine's own code name the same language ("iw" and "he", "en" and
// "EN-GB" or "eng", "zh-CN" and "ZH-HANS"; "zh-TW" and "zh" do not).
bool sameLanguage(const QString& tableCode, const QString& engineCode);

// The engine the settings name; null for the web endpoint, which the job makes at the transport's
// address (so that VELMORA_TRANSLATE_URL keeps pointing it elsewhere).
std::shared_ptr<TranslationService> makeService(const EngineSettings& engine);
