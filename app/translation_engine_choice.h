// The Engine combo and the two language combos of the Translation group: the engines listed, the
// languages of the chosen engine offered (asked of its server off the UI thread), and the choice
// remembered in the user's translation settings and restored at start.
#pragma once

#include "app/background_ask.h"
#include "translate/engine_settings.h"

#include <QHash>
#include <QObject>
#include <optional>

class QComboBox;

class TranslationEngineChoice : public QObject {
    Q_OBJECT
public:
    TranslationEngineChoice(QComboBox* engineBox, QComboBox* from, QComboBox* to, QObject* parent);

    EngineKind engine() const;
    // Asks the engines' languages again, as after an address changed.
    void refresh();
    // While the engine's languages are being asked.
    bool asking() const { return m_ask.busy(); }

signals:
    // The language combos offer the chosen engine's languages now.
    void languagesOffered();

private:
    void engineChosen();
    void offer(const OfferedLanguages& offered);
    void fillTargets();
    void rememberLanguages();

    QComboBox* m_engine;
    QComboBox* m_from;
    QComboBox* m_to;
    OfferedLanguages m_offered;
    QHash<EngineKind, OfferedLanguages> m_known; // for this run
    bool m_filling = false;
    BackgroundAsk<std::optional<ServiceLanguages>> m_ask{this};
};
