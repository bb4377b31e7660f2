// Encoding detection: byte-order marks, UTF-8 validity, then ICU's charset detector restricted to
// the character sets the table offers.
#include "charset/encoding_detector.h"

#include "charset/code_page.h"

#include <QByteArray>
#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <cstring>
#include <memory>

namespace {

struct DetectorName {
    const char* name;
    std::uint32_t codePage;
};

// ICU's names for what it recognises, as rows of the table. GB18030 is a superset of GBK and
// GB2312 whose two-byte part the 936 page reads; the Hebrew letters of ISO-8859-8 stand where
// Windows-1255 has them. ISO-8859-6 is not here: its Arabic letters sit elsewhere than in 1256.
constexpr DetectorName kDetectorNames[] = {
    {"GB18030", 936},       {"Big5", 950},         {"Shift_JIS", 932},     {"EUC-JP", 51932},
    {"ISO-2022-JP", 50932}, {"EUC-KR", 949},       {"windows-1251", 1251}, {"KOI8-R", 20866},
    {"ISO-8859-5", 28595},  {"ISO-8859-7", 28597}, {"windows-1253", 1253}, {"windows-1256", 1256},
    {"windows-1255", 1255}, {"ISO-8859-8", 1255},  {"ISO-8859-8-I", 1255}, {"ISO-8859-1", 1252},
    {"windows-1252", 1252}, {"ISO-8859-2", 28592}, {"windows-1250", 1250},
};

// Below this the detector's answer is a guess the ANSI code page is no worse than.
constexpr int32_t kMinConfidence = 30;
// The lines with non-ASCII bytes carry what tells one character set from another. ICU's detector
// reads about two megabytes a second, so it sees this much of them, taken from the start, the
// middle and the end of a file so that letters used only here and there are seen too.
constexpr qsizetype kSampleBytes = 4 * 1024;

std::uint32_t tableCodePage(const char* name) {
    for (const DetectorName& entry : kDetectorNames)
        if (std::strcmp(entry.name, name) == 0)
            return entry.codePage;
    return 0;
}

// Eight bytes at a time: a whole file of ASCII is the common case.
bool hasHighByte(QByteArrayView bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ull)
            return true;
    }
    for (; p < end; ++p)
        if (uchar(*p) >= 0x80)
            return true;
    return false;
}

// The lines that hold a byte of 0x80 or more (or an escape, which ISO-2022-JP needs), from `from`
// on, until `budget` bytes of them are gathered.
void sampleLines(QByteArrayView bytes, qsizetype from, qsizetype budget, QByteArray& sample) {
    if (from > 0) {
        // Begin at a line's start.
        const qsizetype feed = bytes.indexOf('\n', from);
        if (feed < 0)
            return;
        from = feed + 1;
    }
    const qsizetype limit = sample.size() + budget;
    qsizetype at = from;
    while (at < bytes.size() && sample.size() < limit) {
        const qsizetype feed = bytes.indexOf('\n', at);
        const qsizetype end = feed < 0 ? bytes.size() : feed + 1;
        const QByteArrayView line = bytes.sliced(at, end - at);
        if (hasHighByte(line) || line.contains('\x1B'))
            sample.append(line);
        at = end;
    }
}

QByteArray sampleOf(QByteArrayView bytes) {
    QByteArray sample;
    sample.reserve(kSampleBytes + 1024);
    sampleLines(bytes, 0, kSampleBytes / 2, sample);
    if (bytes.size() > 4 * kSampleBytes) {
        sampleLines(bytes, bytes.size() / 2, kSampleBytes / 4, sample);
        sampleLines(bytes, bytes.size() - bytes.size() / 8, kSampleBytes / 4, sample);
    }
    return sample;
}

// Whether every byte decodes in the code page: a multi-byte page that meets an invalid sequence,
// or a single-byte page with an unassigned byte, is not the file's.
bool decodesCleanly(QByteArrayView bytes, std::uint32_t codePage) {
    const char* name = icuConverterName(codePage);
    if (!name)
        return false;
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> conv(ucnv_open(name, &err), ucnv_close);
    if (U_FAILURE(err))
        return false;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    if (U_FAILURE(err))
        return false;
    std::unique_ptr<UChar[]> out(new UChar[std::size_t(bytes.size()) + 1]);
    ucnv_toUChars(conv.get(), out.get(), int32_t(bytes.size()) + 1, bytes.data(), int32_t(bytes.size()),
                  &err);
    return U_SUCCESS(err) || err == U_STRING_NOT_TERMINATED_WARNING;
}

// ICU knows no Thai. Thai in Windows-874 is written without spaces between words, so its bytes
// come in long runs of 0xA1 to 0xFB, a good share of them the vowel and tone marks that sit on a
// consonant; text in a Latin page has its few high bytes alone between ASCII letters.
bool looksLikeThai(QByteArrayView bytes) {
    qsizetype high = 0, marks = 0, runs = 0;
    bool inRun = false;
    for (char ch : bytes) {
        const unsigned char c = uchar(ch);
        if (c < 0x80) {
            inRun = false;
            continue;
        }
        if (c < 0xA1 || c > 0xFB || (c >= 0xDB && c <= 0xDE))
            return false;
        ++high;
        if (c == 0xD1 || (c >= 0xD4 && c <= 0xDA) || (c >= 0xE7 && c <= 0xEE))
            ++marks;
        if (!inRun)
            ++runs;
        inRun = true;
    }
    return high >= 8 && high >= runs * 3 && marks * 100 >= high * 15;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        // Runs of ASCII, eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, b + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char c = b[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned char low = 0x80, high = 0xBF; // bounds of the first continuation byte
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0)
                low = 0xA0; // overlong
            else if (c == 0xED)
                high = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F; // past U+10FFFF
        } else {
            return false;
        }
        if (i + extra >= n)
            return false; // cut off at the end
        if (b[i + 1] < low || b[i + 1] > high)
            return false;
        for (int k = 2; k <= extra; ++k)
            if (b[i + k] < 0x80 || b[i + k] > 0xBF)
                return false;
        i += extra + 1;
    }
    return true;
}

EncodingGuess detectEncoding(QByteArrayView bytes) {
    EncodingGuess guess;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    const bool utf32le = n >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0;
    const bool utf32be = n >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF;
    const bool utf16 = n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF));
    if (utf32le || utf32be || utf16) {
        guess.source = EncodingGuess::Source::ByteOrderMark;
        return guess;
    }
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        guess.source = EncodingGuess::Source::ByteOrderMark;
        guess.codePage = kUtf8CodePage;
        return guess;
    }
    const bool eightBit = hasHighByte(bytes);
    if (!eightBit && !bytes.contains('\x1B'))
        return guess; // plain ASCII
    if (eightBit && isValidUtf8(bytes)) {
        guess.source = EncodingGuess::Source::Utf8;
        guess.codePage = kUtf8CodePage;
        return guess;
    }

    guess.source = EncodingGuess::Source::Unsure;
    const QByteArray sample = sampleOf(bytes);
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, void (*)(UCharsetDetector*)> detector(ucsdet_open(&err), ucsdet_close);
    if (U_FAILURE(err))
        return guess;
    ucsdet_setText(detector.get(), sample.constData(), int32_t(sample.size()), &err);
    int32_t found = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &found, &err);
    if (U_FAILURE(err))
        return guess;
    for (int32_t i = 0; i < found; ++i) {
        UErrorCode e = U_ZERO_ERROR;
        const char* name = ucsdet_getName(matches[i], &e);
        const int32_t confidence = ucsdet_getConfidence(matches[i], &e);
        if (U_FAILURE(e) || confidence < kMinConfidence)
            break; // the matches come best first
        const std::uint32_t codePage = tableCodePage(name);
        // UTF-8 and the other Unicode forms were settled above; the detector must not bring
        // them back for bytes that failed the check.
        if (codePage == 0 || !decodesCleanly(sample, codePage))
            continue;
        guess.source = EncodingGuess::Source::Detector;
        guess.codePage = codePage;
        guess.confidence = confidence;
        return guess;
    }
    if (looksLikeThai(sample) && decodesCleanly(sample, 874)) {
        guess.source = EncodingGuess::Source::Detector;
        guess.codePage = 874;
        guess.confidence = kMinConfidence;
    }
    return guess;
}
