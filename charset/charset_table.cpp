// The 21-row character set table and its key lookup.
#include "charset/charset_table.h"

#include "charset/code_page.h"

#include <cstring>

namespace {
// The "Shit-JIS" spelling is what users and stored choices have always seen; name and key agree.
constexpr CharsetEntry kCharsets[] = {
    {u"America(ANSI)", "ANSI", 0},
    {u"Simplified Chinese(GB2312)", "GB2312", 936},
    {u"Traditional Chinese(BIG5)", "BIG5", 950},
    {u"Simplified Chinese(HZ)", "HZ", 52936},
    {u"Western European(iso-8859-1)", "iso-8859-1", 1252},
    {u"Japanese(Shit-JIS)", "Shit-JIS", 932},
    {u"Japanese(JIS)", "JIS", 50932},
    {u"Japanese(EUC)", "EUC", 51932},
    {u"Korean(KSC5601)", "KSC5601", 949},
    {u"Central European(iso-8859-2)", "iso-8859-2", 28592},
    {u"Central European(Windows-1250)", "Windows-1250", 1250},
    {u"Cyrillic(Windows-1251)", "Windows-1251", 1251},
    {u"Cyrillic(KOI8-R)", "KOI8-R", 20866},
    {u"Cyrillic(iso-8859-5)", "iso-8859-5", 28595},
    {u"Greek(iso-8859-7)", "iso-8859-7", 28597},
    {u"Greek(Windows-1253)", "Windows-1253", 1253},
    {u"Arabic(Windows-1256)", "Windows-1256", 1256},
    {u"Thai(Windows-874)", "Windows-874", 874},
    {u"Hebrew(Windows-1255)", "Windows-1255", 1255},
    {u"Unicode(UTF-7)", "UTF-7", 65000},
    {u"Unicode(UTF-8)", "UTF-8", 65001},
};
} // namespace

std::span<const CharsetEntry> charsetTable() {
    return kCharsets;
}

std::optional<std::uint32_t> lookupCharsetKey(const QString& displayName) {
    // The name passes through the ANSI code page into at most 100 bytes, as the keys are narrow text.
    QByteArray narrow = encodeText(displayName, kAnsiCodePage, '?').value_or(displayName.toLatin1());
    if (narrow.size() > 100)
        narrow.truncate(100);
    const qsizetype open = narrow.indexOf('(');
    if (open < 0)
        return std::nullopt;
    QByteArray key = narrow.mid(open + 1);
    if (key.isEmpty())
        return std::nullopt;
    key.chop(1);
    for (const auto& entry : kCharsets)
        if (key == QByteArray(entry.key))
            return entry.codePage;
    return std::nullopt;
}
