// Hunspell's C interface and the dictionary's own encoding, kept at this edge.
#include "review/hunspell_dictionary.h"

#include <QFile>
#include <QFileInfo>
#include <hunspell/hunspell.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

namespace {

// Names some dictionaries give in their SET line that ICU spells another way.
QByteArray icuNameFor(const QByteArray& setName) {
    const QByteArray lower = setName.toLower();
    if (lower.startsWith("microsoft-cp"))
        return "windows-" + setName.mid(12);
    if (lower == "tis620-2533")
        return "TIS-620";
    return setName;
}

bool isUtf8(const QByteArray& name) {
    const QByteArray lower = name.toLower();
    return lower == "utf-8" || lower == "utf8";
}

} // namespace

std::unique_ptr<HunspellDictionary> HunspellDictionary::open(const QString& affPath, const QString& dicPath,
                                                             QString* error) {
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return nullptr;
    };
    for (const QString& path : {affPath, dicPath})
        if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable())
            return fail(QStringLiteral("Cannot read %1").arg(path));

    std::unique_ptr<HunspellDictionary> d(new HunspellDictionary);
    d->m_handle =
        Hunspell_create(QFile::encodeName(affPath).constData(), QFile::encodeName(dicPath).constData());
    if (!d->m_handle)
        return fail(QStringLiteral("Hunspell cannot open %1").arg(affPath));
    const char* set = Hunspell_get_dic_encoding(d->m_handle);
    const QByteArray name = set && *set ? QByteArray(set) : QByteArray("ISO8859-1");
    d->m_encoding = QString::fromLatin1(name);
    if (!isUtf8(name)) {
        UErrorCode status = U_ZERO_ERROR;
        d->m_converter = ucnv_open(icuNameFor(name).constData(), &status);
        if (U_FAILURE(status) || !d->m_converter)
            return fail(QStringLiteral("The encoding %1 of %2 is not known").arg(d->m_encoding, affPath));
        // A character the encoding lacks makes the word unknown rather than a '?' that might be a word.
        status = U_ZERO_ERROR;
        ucnv_setFromUCallBack(d->m_converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }
    return d;
}

HunspellDictionary::~HunspellDictionary() {
    if (m_handle)
        Hunspell_destroy(m_handle);
    if (m_converter)
        ucnv_close(m_converter);
}

std::optional<QByteArray> HunspellDictionary::encode(QStringView word) const {
    if (!m_converter)
        return word.toUtf8();
    ucnv_resetFromUnicode(m_converter);
    QByteArray out(int(word.size()) * 4 + 4, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n =
        ucnv_fromUChars(m_converter, out.data(), int32_t(out.size()),
                        reinterpret_cast<const UChar*>(word.utf16()), int32_t(word.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.truncate(n);
    return out;
}

QString HunspellDictionary::decode(const char* bytes) const {
    if (!m_converter)
        return QString::fromUtf8(bytes);
    ucnv_resetToUnicode(m_converter);
    const int32_t size = int32_t(qstrlen(bytes));
    QString out(size * 2 + 2, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(m_converter, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                                    bytes, size, &status);
    if (U_FAILURE(status))
        return {};
    out.truncate(n);
    return out;
}

bool HunspellDictionary::spell(QStringView word) const {
    const std::optional<QByteArray> bytes = encode(word);
    return bytes && !bytes->isEmpty() && Hunspell_spell(m_handle, bytes->constData()) != 0;
}

QStringList HunspellDictionary::suggest(QStringView word) const {
    QStringList result;
    const std::optional<QByteArray> bytes = encode(word);
    if (!bytes || bytes->isEmpty())
        return result;
    char** list = nullptr;
    const int n = Hunspell_suggest(m_handle, &list, bytes->constData());
    for (int i = 0; i < n; ++i) {
        const QString s = decode(list[i]);
        if (!s.isEmpty())
            result.append(s);
    }
    if (list)
        Hunspell_free_list(m_handle, &list, n);
    return result;
}

bool HunspellDictionary::add(QStringView word) {
    const std::optional<QByteArray> bytes = encode(word);
    if (!bytes || bytes->isEmpty())
        return false;
    return Hunspell_add(m_handle, bytes->constData()) == 0;
}
