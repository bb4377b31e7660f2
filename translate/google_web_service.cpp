// The web endpoint's request and answer.
#include "translate/google_web_service.h"

#include "translate/language_table.h"
#include "translate/translate_request.h"

GoogleWebService::GoogleWebService(QUrl baseUrl)
    : m_baseUrl(baseUrl.isEmpty() ? QUrl(QString::fromLatin1(kDefaultServiceUrl)) : std::move(baseUrl)) {}

BatchLimit GoogleWebService::batchLimit() const {
    return {kMaxBatchLines, kMaxAnswerBytes};
}

ServiceLanguages GoogleWebService::fixedLanguages() const {
    ServiceLanguages languages;
    for (const LanguageEntry& row : languageTable()) {
        const ServiceLanguage language{QString::fromLatin1(row.serviceCode),
                                       QString::fromUtf16(row.displayName)};
        languages.sources.append(language);
        if (language.code != u"auto")
            languages.targets.append(language);
    }
    return languages;
}

ServiceRequest GoogleWebService::buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const {
    ServiceRequest request;
    request.url = service::join(m_baseUrl, QString::fromLatin1(kTranslatePath));
    request.headers = {
        {"Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"},
        {"X-HTTP-Method-Override", "GET"},
        {"Referer", "https://" + m_baseUrl.host().toUtf8()},
        {"User-Agent", "Microsoft Internet Explorer"},
        // The service reads the body without a declared type; curl would add one.
        {"Content-Type", {}},
    };
    const QByteArray langPair = pair.source.toLatin1() + "&tl=" + pair.target.toLatin1();
    request.body = buildRequestBody(langPair, assembleBatch(batch.lines, 0).text);
    return request;
}

BatchAnswer GoogleWebService::readAnswer(const TransportReply& reply, const ServiceBatch& batch) const {
    // Any status leads to reading: an error page simply is no answer.
    if (reply.tooLarge)
        return {{}, translatorUnavailableMessage()};
    return readBatchAnswer(reply.body, int(batch.lines.size()), batch.formatMode);
}
