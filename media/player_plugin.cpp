// Loading the player plugin.
#include "media/media_player.h"

#include "media/plugin_location.h"

#include <QPluginLoader>

QString defaultPlayerPluginPath() {
    return locateMediaPlugin(QStringLiteral("velmora_vlc.so"));
}

std::unique_ptr<MediaEngine> loadMediaEngine(const QString& pluginPath, const QStringList& arguments,
                                             QString* error) {
    // The plugin stays loaded for the rest of the run: the players it made run its code.
    QPluginLoader loader(pluginPath);
    auto* factory = qobject_cast<MediaEngineFactory*>(loader.instance());
    if (!factory) {
        if (error)
            *error = loader.errorString();
        return nullptr;
    }
    std::unique_ptr<MediaEngine> engine = factory->createEngine(arguments);
    if (!engine && error)
        *error = QStringLiteral("libVLC could not start; are its plugins installed?");
    return engine;
}
