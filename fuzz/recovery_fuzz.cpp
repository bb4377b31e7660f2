// The recovery file reader on arbitrary bytes, read both as a whole file and as the content that
// follows the header: what it accepts is consistent and is exactly what writing it back gives.
#include "subtitle/recovery.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkAccepted(const RecoveryState& state) {
    const qsizetype rows = state.rows.size();
    const SubtitleDocument& d = state.document;
    FUZZ_CHECK(isValidFormat(d.formatMode));
    FUZZ_CHECK(d.loadedTimeLines.size() <= rows && d.timeLines.size() <= rows);
    FUZZ_CHECK(d.originalTexts.size() <= rows && d.translatedTexts.size() <= rows);
    FUZZ_CHECK((state.originalUnsaved & ~savedBy(Side::Original)) == 0);
    FUZZ_CHECK((state.translatedUnsaved & ~savedBy(Side::Translated)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const RecoveryRead whole = decodeRecovery(bytes);
    FUZZ_CHECK(whole.state.has_value() != !whole.problem.isEmpty());
    if (whole.state) {
        checkAccepted(*whole.state);
        FUZZ_CHECK(encodeRecovery(*whole.state) == bytes);
    }

    const RecoveryRead content = decodeRecoveryContent(bytes);
    FUZZ_CHECK(content.state.has_value() != !content.problem.isEmpty());
    if (content.state) {
        checkAccepted(*content.state);
        const QByteArray again = encodeRecovery(*content.state);
        FUZZ_CHECK(again.endsWith(bytes));
        FUZZ_CHECK(decodeRecovery(again).state.has_value());
    }
    return 0;
}
