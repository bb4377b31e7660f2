// Windows code page numbers decoded and encoded through ICU converters.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

inline constexpr std::uint32_t kAnsiCodePage = 0; // CP_ACP: the system ANSI code page
inline constexpr std::uint32_t kUtf7CodePage = 65000;
inline constexpr std::uint32_t kUtf8CodePage = 65001;

// The process's ANSI code page, chosen from the user's locale as Windows would. Never UTF-8:
// re-decoding relies on a lossless byte round trip through it.
std::uint32_t systemAnsiCodePage();
void setSystemAnsiCodePage(std::uint32_t codePage); // for tests and for a forced choice
std::uint32_t ansiCodePageForLocale(const QString& localeName);

// 0 stands for the system ANSI code page.
std::uint32_t resolveCodePage(std::uint32_t codePage);
// The ICU converter name for a code page, or nullptr when the code page is unknown.
const char* icuConverterName(std::uint32_t codePage);

// Decodes bytes; nullopt when the code page cannot be opened. Bytes the code page does not define
// become the converter's substitute character.
std::optional<QString> decodeBytes(const char* data, qsizetype size, std::uint32_t codePage);
inline std::optional<QString> decodeBytes(const QByteArray& bytes, std::uint32_t codePage) {
    return decodeBytes(bytes.constData(), bytes.size(), codePage);
}

// Encodes text; characters the code page lacks become defaultChar. nullopt when the code page
// cannot be opened.
std::optional<QByteArray> encodeText(QStringView text, std::uint32_t codePage, char defaultChar = '#');
