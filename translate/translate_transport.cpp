// The libcurl transport: one easy handle in a multi handle, so that a stop ends a transfer at once.
#include "translate/translate_transport.h"

#include "translate/answer_reader.h"
#include "translate/curl_library.h"
#include "translate/translate_messages.h"
#include "translate/translate_request.h"

#include <QDateTime>
#include <stop_token>

#include <arpa/inet.h>

namespace {
constexpr char kUserAgent[] = "velmora";
constexpr char kLoopback[] = "127.0.0.1,localhost,::1";
constexpr long kProxyAuthenticationRequired = 407;

// The curl calls to wait in; a stop wakes the poll at once.
constexpr int kPollMs = 1000;

QByteArray environment(const char* lower, const char* upper) {
    QByteArray value = qgetenv(lower);
    if (value.isEmpty() && upper)
        value = qgetenv(upper);
    return value;
}

// CURLOPT_NOPROXY replaces no_proxy from the environment, so the user's list is kept in ours.
QByteArray noProxyList() {
    QByteArray list = kLoopback;
    const QByteArray user = environment("no_proxy", "NO_PROXY").trimmed();
    if (!user.isEmpty())
        list += ',' + user;
    return list;
}

// Loopback hosts and the user's no_proxy entries ("*", a host, ".domain" or "domain" for the
// domain and every host under it), as curl reads them.
bool bypassesProxy(const QString& host) {
    if (isLoopbackHost(host))
        return true;
    const QString lower = host.toLower();
    for (QByteArray entry : environment("no_proxy", "NO_PROXY").split(',')) {
        entry = entry.trimmed().toLower();
        if (entry == "*")
            return true;
        while (entry.startsWith('.'))
            entry.remove(0, 1);
        if (entry.isEmpty())
            continue;
        const QString domain = QString::fromUtf8(entry);
        if (lower == domain || lower.endsWith(u'.' + domain))
            return true;
    }
    return false;
}

// The proxy curl would take from the environment for `url`, decided here so that we know for sure
// whether a 407 comes from a proxy.
QByteArray proxyFor(const QUrl& url) {
    if (bypassesProxy(url.host()))
        return {};
    // curl reads only the lower-case http_proxy: the upper-case one can be set by a web server's CGI.
    QByteArray proxy = url.scheme() == u"https" ? environment("https_proxy", "HTTPS_PROXY")
                                                : environment("http_proxy", nullptr);
    if (proxy.isEmpty())
        proxy = environment("all_proxy", "ALL_PROXY");
    return proxy.trimmed();
}

// A refused certificate will be refused again: no retry, and a message of its own.
bool isCertificateRefusal(CURLcode code) {
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return true;
    default:
        return false;
    }
}

// Seconds, or an HTTP date; bounded, so that a server cannot park the job for a day.
std::optional<std::chrono::seconds> parseRetryAfter(const QByteArray& value) {
    constexpr qint64 kLongest = 600;
    bool ok = false;
    qint64 seconds = value.trimmed().toLongLong(&ok);
    if (!ok) {
        const QDateTime when = QDateTime::fromString(QString::fromLatin1(value.trimmed()), Qt::RFC2822Date);
        if (!when.isValid())
            return std::nullopt;
        seconds = QDateTime::currentDateTimeUtc().secsTo(when);
    }
    return std::chrono::seconds(std::clamp<qint64>(seconds, 0, kLongest));
}

bool isLasting(CURLcode code) {
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_NOT_BUILT_IN:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_BAD_FUNCTION_ARGUMENT:
        return true;
    default:
        return false;
    }
}
} // namespace

struct CurlTransport::State {
    TransportConfig config;
    std::shared_ptr<const CurlApi> api;
    QString missing; // why libcurl could not be had, when it could not
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    QByteArray url;
    QByteArray noProxy;
    QByteArray proxy;
    QString proxyOfUrl; // the scheme and host `proxy` was decided for
    QByteArray proxyUser;
    QByteArray proxyPassword;
    QByteArray answer;
    bool tooLarge = false;
    // Of the last response only: a new status line starts them afresh.
    QList<QByteArray> proxyAuthenticate;
    std::optional<std::chrono::seconds> retryAfter;

    static size_t header(char* data, size_t size, size_t count, void* user) {
        auto* s = static_cast<State*>(user);
        const size_t n = size * count;
        const QByteArray line = QByteArray(data, qsizetype(n)).trimmed();
        if (line.startsWith("HTTP/")) {
            s->proxyAuthenticate.clear();
            s->retryAfter.reset();
        }
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            const QByteArray name = line.first(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "proxy-authenticate")
                s->proxyAuthenticate.append(value);
            else if (name == "retry-after")
                s->retryAfter = parseRetryAfter(value);
        }
        return n;
    }

    static size_t write(char* data, size_t size, size_t count, void* user) {
        auto* s = static_cast<State*>(user);
        const size_t n = size * count;
        if (s->answer.size() + qsizetype(n) >= kMaxAnswerBytes) {
            s->tooLarge = true;
            s->answer.clear();
            return CURL_WRITEFUNC_ERROR;
        }
        s->answer.append(data, qsizetype(n));
        return n;
    }
};

CurlTransport::CurlTransport(TransportConfig config) : CurlTransport(std::move(config), curlLibrary()) {}

CurlTransport::CurlTransport(TransportConfig config, CurlLibrary library) : d(std::make_unique<State>()) {
    d->config = std::move(config);
    if (auto* missing = std::get_if<QString>(&library)) {
        d->missing = std::move(*missing);
        return;
    }
    d->api = std::get<std::shared_ptr<const CurlApi>>(std::move(library));
    d->easy = d->api->easy_init();
    d->multi = d->api->multi_init();
    if (!isValid())
        return;

    d->noProxy = noProxyList();
    d->proxy = proxyFor(d->config.serviceUrl);
    d->proxyOfUrl = d->config.serviceUrl.scheme() + u' ' + d->config.serviceUrl.host();

    const CurlApi& api = *d->api;
    CURL* e = d->easy;
    api.easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    api.easy_setopt(e, CURLOPT_DEFAULT_PROTOCOL, "https");
    api.easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    api.easy_setopt(e, CURLOPT_USERAGENT, kUserAgent);
    api.easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(d->config.connectTimeout.count()));
    api.easy_setopt(e, CURLOPT_TIMEOUT_MS, long(d->config.transferTimeout.count()));
    // An empty proxy turns the environment's off: the choice made here is the one that counts.
    api.easy_setopt(e, CURLOPT_PROXY, d->proxy.constData());
    api.easy_setopt(e, CURLOPT_NOPROXY, d->noProxy.constData());
    api.easy_setopt(e, CURLOPT_PROXYAUTH, long(CURLAUTH_ANYSAFE));
    api.easy_setopt(e, CURLOPT_WRITEFUNCTION, &State::write);
    api.easy_setopt(e, CURLOPT_WRITEDATA, d.get());
    api.easy_setopt(e, CURLOPT_HEADERFUNCTION, &State::header);
    api.easy_setopt(e, CURLOPT_HEADERDATA, d.get());
}

CurlTransport::~CurlTransport() {
    if (!d->api)
        return;
    if (d->multi)
        d->api->multi_cleanup(d->multi);
    if (d->easy)
        d->api->easy_cleanup(d->easy);
    d->api->slist_free_all(d->headers);
}

bool CurlTransport::isValid() const {
    return d->easy && d->multi;
}

TransportResult TranslateTransport::send(const ServiceRequest& request, std::stop_token stop) {
    return send(request.body, stop);
}

TransportResult TranslateTransport::send(const QByteArray&, std::stop_token) {
    return TransportFailure{QStringLiteral("this transport sends whole requests only"), true, false};
}

TransportResult CurlTransport::send(const ServiceRequest& request, std::stop_token stop) {
    if (!d->missing.isEmpty())
        return TransportFailure{d->missing, true, false, curlMissingMessage(d->missing)};
    if (!isValid())
        return TransportFailure{QStringLiteral("no libcurl handle"), true, false};
    d->answer.clear();
    d->tooLarge = false;
    d->proxyAuthenticate.clear();
    d->retryAfter.reset();

    const CurlApi& api = *d->api;
    CURL* e = d->easy;
    d->url = request.url.toEncoded();
    api.easy_setopt(e, CURLOPT_URL, d->url.constData());
    // Each engine may name another host; the proxy is decided for the one this request goes to.
    const QString proxyOfUrl = request.url.scheme() + u' ' + request.url.host();
    if (proxyOfUrl != d->proxyOfUrl) {
        d->proxy = proxyFor(request.url);
        d->proxyOfUrl = proxyOfUrl;
        api.easy_setopt(e, CURLOPT_PROXY, d->proxy.constData());
    }
    api.slist_free_all(d->headers);
    // An "Expect" costs a round trip on longer bodies, and no service needs it.
    d->headers = api.slist_append(nullptr, "Expect:");
    for (const auto& [name, value] : request.headers)
        d->headers =
            api.slist_append(d->headers, (name + (value.isEmpty() ? ":" : ": " + value)).constData());
    api.easy_setopt(e, CURLOPT_HTTPHEADER, d->headers);
    if (request.method == "GET") {
        api.easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        api.easy_setopt(e, CURLOPT_POST, 1L);
        api.easy_setopt(e, CURLOPT_POSTFIELDS, request.body.constData());
        api.easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
    }

    if (api.multi_add_handle(d->multi, d->easy) != CURLM_OK)
        return TransportFailure{QStringLiteral("curl_multi_add_handle failed"), true, false};
    CURLcode result = CURLE_OK;
    bool done = false;
    {
        CURLM* multi = d->multi;
        std::stop_callback wake(stop, [&api, multi] { api.multi_wakeup(multi); });
        int running = 1;
        while (!stop.stop_requested()) {
            if (api.multi_perform(d->multi, &running) != CURLM_OK)
                break;
            if (running == 0)
                break;
            api.multi_poll(d->multi, nullptr, 0, kPollMs, nullptr);
        }
        int queued = 0;
        while (CURLMsg* msg = api.multi_info_read(d->multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == d->easy) {
                result = msg->data.result;
                done = true;
            }
        }
    }
    api.multi_remove_handle(d->multi, d->easy);

    if (!done) {
        if (stop.stop_requested())
            return TransportFailure{QStringLiteral("stopped"), false, true};
        return TransportFailure{QStringLiteral("curl_multi_perform failed"), false, false};
    }
    long status = 0;
    api.easy_getinfo(d->easy, CURLINFO_RESPONSE_CODE, &status);
    if (d->tooLarge)
        return TransportReply{status, {}, true, d->retryAfter};
    if (result != CURLE_OK) {
        // A proxy refusing the tunnel of an HTTPS request ends the transfer; it still asks for
        // credentials like a 407 answer to a plain request.
        long connectCode = 0;
        api.easy_getinfo(d->easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
        if (connectCode == kProxyAuthenticationRequired)
            return TransportReply{connectCode, {}, false, std::nullopt};
        const QString reason = QString::fromUtf8(api.easy_strerror(result));
        if (isCertificateRefusal(result)) {
            const QString host = request.url.host();
            return TransportFailure{reason, true, false, certificateRefusedMessage(host, reason)};
        }
        return TransportFailure{reason, isLasting(result), false, std::nullopt};
    }
    return TransportReply{status, std::move(d->answer), false, d->retryAfter};
}

void CurlTransport::setProxyCredentials(const ProxyCredentials& credentials) {
    d->proxyUser = credentials.user.toUtf8();
    d->proxyPassword = credentials.password.toUtf8();
    if (!isValid())
        return;
    const CurlApi& api = *d->api;
    api.easy_setopt(d->easy, CURLOPT_PROXYUSERNAME, d->proxyUser.constData());
    api.easy_setopt(d->easy, CURLOPT_PROXYPASSWORD, d->proxyPassword.constData());
    api.easy_setopt(d->easy, CURLOPT_PROXYAUTH,
                    long(credentials.clearTextAllowed ? CURLAUTH_ANY : CURLAUTH_ANYSAFE));
}

QString CurlTransport::proxyName() const {
    if (d->proxy.isEmpty())
        return {};
    QString text = QString::fromLocal8Bit(d->proxy);
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("http://"));
    const QUrl url(text);
    return url.host().isEmpty() ? QString() : url.host() + u':' + QString::number(url.port(1080));
}

bool CurlTransport::proxyPasswordInClear() const {
    // Through an https proxy every scheme travels inside TLS.
    if (d->proxy.trimmed().toLower().startsWith("https://"))
        return false;
    for (const QByteArray& offer : d->proxyAuthenticate) {
        const QByteArray scheme = offer.trimmed().split(' ').value(0).toLower();
        if (scheme == "digest" || scheme == "ntlm" || scheme == "negotiate")
            return false;
    }
    return true;
}

QUrl CurlTransport::serviceUrl() const {
    return d->config.serviceUrl;
}

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive))
        return true;
    QByteArray text = host.toLatin1();
    if (text.startsWith('[') && text.endsWith(']'))
        text = text.mid(1, text.size() - 2);
    in_addr v4{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.constData(), &v6) == 1) {
        if (IN6_IS_ADDR_LOOPBACK(&v6))
            return true;
        return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
    }
    return false;
}

QUrl serviceUrlFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    return QUrl(trimmed.contains(QStringLiteral("://")) ? trimmed : QStringLiteral("https://") + trimmed);
}

TransportConfig TransportConfig::fromEnvironment() {
    TransportConfig config;
    const QByteArray url = qgetenv(kServiceUrlVariable).trimmed();
    if (!url.isEmpty())
        config.serviceUrl = serviceUrlFromText(QString::fromUtf8(url));
    return config;
}

std::unique_ptr<TranslateTransport> makeCurlTransport(const TransportConfig& config) {
    return std::make_unique<CurlTransport>(config);
}
