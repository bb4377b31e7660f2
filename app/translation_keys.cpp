// Engine keys in the keyring, with the environment first and memory as the last resort.
#include "app/translation_keys.h"

#include <QEventLoop>
#include <QFileInfo>
#include <qt6keychain/keychain.h>

namespace {

const QString kKeyringService = QStringLiteral("velmora");

QString accountOf(EngineKind kind) {
    return QStringLiteral("translation/") + engineSettingName(kind);
}

class DesktopKeyStore final : public KeyStore {
public:
    Result read(const QString& account) override {
        if (!sessionBusAvailable())
            return noKeyring();
        QKeychain::ReadPasswordJob job(kKeyringService);
        job.setAutoDelete(false);
        job.setKey(account);
        run(job);
        Result result = resultOf(job);
        if (result.status == Status::Ok)
            result.key = job.textData();
        return result;
    }

    Result write(const QString& account, const QString& key) override {
        if (!sessionBusAvailable())
            return noKeyring();
        if (key.isEmpty()) {
            QKeychain::DeletePasswordJob job(kKeyringService);
            job.setAutoDelete(false);
            job.setKey(account);
            run(job);
            Result result = resultOf(job);
            return result.status == Status::NotFound ? Result{} : result;
        }
        QKeychain::WritePasswordJob job(kKeyringService);
        job.setAutoDelete(false);
        job.setKey(account);
        job.setTextData(key);
        run(job);
        return resultOf(job);
    }

private:
    // The keyring answers over D-Bus within moments; the loop keeps the window drawn meanwhile.
    static void run(QKeychain::Job& job) {
        job.setInsecureFallback(false);
        QEventLoop loop;
        QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
        job.start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }

    static Result noKeyring() { return {Status::NoKeyring, {}, QStringLiteral("no session bus")}; }

    static Result resultOf(const QKeychain::Job& job) {
        switch (job.error()) {
        case QKeychain::NoError:
            return {};
        case QKeychain::EntryNotFound:
            return {Status::NotFound, {}, {}};
        case QKeychain::NoBackendAvailable:
        case QKeychain::NotImplemented:
            return {Status::NoKeyring, {}, job.errorString()};
        default:
            // A bus without a Secret Service (no keyring daemon installed or started) is no keyring
            // either; QtKeychain tells it only in words.
            if (job.errorString().contains(QStringLiteral("org.freedesktop.secrets")) ||
                job.errorString().contains(QStringLiteral("D-Bus")))
                return {Status::NoKeyring, {}, job.errorString()};
            return {Status::Failed, {}, job.errorString()};
        }
    }
};

std::unique_ptr<EngineKeys>& keysOfThisRun() {
    static std::unique_ptr<EngineKeys> keys;
    return keys;
}

} // namespace

bool sessionBusAvailable() {
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

std::unique_ptr<KeyStore> makeDesktopKeyStore() {
    return std::make_unique<DesktopKeyStore>();
}

EngineKeys::EngineKeys(std::unique_ptr<KeyStore> store) : m_store(std::move(store)) {}

bool EngineKeys::fromEnvironment(EngineKind kind) {
    return !qEnvironmentVariable(engineKeyVariable(kind).constData()).trimmed().isEmpty();
}

QString EngineKeys::key(EngineKind kind) {
    if (!engineTakesKey(kind))
        return {};
    if (fromEnvironment(kind))
        return qEnvironmentVariable(engineKeyVariable(kind).constData()).trimmed();
    if (m_session.contains(kind) || m_noKeyring)
        return m_session.value(kind);
    const KeyStore::Result stored = m_store->read(accountOf(kind));
    if (stored.status == KeyStore::Status::NoKeyring)
        m_noKeyring = true;
    return stored.status == KeyStore::Status::Ok ? stored.key : QString();
}

std::optional<UserMessage> EngineKeys::setKey(EngineKind kind, const QString& key) {
    const QString trimmed = key.trimmed();
    if (!m_noKeyring) {
        const KeyStore::Result written = m_store->write(accountOf(kind), trimmed);
        if (written.status == KeyStore::Status::Ok) {
            m_session.remove(kind);
            return std::nullopt;
        }
        if (written.status == KeyStore::Status::Failed) {
            // The key still works for this run; the user learns why it will not be kept.
            m_session.insert(kind, trimmed);
            return UserMessage{
                QStringLiteral("The keyring did not keep the key of %1: %2\n\nvelmora uses the "
                               "key until it ends.")
                    .arg(engineDisplayName(kind), written.error),
                QStringLiteral("Translation Services"), MessageIcon::Warning};
        }
        m_noKeyring = true;
    }
    m_session.insert(kind, trimmed);
    if (m_noKeyringTold)
        return std::nullopt;
    m_noKeyringTold = true;
    return UserMessage{QStringLiteral("No keyring runs on this desktop, so velmora keeps the keys you enter "
                                      "only until it ends. To keep them, start a keyring (GNOME Keyring or "
                                      "KWallet), or set VELMORA_<ENGINE>_KEY in the environment."),
                       QStringLiteral("Translation Services"), MessageIcon::Information};
}

EngineKeys& engineKeys() {
    if (!keysOfThisRun())
        keysOfThisRun() = std::make_unique<EngineKeys>(makeDesktopKeyStore());
    return *keysOfThisRun();
}

void setEngineKeyStore(std::unique_ptr<KeyStore> store) {
    keysOfThisRun() = std::make_unique<EngineKeys>(std::move(store));
}

EngineSettings chosenEngineWithKey() {
    EngineSettings engine = userEngineSettings();
    if (engine.key.isEmpty())
        engine.key = engineKeys().key(engine.kind);
    return engine;
}
