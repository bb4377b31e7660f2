// Whole-file conversion on arbitrary bytes between any two of the converter's encodings: it never
// fails on bad input (what cannot be converted is left out), converting the text in two pieces cut
// anywhere gives exactly what converting it whole does, and a legacy code page never reads a byte
// it leaves undefined as a C1 control or a private-use character.
#include "charset/convert_encodings.h"
#include "charset/text_converter.h"

#include "fuzz_check.h"

#include <QtEndian>
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

    // Unicode forms and GB18030 read every code point; ISO 8859 defines the C1 controls; Apple's
    // tables give a private character (the logo) to a byte they define.
    const bool readsAnything = from.startsWith(u"UTF") || from == u"GB18030";
    if (!readsAnything && !from.startsWith(u"Mac")) {
        const std::optional<QByteArray> read = convertBytes(input, from, QStringLiteral("UTF-32LE"));
        FUZZ_CHECK(read && read->size() % 4 == 0);
        for (qsizetype i = 0; i < read->size(); i += 4) {
            const quint32 c = qFromLittleEndian<quint32>(read->constData() + i);
            FUZZ_CHECK(!(c >= 0x80 && c <= 0x9F) || from.startsWith(u"ISO-8859"));
            FUZZ_CHECK(!((c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000));
        }
    }
    return 0;
}
