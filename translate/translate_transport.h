// Sending one batch to the translation service: the interface the job uses and the libcurl one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <stop_token>
#include <variant>

inline constexpr char kDefaultServiceUrl[] = "https://translate.googleapis.com";
// Points the job at another service (a local fake during development and tests).
inline constexpr char kServiceUrlVariable[] = "VELMORA_TRANSLATE_URL";

struct TransportReply {
    long status = 0;
    QByteArray body;
    // The answer reached the size no translation answer has; reading stopped there and `body` is empty.
    bool tooLarge = false;
};

struct TransportFailure {
    QString reason;       // for the log
    bool lasting = false; // trying again cannot help (a malformed address, no libcurl handle)
    bool stopped = false; // the stop token ended the exchange
};

using TransportResult = std::variant<TransportReply, TransportFailure>;

struct ProxyCredentials {
    QString user;
    QString password;
    friend bool operator==(const ProxyCredentials&, const ProxyCredentials&) = default;
};

class TranslateTransport {
public:
    virtual ~TranslateTransport() = default;
    // Posts `body` and returns the status and answer, or why there is none. Returns soon after
    // `stop` is requested.
    virtual TransportResult send(const QByteArray& body, std::stop_token stop) = 0;
    // Used from the next send on, after the proxy answered 407.
    virtual void setProxyCredentials(const ProxyCredentials& credentials) = 0;
    // The proxy that asked for credentials, for the dialog; empty when none is known.
    virtual QString proxyName() const = 0;
};

struct TransportConfig {
    QUrl serviceUrl{QString::fromLatin1(kDefaultServiceUrl)};
    // The service gives no time limits of its own; without these a dead connection hangs the job.
    std::chrono::milliseconds connectTimeout{15000};
    std::chrono::milliseconds transferTimeout{60000};

    // The default with the service address taken from VELMORA_TRANSLATE_URL when it is set.
    static TransportConfig fromEnvironment();
};

// HTTPS through libcurl. Proxies come from the environment (http_proxy, https_proxy, all_proxy,
// no_proxy) as with other desktop programs; loopback addresses never go through one.
class CurlTransport final : public TranslateTransport {
public:
    explicit CurlTransport(TransportConfig config);
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    // False when libcurl could not give a handle; every send then fails lastingly.
    bool isValid() const;
    TransportResult send(const QByteArray& body, std::stop_token stop) override;
    void setProxyCredentials(const ProxyCredentials& credentials) override;
    QString proxyName() const override;

private:
    struct State;
    std::unique_ptr<State> d;
};

std::unique_ptr<TranslateTransport> makeCurlTransport(const TransportConfig& config);
