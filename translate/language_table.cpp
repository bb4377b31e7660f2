// The 92-row language table and the language pair of a job.
#include "translate/language_table.h"

namespace {
// The first five rows are the ones users pick most; the rest follow alphabetically.
constexpr LanguageEntry kLanguages[] = {
    {u"English", "en"},
    {u"Detect language", "auto"},
    {u"French", "fr"},
    {u"Spanish", "es"},
    {u"Italian", "it"},
    {u"Afrikaans", "af"},
    {u"Albanian", "sq"},
    {u"Arabic", "ar"},
    {u"Armenian", "hy"},
    {u"Azerbaijani", "az"},
    {u"Basque", "eu"},
    {u"Belarusian", "be"},
    {u"Bengali", "bn"},
    {u"Bosnian", "bs"},
    {u"Bulgarian", "bg"},
    {u"Catalan", "ca"},
    {u"Cebuano", "ceb"},
    {u"Chichewa", "ny"},
    {u"Chinese(Simplified)", "zh-CN"},
    {u"Chinese(Traditional)", "zh-TW"},
    {u"Croatian", "hr"},
    {u"Czech", "cs"},
    {u"Danish", "da"},
    {u"Dutch", "nl"},
    {u"Esperanto", "eo"},
    {u"Estonian", "et"},
    {u"Filipino", "tl"},
    {u"Finnish", "fi"},
    {u"Galician", "gl"},
    {u"Georgian", "ka"},
    {u"German", "de"},
    {u"Greek", "el"},
    {u"Gujarati", "gu"},
    {u"Haitian Creole", "ht"},
    {u"Hausa", "ha"},
    {u"Hebrew", "iw"},
    {u"Hindi", "hi"},
    {u"Hmong", "hmn"},
    {u"Hungarian", "hu"},
    {u"Icelandic", "is"},
    {u"Igbo", "ig"},
    {u"Indonesian", "id"},
    {u"Irish", "ga"},
    {u"Japanese", "ja"},
    {u"Javanese", "jw"},
    {u"Kannada", "kn"},
    {u"Kazakh", "kk"},
    {u"Khmer", "km"},
    {u"Korean", "ko"},
    {u"Lao", "lo"},
    {u"Latin", "la"},
    {u"Latvian", "lv"},
    {u"Lithuanian", "lt"},
    {u"Macedonian", "mk"},
    {u"Malagasy", "mg"},
    {u"Malay", "ms"},
    {u"Malayalam", "ml"},
    {u"Maltese", "mt"},
    {u"Maori", "mi"},
    {u"Marathi", "mr"},
    {u"Mongolian", "mn"},
    {u"Myanmar (Burmese)", "my"},
    {u"Nepali", "ne"},
    {u"Norwegian", "no"},
    {u"Persian", "fa"},
    {u"Polish", "pl"},
    {u"Portuguese", "pt"},
    {u"Punjabi", "pa"},
    {u"Romanian", "ro"},
    {u"Russian", "ru"},
    {u"Serbian", "sr"},
    {u"Sesotho", "st"},
    {u"Sinhala", "si"},
    {u"Slovak", "sk"},
    {u"Slovenian", "sl"},
    {u"Somali", "so"},
    {u"Sundanese", "su"},
    {u"Swahili", "sw"},
    {u"Swedish", "sv"},
    {u"Tajik", "tg"},
    {u"Tamil", "ta"},
    {u"Telugu", "te"},
    {u"Thai", "th"},
    {u"Turkish", "tr"},
    {u"Ukrainian", "uk"},
    {u"Urdu", "ur"},
    {u"Uzbek", "uz"},
    {u"Vietnamese", "vi"},
    {u"Welsh", "cy"},
    {u"Yiddish", "yi"},
    {u"Yoruba", "yo"},
    {u"Zulu", "zu"},
};

// The "To" combo leads with the usual targets, English second, and cannot detect.
constexpr const char16_t* kToHead[] = {u"French", u"English", u"Spanish", u"Italian"};
constexpr int kFromHeadCount = 5;
constexpr char16_t kDetectLanguage[] = u"Detect language";
} // namespace

std::span<const LanguageEntry> languageTable() {
    return kLanguages;
}

QStringList translateFromNames() {
    QStringList names;
    names.reserve(std::size(kLanguages));
    for (const LanguageEntry& e : kLanguages)
        names.append(QString::fromUtf16(e.displayName));
    return names;
}

QStringList translateToNames() {
    QStringList names;
    for (const char16_t* name : kToHead)
        names.append(QString::fromUtf16(name));
    for (const LanguageEntry& e : languageTable().subspan(kFromHeadCount))
        names.append(QString::fromUtf16(e.displayName));
    Q_ASSERT(!names.contains(QString::fromUtf16(kDetectLanguage)));
    return names;
}

QByteArray languageCode(const QString& displayName) {
    for (const LanguageEntry& e : kLanguages)
        if (displayName == QString::fromUtf16(e.displayName))
            return QByteArray(e.serviceCode);
    return {};
}

QByteArray BuildLanguagePair(const QString& fromName, const QString& toName) {
    return languageCode(fromName) + "&tl=" + languageCode(toName);
}
