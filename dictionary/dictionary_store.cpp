// Dictionary store files: fixed-size records, read whole and appended whole.
#include "dictionary/dictionary_store.h"

#include "support/log.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kFlagOffset = 4;
constexpr std::size_t kOriginalOffset = 8;
constexpr std::size_t kOriginalTailOffset = 2056;
constexpr std::size_t kTranslatedOffset = 2060;
constexpr std::size_t kTranslatedTailOffset = 4108;
constexpr std::size_t kTextFieldUnits = 2048 / 2;

// Cut at the limit, but never between the halves of a surrogate pair.
QStringView clipped(const QString& text) {
    qsizetype n = std::min(text.size(), kDictionaryTextLimit);
    if (n < text.size() && n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return QStringView(text).left(n);
}

void putText(char* field, const QString& text) {
    const QStringView t = clipped(text);
    for (qsizetype i = 0; i < t.size(); ++i)
        qToLittleEndian<quint16>(t[i].unicode(), field + 2 * i);
}

QString getText(const char* field) {
    QString text;
    for (std::size_t i = 0; i < kTextFieldUnits; ++i) {
        const quint16 unit = qFromLittleEndian<quint16>(field + 2 * i);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

// Opens a store file for reading and appending, creating it (for the user alone) when missing and
// never cutting it short. The path's last part must be the file itself: a link planted there (a
// symbolic one, or a hard one to somebody's file) would have the records written into whatever it
// names. So would a file another user owns and can replace at will; and a pipe would block every
// write. Each is refused with errno set (ELOOP, EMLINK, EPERM, EINVAL) and nothing is written.
// Close-on-exec keeps the handle out of the programs velmora starts.
std::FILE* openStoreFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    auto refuse = [fd](int why) -> std::FILE* {
        ::close(fd);
        errno = why;
        return nullptr;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return refuse(errno);
    if (!S_ISREG(info.st_mode))
        return refuse(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    if (info.st_uid != ::geteuid())
        return refuse(EPERM);
    if (info.st_nlink != 1)
        return refuse(EMLINK);
    // Non-blocking was only for the open: a pipe planted here must not hang it.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return refuse(errno);
    std::FILE* file = ::fdopen(fd, "rb+");
    if (!file)
        return refuse(errno);
    return file;
}

// Unbuffered: every record is one block anyway, and a failed write leaves nothing pending in a
// buffer that a later flush could add after the file was put right.
void makeUnbuffered(std::FILE* file) {
    std::setvbuf(file, nullptr, _IONBF, 0);
}

} // namespace

QByteArray DictionaryRecord::toBytes() const {
    QByteArray bytes(qsizetype(kDictionaryRecordSize), '\0');
    char* data = bytes.data();
    qToLittleEndian<std::int32_t>(flag, data + kFlagOffset);
    putText(data + kOriginalOffset, original);
    qToLittleEndian<std::int32_t>(0, data + kOriginalTailOffset);
    putText(data + kTranslatedOffset, translated);
    qToLittleEndian<std::int32_t>(0, data + kTranslatedTailOffset);
    return bytes;
}

DictionaryRecord DictionaryRecord::fromBytes(const char* bytes) {
    DictionaryRecord record;
    record.flag = qFromLittleEndian<std::int32_t>(bytes + kFlagOffset);
    record.original = getText(bytes + kOriginalOffset);
    record.translated = getText(bytes + kTranslatedOffset);
    return record;
}

DictionaryStore::~DictionaryStore() {
    close();
}

void DictionaryStore::close() {
    if (m_wordFile)
        std::fclose(m_wordFile);
    if (m_sentenceFile)
        std::fclose(m_sentenceFile);
    m_wordFile = nullptr;
    m_sentenceFile = nullptr;
}

int DictionaryStore::OpenDictionaryFiles(const QString& programFolder) {
    QString folder = programFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return openDictionaryFilesIn(folder + QStringLiteral("../data/"));
}

int DictionaryStore::openDictionaryFilesIn(const QString& dataFolder) {
    close();
    QString folder = dataFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    const QByteArray wordPath = QFile::encodeName(folder + QStringLiteral("word.lxd"));
    const QByteArray sentencePath = QFile::encodeName(folder + QLatin1String(kSentenceFileName));

    m_wordFile = openStoreFile(wordPath);
    if (!m_wordFile) {
        const int err = errno;
        log_printf("open word.lxd file %s error, errno is %d\n", wordPath.constData(), err);
        return -1;
    }
    m_sentenceFile = openStoreFile(sentencePath);
    if (!m_sentenceFile) {
        const int err = errno;
        close();
        log_printf("open sentence.lxd file %s error, errno is %d\n", sentencePath.constData(), err);
        return -1;
    }
    makeUnbuffered(m_wordFile);
    makeUnbuffered(m_sentenceFile);
    return 0;
}

int DictionaryStore::AppendDictionaryRecord(const DictionaryRecord& record, int selector) {
    if (!isOpen())
        return -1;
    std::FILE* file = selector == kVocabulary ? m_wordFile : m_sentenceFile;
    const QByteArray bytes = record.toBytes();

    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long end = std::ftell(file);
    if (end < 0)
        return -1;
    // A short tail is what a crash part-way through an append leaves. Completed to a record it
    // would be listed as an entry made of half a text and zeros; it goes before the new record.
    const long start = end - long(std::size_t(end) % kDictionaryRecordSize);
    if (start != end) {
        if (std::fflush(file) != 0 || ::ftruncate(::fileno(file), off_t(start)) != 0 ||
            std::fseek(file, start, SEEK_SET) != 0) {
            log_printf("cut short dictionary record error, errno is %d\n", errno);
            std::clearerr(file);
            return -1;
        }
    }
    const std::size_t written = std::fwrite(bytes.constData(), 1, bytes.size(), file);
    const bool ok = written == std::size_t(bytes.size()) && std::fflush(file) == 0;
    std::fflush(m_wordFile);
    std::fflush(m_sentenceFile);
    if (!ok) {
        const int err = errno;
        // A partial record would shift every record appended after it; cut it off again.
        std::clearerr(file);
        if (::ftruncate(::fileno(file), off_t(start)) != 0)
            log_printf("cut partial dictionary record error, errno is %d\n", errno);
        log_printf("write dictionary record error, errno is %d\n", err);
        return -1;
    }
    return 0;
}

std::vector<DictionaryRecord> listDictionaryRecords(QByteArrayView bytes) {
    std::vector<DictionaryRecord> records;
    const std::size_t whole = std::size_t(bytes.size()) / kDictionaryRecordSize;
    for (std::size_t i = 0; i < whole; ++i) {
        DictionaryRecord record = DictionaryRecord::fromBytes(bytes.data() + i * kDictionaryRecordSize);
        if (record.flag == 1)
            records.push_back(std::move(record));
    }
    return records;
}

std::vector<DictionaryRecord> DictionaryStore::readRecords(int selector) {
    std::vector<DictionaryRecord> records;
    if (!isOpen())
        return records;
    std::FILE* file = selector == kVocabulary ? m_wordFile : m_sentenceFile;
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return records;
    // Whole records at a time, until a read comes back short.
    constexpr std::size_t kChunk = 64 * kDictionaryRecordSize;
    QByteArray bytes;
    for (;;) {
        const qsizetype at = bytes.size();
        bytes.resize(at + qsizetype(kChunk));
        const std::size_t got = std::fread(bytes.data() + at, 1, kChunk, file);
        bytes.resize(at + qsizetype(got));
        if (got < kChunk)
            break;
    }
    records = listDictionaryRecords(bytes);
    // The short read that ended the loop sets end-of-file; the next append must not inherit it.
    std::clearerr(file);
    return records;
}
