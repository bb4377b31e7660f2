// Converts text from one encoding to another in pieces of any size, leaving out what cannot be
// converted: bytes the source encoding cannot decode and characters the target cannot hold.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct MacTable;
struct UConverter;

class TextConverter {
public:
    // Between two encoding names: the converter's keys, or any other name ICU knows. nullptr, with
    // the reason in *error, when a name is unknown.
    static std::unique_ptr<TextConverter> open(const QString& from, const QString& to,
                                               QString* error = nullptr);
    ~TextConverter();
    TextConverter(const TextConverter&) = delete;
    TextConverter& operator=(const TextConverter&) = delete;

    // Appends the conversion of the next piece of the text to `out`. A sequence cut at the end of a
    // piece is completed by the next piece; `last` ends the text: an incomplete sequence is left out,
    // the target's closing shift is written and the converter is ready for a new text. false only
    // when the converter itself fails; `out` then holds what was converted before the failure.
    bool convert(QByteArrayView input, bool last, QByteArray& out);
    void reset();

private:
    TextConverter() = default;
    bool convertDirect(const char*& src, const char* end, bool last, QByteArray& out);
    bool convertThroughPivot(const char*& src, const char* end, bool last, QByteArray& out);
    bool decodeMac(const char*& src, const char* end, char16_t*& pivotEnd);
    void encodeMac(const char16_t* from, const char16_t* to, QByteArray& out, qsizetype& used) const;
    bool closeHzShift(QByteArray& out, qsizetype& used);

    UConverter* m_icuFrom = nullptr;
    UConverter* m_icuTo = nullptr;
    const MacTable* m_macFrom = nullptr;
    const MacTable* m_macTo = nullptr;
    bool m_closeHzShift = false;
    // The target table turned round: character and byte, sorted by character.
    std::vector<std::pair<char16_t, std::uint8_t>> m_macReverse;
    std::unique_ptr<char16_t[]> m_pivot;
    char16_t* m_pivotSource = nullptr;
    char16_t* m_pivotTarget = nullptr;
};

// True when the converter can open the name.
bool isKnownEncoding(const QString& name);

// The whole of `input` converted at once (tests, fuzzing, small texts); nullopt, with the reason in
// *error, when a name is unknown or the converter fails.
std::optional<QByteArray> convertBytes(QByteArrayView input, const QString& from, const QString& to,
                                       QString* error = nullptr);
