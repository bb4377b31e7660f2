// The engines' answer readers and the tag restoration on arbitrary bytes, as they may come from a
// server: every answer gives exactly one piece per line within the bound, or a message.
#include "translate/apertium_service.h"
#include "translate/deepl_service.h"
#include "translate/libre_translate_service.h"
#include "translate/openai_chat_service.h"
#include "translate/tag_shield.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first byte chooses the engine, the second the batch's line count (1 to 25).
    static ApertiumService apertium{QUrl("http://127.0.0.1:1")};
    static LibreTranslateService libre{QUrl("http://127.0.0.1:1")};
    static OpenAiChatService chat{QUrl("http://127.0.0.1:1/v1"), "m"};
    static DeepLService deepl{"k", QUrl("http://127.0.0.1:1")};
    const TranslationService* engines[] = {&apertium, &libre, &chat, &deepl};
    const TranslationService& engine = *engines[data[0] % 4];
    ServiceBatch batch;
    for (int k = 0; k < data[1] % 25 + 1; ++k)
        batch.lines.append(QStringLiteral("line"));
    const TransportReply reply(200, QByteArray(reinterpret_cast<const char*>(data) + 2, qsizetype(size) - 2));

    const BatchAnswer answer = engine.readAnswer(reply, batch);
    if (answer.message)
        FUZZ_CHECK(answer.pieces.isEmpty());
    else
        FUZZ_CHECK(answer.pieces.size() == batch.lines.size());
    const ShieldedLine shielded = shieldTags(QStringLiteral("<i>a</i>|\nb {y:i}<font color=red>c</font>"));
    for (const QString& piece : answer.pieces) {
        FUZZ_CHECK(piece.size() <= kMaxPieceChars);
        const RestoredLine restored = restoreTags(piece, shielded);
        // No tag is ever dropped.
        for (const QString& tag : shielded.tags)
            FUZZ_CHECK(restored.text.contains(tag));
    }
    return 0;
}
