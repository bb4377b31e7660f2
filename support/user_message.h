// A message for the user, handed back by core operations; the shell decides how to show it.
#pragma once

#include <QString>

enum class MessageIcon { Error, Warning, Information };

struct UserMessage {
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::Error;

    friend bool operator==(const UserMessage&, const UserMessage&) = default;
};

inline UserMessage errorMessage(const QString& text) {
    return UserMessage{text, QStringLiteral("ERROR!"), MessageIcon::Error};
}
