// An OpenAI-compatible chat server (Ollama, llama.cpp's llama-server, vLLM, LM Studio, or a
// provider): the batch as numbered lines with the entries around it as context, the answer a JSON
// array with every number back exactly once; temperature 0, a bounded answer.
#pragma once

#include "translate/translation_service.h"

class OpenAiChatService final : public TranslationService {
public:
    // `address` is the API's base, "…/v1" included (Ollama: http://localhost:11434/v1).
    OpenAiChatService(QUrl address, QString model, QString apiKey = {});

    QString name() const override { return QStringLiteral("OpenAI-compatible chat"); }
    QUrl baseUrl() const override { return m_address; }
    BatchLimit batchLimit() const override { return {20, 16 * 1024}; }
    // A model knows languages by name: the language table's.
    ServiceLanguages fixedLanguages() const override;

    // The server's models, for the model combo.
    ServiceRequest modelsRequest() const;
    static std::optional<QStringList> readModels(QByteArrayView answer);

    ServiceRequest buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const override;
    BatchAnswer readAnswer(const TransportReply& reply, const ServiceBatch& batch) const override;

private:
    QList<std::pair<QByteArray, QByteArray>> headers() const;

    QUrl m_address;
    QString m_model;
    QString m_apiKey;
};
