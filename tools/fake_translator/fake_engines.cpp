// The engines' stand-ins.
#include "tools/fake_translator/fake_engines.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
FakeReply json(const QJsonValue& value, int status = 200) {
    FakeReply reply;
    reply.status = status;
    reply.body = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                 : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return reply;
}

QString field(const RecordedRequest& request, const QByteArray& name) {
    for (const auto& [key, value] : formFields(request.body))
        if (key == name)
            return value;
    return {};
}

bool isGet(const RecordedRequest& request) {
    return request.method == "GET";
}
} // namespace

QList<std::pair<QByteArray, QString>> formFields(const QByteArray& body) {
    QList<std::pair<QByteArray, QString>> fields;
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq > 0)
            fields.append(
                {pair.first(eq), QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(eq + 1)))});
    }
    return fields;
}

FakeHandler apertiumLikeHandler(LineTranslator translate) {
    return [translate](const RecordedRequest& request, int) {
        if (isGet(request))
            return json(QJsonObject{
                {QStringLiteral("responseData"),
                 QJsonArray{QJsonObject{{QStringLiteral("sourceLanguage"), QStringLiteral("eng")},
                                        {QStringLiteral("targetLanguage"), QStringLiteral("spa")}},
                            QJsonObject{{QStringLiteral("sourceLanguage"), QStringLiteral("spa")},
                                        {QStringLiteral("targetLanguage"), QStringLiteral("eng")}}}},
                {QStringLiteral("responseStatus"), 200}});
        const QString target = field(request, "langpair").section(u'|', 1);
        QStringList out;
        for (const QString& line : field(request, "q").split(u'\n'))
            out.append(translate(line, target));
        return json(QJsonObject{{QStringLiteral("responseData"),
                                 QJsonObject{{QStringLiteral("translatedText"), out.join(u'\n')}}},
                                {QStringLiteral("responseDetails"), QJsonValue()},
                                {QStringLiteral("responseStatus"), 200}});
    };
}

FakeHandler libreTranslateLikeHandler(LineTranslator translate) {
    return [translate](const RecordedRequest& request, int) {
        if (isGet(request))
            return json(
                QJsonArray{QJsonObject{{QStringLiteral("code"), QStringLiteral("en")},
                                       {QStringLiteral("name"), QStringLiteral("English")},
                                       {QStringLiteral("targets"), QJsonArray{QStringLiteral("fr")}}}});
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        const QString target = body.value(QStringLiteral("target")).toString();
        QJsonArray out;
        for (const QJsonValue& line : body.value(QStringLiteral("q")).toArray())
            out.append(translate(line.toString(), target));
        return json(QJsonObject{{QStringLiteral("translatedText"), out}});
    };
}

FakeHandler openAiLikeHandler(LineTranslator translate) {
    return [translate](const RecordedRequest& request, int) {
        if (isGet(request))
            return json(
                QJsonObject{{QStringLiteral("data"),
                             QJsonArray{QJsonObject{{QStringLiteral("id"), QStringLiteral("llama3")}}}}});
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        const QJsonArray messages = body.value(QStringLiteral("messages")).toArray();
        const QString system = messages.at(0)[QStringLiteral("content")].toString();
        // "... from English to French. ..." names the target.
        const QString target = system.section(QStringLiteral(" to "), 1).section(u'.', 0, 0);
        const QJsonObject user =
            QJsonDocument::fromJson(messages.at(1)[QStringLiteral("content")].toString().toUtf8()).object();
        QJsonArray out;
        for (const QJsonValue& line : user.value(QStringLiteral("lines")).toArray())
            out.append(QJsonObject{
                {QStringLiteral("n"), line[QStringLiteral("n")]},
                {QStringLiteral("text"), translate(line[QStringLiteral("text")].toString(), target)}});
        const QString content = QStringLiteral("Here are the lines:\n```json\n") +
                                QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact)) +
                                QStringLiteral("\n```");
        return json(QJsonObject{
            {QStringLiteral("choices"),
             QJsonArray{QJsonObject{{QStringLiteral("message"),
                                     QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                                 {QStringLiteral("content"), content}}},
                                    {QStringLiteral("finish_reason"), QStringLiteral("stop")}}}}});
    };
}

FakeHandler deepLLikeHandler(LineTranslator translate) {
    return [translate](const RecordedRequest& request, int) {
        if (isGet(request))
            return json(QJsonArray{QJsonObject{{QStringLiteral("language"), QStringLiteral("FR")},
                                               {QStringLiteral("name"), QStringLiteral("French")}}});
        const QString target = field(request, "target_lang");
        QJsonArray out;
        for (const auto& [name, value] : formFields(request.body))
            if (name == "text")
                out.append(QJsonObject{{QStringLiteral("detected_source_language"), QStringLiteral("EN")},
                                       {QStringLiteral("text"), translate(value, target)}});
        return json(QJsonObject{{QStringLiteral("translations"), out}});
    };
}
