// The user's review choices, kept between runs in the user's config folder: the preset, the
// Custom preset's values, the frame rate and the spelling languages.
#pragma once

#include "review/review_limits.h"
#include "support/user_message.h"

#include <QString>
#include <QStringList>
#include <optional>

class ReviewSettings {
public:
    // <config>/velmora/review.ini.
    static QString defaultFile();
    explicit ReviewSettings(QString file = defaultFile()) : m_file(std::move(file)) {}

    PresetId preset() const;
    // The chosen preset's limits (the Custom values for Custom).
    ReviewLimits limits() const;
    // What the file holds; a value that is missing or out of bounds gives the preset's own.
    ReviewLimits customLimits() const;
    double frameRate() const;
    // Empty: spelling follows the "To" language.
    QStringList spellingLanguages() const;
    // The languages to spell in: the chosen ones, or else the "To" language's code.
    QStringList spellingLanguagesFor(const QString& toLanguageCode) const;

    // Each writes the file at once; a message when it cannot, or when a value is out of bounds
    // (then nothing is written).
    std::optional<UserMessage> setPreset(PresetId preset);
    std::optional<UserMessage> setCustomLimits(const ReviewLimits& limits);
    std::optional<UserMessage> setFrameRate(double frameRate);
    std::optional<UserMessage> setSpellingLanguages(const QStringList& codes);

    const QString& file() const { return m_file; }

private:
    std::optional<UserMessage> write(const QList<QPair<QString, QVariant>>& values);

    QString m_file;
};
