// The translation service's answer reader on arbitrary bytes, as they may come from the network:
// an answer is refused with its message or split into exactly one piece per line of the batch.
#include "translate/answer_reader.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose the batch: 1 to 25 lines, and one of the five formats.
    const int lineCount = data[0] % 25 + 1;
    const std::int32_t formatMode = data[1] % 5 + 1;
    const QByteArrayView answer(reinterpret_cast<const char*>(data) + 2, qsizetype(size) - 2);

    const BatchAnswer batch = readBatchAnswer(answer, lineCount, formatMode);
    if (batch.message)
        FUZZ_CHECK(batch.pieces.isEmpty());
    else
        FUZZ_CHECK(batch.pieces.size() == lineCount);
    // However the answer is made, no line gets more than a line's worth.
    for (const QString& piece : batch.pieces)
        FUZZ_CHECK(piece.size() <= kMaxPieceChars);

    // The repair on its own, on text the JSON reading would never have let through.
    (void)repairText(QString::fromUtf8(answer));
    return 0;
}
