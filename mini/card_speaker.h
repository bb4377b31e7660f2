// Reading a card aloud through the desktop's speech engine, when it has one.
#pragma once

#include <QString>
#include <memory>

class CardSpeaker {
public:
    virtual ~CardSpeaker() = default;
    virtual void say(const QString& text) = 0;
};

// Qt TextToSpeech's default engine; nothing when no engine is installed or none starts.
std::unique_ptr<CardSpeaker> systemCardSpeaker();
