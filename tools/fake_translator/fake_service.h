// A stand-in for the translation service on 127.0.0.1: it records every request and answers as
// its handler says. Tests, benchmarks and the fake-translator program share it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct RecordedRequest {
    std::string method;
    std::string target; // as sent: a path, or a whole address when the request came to a proxy
    std::multimap<std::string, std::string> headers; // names in lower case
    QByteArray body;

    std::string header(const std::string& lowerName) const;
    // A field of the form body, percent-decoded.
    QByteArray field(const QByteArray& name) const;
    // The batch text of the request ("q"), split into its lines.
    QStringList lines() const;
};

struct FakeReply {
    int status = 200;
    QByteArray body;
    std::string contentType = "application/json; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> headers;
    // The answer waits this long, or until the server is stopped.
    std::chrono::milliseconds delay{0};
    // When set, only this many bytes of the body go out before the connection closes, as a
    // server that stops mid-answer does.
    qsizetype cutAfter = -1;
};

// `index` counts the requests from 0.
using FakeHandler = std::function<FakeReply(const RecordedRequest& request, int index)>;

// The answer the service gives: one segment per line, each ending in a carriage return but the last.
QByteArray serviceAnswer(const QStringList& translated, const QStringList& sources);
// Answers like the service, translating each line of the batch with `translate(line, target code)`.
FakeHandler serviceLikeHandler(std::function<QString(const QString& line, const QString& target)> translate);
// "[<target>] <line>": what the fake-translator program answers.
QString markedTranslation(const QString& line, const QString& target);

class FakeTranslator {
public:
    explicit FakeTranslator(FakeHandler handler);
    ~FakeTranslator();
    FakeTranslator(const FakeTranslator&) = delete;
    FakeTranslator& operator=(const FakeTranslator&) = delete;

    bool listening() const { return m_port > 0; }
    int port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    QString url() const;

    void setHandler(FakeHandler handler);
    std::vector<RecordedRequest> requests() const;
    int requestCount() const;
    // Ends every delayed answer and the server.
    void stop();

private:
    struct Server;
    std::unique_ptr<Server> m_server;
    int m_port = 0;
};
