// The player's settings file.
#include "player/player_settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

// A file is known by its full path; the key is a digest of it, since a path may hold characters
// that a settings key cannot.
QString syncGroup(const QString& subtitlePath) {
    const QFileInfo info(subtitlePath);
    const QString canonical = info.canonicalFilePath();
    const QString path = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    return QStringLiteral("sync/") +
           QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

QString PlayerSettings::defaultFile() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/velmora/trelline.ini");
}

SyncTiming PlayerSettings::syncFor(const QString& subtitlePath) const {
    if (m_file.isEmpty() || subtitlePath.isEmpty())
        return {};
    const QSettings settings(m_file, QSettings::IniFormat);
    const QString group = syncGroup(subtitlePath);
    SyncTiming timing;
    timing = timing.nudged(settings.value(group + QStringLiteral("/offset"), 0).toInt());
    return timing.withSpeed(speedIndexOf(settings.value(group + QStringLiteral("/speed")).toString()));
}

void PlayerSettings::setSyncFor(const QString& subtitlePath, const SyncTiming& timing) {
    if (m_file.isEmpty() || subtitlePath.isEmpty())
        return;
    QSettings settings(m_file, QSettings::IniFormat);
    const QString group = syncGroup(subtitlePath);
    if (timing.isNeutral()) {
        settings.remove(group);
        return;
    }
    settings.setValue(group + QStringLiteral("/path"), QFileInfo(subtitlePath).absoluteFilePath());
    settings.setValue(group + QStringLiteral("/offset"), timing.offset);
    settings.setValue(group + QStringLiteral("/speed"),
                      QString::fromLatin1(speedChoices()[std::size_t(timing.speed)].key));
}

std::optional<PlayerSettings::Placement> PlayerSettings::placement() const {
    if (m_file.isEmpty())
        return std::nullopt;
    const QSettings settings(m_file, QSettings::IniFormat);
    const QRect geometry = settings.value(QStringLiteral("window/geometry")).toRect();
    if (!geometry.isValid())
        return std::nullopt;
    return Placement{settings.value(QStringLiteral("window/screen")).toString(), geometry};
}

void PlayerSettings::setPlacement(const Placement& placement) {
    if (m_file.isEmpty())
        return;
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(QStringLiteral("window/screen"), placement.screen);
    settings.setValue(QStringLiteral("window/geometry"), placement.geometry);
}
