// Review choices in an INI file of the user's config folder.
#include "review/review_settings.h"

#include "review/checks.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

constexpr char kPresetKey[] = "Review/Preset";
constexpr char kCharsPerLineKey[] = "Custom/CharsPerLine";
constexpr char kLinesKey[] = "Custom/Lines";
constexpr char kCharsPerSecondKey[] = "Custom/CharsPerSecond";
constexpr char kMinDurationKey[] = "Custom/MinDurationSeconds";
constexpr char kMaxDurationKey[] = "Custom/MaxDurationSeconds";
constexpr char kGapFramesKey[] = "Custom/GapFrames";
constexpr char kFrameRateKey[] = "Review/FrameRate";
constexpr char kLanguagesKey[] = "Spelling/Languages";

template <typename T> T readNumber(const QSettings& settings, const char* key, T fallback) {
    const QVariant value = settings.value(QLatin1String(key));
    bool ok = false;
    const T number =
        std::is_integral_v<T> ? T(value.toString().toInt(&ok)) : T(value.toString().toDouble(&ok));
    return ok ? number : fallback;
}

UserMessage settingsMessage(const QString& text) {
    return UserMessage{text, QStringLiteral("Review Settings"), MessageIcon::Warning};
}

} // namespace

QString ReviewSettings::defaultFile() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/velmora/review.ini");
}

PresetId ReviewSettings::preset() const {
    const QSettings settings(m_file, QSettings::IniFormat);
    return presetForKey(settings.value(QLatin1String(kPresetKey)).toString())
        .value_or(PresetId::StreamingAdult);
}

ReviewLimits ReviewSettings::limits() const {
    const PresetId id = preset();
    return id == PresetId::Custom ? customLimits() : reviewPreset(id).limits;
}

ReviewLimits ReviewSettings::customLimits() const {
    const QSettings settings(m_file, QSettings::IniFormat);
    const ReviewLimits start = reviewPreset(PresetId::Custom).limits;
    ReviewLimits l;
    l.maxCharsPerLine = readNumber(settings, kCharsPerLineKey, start.maxCharsPerLine);
    l.maxLines = readNumber(settings, kLinesKey, start.maxLines);
    l.maxCharsPerSecond = readNumber(settings, kCharsPerSecondKey, start.maxCharsPerSecond);
    l.minDurationSeconds = readNumber(settings, kMinDurationKey, start.minDurationSeconds);
    l.maxDurationSeconds = readNumber(settings, kMaxDurationKey, start.maxDurationSeconds);
    l.minGapFrames = readNumber(settings, kGapFramesKey, start.minGapFrames);
    // A hand-edited file with one bad value must not leave the checks with nonsense limits.
    return validateLimits(l) ? start : l;
}

double ReviewSettings::frameRate() const {
    const QSettings settings(m_file, QSettings::IniFormat);
    const double rate = readNumber(settings, kFrameRateKey, kDefaultFrameRate);
    return rate > 0 && rate <= 1000 ? rate : kDefaultFrameRate;
}

QStringList ReviewSettings::spellingLanguages() const {
    const QSettings settings(m_file, QSettings::IniFormat);
    QStringList codes = settings.value(QLatin1String(kLanguagesKey)).toStringList();
    codes.removeAll(QString());
    return codes;
}

QStringList ReviewSettings::spellingLanguagesFor(const QString& toLanguageCode) const {
    const QStringList chosen = spellingLanguages();
    if (!chosen.isEmpty() || toLanguageCode.isEmpty())
        return chosen;
    return {toLanguageCode};
}

std::optional<UserMessage> ReviewSettings::write(const QList<QPair<QString, QVariant>>& values) {
    if (!QDir().mkpath(QFileInfo(m_file).absolutePath()))
        return settingsMessage(
            QStringLiteral("The folder of %1 cannot be made.").arg(QDir::toNativeSeparators(m_file)));
    QSettings settings(m_file, QSettings::IniFormat);
    for (const auto& [key, value] : values)
        settings.setValue(key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return settingsMessage(QStringLiteral("The review settings cannot be written to %1.")
                                   .arg(QDir::toNativeSeparators(m_file)));
    return std::nullopt;
}

std::optional<UserMessage> ReviewSettings::setPreset(PresetId preset) {
    return write({{QLatin1String(kPresetKey), QLatin1String(reviewPreset(preset).key)}});
}

std::optional<UserMessage> ReviewSettings::setCustomLimits(const ReviewLimits& l) {
    if (std::optional<UserMessage> problem = validateLimits(l))
        return problem;
    return write({
        {QLatin1String(kCharsPerLineKey), l.maxCharsPerLine},
        {QLatin1String(kLinesKey), l.maxLines},
        {QLatin1String(kCharsPerSecondKey), l.maxCharsPerSecond},
        {QLatin1String(kMinDurationKey), l.minDurationSeconds},
        {QLatin1String(kMaxDurationKey), l.maxDurationSeconds},
        {QLatin1String(kGapFramesKey), l.minGapFrames},
    });
}

std::optional<UserMessage> ReviewSettings::setFrameRate(double frameRate) {
    if (!(frameRate > 0 && frameRate <= 1000))
        return settingsMessage(QStringLiteral("The frame rate must be above 0 and at most 1000."));
    return write({{QLatin1String(kFrameRateKey), frameRate}});
}

std::optional<UserMessage> ReviewSettings::setSpellingLanguages(const QStringList& codes) {
    return write({{QLatin1String(kLanguagesKey), codes}});
}
