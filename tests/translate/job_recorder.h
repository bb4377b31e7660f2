// Helpers of the translation tests: what a job handed to the UI thread, and a transport that the
// test scripts by hand.
#pragma once

#include "translate/translate_job.h"

#include <QMap>
#include <QTest>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

struct JobRecorder {
    int started = 0;
    QList<QList<int>> batchRows;
    QMap<int, QString> pieceOfRow;
    std::vector<JobEnd> ends;
    QList<int> retryWaits;

    explicit JobRecorder(TranslateJob& job) {
        QObject::connect(&job, &TranslateJob::started, &job, [this] { ++started; });
        QObject::connect(&job, &TranslateJob::batchTranslated, &job,
                         [this](const QList<int>& rows, const QStringList& pieces) {
                             batchRows.append(rows);
                             for (qsizetype k = 0; k < rows.size(); ++k)
                                 pieceOfRow[rows[k]] = pieces.value(k);
                         });
        QObject::connect(&job, &TranslateJob::retrying, &job,
                         [this](int, int waitMs) { retryWaits.append(waitMs); });
        QObject::connect(&job, &TranslateJob::finished, &job,
                         [this](const JobEnd& end) { ends.push_back(end); });
    }

    bool waitForEnd(int timeoutMs = 10000) {
        return QTest::qWaitFor([this] { return !ends.empty(); }, timeoutMs);
    }
};

// Answers each send from a queue; a send with an empty queue blocks until the test gives an answer
// or, unless told to ignore it, the stop token asks it to return.
class ScriptedTransport final : public TranslateTransport {
public:
    struct Script {
        std::mutex mutex;
        std::condition_variable_any changed;
        std::deque<TransportResult> answers;
        std::vector<QByteArray> bodies;
        bool ignoreStop = false;
        bool released = false;
        std::vector<ProxyCredentials> credentials;

        void give(TransportResult result) {
            {
                std::lock_guard lock(mutex);
                answers.push_back(std::move(result));
            }
            changed.notify_all();
        }
        void release() {
            {
                std::lock_guard lock(mutex);
                released = true;
            }
            changed.notify_all();
        }
        int sends() {
            std::lock_guard lock(mutex);
            return int(bodies.size());
        }
    };

    explicit ScriptedTransport(std::shared_ptr<Script> script) : m_script(std::move(script)) {}

    TransportResult send(const QByteArray& body, std::stop_token stop) override {
        std::unique_lock lock(m_script->mutex);
        m_script->bodies.push_back(body);
        m_script->changed.notify_all();
        auto ready = [this] { return !m_script->answers.empty() || m_script->released; };
        if (m_script->ignoreStop)
            m_script->changed.wait(lock, ready);
        else
            m_script->changed.wait(lock, stop, ready);
        if (m_script->answers.empty())
            return TransportFailure{QStringLiteral("stopped"), false, true};
        TransportResult result = std::move(m_script->answers.front());
        m_script->answers.pop_front();
        return result;
    }
    void setProxyCredentials(const ProxyCredentials& c) override {
        std::lock_guard lock(m_script->mutex);
        m_script->credentials.push_back(c);
    }
    QString proxyName() const override { return QStringLiteral("proxy.test:3128"); }

private:
    std::shared_ptr<Script> m_script;
};

// The scripted transport, saying where it sends and whether its proxy wants the password in clear.
class LocatedTransport final : public TranslateTransport {
public:
    LocatedTransport(std::shared_ptr<ScriptedTransport::Script> script, QUrl url,
                     bool passwordInClear = false)
        : m_inner(std::move(script)), m_url(std::move(url)), m_inClear(passwordInClear) {}
    TransportResult send(const QByteArray& body, std::stop_token stop) override {
        return m_inner.send(body, stop);
    }
    void setProxyCredentials(const ProxyCredentials& c) override { m_inner.setProxyCredentials(c); }
    QString proxyName() const override { return m_inner.proxyName(); }
    bool proxyPasswordInClear() const override { return m_inClear; }
    QUrl serviceUrl() const override { return m_url; }

private:
    ScriptedTransport m_inner;
    QUrl m_url;
    bool m_inClear;
};

inline TransportFactory scriptedFactory(std::shared_ptr<ScriptedTransport::Script> script) {
    return [script] { return std::make_unique<ScriptedTransport>(script); };
}

inline TransportReply okReply(const QByteArray& body) {
    return TransportReply{200, body, false};
}
