// CStdioFileEx: bytes in, UTF-16 lines out, and back.
#include "subtitle/text_file.h"

#include "charset/code_page.h"
#include "support/log.h"

#include <QFile>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unicode/ucnv.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
int currentErrno() {
    return errno != 0 ? errno : EIO;
}
} // namespace

namespace {
// Code pages whose converters keep no shift state across a line feed and never use the byte 0x0A
// inside a multi-byte character.
bool lineFeedIsAlwaysALineFeed(std::uint32_t codePage) {
    switch (resolveCodePage(codePage)) {
    case 50932: // ISO-2022-JP: escape sequences carry state
    case 52936: // HZ: "~{" shifts carry state
    case 65000: // UTF-7: base64 runs carry state
        return false;
    default:
        return icuConverterName(codePage) != nullptr;
    }
}
} // namespace

namespace {
// The whole rest decoded in one call, when that is sure to equal decoding it line by line. In a
// multi-byte page an invalid sequence decodes differently in one piece: a lead byte before a line
// feed may take the feed's place in one substitute where a line of its own ends in another one. So
// a multi-byte page gives a result only for input without any invalid or unmapped sequence, where
// every character ends before each line feed. Single-byte pages map each byte on its own.
std::optional<QString> decodeWhole(const char* data, qint64 size, std::uint32_t codePage, bool* singleByte) {
    const char* name = icuConverterName(codePage);
    if (!name)
        return std::nullopt;
    UErrorCode err = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(name, &err);
    if (U_FAILURE(err))
        return std::nullopt;
    std::optional<QString> result;
    *singleByte = ucnv_getMaxCharSize(conv) == 1;
    if (!*singleByte) {
        ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        if (U_SUCCESS(err)) {
            // No page here needs more than one UTF-16 unit per byte.
            QString out(qsizetype(size) + 1, Qt::Uninitialized);
            const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                                            data, int32_t(size), &err);
            if (U_SUCCESS(err) && n <= out.size()) {
                out.resize(n);
                result = std::move(out);
            }
        }
    } else {
        result = decodeBytes(data, size, codePage);
    }
    ucnv_close(conv);
    return result;
}
} // namespace

namespace {
// How often a byte, or a UTF-16 unit, occurs: eight bytes or four units at a time, since these run
// over a whole file on every load.
qsizetype countByte(const char* p, qint64 n, char byte) {
    constexpr std::uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    const std::uint64_t pattern = kLow * uchar(byte);
    qsizetype count = 0;
    qint64 i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        const std::uint64_t x = word ^ pattern;
        // A high bit for each zero byte of x, exactly: no carry crosses a byte.
        // One in the low bit of each byte that matched, summed by the multiplication into the top byte.
        count += qsizetype(((~(((x & ~kHigh) + ~kHigh) | x) & kHigh) >> 7) * kLow >> 56);
    }
    for (; i < n; ++i)
        count += p[i] == byte;
    return count;
}

qsizetype countUnit(const char16_t* p, qsizetype n, char16_t unit) {
    constexpr std::uint64_t kLow = 0x0001000100010001ull, kHigh = 0x8000800080008000ull;
    const std::uint64_t pattern = kLow * unit;
    qsizetype count = 0;
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        const std::uint64_t x = word ^ pattern;
        count += qsizetype(((~(((x & ~kHigh) + ~kHigh) | x) & kHigh) >> 15) * kLow >> 48);
    }
    for (; i < n; ++i)
        count += p[i] == unit;
    return count;
}
} // namespace

void CStdioFileEx::decodeAhead() {
    m_aheadTried = true;
    m_unitPerByte = false;
    if (m_unicode) {
        // Whole UTF-16 units only; a stray last byte cannot form one.
        const qsizetype units = qsizetype((m_bytes.size() - m_pos) / 2);
        if (units <= 0)
            return;
        m_text.resize(units);
        std::memcpy(m_text.data(), m_bytes.constData() + m_pos, std::size_t(units) * 2);
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
            for (auto& ch : m_text)
                ch = QChar(qFromLittleEndian(ch.unicode()));
        m_textPos = 0;
        m_ahead = true;
        return;
    }
    const std::uint32_t cp = decodingCodePage();
    if (!lineFeedIsAlwaysALineFeed(cp))
        return;
    const char* start = m_bytes.constData() + m_pos;
    const qint64 n = m_bytes.size() - m_pos;
    if (n <= 0 || n > std::numeric_limits<int32_t>::max() - 1)
        return;
    bool singleByte = false;
    auto text = decodeWhole(start, n, cp, &singleByte);
    if (!text)
        return;
    // A single-byte page maps each byte to one unit, control bytes to themselves: a line's bytes
    // then lie where its units do.
    m_unitPerByte = singleByte && text->size() == n;
    // Elsewhere a converter that swallowed or invented a line end would put lines out of step.
    const auto* units = reinterpret_cast<const char16_t*>(text->utf16());
    if (!m_unitPerByte && countUnit(units, text->size(), u'\n') != countByte(start, n, '\n'))
        return;
    if (!m_unitPerByte && m_loneCrEndsLine &&
        countUnit(units, text->size(), u'\r') != countByte(start, n, '\r'))
        return;
    m_text = std::move(*text);
    m_textPos = 0;
    m_ahead = true;
}

std::uint32_t CStdioFileEx::decodingCodePage() const {
    return m_codePage < 0 ? kAnsiCodePage : std::uint32_t(m_codePage);
}

CStdioFileEx::~CStdioFileEx() {
    // Unclosed: nothing gathered for a direct write reaches the file.
    if (m_directFd >= 0)
        ::close(m_directFd);
    removeCreated();
}

void CStdioFileEx::removeCreated() {
    if (!m_createdPath.isEmpty())
        ::unlink(QFile::encodeName(m_createdPath).constData());
    m_createdPath.clear();
}

void CStdioFileEx::resetState(std::uint32_t flags) {
    Close();
    m_unicode = (flags & writeUtf16Flag) != 0;
    flags &= ~std::uint32_t(typeText);
    flags |= typeBinary;
    m_openFlags = flags;
    m_firstWrite = true;
    m_firstRead = true;
    m_writeFailed = false;
    m_written = 0;
    m_pos = 0;
}

bool CStdioFileEx::OpenBytes(QByteArray bytes) {
    resetState(modeRead | typeText);
    startReading(std::move(bytes));
    return true;
}

bool CStdioFileEx::Open(const QString& path, std::uint32_t flags, int* errorNumber) {
    resetState(flags);
    flags = m_openFlags;

    const bool writing = (flags & (modeWrite | modeReadWrite | modeCreate)) != 0;
    errno = 0;
    if (writing && (flags & createNew) && (flags & modeCreate)) {
        if (!openNew(path)) {
            if (errorNumber)
                *errorNumber = currentErrno();
            return false;
        }
        return true;
    }
    if (writing) {
        auto writer = std::make_unique<QSaveFile>(path);
        if (writer->open(QIODevice::WriteOnly)) {
            m_writer = std::move(writer);
        } else {
            const int saveError = currentErrno();
            writer.reset();
            if (!openDirect(path)) {
                if (errorNumber)
                    *errorNumber = saveError;
                return false;
            }
        }
        // Without modeCreate an existing file keeps what is not overwritten: start from its content.
        if (!(flags & modeCreate)) {
            QFile old(path);
            if (old.open(QIODevice::ReadOnly)) {
                const QByteArray content = old.readAll();
                if (m_writer)
                    m_writer->write(content);
                else
                    m_directContent = content;
                m_written = content.size();
            }
        }
        return true;
    }

    QByteArray bytes;
    const int err = readRegularFile(path, std::numeric_limits<qsizetype>::max() - 1, bytes);
    if (err != 0) {
        if (errorNumber)
            *errorNumber = err;
        return false;
    }
    startReading(std::move(bytes));
    return true;
}

int readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes) {
    bytes.clear();
    // Not blocking: a pipe without a writer would hold the open itself. It is refused below anyway.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return currentErrno();
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = currentErrno();
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    else if (!S_ISREG(st.st_mode))
        err = EINVAL;
    else if (st.st_size > maxBytes)
        err = EFBIG;
    if (err == 0) {
        // One byte past the limit tells a file that grew since it was measured.
        maxBytes = std::clamp<qint64>(maxBytes, 0, std::numeric_limits<qsizetype>::max() - 1);
        bytes.resize(qsizetype(std::min<qint64>(maxBytes, std::max<qint64>(st.st_size, 0)) + 1));
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, std::size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                err = currentErrno();
                break;
            }
            if (n == 0)
                break;
            done += n;
            // A file that grew while it was read: take the rest up to the limit in further steps.
            if (done == bytes.size() && done <= maxBytes)
                bytes.resize(qsizetype(std::min<qint64>(maxBytes + 1, done * 2)));
        }
        bytes.resize(qsizetype(done));
        if (err == 0 && done > maxBytes)
            err = EFBIG;
    }
    ::close(fd);
    if (err != 0)
        bytes.clear();
    return err;
}

namespace {
// The text after a big-endian or UTF-32 mark as UTF-16 little-endian bytes behind an FF FE mark,
// so that one line reader serves every Unicode form.
QByteArray asUtf16LittleEndian(const QByteArray& bytes, qsizetype markSize, QStringConverter::Encoding from) {
    QString text;
    if (from == QStringConverter::Utf16BE) {
        const qsizetype units = (bytes.size() - markSize) / 2;
        text.resize(units);
        for (qsizetype i = 0; i < units; ++i)
            text[i] = QChar(qFromBigEndian<quint16>(bytes.constData() + markSize + 2 * i));
    } else {
        // Whole code units only, as for UTF-16: a stray tail cannot form a character.
        const qsizetype whole = (bytes.size() - markSize) / 4 * 4;
        QStringDecoder decoder(from, QStringDecoder::Flag::Stateless);
        text = decoder(QByteArrayView(bytes).sliced(markSize, whole));
    }
    QByteArray out("\xFF\xFE", 2);
    out.resize(2 + text.size() * 2);
    qToLittleEndian<quint16>(text.utf16(), text.size(), out.data() + 2);
    return out;
}
} // namespace

void CStdioFileEx::startReading(QByteArray bytes) {
    m_bytes = std::move(bytes);
    m_nextCr = -1;
    m_reading = true;
    m_mark = ByteOrderMark::None;
    m_lastLine = {};
    const auto* b = reinterpret_cast<const unsigned char*>(m_bytes.constData());
    const qint64 n = m_bytes.size();
    // A mark decides the encoding whatever code page was asked for. The UTF-32 little-endian mark
    // begins like the UTF-16 one and is checked first.
    if (n >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0) {
        m_mark = ByteOrderMark::Utf32LE;
        m_bytes = asUtf16LittleEndian(m_bytes, 4, QStringConverter::Utf32LE);
    } else if (n >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF) {
        m_mark = ByteOrderMark::Utf32BE;
        m_bytes = asUtf16LittleEndian(m_bytes, 4, QStringConverter::Utf32BE);
    } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        m_mark = ByteOrderMark::Utf16BE;
        m_bytes = asUtf16LittleEndian(m_bytes, 2, QStringConverter::Utf16BE);
    } else if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        m_mark = ByteOrderMark::Utf16LE;
    } else if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        m_mark = ByteOrderMark::Utf8;
        m_codePage = std::int32_t(kUtf8CodePage);
        m_pos = 3;
    }
    if (m_mark != ByteOrderMark::None && m_mark != ByteOrderMark::Utf8) {
        m_unicode = true;
        m_pos = 2;
    }
    m_firstRead = true;
}

bool CStdioFileEx::openDirect(const QString& path) {
    // Only an existing regular file that this user may write; anything else keeps the error of the
    // file beside it.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    m_directFd = fd;
    m_directContent.clear();
    return true;
}

bool CStdioFileEx::openNew(const QString& path) {
    // O_EXCL with O_CREAT fails on any name that exists, a link (also a dangling one) included,
    // so nothing that was planted at the path is ever written through.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return false;
    m_directFd = fd;
    m_directContent.clear();
    m_createdPath = path;
    return true;
}

namespace {
bool writeAllAt(int fd, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, std::size_t(size - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray readAllOf(int fd, bool* ok) {
    QByteArray bytes;
    *ok = false;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return bytes;
    bytes.resize(qsizetype(st.st_size));
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, std::size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return bytes;
        if (n == 0)
            break;
        done += n;
    }
    bytes.resize(qsizetype(done));
    *ok = true;
    return bytes;
}
} // namespace

bool CStdioFileEx::writeDirect() {
    const qint64 size = m_directContent.size();
    bool haveOld = false;
    const QByteArray old = readAllOf(m_directFd, &haveOld);
    if (!haveOld)
        return false;
    // Taking the room first means the writes below cannot run out of it half-way, where the file
    // system can reserve it; a file system that cannot still gets the write and the repair below.
    if (size > old.size()) {
        const int err = ::posix_fallocate(m_directFd, 0, off_t(size));
        if (err != 0 && err != EOPNOTSUPP && err != EINVAL && err != ENOSYS) {
            errno = err;
            return false;
        }
    }
    if (writeAllAt(m_directFd, m_directContent.constData(), size) &&
        ::ftruncate(m_directFd, off_t(size)) == 0 && ::fsync(m_directFd) == 0)
        return true;
    // Put the old content back as well as the platform lets us.
    const int err = errno;
    if (!writeAllAt(m_directFd, old.constData(), old.size()) ||
        ::ftruncate(m_directFd, off_t(old.size())) != 0)
        log_printf("cannot restore %d bytes after a failed write: error %d\n", int(old.size()), errno);
    errno = err;
    return false;
}

namespace {
// The first unit at or after `at` that is a line feed, or a carriage return when `cr` is one too.
// Eight units are compared at a time: a call per line to a general search costs more than a
// subtitle line's length, and a unit-by-unit loop was the reader's largest single cost.
qsizetype lineBreakAt(const char16_t* text, qsizetype at, qsizetype n, char16_t cr) {
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi16(short(u'\n'));
    const __m128i ret = _mm_set1_epi16(short(cr));
    for (; at + 8 <= n; at += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, feed), _mm_cmpeq_epi16(units, ret)));
        if (mask != 0)
            return at + std::countr_zero(unsigned(mask)) / 2;
    }
#endif
    while (at < n && text[at] != u'\n' && text[at] != cr)
        ++at;
    return at;
}
} // namespace

qsizetype CStdioFileEx::textLineEnd(qsizetype& endUnits) {
    const char16_t* text = reinterpret_cast<const char16_t*>(m_text.utf16());
    const qsizetype n = m_text.size();
    // Without lone carriage returns, looking for a second line feed is looking for nothing else.
    const qsizetype at = lineBreakAt(text, m_textPos, n, m_loneCrEndsLine ? u'\r' : u'\n');
    endUnits = at == n ? 0 : (text[at] == u'\r' && at + 1 < n && text[at + 1] == u'\n') ? 2 : 1;
    return at;
}

bool CStdioFileEx::ReadString(QString& line) {
    QStringView view;
    if (!ReadLineView(view, line)) {
        line.clear();
        return false;
    }
    if (view.data() != line.constData() || view.size() != line.size())
        line = view.toString();
    return true;
}

bool CStdioFileEx::ReadLineView(QStringView& line, QString& storage) {
    line = {};
    if (!m_reading)
        return false;
    const qint64 size = m_bytes.size();
    const char* data = m_bytes.constData();
    if (m_firstRead && m_pos == 0) {
        // A mark is skipped where the bytes are one; text that merely starts the file is text.
        if (m_unicode && size >= 2 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xFE)
            m_pos = 2;
        else if (!m_unicode && size >= 3 && uchar(data[0]) == 0xEF && uchar(data[1]) == 0xBB &&
                 uchar(data[2]) == 0xBF)
            m_pos = 3;
    }
    if (m_pos >= size)
        return false;
    if (!m_aheadTried)
        decodeAhead();

    if (m_unicode) {
        m_lastLine = {};
        if (!m_ahead || m_textPos >= m_text.size()) {
            // Not a whole UTF-16 unit left; a stray last byte cannot form one.
            m_pos = size;
            return false;
        }
        qsizetype endUnits = 0;
        const qsizetype at = textLineEnd(endUnits);
        line = QStringView(m_text).sliced(m_textPos, at - m_textPos);
        m_pos += 2 * (at - m_textPos + endUnits);
        m_textPos = at + endUnits;
    } else if (m_ahead && m_unitPerByte) {
        // One unit per byte: the line's bytes lie where its units do.
        qsizetype endUnits = 0;
        const qsizetype at = textLineEnd(endUnits);
        const qsizetype len = at - m_textPos;
        m_lastLine = QByteArrayView(data + m_pos, len);
        line = QStringView(m_text).sliced(m_textPos, len);
        m_pos += len + endUnits;
        m_textPos = at + endUnits;
    } else {
        const char* start = data + m_pos;
        const char* end = data + size;
        const char* stop = static_cast<const char*>(std::memchr(start, '\n', std::size_t(end - start)));
        if (!stop)
            stop = end;
        if (m_loneCrEndsLine) {
            // The next carriage return is remembered, so that a file without any is scanned once.
            if (m_nextCr < m_pos) {
                const void* cr = std::memchr(start, '\r', std::size_t(end - start));
                m_nextCr = cr ? static_cast<const char*>(cr) - data : size;
            }
            stop = std::min(stop, data + m_nextCr);
        }
        const qint64 len = stop - start;
        const qint64 endBytes = stop == end                                            ? 0
                                : (*stop == '\r' && stop + 1 < end && stop[1] == '\n') ? 2
                                                                                       : 1;
        m_lastLine = QByteArrayView(start, len);
        if (m_ahead) {
            // The text holds the same line ends as the bytes, in the same order.
            qsizetype endUnits = 0;
            const qsizetype at = textLineEnd(endUnits);
            line = QStringView(m_text).sliced(m_textPos, at - m_textPos);
            m_textPos = at + (endBytes == 2 ? 2 : 1);
        } else {
            storage = len > 0 ? decodeBytes(start, len, decodingCodePage()).value_or(QString()) : QString();
            line = storage;
        }
        m_pos += len + endBytes;
    }
    if (!m_loneCrEndsLine && !line.isEmpty() && line.back() == u'\r') {
        line.chop(1);
        if (line.data() == storage.constData())
            storage.chop(1);
    }
    m_firstRead = false;
    return true;
}

bool CStdioFileEx::WriteString(QStringView text) {
    if (!m_writer && m_directFd < 0)
        return false;
    QByteArray bytes;
    if (m_firstWrite && m_written == 0) {
        if (m_unicode)
            bytes.append("\xFF\xFE", 2);
        else if (decodingCodePage() == kUtf8CodePage)
            bytes.append("\xEF\xBB\xBF", 3);
    }
    m_firstWrite = false;
    if (m_unicode) {
        const qsizetype at = bytes.size();
        bytes.resize(at + text.size() * 2);
        qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data() + at);
    } else if (!text.isEmpty()) {
        const auto encoded = encodeText(text, decodingCodePage(), m_defaultChar);
        if (!encoded) {
            m_writeFailed = true;
            return false;
        }
        bytes.append(*encoded);
    }
    if (bytes.isEmpty())
        return true;
    if (m_directFd >= 0) {
        m_directContent.append(bytes);
        m_written += bytes.size();
        return true;
    }
    if (m_writer->write(bytes) != bytes.size()) {
        m_writeFailed = true;
        return false;
    }
    m_written += bytes.size();
    return true;
}

bool CStdioFileEx::Seek(qint64 offset, int origin) {
    m_firstRead = true;
    m_nextCr = -1;
    m_aheadTried = false;
    m_ahead = false;
    m_text.clear();
    if (!m_reading)
        return false;
    qint64 base = 0;
    if (origin == SEEK_CUR)
        base = m_pos;
    else if (origin == SEEK_END)
        base = m_bytes.size();
    const qint64 target = base + offset;
    if (target < 0)
        return false;
    m_pos = std::min<qint64>(target, m_bytes.size());
    return true;
}

bool CStdioFileEx::Close() {
    bool ok = true;
    if (m_writer) {
        if (m_writeFailed) {
            m_writer->cancelWriting();
            m_writer->commit();
            ok = false;
        } else {
            ok = m_writer->commit();
        }
        m_writer.reset();
    }
    if (m_directFd >= 0) {
        ok = !m_writeFailed && writeDirect();
        ::close(m_directFd);
        m_directFd = -1;
        m_directContent.clear();
        if (ok)
            m_createdPath.clear();
        else
            removeCreated();
    }
    m_reading = false;
    m_bytes.clear();
    m_lastLine = {};
    m_pos = 0;
    m_aheadTried = false;
    m_ahead = false;
    m_text.clear();
    return ok;
}
