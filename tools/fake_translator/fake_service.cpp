// The fake translation service on cpp-httplib.
#include "tools/fake_translator/fake_service.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <algorithm>
#include <condition_variable>
#include <httplib.h>
#include <thread>

namespace {
QByteArray percentDecode(const QByteArray& text) {
    return QByteArray::fromPercentEncoding(text);
}
} // namespace

std::string RecordedRequest::header(const std::string& lowerName) const {
    auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
}

QByteArray RecordedRequest::field(const QByteArray& name) const {
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq > 0 && pair.first(eq) == name)
            return percentDecode(pair.mid(eq + 1));
    }
    return {};
}

QStringList RecordedRequest::lines() const {
    return QString::fromUtf8(field("q")).split(u'\r');
}

QByteArray serviceAnswer(const QStringList& translated, const QStringList& sources) {
    QJsonArray segments;
    for (qsizetype i = 0; i < translated.size(); ++i) {
        const QString end = i + 1 < translated.size() ? QStringLiteral("\r") : QString();
        segments.append(
            QJsonArray{translated[i] + end, sources.value(i) + end, QJsonValue(), QJsonValue(), 10});
    }
    QJsonArray answer{segments, QJsonValue(), QStringLiteral("en")};
    QByteArray json = QJsonDocument(answer).toJson(QJsonDocument::Compact);
    // The service writes angle brackets as \u escapes; they occur inside strings only.
    json.replace("<", "\\u003c").replace(">", "\\u003e");
    return json;
}

FakeHandler serviceLikeHandler(std::function<QString(const QString&, const QString&)> translate) {
    return [translate](const RecordedRequest& request, int) {
        const QString target = QString::fromUtf8(request.field("tl"));
        const QStringList sources = request.lines();
        QStringList translated;
        for (const QString& line : sources)
            translated.append(translate(line, target));
        FakeReply reply;
        reply.body = serviceAnswer(translated, sources);
        return reply;
    };
}

QString markedTranslation(const QString& line, const QString& target) {
    return QStringLiteral("[%1] %2").arg(target, line);
}

struct FakeTranslator::Server {
    httplib::Server http;
    std::thread thread;
    mutable std::mutex mutex;
    std::condition_variable released;
    bool stopping = false;
    FakeHandler handler;
    std::vector<RecordedRequest> requests;

    void answer(const httplib::Request& req, httplib::Response& res) {
        RecordedRequest recorded;
        recorded.method = req.method;
        recorded.target = req.target;
        for (const auto& [name, value] : req.headers) {
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return char(std::tolower(c)); });
            recorded.headers.emplace(lower, value);
        }
        recorded.body = QByteArray::fromStdString(req.body);
        FakeHandler h;
        int index = 0;
        {
            std::lock_guard lock(mutex);
            index = int(requests.size());
            requests.push_back(recorded);
            h = handler;
        }
        FakeReply reply;
        if (h)
            reply = h(recorded, index);
        else
            reply.status = 404;
        if (reply.delay.count() > 0) {
            std::unique_lock lock(mutex);
            released.wait_for(lock, reply.delay, [this] { return stopping; });
        }
        res.status = reply.status;
        for (const auto& [name, value] : reply.headers)
            res.set_header(name, value);
        if (reply.cutAfter < 0) {
            res.set_content(reply.body.toStdString(), reply.contentType);
            return;
        }
        const std::string part = reply.body.left(reply.cutAfter).toStdString();
        res.set_content_provider(size_t(reply.body.size()), reply.contentType,
                                 [part](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset < part.size())
                                         sink.write(part.data() + offset, part.size() - offset);
                                     return offset < part.size();
                                 });
    }
};

FakeTranslator::FakeTranslator(FakeHandler handler) : m_server(std::make_unique<Server>()) {
    Server* s = m_server.get();
    s->handler = std::move(handler);
    // Headers and body go out in two writes; without this each answer waits for a delayed ACK.
    s->http.set_tcp_nodelay(true);
    // Every path: a request that comes to us as a proxy names the whole address.
    s->http.Post(".*", [s](const httplib::Request& req, httplib::Response& res) { s->answer(req, res); });
    s->http.Get(".*", [s](const httplib::Request& req, httplib::Response& res) { s->answer(req, res); });
    m_port = s->http.bind_to_any_port("127.0.0.1");
    if (m_port <= 0) {
        m_port = 0;
        return;
    }
    s->thread = std::thread([s] { s->http.listen_after_bind(); });
    // A stop before the accept loop runs would be lost, and the loop would never end.
    for (int waited = 0; !s->http.is_running() && waited < 5000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeTranslator::~FakeTranslator() {
    stop();
}

void FakeTranslator::stop() {
    {
        std::lock_guard lock(m_server->mutex);
        m_server->stopping = true;
    }
    m_server->released.notify_all();
    m_server->http.stop();
    if (m_server->thread.joinable())
        m_server->thread.join();
}

QString FakeTranslator::url() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void FakeTranslator::setHandler(FakeHandler handler) {
    std::lock_guard lock(m_server->mutex);
    m_server->handler = std::move(handler);
}

std::vector<RecordedRequest> FakeTranslator::requests() const {
    std::lock_guard lock(m_server->mutex);
    return m_server->requests;
}

int FakeTranslator::requestCount() const {
    std::lock_guard lock(m_server->mutex);
    return int(m_server->requests.size());
}
