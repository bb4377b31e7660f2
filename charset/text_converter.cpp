// Conversion through ICU converters, or through the compiled-in Mac tables where ICU has none.
#include "charset/text_converter.h"

#include "charset/mac_tables.h"

#include <algorithm>
#include <cstring>
#include <unicode/ucnv.h>

namespace {

constexpr qsizetype kPivotSize = 16 * 1024;

struct IcuName {
    const char* key;
    const char* icuName;
};

// ICU's aliases for these names open IBM tables (ibm-874 even swaps control characters); the
// converter's names mean the Microsoft code pages of the same number.
constexpr IcuName kIcuNames[] = {
    {"CP874", "windows-874"},   {"CP932", "windows-932"},   {"CP949", "windows-949"},
    {"CP1250", "windows-1250"}, {"CP1251", "windows-1251"}, {"CP1253", "windows-1253"},
    {"CP1255", "windows-1255"}, {"CP1256", "windows-1256"},
};

const MacTable* findMacTable(const QString& name) {
    for (const MacTable& table : macTables())
        if (name.compare(QLatin1String(table.key), Qt::CaseInsensitive) == 0)
            return &table;
    return nullptr;
}

// Opens the ICU converter for a name, set to leave out whatever it cannot convert.
UConverter* openIcu(const QString& name) {
    // An empty name would open ICU's default converter rather than fail.
    if (name.isEmpty())
        return nullptr;
    QByteArray icuName = name.toLatin1();
    for (const IcuName& entry : kIcuNames)
        if (name.compare(QLatin1String(entry.key), Qt::CaseInsensitive) == 0)
            icuName = entry.icuName;
    UErrorCode err = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(icuName.constData(), &err);
    if (U_FAILURE(err))
        return nullptr;
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &err);
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &err);
    if (U_FAILURE(err)) {
        ucnv_close(conv);
        return nullptr;
    }
    return conv;
}

// Makes room for at least `room` more bytes after the `used` ones and returns where they start.
char* tail(QByteArray& out, qsizetype used, qsizetype room) {
    if (out.size() < used + room)
        out.resize(used + room);
    return out.data() + used;
}

} // namespace

std::unique_ptr<TextConverter> TextConverter::open(const QString& from, const QString& to, QString* error) {
    std::unique_ptr<TextConverter> c(new TextConverter);
    auto unknown = [&](const QString& name) {
        if (error)
            *error = QStringLiteral("The code schema \"%1\" is unknown.").arg(name);
        return nullptr;
    };
    if (!(c->m_macFrom = findMacTable(from)) && !(c->m_icuFrom = openIcu(from)))
        return unknown(from);
    if (!(c->m_macTo = findMacTable(to)) && !(c->m_icuTo = openIcu(to)))
        return unknown(to);
    UErrorCode status = U_ZERO_ERROR;
    if (c->m_macTo) {
        for (int i = 0; i < 128; ++i) {
            const char16_t u = c->m_macTo->upper[i];
            // Characters below 0x80 are written as their ASCII byte, never as an upper duplicate.
            if (u >= 0x80)
                c->m_macReverse.emplace_back(u, std::uint8_t(0x80 + i));
        }
        // Of two bytes for one character the lower one wins.
        std::stable_sort(c->m_macReverse.begin(), c->m_macReverse.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    c->m_closeHzShift = c->m_icuTo && std::strcmp(ucnv_getName(c->m_icuTo, &status), "HZ") == 0;
    c->m_pivot = std::make_unique<char16_t[]>(kPivotSize);
    c->reset();
    return c;
}

TextConverter::~TextConverter() {
    if (m_icuFrom)
        ucnv_close(m_icuFrom);
    if (m_icuTo)
        ucnv_close(m_icuTo);
}

void TextConverter::reset() {
    if (m_icuFrom)
        ucnv_reset(m_icuFrom);
    if (m_icuTo)
        ucnv_reset(m_icuTo);
    m_pivotSource = m_pivotTarget = m_pivot.get();
}

bool TextConverter::convert(QByteArrayView input, bool last, QByteArray& out) {
    // ICU refuses a null source even when it is empty.
    const char* src = input.isEmpty() ? "" : input.data();
    const char* end = src + input.size();
    const bool ok = m_icuFrom && m_icuTo && !m_closeHzShift ? convertDirect(src, end, last, out)
                                                            : convertThroughPivot(src, end, last, out);
    if (last || !ok)
        reset();
    return ok;
}

bool TextConverter::convertDirect(const char*& src, const char* end, bool last, QByteArray& out) {
    qsizetype used = out.size();
    for (;;) {
        // Three bytes of output per input byte cover every single-byte source going to UTF-8.
        char* target = tail(out, used, (end - src) * 3 + 256);
        char* const limit = out.data() + out.size();
        UErrorCode err = U_ZERO_ERROR;
        ucnv_convertEx(m_icuTo, m_icuFrom, &target, limit, &src, end, m_pivot.get(), &m_pivotSource,
                       &m_pivotTarget, m_pivot.get() + kPivotSize, false, last, &err);
        used = target - out.data();
        if (err == U_BUFFER_OVERFLOW_ERROR)
            continue;
        out.resize(used);
        return U_SUCCESS(err);
    }
}

bool TextConverter::decodeMac(const char*& src, const char* end, char16_t*& pivotEnd) {
    char16_t* const limit = m_pivot.get() + kPivotSize;
    while (src < end && pivotEnd < limit) {
        const auto byte = static_cast<unsigned char>(*src++);
        const char16_t u = byte < 0x80 ? char16_t(byte) : m_macFrom->upper[byte - 0x80];
        if (u != 0 || byte == 0)
            *pivotEnd++ = u;
    }
    return src < end;
}

void TextConverter::encodeMac(const char16_t* from, const char16_t* to, QByteArray& out,
                              qsizetype& used) const {
    char* target = tail(out, used, to - from);
    for (; from < to; ++from) {
        const char16_t u = *from;
        if (u < 0x80) {
            *target++ = char(u);
            continue;
        }
        // Surrogates and everything else the table lacks are left out.
        const auto it = std::lower_bound(m_macReverse.begin(), m_macReverse.end(), u,
                                         [](const auto& entry, char16_t c) { return entry.first < c; });
        if (it != m_macReverse.end() && it->first == u)
            *target++ = char(it->second);
    }
    used = target - out.data();
}

bool TextConverter::convertThroughPivot(const char*& src, const char* end, bool last, QByteArray& out) {
    qsizetype used = out.size();
    bool ok = true;
    for (bool more = true; more && ok;) {
        char16_t* pivotEnd = m_pivot.get();
        if (m_macFrom) {
            more = decodeMac(src, end, pivotEnd);
        } else {
            UErrorCode err = U_ZERO_ERROR;
            ucnv_toUnicode(m_icuFrom, &pivotEnd, m_pivot.get() + kPivotSize, &src, end, nullptr, last, &err);
            more = err == U_BUFFER_OVERFLOW_ERROR;
            ok = more || U_SUCCESS(err);
        }
        if (!ok)
            break;
        const char16_t* pivot = m_pivot.get();
        if (m_macTo) {
            encodeMac(pivot, pivotEnd, out, used);
            continue;
        }
        // The target's closing shift belongs after the very last character only.
        const bool flush = last && !more && !m_closeHzShift;
        for (;;) {
            char* target = tail(out, used, (pivotEnd - pivot) * 4 + 64);
            char* const limit = out.data() + out.size();
            UErrorCode err = U_ZERO_ERROR;
            ucnv_fromUnicode(m_icuTo, &target, limit, &pivot, pivotEnd, nullptr, flush, &err);
            used = target - out.data();
            if (err == U_BUFFER_OVERFLOW_ERROR)
                continue;
            ok = U_SUCCESS(err);
            break;
        }
    }
    if (ok && last && m_closeHzShift)
        ok = closeHzShift(out, used);
    out.resize(used);
    return ok;
}

// ICU's HZ encoder leaves a text that ends in Chinese inside its "~{" shift, so that whatever follows
// the file would be read as GB2312. One more ASCII character makes it write the closing "~}"; the
// character itself is dropped again.
bool TextConverter::closeHzShift(QByteArray& out, qsizetype& used) {
    const char16_t probe[] = u"a";
    const char16_t* from = probe;
    char closing[8];
    char* target = closing;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_fromUnicode(m_icuTo, &target, closing + sizeof closing, &from, probe + 1, nullptr, true, &err);
    if (U_FAILURE(err) || target == closing || target[-1] != 'a')
        return false;
    const qsizetype n = target - closing - 1;
    std::memcpy(tail(out, used, n), closing, std::size_t(n));
    used += n;
    return true;
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
