// The term list reader on arbitrary bytes, and the matcher over what it read: every term is found
// in its own text, hits stay inside the text in order, and a term's translation satisfies the check.
#include "memory/glossary.h"
#include "memory/memory_text.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const GlossaryRead read = readGlossary(bytes, QStringLiteral("fuzz.csv"));
    if (read.message)
        FUZZ_CHECK(read.terms.isEmpty());
    for (const GlossaryTerm& t : read.terms) {
        FUZZ_CHECK(!t.term.isEmpty() && !t.translation.isEmpty());
        FUZZ_CHECK(t.term.size() <= kMaxTermLength && t.translation.size() <= kMaxTermLength);
    }

    const GlossaryMatcher glossary(read.terms);
    for (const GlossaryTerm& t : read.terms) {
        for (const QString& text : {t.term, t.note + u' ' + t.term + u' ' + t.translation}) {
            const QList<GlossaryHit> hits = glossary.find(text);
            int end = 0;
            for (const GlossaryHit& hit : hits) {
                FUZZ_CHECK(hit.start >= end && hit.length > 0 && hit.start + hit.length <= text.size());
                FUZZ_CHECK(hit.term >= 0 && hit.term < read.terms.size());
                end = hit.start + hit.length;
            }
        }
        if (!memoryKey(t.term).isEmpty())
            FUZZ_CHECK(!glossary.find(t.term).isEmpty());
    }
    return 0;
}
