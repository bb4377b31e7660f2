// Whole-file conversion on arbitrary bytes between any two of the converter's encodings: it never
// fails on bad input (what cannot be converted is left out), and converting the text in two pieces
// cut anywhere gives exactly what converting it whole does.
#include "charset/convert_encodings.h"
#include "charset/text_converter.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const auto table = convertEncodingTable();
    const QString from = QString::fromLatin1(table[data[0] % table.size()].key);
    const QString to = QString::fromLatin1(table[data[1] % table.size()].key);
    const QByteArrayView input(reinterpret_cast<const char*>(data) + 3, qsizetype(size) - 3);
    const qsizetype cut = input.isEmpty() ? 0 : data[2] % (input.size() + 1);

    QString error;
    const std::optional<QByteArray> whole = convertBytes(input, from, to, &error);
    FUZZ_CHECK(whole.has_value());

    std::unique_ptr<TextConverter> converter = TextConverter::open(from, to);
    FUZZ_CHECK(converter != nullptr);
    QByteArray pieces;
    FUZZ_CHECK(converter->convert(input.first(cut), false, pieces));
    FUZZ_CHECK(converter->convert(input.sliced(cut), true, pieces));
    FUZZ_CHECK(pieces == *whole);
    return 0;
}
