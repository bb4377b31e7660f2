// The languages the translation service knows, as the two ribbon combos offer them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <span>

struct LanguageEntry {
    const char16_t* displayName; // shown in the combos and compared exactly
    const char* serviceCode;     // the service's own code, which differs from ISO in places ("iw")
};

// All 92 rows, in the order of the "Translate From" combo.
std::span<const LanguageEntry> languageTable();

// The items of the "Translate From" combo (all rows) and of the "To" combo (all but
// "Detect language"), in their orders.
QStringList translateFromNames();
QStringList translateToNames();

inline constexpr char16_t kDefaultFromLanguage[] = u"English";
inline constexpr char16_t kDefaultToLanguage[] = u"French";

// The service code of a display name (exact, case-sensitive); empty when no row has that name.
QByteArray languageCode(const QString& displayName);

// "<source code>&tl=<target code>", each code empty when its name is not in the table.
QByteArray BuildLanguagePair(const QString& fromName, const QString& toName);
