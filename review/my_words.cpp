// Reading and adding to the user's word list.
#include "review/my_words.h"

#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

// A word list this big is not one a person made; refuse it rather than read it all into memory.
constexpr qint64 kLargestFile = 8 * 1024 * 1024;
// Hunspell's own limit on a word, in characters.
constexpr qsizetype kLongestWord = 100;

UserMessage wordsMessage(const QString& text) {
    return UserMessage{text, QStringLiteral("My Words"), MessageIcon::Warning};
}

} // namespace

bool isStorableWord(QStringView word) {
    if (word.isEmpty() || word.size() > kLongestWord)
        return false;
    return std::none_of(word.begin(), word.end(), [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
               c == QChar::ReplacementCharacter;
    });
}

QStringList parseMyWords(QByteArrayView bytes) {
    QStringList words;
    QSet<QString> seen;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        QByteArrayView line = end < 0 ? bytes : bytes.first(end);
        bytes = end < 0 ? QByteArrayView() : bytes.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString word = QString(decoder.decode(line)).trimmed();
        if (decoder.hasError() || !isStorableWord(word) || seen.contains(word))
            continue;
        seen.insert(word);
        words.append(word);
    }
    return words;
}

QByteArray withMyWord(QByteArray bytes, const QString& word) {
    if (!isStorableWord(word) || parseMyWords(bytes).contains(word))
        return bytes;
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    bytes += word.toUtf8();
    bytes += '\n';
    return bytes;
}

QString MyWords::defaultFile() {
    const WritableFolders folders =
        writableFoldersFor(FolderLayout::PerUser, programFolder(), QProcessEnvironment::systemEnvironment());
    return folders.data + QStringLiteral("my_words.txt");
}

std::optional<UserMessage> MyWords::readFile(QByteArray* bytes) const {
    QFile file(m_file);
    if (!file.exists()) {
        bytes->clear();
        return std::nullopt;
    }
    if (file.size() > kLargestFile)
        return wordsMessage(QStringLiteral("The word list %1 is larger than %2 MiB and was not read.")
                                .arg(QDir::toNativeSeparators(m_file))
                                .arg(kLargestFile / (1024 * 1024)));
    if (!file.open(QIODevice::ReadOnly))
        return wordsMessage(QStringLiteral("The word list %1 cannot be read: %2")
                                .arg(QDir::toNativeSeparators(m_file), file.errorString()));
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return wordsMessage(QStringLiteral("The word list %1 cannot be read: %2")
                                .arg(QDir::toNativeSeparators(m_file), file.errorString()));
    return std::nullopt;
}

std::optional<UserMessage> MyWords::load() {
    QByteArray bytes;
    if (std::optional<UserMessage> problem = readFile(&bytes)) {
        m_writable = false;
        return problem;
    }
    m_writable = true;
    m_words = parseMyWords(bytes);
    m_set = QSet<QString>(m_words.begin(), m_words.end());
    return std::nullopt;
}

std::optional<UserMessage> MyWords::add(const QString& text) {
    const QString word = text.trimmed();
    if (!isStorableWord(word))
        return wordsMessage(
            QStringLiteral("\"%1\" cannot be added: a word is one line without spaces, at most "
                           "%2 characters.")
                .arg(word.left(kLongestWord))
                .arg(kLongestWord));
    if (!m_writable)
        return wordsMessage(QStringLiteral("The word list %1 could not be read, so it is not changed.")
                                .arg(QDir::toNativeSeparators(m_file)));
    QByteArray bytes;
    if (std::optional<UserMessage> problem = readFile(&bytes))
        return problem;
    const QByteArray added = withMyWord(bytes, word);
    if (added != bytes) {
        QDir().mkpath(QFileInfo(m_file).absolutePath());
        // Written beside the old file and renamed over it: a failure leaves the old one whole.
        QSaveFile out(m_file);
        if (!out.open(QIODevice::WriteOnly) || out.write(added) != added.size() || !out.commit())
            return wordsMessage(QStringLiteral("The word list %1 cannot be written: %2")
                                    .arg(QDir::toNativeSeparators(m_file), out.errorString()));
    }
    QStringList current = parseMyWords(added);
    m_words = std::move(current);
    m_set = QSet<QString>(m_words.begin(), m_words.end());
    return std::nullopt;
}
