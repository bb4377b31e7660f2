// One Hunspell dictionary behind a Qt face: words go in and come out in the encoding its .aff file
// names, and nothing of Hunspell's C interface is seen beyond this file pair.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

struct Hunhandle;
struct UConverter;

class HunspellDictionary {
public:
    // Nullopt with *error set when the files cannot be read or their encoding is unknown.
    static std::unique_ptr<HunspellDictionary> open(const QString& affPath, const QString& dicPath,
                                                    QString* error = nullptr);
    ~HunspellDictionary();
    HunspellDictionary(const HunspellDictionary&) = delete;
    HunspellDictionary& operator=(const HunspellDictionary&) = delete;

    // A word with a character the dictionary's encoding lacks cannot be one of its words.
    bool spell(QStringView word) const;
    QStringList suggest(QStringView word) const;
    // Known for the rest of the run (the user's own words); false when the encoding cannot hold it.
    bool add(QStringView word);
    QString encoding() const { return m_encoding; }

private:
    HunspellDictionary() = default;
    std::optional<QByteArray> encode(QStringView word) const;
    QString decode(const char* bytes) const;

    Hunhandle* m_handle = nullptr;
    UConverter* m_converter = nullptr; // none for UTF-8, which Qt converts itself
    QString m_encoding;
};
