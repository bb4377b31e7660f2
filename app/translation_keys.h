// The engines' keys: from VELMORA_<ENGINE>_KEY when set (for tests and scripts), otherwise from the
// desktop's keyring; where no keyring runs, kept in memory until velmora ends. Never in a file.
#pragma once

#include "support/user_message.h"
#include "translate/engine_settings.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

// Where keys are kept between runs: the desktop's keyring, or a fake one in tests.
class KeyStore {
public:
    enum class Status { Ok, NotFound, NoKeyring, Failed };
    struct Result {
        Status status = Status::Ok;
        QString key;   // with Ok from read()
        QString error; // the keyring's own words with Failed
    };
    virtual ~KeyStore() = default;
    virtual Result read(const QString& account) = 0;
    // An empty key removes the account's.
    virtual Result write(const QString& account, const QString& key) = 0;
};

// The desktop's keyring through QtKeychain (the Secret Service, KWallet).
std::unique_ptr<KeyStore> makeDesktopKeyStore();
// Whether a desktop session bus is there to ask (keyring, notifications); asking without one would
// try to start a bus of its own.
bool sessionBusAvailable();

class EngineKeys {
public:
    explicit EngineKeys(std::unique_ptr<KeyStore> store);

    // The key the engine uses now; empty when it has none.
    QString key(EngineKind kind);
    // True when VELMORA_<ENGINE>_KEY sets the key, which then wins over what is stored.
    static bool fromEnvironment(EngineKind kind);
    // Keeps the key; a message when it could not go into the keyring: the first time no keyring
    // runs (the key then lasts for this run only), and every time the keyring refused it.
    std::optional<UserMessage> setKey(EngineKind kind, const QString& key);

private:
    std::unique_ptr<KeyStore> m_store;
    QHash<EngineKind, QString> m_session; // when no keyring runs
    bool m_noKeyring = false;
    bool m_noKeyringTold = false;
};

// The keys of this run; the desktop's keyring unless a test set another store.
EngineKeys& engineKeys();
void setEngineKeyStore(std::unique_ptr<KeyStore> store);
// The user's settings of the chosen engine with its key.
EngineSettings chosenEngineWithKey();
