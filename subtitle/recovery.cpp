// The recovery file: its format, this run's file and lock, and the files that ended runs left.
#include "subtitle/recovery.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// "velmora recovery", a line feed, then the version, the content's length and its SHA-256.
constexpr char kMagic[] = "velmora recovery\n";
constexpr qsizetype kMagicSize = sizeof(kMagic) - 1;
// Version 2 keeps the trailer of WebVTT and Advanced SubStation files; a version 1 file, left by a
// run before the upgrade, is still read, so that work is not refused.
constexpr quint32 kVersion = 2;
constexpr qsizetype kDigestSize = 32;
constexpr qsizetype kHeaderSize = kMagicSize + 4 + 4 + kDigestSize;

const QString kRecoverySuffix = QStringLiteral(".recovery");
const QString kLockSuffix = QStringLiteral(".lock");
const QString kPartSuffix = QStringLiteral(".recovery.part");

// ---------------------------------------------------------------- writing

class Writer {
public:
    void u8(quint8 v) { m_out.append(char(v)); }
    void u32(quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        m_out.append(b, 4);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void i64(qint64 v) {
        char b[8];
        qToLittleEndian(quint64(v), b);
        m_out.append(b, 8);
    }
    void f64(double v) {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        i64(qint64(bits));
    }
    // UTF-16 units as they are: a lone surrogate in a subtitle's text comes back unchanged.
    void string(const QString& s) {
        u32(quint32(s.size()));
        for (QChar c : s) {
            char b[2];
            qToLittleEndian(c.unicode(), b);
            m_out.append(b, 2);
        }
    }
    void strings(const QStringList& list) {
        u32(quint32(list.size()));
        for (const QString& s : list)
            string(s);
    }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

// ---------------------------------------------------------------- reading

// Reads the content front to back; the first read past the end, or a count that the bytes left
// could not hold, fails it and every read after it.
class Reader {
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_data.size(); }

    quint8 u8() {
        if (!need(1))
            return 0;
        return quint8(m_data[m_pos++]);
    }
    quint32 u32() {
        if (!need(4))
            return 0;
        const quint32 v = qFromLittleEndian<quint32>(m_data.data() + m_pos);
        m_pos += 4;
        return v;
    }
    qint32 i32() { return qint32(u32()); }
    qint64 i64() {
        if (!need(8))
            return 0;
        const quint64 v = qFromLittleEndian<quint64>(m_data.data() + m_pos);
        m_pos += 8;
        return qint64(v);
    }
    double f64() {
        const quint64 bits = quint64(i64());
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    QString string() {
        const quint32 units = u32();
        if (!need(qsizetype(units) * 2))
            return {};
        QString s(qsizetype(units), Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(s.data());
        for (quint32 i = 0; i < units; ++i)
            out[i] = qFromLittleEndian<quint16>(m_data.data() + m_pos + 2 * qsizetype(i));
        m_pos += qsizetype(units) * 2;
        return s;
    }
    QStringList strings() {
        const qsizetype count = this->count(4);
        QStringList list;
        list.reserve(count);
        for (qsizetype i = 0; i < count && m_ok; ++i)
            list.append(string());
        return list;
    }
    // A count of items each at least `least` bytes long, refused when the bytes left cannot hold
    // them, so that nothing is reserved on a damaged count's word.
    qsizetype count(qsizetype least) {
        const quint32 n = u32();
        if (!m_ok || qsizetype(n) > (m_data.size() - m_pos) / least) {
            m_ok = false;
            return 0;
        }
        return qsizetype(n);
    }

private:
    bool need(qsizetype bytes) {
        if (m_ok && bytes >= 0 && bytes <= m_data.size() - m_pos)
            return true;
        m_ok = false;
        return false;
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

RecoveryRead refused(const QString& problem) {
    return RecoveryRead{std::nullopt, problem};
}

QByteArray digestOf(QByteArrayView content) {
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Locks a file that may not exist yet; -1 when another run holds it (or it cannot be opened).
int tryLock(const QString& path, int* error = nullptr) {
    const QByteArray name = QFile::encodeName(path);
    // A lock file that a cleaning run removed between our open and our lock is not the one on
    // disk any more: holding it would tell nobody anything, so take the new one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (error)
                *error = errno;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (error)
                *error = errno;
            ::close(fd);
            return -1;
        }
        struct stat held {
        }, onDisk{};
        if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &onDisk) == 0 &&
            held.st_dev == onDisk.st_dev && held.st_ino == onDisk.st_ino)
            return fd;
        ::close(fd);
    }
    if (error)
        *error = EAGAIN;
    return -1;
}

QString baseOf(const QString& path, const QString& suffix) {
    return path.endsWith(suffix) ? path.chopped(suffix.size()) : path;
}

} // namespace

// ---------------------------------------------------------------- the format

QByteArray encodeRecovery(const RecoveryState& state) {
    Writer w;
    const SubtitleDocument& d = state.document;
    w.i64(state.savedAtMs);
    w.i32(d.formatMode);
    w.u32(d.originalCodePage);
    w.u32(d.translatedCodePage);
    w.u8(state.originalUnsaved);
    w.u8(state.translatedUnsaved);
    w.string(state.originalFile);
    w.string(state.translatedFile);
    for (const QStringList* list : {&d.headerLines, &d.loadedTimeLines, &d.timeLines, &d.originalTexts,
                                    &d.translatedTimeLines, &d.translatedTexts, &d.trailerLines})
        w.strings(*list);
    w.u32(quint32(state.rows.size()));
    for (const EntryRow& row : state.rows) {
        w.u8(row.number ? 1 : 0);
        if (row.number)
            w.f64(*row.number);
        for (const QString* cell : {&row.show, &row.hide, &row.original, &row.translated})
            w.string(*cell);
    }
    const QByteArray content = w.take();

    QByteArray out;
    out.reserve(kHeaderSize + content.size());
    out.append(kMagic, kMagicSize);
    Writer header;
    header.u32(kVersion);
    header.u32(quint32(content.size()));
    out += header.take();
    out += digestOf(content);
    out += content;
    return out;
}

RecoveryRead decodeRecovery(QByteArrayView bytes) {
    if (bytes.size() < kMagicSize || bytes.first(kMagicSize) != QByteArrayView(kMagic, kMagicSize))
        return refused(QStringLiteral("it is not a recovery file of velmora"));
    if (bytes.size() < kHeaderSize)
        return refused(QStringLiteral("it is incomplete"));
    const quint32 version = qFromLittleEndian<quint32>(bytes.data() + kMagicSize);
    if (version != kVersion && version != 1)
        return refused(
            QStringLiteral("it was written by another version of velmora (format %1)").arg(version));
    const quint32 length = qFromLittleEndian<quint32>(bytes.data() + kMagicSize + 4);
    const QByteArrayView content = bytes.sliced(kHeaderSize);
    if (content.size() != qsizetype(length))
        return refused(QStringLiteral("it is incomplete or has bytes added"));
    if (digestOf(content) != bytes.sliced(kMagicSize + 8, kDigestSize))
        return refused(QStringLiteral("it is damaged (its checksum does not match)"));
    return decodeRecoveryContent(content, version);
}

RecoveryRead decodeRecoveryContent(QByteArrayView content, quint32 version) {
    Reader r(content);
    RecoveryState state;
    SubtitleDocument& d = state.document;
    state.savedAtMs = r.i64();
    d.formatMode = r.i32();
    d.originalCodePage = r.u32();
    d.translatedCodePage = r.u32();
    state.originalUnsaved = r.u8();
    state.translatedUnsaved = r.u8();
    state.originalFile = r.string();
    state.translatedFile = r.string();
    for (QStringList* list : {&d.headerLines, &d.loadedTimeLines, &d.timeLines, &d.originalTexts,
                              &d.translatedTimeLines, &d.translatedTexts})
        *list = r.strings();
    if (version >= 2)
        d.trailerLines = r.strings();
    // A row takes at least its flag and four string lengths.
    const qsizetype rows = r.count(1 + 4 * 4);
    state.rows.reserve(rows);
    for (qsizetype i = 0; i < rows && r.ok(); ++i) {
        EntryRow row;
        const quint8 numbered = r.u8();
        if (numbered > 1)
            return refused(QStringLiteral("its content is damaged (a row's number flag)"));
        if (numbered == 1) {
            const double number = r.f64();
            if (!std::isfinite(number))
                return refused(QStringLiteral("its content is damaged (a row number is not a number)"));
            row.number = number;
        }
        for (QString* cell : {&row.show, &row.hide, &row.original, &row.translated})
            *cell = r.string();
        state.rows.append(std::move(row));
    }
    if (!r.ok() || !r.atEnd())
        return refused(QStringLiteral("its content is damaged"));
    if (!isValidFormat(d.formatMode) || (state.originalUnsaved & ~savedBy(Side::Original)) != 0 ||
        (state.translatedUnsaved & ~savedBy(Side::Translated)) != 0)
        return refused(QStringLiteral("its content is damaged (unknown settings)"));
    // The lists that move with the rows never reach beyond them; every edit relies on it.
    for (const QStringList* list : {&d.loadedTimeLines, &d.timeLines, &d.originalTexts, &d.translatedTexts})
        if (list->size() > state.rows.size())
            return refused(QStringLiteral("its content is damaged (lists longer than the rows)"));
    return RecoveryRead{std::move(state), {}};
}

QString defaultRecoveryFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/velmora/recovery");
}

// ---------------------------------------------------------------- this run's file

RecoveryFile::RecoveryFile(QString folder) : m_folder(std::move(folder)) {
    // The process id and the start time: another run, even one with a reused id, never has it.
    m_base = QDir(m_folder).filePath(QStringLiteral("velmora-%1-%2")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(QDateTime::currentMSecsSinceEpoch()));
}

RecoveryFile::~RecoveryFile() {
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QString RecoveryFile::path() const {
    return m_base + kRecoverySuffix;
}

bool RecoveryFile::exists() const {
    return QFileInfo::exists(path());
}

bool RecoveryFile::lock(QString* error) {
    if (m_lockFd >= 0)
        return true;
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    int err = 0;
    m_lockFd = tryLock(m_base + kLockSuffix, &err);
    if (m_lockFd < 0 && error)
        *error = systemError(err);
    return m_lockFd >= 0;
}

bool RecoveryFile::write(const RecoveryState& state, QString* error) {
    // The lock comes first: a recovery file is never without the lock that says its run goes on.
    if (!lock(error))
        return false;
    const QByteArray bytes = encodeRecovery(state);
    const QString part = m_base + kPartSuffix;
    const QByteArray partName = QFile::encodeName(part);
    const int fd = ::open(partName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = systemError(errno);
        return false;
    }
    qsizetype done = 0;
    int err = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            break;
        }
        done += n;
    }
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(partName.constData(), QFile::encodeName(path()).constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(partName.constData());
        if (error)
            *error = systemError(err);
        return false;
    }
    return true;
}

void RecoveryFile::remove() {
    QFile::remove(path());
    QFile::remove(m_base + kPartSuffix);
    if (m_lockFd >= 0) {
        // Unlinked while still held: no other run can take it for an orphan's in between.
        QFile::remove(m_base + kLockSuffix);
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

// ---------------------------------------------------------------- files of ended runs

OrphanRecovery::~OrphanRecovery() {
    release();
}

OrphanRecovery::OrphanRecovery(OrphanRecovery&& other) noexcept
    : m_path(std::move(other.m_path)), m_lockFd(std::exchange(other.m_lockFd, -1)) {}

OrphanRecovery& OrphanRecovery::operator=(OrphanRecovery&& other) noexcept {
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        m_lockFd = std::exchange(other.m_lockFd, -1);
    }
    return *this;
}

void OrphanRecovery::release() {
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

RecoveryRead OrphanRecovery::read() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    if (file.size() > kMaxRecoveryFileSize)
        return refused(QStringLiteral("it is larger than any recovery file velmora writes"));
    const QByteArray bytes = file.read(kMaxRecoveryFileSize + 1);
    if (bytes.size() > kMaxRecoveryFileSize)
        return refused(QStringLiteral("it is larger than any recovery file velmora writes"));
    return decodeRecovery(bytes);
}

void OrphanRecovery::discard() {
    const QString base = baseOf(m_path, kRecoverySuffix);
    QFile::remove(m_path);
    QFile::remove(base + kPartSuffix);
    QFile::remove(base + kLockSuffix);
    release();
}

QString OrphanRecovery::setAside() {
    const QString base = baseOf(m_path, kRecoverySuffix);
    const QString damaged = m_path + QStringLiteral(".damaged");
    QFile::remove(damaged);
    const QString kept = QFile::rename(m_path, damaged) ? damaged : m_path;
    QFile::remove(base + kLockSuffix);
    release();
    return kept;
}

std::vector<OrphanRecovery> claimOrphanRecoveries(const QString& folder) {
    const QDir dir(folder);
    std::vector<std::pair<QDateTime, OrphanRecovery>> found;
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("velmora-*") + kRecoverySuffix}, QDir::Files);
    for (const QFileInfo& info : files) {
        const QString path = info.absoluteFilePath();
        const int fd = tryLock(baseOf(path, kRecoverySuffix) + kLockSuffix);
        if (fd >= 0)
            found.emplace_back(info.lastModified(), OrphanRecovery(path, fd));
    }
    // A run that died before its first autosave leaves a lock, and perhaps half a file, only.
    for (const QFileInfo& info :
         dir.entryInfoList({QStringLiteral("velmora-*") + kLockSuffix}, QDir::Files)) {
        const QString base = baseOf(info.absoluteFilePath(), kLockSuffix);
        if (QFileInfo::exists(base + kRecoverySuffix))
            continue;
        const int fd = tryLock(info.absoluteFilePath());
        if (fd < 0)
            continue;
        QFile::remove(base + kPartSuffix);
        QFile::remove(info.absoluteFilePath());
        ::close(fd);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<OrphanRecovery> orphans;
    orphans.reserve(found.size());
    for (auto& [when, orphan] : found)
        orphans.push_back(std::move(orphan));
    return orphans;
}
