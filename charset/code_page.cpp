// ICU-backed code page conversion with one cached converter per code page and thread.
#include "charset/code_page.h"

#include <QLocale>
#include <atomic>
#include <unicode/ucnv.h>
#include <unordered_map>

namespace {

struct CodePageName {
    std::uint32_t codePage;
    const char* icuName;
};

// ICU's "cpNNN" aliases name IBM tables for some numbers (949, 950, 874): use the windows-NNN names.
constexpr CodePageName kCodePageNames[] = {
    {874, "windows-874"},   {932, "windows-932"},   {936, "windows-936"},   {949, "windows-949"},
    {950, "windows-950"},   {1250, "windows-1250"}, {1251, "windows-1251"}, {1252, "windows-1252"},
    {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"}, {1256, "windows-1256"},
    {1257, "windows-1257"}, {1258, "windows-1258"}, {20866, "KOI8-R"},      {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},  {28595, "ISO-8859-5"},  {28597, "ISO-8859-7"},  {50932, "ISO-2022-JP"},
    {51932, "EUC-JP"},      {52936, "HZ"},          {65000, "UTF-7"},       {65001, "UTF-8"},
};

struct LocaleCodePage {
    const char* language;
    std::uint32_t codePage;
};

constexpr LocaleCodePage kLanguageCodePages[] = {
    {"ja", 932},  {"ko", 949},  {"ru", 1251}, {"uk", 1251}, {"bg", 1251}, {"sr", 1251}, {"mk", 1251},
    {"be", 1251}, {"pl", 1250}, {"cs", 1250}, {"sk", 1250}, {"hu", 1250}, {"sl", 1250}, {"hr", 1250},
    {"ro", 1250}, {"el", 1253}, {"tr", 1254}, {"he", 1255}, {"ar", 1256}, {"fa", 1256}, {"ur", 1256},
    {"et", 1257}, {"lv", 1257}, {"lt", 1257}, {"vi", 1258}, {"th", 874},
};

std::atomic<std::uint32_t> g_ansiCodePage{0};

class ConverterCache {
public:
    ~ConverterCache() {
        for (auto& [cp, conv] : m_converters)
            if (conv)
                ucnv_close(conv);
    }
    UConverter* get(std::uint32_t codePage) {
        auto it = m_converters.find(codePage);
        if (it != m_converters.end())
            return it->second;
        UConverter* conv = nullptr;
        if (const char* name = icuConverterName(codePage)) {
            UErrorCode err = U_ZERO_ERROR;
            conv = ucnv_open(name, &err);
            if (U_FAILURE(err))
                conv = nullptr;
        }
        m_converters.emplace(codePage, conv);
        return conv;
    }

private:
    std::unordered_map<std::uint32_t, UConverter*> m_converters;
};

UConverter* converterFor(std::uint32_t codePage) {
    thread_local ConverterCache cache;
    return cache.get(resolveCodePage(codePage));
}

} // namespace

std::uint32_t ansiCodePageForLocale(const QString& localeName) {
    const QString name = localeName.toLower().replace(u'-', u'_');
    const QString language = name.section(u'_', 0, 0);
    if (language == u"zh") {
        const bool traditional =
            name.contains(u"_tw") || name.contains(u"_hk") || name.contains(u"_mo") || name.contains(u"hant");
        return traditional ? 950 : 936;
    }
    for (const auto& entry : kLanguageCodePages)
        if (language == QLatin1String(entry.language))
            return entry.codePage;
    return 1252;
}

std::uint32_t systemAnsiCodePage() {
    std::uint32_t cp = g_ansiCodePage.load();
    if (cp == 0) {
        QString name = qEnvironmentVariable("LC_ALL");
        if (name.isEmpty())
            name = qEnvironmentVariable("LC_CTYPE");
        if (name.isEmpty())
            name = qEnvironmentVariable("LANG");
        if (name.isEmpty() || name == u"C" || name == u"POSIX" || name.startsWith(u"C."))
            name = QLocale::system().name();
        cp = ansiCodePageForLocale(name);
        std::uint32_t expected = 0;
        g_ansiCodePage.compare_exchange_strong(expected, cp);
        cp = g_ansiCodePage.load();
    }
    return cp;
}

void setSystemAnsiCodePage(std::uint32_t codePage) {
    g_ansiCodePage.store(codePage == kUtf8CodePage ? 1252 : codePage);
}

std::uint32_t resolveCodePage(std::uint32_t codePage) {
    return codePage == kAnsiCodePage ? systemAnsiCodePage() : codePage;
}

const char* icuConverterName(std::uint32_t codePage) {
    codePage = resolveCodePage(codePage);
    for (const auto& entry : kCodePageNames)
        if (entry.codePage == codePage)
            return entry.icuName;
    return nullptr;
}

std::optional<QString> decodeBytes(const char* data, qsizetype size, std::uint32_t codePage) {
    UConverter* conv = converterFor(codePage);
    if (!conv)
        return std::nullopt;
    if (size <= 0)
        return QString();
    // Every code page here needs at most one UTF-16 unit per byte, plus one for a flushed state.
    QString out(size + 1, Qt::Uninitialized);
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), data,
                                    int32_t(size), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(n + 1);
        err = U_ZERO_ERROR;
        ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), data, int32_t(size),
                      &err);
    }
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    out.resize(n);
    return out;
}

std::optional<QByteArray> encodeText(QStringView text, std::uint32_t codePage, char defaultChar) {
    UConverter* conv = converterFor(codePage);
    if (!conv)
        return std::nullopt;
    if (text.isEmpty())
        return QByteArray();
    UErrorCode err = U_ZERO_ERROR;
    const char subst[1] = {defaultChar};
    ucnv_setSubstChars(conv, subst, 1, &err);
    err = U_ZERO_ERROR;
    QByteArray out(text.size() * 4 + 16, Qt::Uninitialized);
    int32_t n = ucnv_fromUChars(conv, out.data(), int32_t(out.size()),
                                reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(n + 1);
        err = U_ZERO_ERROR;
        n = ucnv_fromUChars(conv, out.data(), int32_t(out.size()),
                            reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &err);
    }
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    out.resize(n);
    return out;
}
