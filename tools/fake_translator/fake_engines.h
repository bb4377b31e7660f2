// Loopback stand-ins for the other engines' documented APIs, each translating a line as
// `translate(line, target)`: Apertium's APy, LibreTranslate, an OpenAI-compatible chat server and
// DeepL. Tests check the requests they record; benchmarks time jobs against them.
#pragma once

#include "tools/fake_translator/fake_service.h"

using LineTranslator = std::function<QString(const QString& line, const QString& target)>;

// POST /translate (form: langpair, q, markUnknown), GET /listPairs with eng-spa and spa-eng.
FakeHandler apertiumLikeHandler(LineTranslator translate);
// POST /translate (JSON: q as an array, source, target), GET /languages.
FakeHandler libreTranslateLikeHandler(LineTranslator translate);
// POST /v1/chat/completions: reads the numbered lines from the user message's JSON and answers
// them as a JSON array inside a code fence, as models do; GET /v1/models.
FakeHandler openAiLikeHandler(LineTranslator translate);
// POST /v2/translate (form: repeated text, target_lang), GET /v2/languages.
FakeHandler deepLLikeHandler(LineTranslator translate);

// The form fields of a request body, in order, percent-decoded.
QList<std::pair<QByteArray, QString>> formFields(const QByteArray& body);
