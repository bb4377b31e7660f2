// BCP 47 tags to velmora's language codes and back.
#include "memory/language_codes.h"

#include <QStringList>

namespace {

struct Alias {
    const char* tag;
    const char* code;
};

// Where velmora's codes (the translation service's) differ from the registered language subtags;
// "in" and "ji" are the withdrawn ISO codes some old files still carry.
constexpr Alias kAliases[] = {
    {"he", "iw"}, {"jv", "jw"}, {"fil", "tl"}, {"nb", "no"}, {"nn", "no"}, {"in", "id"}, {"ji", "yi"},
};
// velmora's codes that are no registered subtag; the others ("tl", "no", "zh-CN") are valid tags.
constexpr Alias kExported[] = {{"he", "iw"}, {"jv", "jw"}};

} // namespace

QString languageFromTag(const QString& tag) {
    const QStringList parts = tag.trimmed().toLower().replace(u'_', u'-').split(u'-', Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.first() == u"*all*")
        return {};
    const QString& language = parts.first();
    if (language == u"zh") {
        const bool traditional = parts.contains(u"hant") || parts.contains(u"tw") || parts.contains(u"hk") ||
                                 parts.contains(u"mo");
        return traditional ? QStringLiteral("zh-TW") : QStringLiteral("zh-CN");
    }
    for (const Alias& a : kAliases)
        if (language == QLatin1String(a.tag))
            return QLatin1String(a.code);
    return language;
}

QString tagFromLanguage(const QString& code) {
    for (const Alias& a : kExported)
        if (code == QLatin1String(a.code))
            return QLatin1String(a.tag);
    return code;
}

bool isStorableLanguage(const QString& code) {
    return !code.isEmpty() && code != u"auto";
}
