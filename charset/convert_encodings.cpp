// The converter's encodings: the 32 names it always had, then the Unicode forms with a byte-order
// mark, GBK and GB18030 and the rest of the Windows and ISO code pages the editor reads.
#include "charset/convert_encodings.h"

namespace {
constexpr ConvertEncoding kConvertEncodings[] = {
    {u"America(ASCII)", "ASCII"},
    {u"Simplified Chinese(GB2312)", "GB2312"},
    {u"Traditional Chinese(BIG5)", "BIG5"},
    {u"Simplified Chinese(HZ)", "HZ"},
    {u"Western European(ISO-8859-1)", "ISO-8859-1"},
    {u"Central European(ISO-8859-2)", "ISO-8859-2"},
    {u"Central European(CP1250)", "CP1250"},
    {u"Japanese(SHIFT-JIS)", "SHIFT-JIS"},
    {u"Japanese(CP932)", "CP932"},
    {u"Japanese(EUC-JP)", "EUC-JP"},
    {u"Korean(EUC-KR)", "EUC-KR"},
    {u"Korean(CP949)", "CP949"},
    {u"Korean(ISO-2022-KR)", "ISO-2022-KR"},
    {u"Cyrillic(CP1251)", "CP1251"},
    {u"Cyrillic(KOI8-R)", "KOI8-R"},
    {u"Cyrillic(ISO-8859-5)", "ISO-8859-5"},
    {u"Greek(ISO-8859-7)", "ISO-8859-7"},
    {u"Greek(CP1253)", "CP1253"},
    {u"Arabic(CP1256)", "CP1256"},
    {u"Arabic(MacArabic)", "MacArabic"},
    {u"Thai(CP874)", "CP874"},
    {u"Thai(TIS-620)", "TIS-620"},
    {u"Hebrew(CP1255)", "CP1255"},
    {u"Hebrew(MacHebrew)", "MacHebrew"},
    {u"Roman(MacRoman)", "MacRoman"},
    {u"Iceland(MacIceland)", "MacIceland"},
    {u"Croatian(MacCroatian)", "MacCroatian"},
    {u"Romania(MacRomania)", "MacRomania"},
    {u"Ukraine(MacUkraine)", "MacUkraine"},
    {u"Turkish(MacTurkish)", "MacTurkish"},
    {u"Unicode(UTF-7)", "UTF-7"},
    {u"Unicode(UTF-8)", "UTF-8"},
    {u"Unicode(UTF-8 with BOM)", "UTF-8 with BOM"},
    {u"Unicode(UTF-16LE with BOM)", "UTF-16LE with BOM"},
    {u"Unicode(UTF-16BE with BOM)", "UTF-16BE with BOM"},
    {u"Simplified Chinese(GBK)", "GBK"},
    {u"Simplified Chinese(GB18030)", "GB18030"},
    {u"Traditional Chinese(CP950)", "CP950"},
    {u"Japanese(ISO-2022-JP)", "ISO-2022-JP"},
    {u"Western European(CP1252)", "CP1252"},
    {u"Turkish(CP1254)", "CP1254"},
    {u"Baltic(CP1257)", "CP1257"},
    {u"Vietnamese(CP1258)", "CP1258"},
};
} // namespace

std::span<const ConvertEncoding> convertEncodingTable() {
    return kConvertEncodings;
}

QString convertEncodingKey(const QString& displayName) {
    const qsizetype open = displayName.indexOf(u'(');
    if (open < 0)
        return {};
    QString key = displayName.mid(open + 1);
    key.chop(1);
    return key;
}
