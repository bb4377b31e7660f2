// Sending one batch to the translation service: the interface the job uses and the libcurl one.
#pragma once

#include "support/user_message.h"
#include "translate/curl_library.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <utility>
#include <variant>

inline constexpr char kDefaultServiceUrl[] = "https://translate.googleapis.com";
// Points the job at another service (a local fake during development and tests).
inline constexpr char kServiceUrlVariable[] = "VELMORA_TRANSLATE_URL";

// One HTTP exchange as an engine wants it; the transport adds nothing but its own plumbing.
struct ServiceRequest {
    QByteArray method = "POST";
    QUrl url;
    QList<std::pair<QByteArray, QByteArray>> headers; // an empty value removes a default header
    QByteArray body;
};

struct TransportReply {
    // A constructor rather than an aggregate, so that the fields added later need not be spelt out.
    TransportReply(long status = 0, QByteArray body = {}, bool tooLarge = false,
                   std::optional<std::chrono::seconds> retryAfter = std::nullopt)
        : status(status), body(std::move(body)), tooLarge(tooLarge), retryAfter(retryAfter) {}

    long status = 0;
    QByteArray body;
    // The answer reached the size no translation answer has; reading stopped there and `body` is empty.
    bool tooLarge = false;
    // How long the service asked us to wait before the next request, when it said so.
    std::optional<std::chrono::seconds> retryAfter;
};

struct TransportFailure {
    TransportFailure(QString reason = {}, bool lasting = false, bool stopped = false,
                     std::optional<UserMessage> message = std::nullopt)
        : reason(std::move(reason)), lasting(lasting), stopped(stopped), message(std::move(message)) {}

    QString reason;       // for the log
    bool lasting = false; // trying again cannot help (a malformed address, no libcurl handle)
    bool stopped = false; // the stop token ended the exchange
    // What to tell the user when the failure is lasting and the usual message would mislead.
    std::optional<UserMessage> message;
};

using TransportResult = std::variant<TransportReply, TransportFailure>;

struct ProxyCredentials {
    ProxyCredentials(QString user = {}, QString password = {}, bool clearTextAllowed = false)
        : user(std::move(user)), password(std::move(password)), clearTextAllowed(clearTextAllowed) {}

    QString user;
    QString password;
    // The user was told that the password crosses the network readable, and sent it anyway.
    bool clearTextAllowed = false;
    friend bool operator==(const ProxyCredentials&, const ProxyCredentials&) = default;
};

// What the credentials dialog tells the user.
struct ProxyQuestion {
    QString proxyName;
    // The proxy takes only Basic over plain http: whoever sees the traffic can read the password.
    bool passwordInClear = false;
};

class TranslateTransport {
public:
    virtual ~TranslateTransport() = default;
    // Sends the request and returns the status and answer, or why there is none. Returns soon
    // after `stop` is requested. By default only the body goes on, to send() below.
    virtual TransportResult send(const ServiceRequest& request, std::stop_token stop);
    // For stand-ins that see only what is posted; a real transport needs the whole request.
    virtual TransportResult send(const QByteArray& body, std::stop_token stop);
    // Used from the next send on, after the proxy answered 407.
    virtual void setProxyCredentials(const ProxyCredentials& credentials) = 0;
    // The proxy the requests go through; empty when they go straight to the service, and a 407
    // then is the service's own answer, not a proxy's question.
    virtual QString proxyName() const = 0;
    // After a 407: whether the only way the proxy offers would send the password readable.
    virtual bool proxyPasswordInClear() const { return false; }
    // The default engine's address; empty when the transport cannot say (a test's stand-in).
    virtual QUrl serviceUrl() const { return {}; }
};

// localhost and the loopback addresses: text sent there never leaves this computer.
bool isLoopbackHost(const QString& host);
// The address a user typed: a bare host or host:port means https, never plain http.
QUrl serviceUrlFromText(const QString& text);

struct TransportConfig {
    // The address of the default engine, when the job is given no other.
    QUrl serviceUrl{QString::fromLatin1(kDefaultServiceUrl)};
    // The service gives no time limits of its own; without these a dead connection hangs the job.
    std::chrono::milliseconds connectTimeout{15000};
    std::chrono::milliseconds transferTimeout{60000};

    // The default with the service address taken from VELMORA_TRANSLATE_URL when it is set.
    static TransportConfig fromEnvironment();
};

// HTTPS through libcurl. Proxies come from the environment (http_proxy, https_proxy, all_proxy,
// no_proxy) as with other desktop programs; loopback addresses never go through one. A proxy gets
// a password only through a scheme that hides it, unless the user allowed otherwise.
class CurlTransport final : public TranslateTransport {
public:
    // Through the process's libcurl, opened on the first transport made.
    explicit CurlTransport(TransportConfig config);
    // Through `library`; when it could not be opened, every send fails lastingly and says why.
    CurlTransport(TransportConfig config, CurlLibrary library);
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    // False when libcurl is missing or could not give a handle; every send then fails lastingly.
    bool isValid() const;
    using TranslateTransport::send;
    TransportResult send(const ServiceRequest& request, std::stop_token stop) override;
    void setProxyCredentials(const ProxyCredentials& credentials) override;
    QString proxyName() const override;
    bool proxyPasswordInClear() const override;
    QUrl serviceUrl() const override;

private:
    struct State;
    std::unique_ptr<State> d;
};

std::unique_ptr<TranslateTransport> makeCurlTransport(const TransportConfig& config);
