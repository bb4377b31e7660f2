// Following the Engine combo and offering its languages.
#include "app/translation_engine_choice.h"

#include "app/translation_keys.h"
#include "translate/google_web_service.h"
#include "translate/language_table.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

void fill(QComboBox* box, const QStringList& names, const QStringList& preferred) {
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(names);
    for (const QString& name : preferred)
        if (const int at = box->findText(name, Qt::MatchExactly); at >= 0) {
            box->setCurrentIndex(at);
            return;
        }
    box->setCurrentIndex(names.isEmpty() ? -1 : 0);
}

} // namespace

TranslationEngineChoice::TranslationEngineChoice(QComboBox* engineBox, QComboBox* from, QComboBox* to,
                                                 QObject* parent)
    : QObject(parent), m_engine(engineBox), m_from(from), m_to(to) {
    setObjectName(QStringLiteral("translationEngineChoice"));
    const std::unique_ptr<QSettings> settings = userTranslationSettings();
    const EngineKind chosen = readEngineSettings(*settings).kind;
    {
        const QSignalBlocker quiet(m_engine);
        for (EngineKind kind : engineKinds())
            m_engine->addItem(engineDisplayName(kind), engineSettingName(kind));
        m_engine->setCurrentIndex(int(engineKinds().indexOf(chosen)));
    }
    const LanguageChoice remembered = readLanguageChoice(*settings);
    m_filling = true;
    if (!remembered.from.isEmpty())
        fill(m_from, translateFromNames(), {remembered.from, m_from->currentText()});
    if (!remembered.to.isEmpty())
        fill(m_to, translateToNames(), {remembered.to, m_to->currentText()});
    m_filling = false;

    connect(m_engine, &QComboBox::currentIndexChanged, this, [this] {
        const std::unique_ptr<QSettings> s = userTranslationSettings();
        s->setValue(QStringLiteral("translation/engine"), engineSettingName(engine()));
        engineChosen();
    });
    connect(m_from, &QComboBox::currentIndexChanged, this, [this] {
        fillTargets();
        rememberLanguages();
    });
    connect(m_to, &QComboBox::currentIndexChanged, this, &TranslationEngineChoice::rememberLanguages);
    engineChosen();
}

EngineKind TranslationEngineChoice::engine() const {
    return engineKindFromName(m_engine->currentData().toString()).value_or(EngineKind::GoogleWeb);
}

void TranslationEngineChoice::refresh() {
    // Any engine's address or key may have changed.
    m_known.clear();
    engineChosen();
}

void TranslationEngineChoice::engineChosen() {
    const EngineKind kind = engine();
    if (m_known.contains(kind)) {
        m_ask.forget();
        offer(m_known.value(kind));
        return;
    }
    EngineSettings settings = readEngineSettings(*userTranslationSettings(), kind);
    if (settings.key.isEmpty())
        settings.key = engineKeys().key(kind);
    const std::shared_ptr<TranslationService> service = makeService(settings);
    if (!service) {
        m_ask.forget();
        m_known.insert(kind, offeredLanguages(GoogleWebService().fixedLanguages()));
        offer(m_known.value(kind));
        return;
    }
    // Apertium may have to start its server first, which takes seconds: the combos keep what they
    // offer until the answer is in.
    m_ask.ask(
        [service](std::stop_token stop) {
            const std::unique_ptr<TranslateTransport> transport = makeCurlTransport(TransportConfig{});
            LanguageCache cache;
            return cache.languages(*service, *transport, stop);
        },
        [this, kind](const std::optional<ServiceLanguages>& languages) {
            // A server that did not answer offers the whole table; the job then says what is wrong.
            const OfferedLanguages offered =
                offeredLanguages(languages.value_or(GoogleWebService().fixedLanguages()));
            if (languages)
                m_known.insert(kind, offered);
            if (kind == engine())
                offer(offered);
        });
}

void TranslationEngineChoice::offer(const OfferedLanguages& offered) {
    m_offered = offered;
    m_filling = true;
    const LanguageChoice remembered = readLanguageChoice(*userTranslationSettings());
    fill(m_from, offered.from, {m_from->currentText(), remembered.from});
    m_filling = false;
    fillTargets();
    emit languagesOffered();
}

void TranslationEngineChoice::fillTargets() {
    const bool filling = m_filling;
    m_filling = true;
    const LanguageChoice remembered = readLanguageChoice(*userTranslationSettings());
    fill(m_to, targetsFor(m_offered, m_from->currentText()), {m_to->currentText(), remembered.to});
    m_filling = filling;
}

void TranslationEngineChoice::rememberLanguages() {
    if (m_filling)
        return;
    const std::unique_ptr<QSettings> settings = userTranslationSettings();
    writeLanguageChoice(*settings, {m_from->currentText(), m_to->currentText()});
}
