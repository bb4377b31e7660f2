// The user's word list on arbitrary file content: what is read are storable words, once each; a word
// added keeps every byte that was there and comes back as the one new word.
#include "review/my_words.h"

#include "fuzz_check.h"

#include <QSet>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList words = parseMyWords(bytes);
    FUZZ_CHECK(QSet<QString>(words.begin(), words.end()).size() == words.size());
    for (const QString& w : words)
        FUZZ_CHECK(isStorableWord(w) && w == w.trimmed());

    // The words written one a line read back the same.
    QByteArray plain;
    for (const QString& w : words)
        plain += w.toUtf8() + '\n';
    FUZZ_CHECK(parseMyWords(plain) == words);

    // A word made of the input's last bytes, and a plain one.
    for (const QString& word : {QString::fromUtf8(bytes.right(12)).trimmed(), QStringLiteral("Zorblax")}) {
        const QByteArray added = withMyWord(bytes, word);
        FUZZ_CHECK(added.startsWith(bytes));
        QStringList expected = words;
        if (isStorableWord(word) && !words.contains(word))
            expected.append(word);
        FUZZ_CHECK(parseMyWords(added) == expected);
        FUZZ_CHECK(withMyWord(added, word) == added);
    }
    return 0;
}
