// The system speaker: Qt TextToSpeech, chosen at start and kept for the run.
#include "mini/card_speaker.h"

#include <QTextToSpeech>

namespace {

class TextToSpeechSpeaker final : public CardSpeaker {
public:
    explicit TextToSpeechSpeaker(std::unique_ptr<QTextToSpeech> engine) : m_engine(std::move(engine)) {}
    void say(const QString& text) override {
        // A new card cuts the last one short instead of queueing behind it.
        m_engine->stop();
        m_engine->say(text);
    }

private:
    std::unique_ptr<QTextToSpeech> m_engine;
};

} // namespace

std::unique_ptr<CardSpeaker> systemCardSpeaker() {
    if (QTextToSpeech::availableEngines().isEmpty())
        return nullptr;
    auto engine = std::make_unique<QTextToSpeech>();
    if (engine->state() == QTextToSpeech::Error)
        return nullptr;
    return std::make_unique<TextToSpeechSpeaker>(std::move(engine));
}
