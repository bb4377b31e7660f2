// Conversion through ICU converters, or through compiled-in single-byte tables where ICU has none.
// Every text passes through UTF-16 on its way: read, put right where ICU's tables differ from the
// encoding's own standard, then written.
#include "charset/text_converter.h"

#include "charset/mac_tables.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <string>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <vector>

namespace {

constexpr char16_t kMark = 0xFEFF;
// A text of nothing but combining marks is not held back beyond this, waiting for its letter.
constexpr std::size_t kHeldLimit = 4096;

// A character as ICU's table gives it and as the encoding's own standard (and iconv) does.
struct CharPair {
    char16_t icu;
    char32_t standard;
};

// ICU reads Shift_JIS with Microsoft's table; the JIS standard maps these six differently.
constexpr CharPair kShiftJisPairs[] = {
    {0xFF5E, 0x301C}, {0x2225, 0x2016}, {0xFF0D, 0x2212},
    {0xFFE0, 0x00A2}, {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC},
};
// ICU's EUC-JP table (IBM's) departs from the JIS standard in these four.
constexpr CharPair kEucJpPairs[] = {{0x2014, 0x2015}, {0xFFE0, 0x00A2}, {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC}};
// ICU's GB18030 is the 2000 edition, which had private-use characters where the 2005 edition maps
// to characters Unicode has added since.
constexpr CharPair kGb18030Pairs[] = {
    {0xE78D, 0xFE10},  {0xE78E, 0xFE12},  {0xE78F, 0xFE11},  {0xE790, 0xFE13}, {0xE791, 0xFE14},
    {0xE792, 0xFE15},  {0xE793, 0xFE16},  {0xE794, 0xFE17},  {0xE795, 0xFE18}, {0xE796, 0xFE19},
    {0xE816, 0x20087}, {0xE817, 0x20089}, {0xE818, 0x200CC}, {0xE81E, 0x9FB4}, {0xE826, 0x9FB5},
    {0xE82B, 0x9FB6},  {0xE82C, 0x9FB7},  {0xE831, 0x215D7}, {0xE832, 0x9FB8}, {0xE83B, 0x2298F},
    {0xE843, 0x9FB9},  {0xE854, 0x9FBA},  {0xE855, 0x241FE}, {0xE864, 0x9FBB},
};

// Code pages that write an accent as a byte of its own after the letter.
enum class Accents {
    Precomposed, // nothing to do
    Decomposed,  // written as letter and accent where the code page lacks the accented letter
    Composed,    // the same, and read back into the accented letter (Vietnamese)
};

struct KeyRule {
    const char* key;
    const char* icuName;
    bool mark = false; // a byte-order mark begins the text
    std::span<const CharPair> pairs = {};
    Accents accents = Accents::Precomposed;
    // Characters ICU's table gives to bytes the code page leaves undefined.
    std::u16string_view lacks = {};
};

constexpr KeyRule kKeyRules[] = {
    // Read and written as GBK and Windows-949, as browsers do: files called GB2312 or EUC-KR carry
    // the larger code page's characters too.
    {"GB2312", "windows-936-2000"},
    {"EUC-KR", "windows-949-2000"},
    {"GBK", "windows-936-2000"},
    {"GB18030", "gb18030", false, kGb18030Pairs},
    {"BIG5", "windows-950-2000"},
    {"CP950", "windows-950-2000"},
    {"SHIFT-JIS", "ibm-943_P15A-2003", false, kShiftJisPairs},
    {"CP932", "ibm-943_P15A-2003"},
    {"EUC-JP", "ibm-954_P101-2007", false, kEucJpPairs},
    // ICU's cpNNN aliases open IBM tables; these names mean the Microsoft code pages.
    {"CP874", "windows-874"},
    {"CP949", "windows-949"},
    {"CP1250", "windows-1250"},
    {"CP1251", "windows-1251"},
    {"CP1252", "windows-1252"},
    {"CP1253", "windows-1253", false, {}, Accents::Precomposed, u"\u00AA"},
    {"CP1254", "windows-1254"},
    {"CP1255", "windows-1255", false, {}, Accents::Decomposed},
    {"CP1256", "windows-1256"},
    {"CP1257", "windows-1257"},
    {"CP1258", "windows-1258", false, {}, Accents::Composed},
    {"UTF-8 with BOM", "UTF-8", true},
    {"UTF-16LE with BOM", "UTF-16LE", true},
    {"UTF-16BE with BOM", "UTF-16BE", true},
};

// TIS-620 is Windows-874 without the bytes Microsoft added (0x80-0xA0); ICU has only the latter.
constexpr MacTable makeTis620() {
    MacTable table{"TIS-620", {}};
    for (int b = 0xA1; b <= 0xFB; ++b)
        if (b <= 0xDA || b >= 0xDF)
            table.upper[b - 0x80] = char16_t(0x0E01 + (b - 0xA1));
    return table;
}
constexpr MacTable kTis620 = makeTis620();

const KeyRule* findRule(const QString& name) {
    for (const KeyRule& rule : kKeyRules)
        if (name.compare(QLatin1String(rule.key), Qt::CaseInsensitive) == 0)
            return &rule;
    return nullptr;
}

const MacTable* findTable(const QString& name) {
    for (const MacTable& table : macTables())
        if (name.compare(QLatin1String(table.key), Qt::CaseInsensitive) == 0)
            return &table;
    if (name.compare(QLatin1String(kTis620.key), Qt::CaseInsensitive) == 0)
        return &kTis620;
    return nullptr;
}

bool isC1(char32_t c) {
    return c >= 0x80 && c <= 0x9F;
}

bool isPrivateUse(char32_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}

void append(std::u16string& text, char32_t c) {
    if (c > 0xFFFF) {
        text += QChar::highSurrogate(c);
        text += QChar::lowSurrogate(c);
    } else {
        text += char16_t(c);
    }
}

// The code point at `i` and the units it takes; a lone surrogate stands for itself.
char32_t codePointAt(std::u16string_view text, std::size_t i, std::size_t* units) {
    if (QChar::isHighSurrogate(text[i]) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1])) {
        *units = 2;
        return QChar::surrogateToUcs4(text[i], text[i + 1]);
    }
    *units = 1;
    return text[i];
}

std::u16string normalized(const UNormalizer2* form, std::u16string_view text) {
    UErrorCode err = U_ZERO_ERROR;
    const int32_t length = unorm2_normalize(form, text.data(), int32_t(text.size()), nullptr, 0, &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err))
        return std::u16string(text);
    std::u16string out(std::size_t(length), u'\0');
    err = U_ZERO_ERROR;
    unorm2_normalize(form, text.data(), int32_t(text.size()), out.data(), length, &err);
    return U_SUCCESS(err) ? out : std::u16string(text);
}

const UNormalizer2* nfc() {
    UErrorCode err = U_ZERO_ERROR;
    const UNormalizer2* form = unorm2_getNFCInstance(&err);
    return U_SUCCESS(err) ? form : nullptr;
}

const UNormalizer2* nfd() {
    UErrorCode err = U_ZERO_ERROR;
    const UNormalizer2* form = unorm2_getNFDInstance(&err);
    return U_SUCCESS(err) ? form : nullptr;
}

// How a converter is read: ICU's Unicode forms (and GB18030) read every sequence; stateless tables
// are read byte by byte where they fail; the shifting encodings (HZ, ISO-2022) keep their state.
enum class Kind { Table, Complete, Stateless, Stateful };

Kind kindOf(UConverter* conv) {
    UErrorCode err = U_ZERO_ERROR;
    switch (ucnv_getType(conv)) {
    case UCNV_UTF8:
    case UCNV_UTF16_BigEndian:
    case UCNV_UTF16_LittleEndian:
    case UCNV_UTF32_BigEndian:
    case UCNV_UTF32_LittleEndian:
    case UCNV_UTF16:
    case UCNV_UTF32:
    case UCNV_UTF7:
    case UCNV_CESU8:
    case UCNV_SCSU:
    case UCNV_BOCU1:
    case UCNV_IMAP_MAILBOX:
        return Kind::Complete;
    case UCNV_SBCS:
    case UCNV_DBCS:
    case UCNV_MBCS:
    case UCNV_LATIN_1:
    case UCNV_US_ASCII:
        return qstricmp(ucnv_getName(conv, &err), "gb18030") == 0 ? Kind::Complete : Kind::Stateless;
    default:
        return Kind::Stateful;
    }
}

// Opens the ICU converter for a name; unknown names and the empty name (which would open ICU's
// default converter) give nullptr.
UConverter* openIcu(const QString& name, const KeyRule* rule) {
    if (name.isEmpty())
        return nullptr;
    const QByteArray icuName = rule ? QByteArray(rule->icuName) : name.toLatin1();
    UErrorCode err = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(icuName.constData(), &err);
    return U_SUCCESS(err) ? conv : nullptr;
}

// The character a stateless converter reads from one byte alone; none when it reads nothing.
std::optional<char32_t> readAlone(UConverter* conv, unsigned char byte) {
    const char* src = reinterpret_cast<const char*>(&byte);
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetToUnicode(conv);
    const UChar32 c = ucnv_getNextUChar(conv, &src, src + 1, &err);
    ucnv_resetToUnicode(conv);
    if (U_FAILURE(err))
        return std::nullopt;
    return char32_t(c);
}

// ISO 8859 defines 0x80-0x9F as the C1 controls; any other table that gives a C1 control gives it
// to a byte the code page leaves undefined.
bool definesC1(UConverter* conv) {
    for (int b = 0x80; b <= 0x9F; ++b)
        if (readAlone(conv, static_cast<unsigned char>(b)) != char32_t(b))
            return false;
    return true;
}

// IBM's tables (which ICU uses for Shift_JIS) swap three control bytes; ASCII bytes are ASCII in
// every code page here. The map takes what the table reads to what the byte is.
std::array<char16_t, 128> asciiAsRead(UConverter* conv) {
    std::array<char16_t, 128> fix{};
    for (int c = 0; c < 128; ++c)
        fix[c] = char16_t(c);
    for (int b = 0; b < 128; ++b)
        if (const std::optional<char32_t> c = readAlone(conv, static_cast<unsigned char>(b)); c && *c < 128)
            fix[*c] = char16_t(b);
    return fix;
}

} // namespace

// Bytes to UTF-16.
class TextReader {
public:
    static std::unique_ptr<TextReader> open(const QString& name) {
        std::unique_ptr<TextReader> r(new TextReader);
        const KeyRule* rule = findRule(name);
        if ((r->m_table = findTable(name))) {
            r->m_kind = Kind::Table;
        } else if ((r->m_icu = openIcu(name, rule))) {
            r->m_kind = kindOf(r->m_icu);
        } else {
            return nullptr;
        }
        UErrorCode err = U_ZERO_ERROR;
        if (r->m_kind == Kind::Stateless) {
            ucnv_setToUCallBack(r->m_icu, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
            r->m_keepsC1 = definesC1(r->m_icu);
            r->m_ascii = asciiAsRead(r->m_icu);
            for (int c = 0; c < 128; ++c)
                r->m_asciiSwapped = r->m_asciiSwapped || r->m_ascii[c] != c;
        } else if (r->m_icu) {
            ucnv_setToUCallBack(r->m_icu, UCNV_TO_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &err);
        }
        if (U_FAILURE(err))
            return nullptr;
        if (rule) {
            r->m_mark = rule->mark;
            r->m_pairs = rule->pairs;
            r->m_composes = rule->accents == Accents::Composed && nfc();
            r->m_lacks = rule->lacks;
        }
        return r;
    }
    ~TextReader() {
        if (m_icu)
            ucnv_close(m_icu);
    }

    // Appends what the bytes read as to `text`.
    bool read(QByteArrayView input, bool last, std::u16string& text) {
        QByteArray joined;
        if (!m_carry.isEmpty()) {
            joined = m_carry + QByteArray::fromRawData(input.data(), input.size());
            m_carry.clear();
            input = joined;
        }
        const char* begin = input.isEmpty() ? "" : input.data();
        const char* end = begin + input.size();
        std::u16string& fresh = m_fresh;
        fresh.clear();
        bool ok = true;
        switch (m_kind) {
        case Kind::Table:
            readTable(begin, end, fresh);
            break;
        case Kind::Stateless:
            ok = readStateless(begin, end, last, fresh);
            break;
        case Kind::Complete:
        case Kind::Stateful:
            ok = readWhole(begin, end, last, fresh);
            break;
        }
        if (!ok)
            return false;
        if (needsPuttingRight())
            putRight(fresh);
        else if (!fresh.empty())
            m_atStart = false;
        compose(fresh, last, text);
        return true;
    }

    void reset() {
        if (m_icu)
            ucnv_resetToUnicode(m_icu);
        m_carry.clear();
        m_held.clear();
        m_atStart = true;
    }

private:
    TextReader() = default;

    bool isUnreadable(char32_t c) const {
        return (isC1(c) && !m_keepsC1) || isPrivateUse(c) ||
               (c <= 0xFFFF && m_lacks.find(char16_t(c)) != m_lacks.npos);
    }

    void readTable(const char* src, const char* end, std::u16string& out) const {
        out.reserve(std::size_t(end - src));
        for (; src < end; ++src) {
            const auto byte = static_cast<unsigned char>(*src);
            const char16_t c = byte < 0x80 ? char16_t(byte) : m_table->upper[byte - 0x80];
            if (c != 0 || byte == 0)
                out += c;
        }
    }

    // Where a byte sequence reads as nothing, or as a character no code page gives a byte it
    // defines, only its first byte is left out and the bytes after it are read again (iconv -c):
    // a stray byte must not take the letter after it along.
    bool readStateless(const char* begin, const char* end, bool last, std::u16string& out) {
        const char* src = begin;
        while (src < end) {
            const std::size_t at = out.size();
            // Every table here gives at most one unit per byte.
            const std::size_t room = std::size_t(end - src) + 16;
            out.resize(at + room);
            const char* const callStart = src;
            UChar* target = out.data() + at;
            UErrorCode err = U_ZERO_ERROR;
            ucnv_toUnicode(m_icu, &target, out.data() + at + room, &src, end, nullptr, last, &err);
            const std::size_t produced = std::size_t(target - (out.data() + at));
            const std::size_t bad = firstUnreadable(std::u16string_view(out).substr(at, produced));
            if (bad < produced) {
                if (const std::optional<std::size_t> offset = sourceOffset(callStart, src, bad)) {
                    out.resize(at + bad);
                    src = callStart + *offset + 1;
                    ucnv_resetToUnicode(m_icu);
                    continue;
                }
            }
            out.resize(at + produced);
            if (err == U_BUFFER_OVERFLOW_ERROR)
                continue;
            if (err == U_INVALID_CHAR_FOUND || err == U_ILLEGAL_CHAR_FOUND || err == U_TRUNCATED_CHAR_FOUND) {
                // ICU keeps at most 32 bytes of a failed sequence.
                char invalid[32];
                int8_t length = sizeof invalid;
                UErrorCode ignored = U_ZERO_ERROR;
                ucnv_getInvalidChars(m_icu, invalid, &length, &ignored);
                if (U_SUCCESS(ignored) && length > 0 && src - length >= begin)
                    src = src - length + 1;
                ucnv_resetToUnicode(m_icu);
                continue;
            }
            if (U_FAILURE(err))
                return false;
        }
        // A sequence cut by the end of the piece waits for the next piece; the converter starts
        // each call clean, so that a failure never points before the bytes it was given.
        if (!last) {
            UErrorCode err = U_ZERO_ERROR;
            const int32_t pending = ucnv_toUCountPending(m_icu, &err);
            if (U_SUCCESS(err) && pending > 0 && pending <= end - begin)
                m_carry = QByteArray(end - pending, pending);
            ucnv_resetToUnicode(m_icu);
        }
        return true;
    }

    std::size_t firstUnreadable(std::u16string_view units) const {
        for (std::size_t i = 0, length = 1; i < units.size(); i += length)
            if (isUnreadable(codePointAt(units, i, &length)))
                return i;
        return units.size();
    }

    // Where the bytes of the `unit`th unit read from [from, to) begin, found by reading them again
    // with ICU's offsets (which slow every read down, so only once a unit needs them). None for a
    // unit ICU held over from the call before.
    std::optional<std::size_t> sourceOffset(const char* from, const char* to, std::size_t unit) {
        const std::size_t room = std::size_t(to - from) + 16;
        m_again.resize(room);
        m_offsets.resize(room);
        ucnv_resetToUnicode(m_icu);
        UChar* target = m_again.data();
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(m_icu, &target, m_again.data() + room, &from, to, m_offsets.data(), false, &err);
        if (std::size_t(target - m_again.data()) <= unit || m_offsets[unit] < 0)
            return std::nullopt;
        return std::size_t(m_offsets[unit]);
    }

    bool readWhole(const char* src, const char* end, bool last, std::u16string& out) {
        for (;;) {
            const std::size_t at = out.size();
            const std::size_t room = std::size_t(end - src) + 16;
            out.resize(at + room);
            UChar* target = out.data() + at;
            UErrorCode err = U_ZERO_ERROR;
            ucnv_toUnicode(m_icu, &target, out.data() + at + room, &src, end, nullptr, last, &err);
            out.resize(std::size_t(target - out.data()));
            if (err == U_BUFFER_OVERFLOW_ERROR)
                continue;
            return U_SUCCESS(err);
        }
    }

    bool needsPuttingRight() const {
        return (m_mark && m_atStart) || !m_pairs.empty() || m_kind == Kind::Stateful ||
               (m_kind == Kind::Stateless && m_asciiSwapped);
    }

    void putRight(std::u16string& fresh) {
        std::u16string& right = m_right;
        right.clear();
        right.reserve(fresh.size());
        for (std::size_t i = 0, units = 1; i < fresh.size(); i += units) {
            char32_t c = codePointAt(fresh, i, &units);
            if (m_atStart) {
                m_atStart = false;
                if (m_mark && c == kMark)
                    continue;
            }
            if (m_kind == Kind::Stateless && c < 0x80)
                c = m_ascii[c];
            if (m_kind == Kind::Stateful && isUnreadable(c))
                continue;
            for (const CharPair& pair : m_pairs)
                if (c == pair.icu) {
                    c = pair.standard;
                    break;
                }
            append(right, c);
        }
        fresh.swap(right);
    }

    // An accent read after its letter may come in the next piece: the text from the last letter on
    // waits for it.
    void compose(std::u16string& fresh, bool last, std::u16string& text) {
        if (!m_composes) {
            if (text.empty())
                text.swap(fresh);
            else
                text += fresh;
            return;
        }
        m_held += fresh;
        const UNormalizer2* form = nfc();
        std::size_t cut = m_held.size();
        if (!last) {
            cut = 0;
            for (std::size_t i = m_held.size(); i-- > 0;) {
                if (QChar::isLowSurrogate(m_held[i]) && i > 0 && QChar::isHighSurrogate(m_held[i - 1]))
                    continue;
                std::size_t units = 1;
                if (unorm2_hasBoundaryBefore(form, UChar32(codePointAt(m_held, i, &units)))) {
                    cut = i;
                    break;
                }
            }
            if (m_held.size() - cut > kHeldLimit)
                cut = m_held.size();
        }
        if (cut > 0) {
            text += normalized(form, std::u16string_view(m_held).substr(0, cut));
            m_held.erase(0, cut);
        }
    }

    Kind m_kind = Kind::Table;
    UConverter* m_icu = nullptr;
    const MacTable* m_table = nullptr;
    bool m_keepsC1 = false;
    std::array<char16_t, 128> m_ascii{};
    bool m_asciiSwapped = false;
    bool m_mark = false;
    std::span<const CharPair> m_pairs;
    bool m_composes = false;
    std::u16string_view m_lacks;

    bool m_atStart = true;
    QByteArray m_carry;
    std::u16string m_held;
    // Buffers kept from call to call: a text converted in small pieces would spend most of its
    // time allocating them.
    std::u16string m_fresh;
    std::u16string m_right;
    std::u16string m_again;
    std::vector<int32_t> m_offsets;
};

// UTF-16 to bytes.
class TextWriter {
public:
    static std::unique_ptr<TextWriter> open(const QString& name) {
        std::unique_ptr<TextWriter> w(new TextWriter);
        const KeyRule* rule = findRule(name);
        if ((w->m_table = findTable(name))) {
            w->m_kind = Kind::Table;
            w->reverseTable();
        } else if ((w->m_icu = openIcu(name, rule))) {
            w->m_kind = kindOf(w->m_icu);
        } else {
            return nullptr;
        }
        UErrorCode err = U_ZERO_ERROR;
        if (w->m_icu) {
            ucnv_setFromUCallBack(w->m_icu, UCNV_FROM_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &err);
            if (w->m_kind == Kind::Stateless) {
                ucnv_setToUCallBack(w->m_icu, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
                w->m_keepsC1 = definesC1(w->m_icu);
                const std::array<char16_t, 128> read = asciiAsRead(w->m_icu);
                for (int b = 0; b < 128; ++b)
                    w->m_ascii[read[b]] = char16_t(b);
            }
            w->m_closeHzShift = qstricmp(ucnv_getName(w->m_icu, &err), "HZ") == 0;
        }
        if (U_FAILURE(err))
            return nullptr;
        if (rule) {
            w->m_mark = rule->mark;
            w->m_pairs = rule->pairs;
            w->m_lacks = rule->lacks;
            if (rule->accents != Accents::Precomposed && w->m_kind == Kind::Stateless && nfc() && nfd())
                w->listHeld();
        }
        w->reset();
        return w;
    }
    ~TextWriter() {
        if (m_icu)
            ucnv_close(m_icu);
    }

    bool write(std::u16string_view text, bool last, QByteArray& out) {
        // Most texts go to a Unicode form untouched.
        const bool untouched = m_kind == Kind::Complete && !m_markPending && !(m_mark && m_atStart) &&
                               m_pairs.empty() && m_repertoire.empty();
        if (untouched) {
            m_atStart = m_atStart && text.empty();
            return writeIcu(text, last, out);
        }
        std::u16string& ready = m_ready;
        ready.clear();
        prepare(text, ready);
        if (m_kind == Kind::Table) {
            writeTable(ready, out);
            return true;
        }
        return writeIcu(ready, last, out);
    }

    void reset() {
        if (m_icu)
            ucnv_resetFromUnicode(m_icu);
        m_markPending = m_mark;
        m_atStart = true;
    }

private:
    TextWriter() {
        for (int c = 0; c < 128; ++c)
            m_ascii[c] = char16_t(c);
    }

    void reverseTable() {
        for (int i = 0; i < 128; ++i) {
            const char16_t u = m_table->upper[i];
            // Characters below 0x80 are written as their ASCII byte, never as an upper duplicate.
            if (u >= 0x80)
                m_reverse.emplace_back(u, std::uint8_t(0x80 + i));
        }
        // Of two bytes for one character the lower one wins.
        std::stable_sort(m_reverse.begin(), m_reverse.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    // The characters a single-byte code page holds, for the decomposition of those it lacks.
    void listHeld() {
        for (int b = 0; b < 256; ++b)
            if (const std::optional<char32_t> c = readAlone(m_icu, static_cast<unsigned char>(b)))
                m_repertoire.push_back(*c);
        std::sort(m_repertoire.begin(), m_repertoire.end());
    }
    bool holds(char32_t c) const { return std::binary_search(m_repertoire.begin(), m_repertoire.end(), c); }

    // A letter the code page lacks, written as a letter it has and the accents it has as bytes of
    // their own: "ế" as "ê" and the acute accent. Nothing when no such split exists.
    void appendDecomposed(char32_t c, std::u16string& ready) const {
        std::u16string one;
        append(one, c);
        const std::u16string parts = normalized(nfd(), one);
        std::u16string head;
        std::u16string accents;
        for (std::size_t i = 0, units = 1; i < parts.size(); i += units) {
            const char32_t part = codePointAt(parts, i, &units);
            append(i > 0 && holds(part) ? accents : head, part);
        }
        const std::u16string letter = normalized(nfc(), head);
        std::size_t units = 0;
        if (accents.empty() || letter.empty() || !holds(codePointAt(letter, 0, &units)) ||
            units != letter.size())
            return;
        ready += letter;
        ready += accents;
    }

    void prepare(std::u16string_view text, std::u16string& ready) {
        ready.reserve(text.size() + 1);
        if (m_markPending) {
            ready += kMark;
            m_markPending = false;
        }
        for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
            char32_t c = codePointAt(text, i, &units);
            if (m_atStart) {
                m_atStart = false;
                // The mark is written above; one the text brings along would be a second.
                if (m_mark && c == kMark)
                    continue;
            }
            for (const CharPair& pair : m_pairs)
                if (c == pair.standard) {
                    c = pair.icu;
                    break;
                }
            if (m_kind == Kind::Stateless || m_kind == Kind::Stateful) {
                // What this code page cannot read, it does not write either.
                if ((isC1(c) && !m_keepsC1) || isPrivateUse(c) ||
                    (c <= 0xFFFF && m_lacks.find(char16_t(c)) != m_lacks.npos))
                    continue;
                if (c < 0x80)
                    c = m_ascii[c];
            }
            if (!m_repertoire.empty() && !holds(c)) {
                appendDecomposed(c, ready);
                continue;
            }
            append(ready, c);
        }
    }

    void writeTable(std::u16string_view text, QByteArray& out) const {
        qsizetype used = out.size();
        out.resize(used + qsizetype(text.size()));
        char* target = out.data() + used;
        for (const char16_t u : text) {
            if (u < 0x80) {
                *target++ = char(u);
                continue;
            }
            // Surrogates and everything else the table lacks are left out.
            const auto it = std::lower_bound(m_reverse.begin(), m_reverse.end(), u,
                                             [](const auto& entry, char16_t c) { return entry.first < c; });
            if (it != m_reverse.end() && it->first == u)
                *target++ = char(it->second);
        }
        out.resize(target - out.data());
    }

    bool writeIcu(std::u16string_view text, bool last, QByteArray& out) {
        qsizetype used = out.size();
        const UChar* src = text.data();
        const UChar* const end = src + text.size();
        // The target's closing shift belongs after the very last character only.
        const bool flush = last && !m_closeHzShift;
        for (;;) {
            out.resize(used + qsizetype(end - src) * 4 + 64);
            char* target = out.data() + used;
            UErrorCode err = U_ZERO_ERROR;
            ucnv_fromUnicode(m_icu, &target, out.data() + out.size(), &src, end, nullptr, flush, &err);
            used = target - out.data();
            if (err == U_BUFFER_OVERFLOW_ERROR)
                continue;
            out.resize(used);
            if (U_FAILURE(err))
                return false;
            break;
        }
        return !(last && m_closeHzShift) || closeHzShift(out);
    }

    // ICU's HZ encoder leaves a text that ends in Chinese inside its "~{" shift, so that whatever
    // follows the file would be read as GB2312. One more ASCII character makes it write the closing
    // "~}"; the character itself is dropped again.
    bool closeHzShift(QByteArray& out) {
        const UChar probe[] = u"a";
        const UChar* from = probe;
        char closing[8];
        char* target = closing;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_fromUnicode(m_icu, &target, closing + sizeof closing, &from, probe + 1, nullptr, true, &err);
        if (U_FAILURE(err) || target == closing || target[-1] != 'a')
            return false;
        out.append(closing, target - closing - 1);
        return true;
    }

    Kind m_kind = Kind::Table;
    UConverter* m_icu = nullptr;
    const MacTable* m_table = nullptr;
    // The table turned round: character and byte, sorted by character.
    std::vector<std::pair<char16_t, std::uint8_t>> m_reverse;
    bool m_keepsC1 = false;
    std::array<char16_t, 128> m_ascii{};
    bool m_mark = false;
    std::span<const CharPair> m_pairs;
    std::u16string_view m_lacks;
    std::vector<char32_t> m_repertoire; // sorted; empty unless accents are decomposed
    bool m_closeHzShift = false;

    bool m_markPending = false;
    bool m_atStart = true;
    std::u16string m_ready;
};

TextConverter::TextConverter() = default;
TextConverter::~TextConverter() = default;

std::unique_ptr<TextConverter> TextConverter::open(const QString& from, const QString& to, QString* error) {
    std::unique_ptr<TextConverter> c(new TextConverter);
    auto unknown = [&](const QString& name) {
        if (error)
            *error = QStringLiteral("The code schema \"%1\" is unknown.").arg(name);
        return nullptr;
    };
    if (!(c->m_reader = TextReader::open(from)))
        return unknown(from);
    if (!(c->m_writer = TextWriter::open(to)))
        return unknown(to);
    return c;
}

void TextConverter::reset() {
    m_reader->reset();
    m_writer->reset();
}

bool TextConverter::convert(QByteArrayView input, bool last, QByteArray& out) {
    m_text.clear();
    const bool ok = m_reader->read(input, last, m_text) && m_writer->write(m_text, last, out);
    if (last || !ok)
        reset();
    return ok;
}

bool isKnownEncoding(const QString& name) {
    return TextConverter::open(name, QStringLiteral("UTF-8")) != nullptr;
}

std::optional<QByteArray> convertBytes(QByteArrayView input, const QString& from, const QString& to,
                                       QString* error) {
    std::unique_ptr<TextConverter> converter = TextConverter::open(from, to, error);
    if (!converter)
        return std::nullopt;
    QByteArray out;
    if (!converter->convert(input, true, out)) {
        if (error)
            *error = QStringLiteral("The text could not be converted from %1 to %2.").arg(from, to);
        return std::nullopt;
    }
    return out;
}
