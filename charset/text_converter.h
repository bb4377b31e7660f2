// Converts text from one encoding to another in pieces of any size, leaving out what cannot be
// converted: bytes the source encoding cannot read and characters the target cannot hold.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>
#include <string>

class TextReader;
class TextWriter;

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
    TextConverter();
    std::unique_ptr<TextReader> m_reader;
    std::unique_ptr<TextWriter> m_writer;
    std::u16string m_text; // between the two, kept for the next piece's use
};

// True when the converter can open the name.
bool isKnownEncoding(const QString& name);

// The whole of `input` converted at once (tests, fuzzing, small texts); nullopt, with the reason in
// *error, when a name is unknown or the converter fails.
std::optional<QByteArray> convertBytes(QByteArrayView input, const QString& from, const QString& to,
                                       QString* error = nullptr);
