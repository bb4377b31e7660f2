// Input, rendering, encodings and safe output of the command line's files.
#include "cli/subtitle_files.h"

#include "charset/charset_table.h"
#include "charset/code_page.h"
#include "charset/text_converter.h"
#include "cli/format_names.h"
#include "subtitle/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

// One folder for the whole run in which the writer's files are made and read back: in memory where
// the machine has such a folder, since the writer makes each file durable before it is read back
// and thrown away, which on a disk costs more than all the rest of a conversion.
const QTemporaryDir& renderFolder() {
    static const QTemporaryDir folder([] {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
        return base + QStringLiteral("/velmora-cli-XXXXXX");
    }());
    return folder;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The mode a newly created file gets from the user's umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool isStandardStream(const QString& path) {
    return path == u"-";
}

QString displayName(const QString& path) {
    return isStandardStream(path) ? QStringLiteral("<stdin>") : path;
}

std::variant<QByteArray, Failure> readInputBytes(const QString& path) {
    if (!isStandardStream(path)) {
        QByteArray bytes;
        const int err = readRegularFile(QFileInfo(path).absoluteFilePath(), kMaxSubtitleFileSize, bytes);
        switch (err) {
        case 0:
            return bytes;
        case ENOENT:
            return Failure{QStringLiteral("does not exist")};
        case EISDIR:
            return Failure{QStringLiteral("is a folder, not a subtitle file")};
        case EINVAL:
            return Failure{QStringLiteral("is not a regular file (it is a pipe, a device or a link to one)")};
        case EFBIG:
            return Failure{QStringLiteral("is larger than %1 bytes, the most a subtitle file may have")
                               .arg(kMaxSubtitleFileSize)};
        default:
            return Failure{QStringLiteral("cannot be read: %1").arg(systemError(err))};
        }
    }
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Failure{QStringLiteral("cannot be read: %1").arg(systemError(errno))};
        if (n == 0)
            break;
        bytes.append(buffer, n);
        if (bytes.size() > kMaxSubtitleFileSize)
            return Failure{QStringLiteral("is larger than %1 bytes, the most a subtitle file may have")
                               .arg(kMaxSubtitleFileSize)};
    }
    return bytes;
}

std::variant<LoadedFile, Failure> loadSubtitle(const QString& path, const QByteArray& bytes,
                                               std::optional<SubtitleFormat> format) {
    LoadedFile loaded;
    loaded.format = format.value_or(guessSubtitleFormat(isStandardStream(path) ? QString() : path, bytes));
    loaded.read = loadSubtitleBytes(loaded.session, bytes, loaded.format, Side::Original);
    loaded.session.setFormatMode(loaded.format);
    const QString as = formatName(loaded.format);
    if (!loaded.read.completed) {
        QString why = loaded.read.message ? loaded.read.message->text : QStringLiteral("it cannot be read");
        return Failure{QStringLiteral("cannot be read as %1: %2 Nothing was written.").arg(as, why)};
    }
    if (loaded.session.rowCount() == 0)
        return Failure{QStringLiteral("no subtitle could be read from it as %1").arg(as)};
    return loaded;
}

std::variant<QByteArray, Failure> renderDocument(SubtitleDocument document, SaveKind kind) {
    static std::atomic<quint64> counter{0};
    const QTemporaryDir& folder = renderFolder();
    if (!folder.isValid())
        return Failure{QStringLiteral("no temporary file can be made in %1: %2")
                           .arg(QDir::tempPath(), folder.errorString())};
    const QString path = folder.filePath(QString::number(counter.fetch_add(1)));
    const SaveResult saved = writeDocument(document, kind, path);
    QByteArray bytes;
    const int err = saved.written ? readRegularFile(path, std::numeric_limits<qint32>::max(), bytes) : 0;
    QFile::remove(path);
    if (!saved.written)
        return Failure{saved.message ? saved.message->text : QStringLiteral("there is nothing to write")};
    if (err != 0)
        return Failure{QStringLiteral("the written text cannot be read back: %1").arg(systemError(err))};
    return bytes;
}

std::optional<TextEncoding> textEncodingNamed(const QString& given) {
    const QString name = given.trimmed();
    const QString folded = name.toLower().remove(u'_').remove(u' ');
    if (folded == u"utf-8" || folded == u"utf8")
        return TextEncoding{TextEncoding::Kind::Utf8, QStringLiteral("UTF-8")};
    if (folded == u"utf-8-bom" || folded == u"utf8bom" || folded == u"utf-8withbom")
        return TextEncoding{TextEncoding::Kind::Utf8WithMark, QStringLiteral("UTF-8 with BOM")};
    if (folded == u"utf-16" || folded == u"utf16" || folded == u"utf-16le" || folded == u"utf-16lewithbom")
        return TextEncoding{TextEncoding::Kind::Utf16LE, QStringLiteral("UTF-16LE with BOM")};
    if (folded == u"utf-16be" || folded == u"utf-16bewithbom")
        return TextEncoding{TextEncoding::Kind::Utf16BE, QStringLiteral("UTF-16BE with BOM")};
    if (const std::optional<std::uint32_t> page = codePageNamed(name)) {
        if (const char* icu = icuConverterName(*page))
            return TextEncoding{TextEncoding::Kind::Named, QString::fromLatin1(icu)};
    }
    if (!name.isEmpty() && isKnownEncoding(name))
        return TextEncoding{TextEncoding::Kind::Named, name};
    return std::nullopt;
}

std::optional<std::uint32_t> codePageNamed(const QString& given) {
    const QString name = given.trimmed();
    for (const CharsetEntry& entry : charsetTable())
        if (entry.codePage != kAnsiCodePage &&
            name.compare(QLatin1StringView(entry.key), Qt::CaseInsensitive) == 0)
            return entry.codePage;
    QString digits = name.toLower();
    for (const char* prefix : {"windows-", "cp"})
        if (digits.startsWith(QLatin1StringView(prefix)))
            digits = digits.mid(qsizetype(std::strlen(prefix)));
    bool ok = false;
    const uint page = digits.toUInt(&ok);
    if (ok && page != kAnsiCodePage && icuConverterName(page))
        return page;
    return std::nullopt;
}

QString textOfRendered(const QByteArray& rendered) {
    if (rendered.startsWith("\xFF\xFE")) {
        const qsizetype units = (rendered.size() - 2) / 2;
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i)
            text[i] = QChar(char16_t(uchar(rendered[2 + 2 * i]) | (uchar(rendered[3 + 2 * i]) << 8)));
        return text;
    }
    if (rendered.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(rendered.mid(3));
    return QString::fromUtf8(rendered);
}

std::variant<QByteArray, Failure> encodeText(const QString& text, const TextEncoding& encoding) {
    switch (encoding.kind) {
    case TextEncoding::Kind::Utf8:
        return text.toUtf8();
    case TextEncoding::Kind::Utf8WithMark:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Kind::Utf16LE:
    case TextEncoding::Kind::Utf16BE: {
        const bool little = encoding.kind == TextEncoding::Kind::Utf16LE;
        QByteArray out(little ? "\xFF\xFE" : "\xFE\xFF", 2);
        out.reserve(2 + text.size() * 2);
        for (QChar c : text) {
            const char low = char(c.unicode() & 0xFF), high = char(c.unicode() >> 8);
            out.append(little ? low : high);
            out.append(little ? high : low);
        }
        return out;
    }
    case TextEncoding::Kind::Named:
        break;
    }
    QString error;
    const QByteArray utf8 = text.toUtf8();
    const std::optional<QByteArray> encoded =
        convertBytes(utf8, QStringLiteral("UTF-8"), encoding.name, &error);
    if (!encoded)
        return Failure{QStringLiteral("cannot be written in %1: %2").arg(encoding.name, error)};
    // What the encoding cannot hold would be left out: find it, and write nothing.
    const std::optional<QByteArray> back = convertBytes(*encoded, encoding.name, QStringLiteral("UTF-8"));
    QString again = back ? QString::fromUtf8(*back) : QString();
    if (again.startsWith(QChar(0xFEFF)) && !text.startsWith(QChar(0xFEFF)))
        again.remove(0, 1);
    if (again != text) {
        qsizetype at = 0;
        while (at < text.size() && at < again.size() && text[at] == again[at])
            ++at;
        const qsizetype line = text.left(at).count(u'\n') + 1;
        const QString character =
            at < text.size() ? text.mid(at, text[at].isHighSurrogate() ? 2 : 1) : QString();
        return Failure{QStringLiteral("holds characters %1 cannot hold (the first, '%2', on line %3 of the "
                                      "output); nothing was written. UTF-8 holds every character.")
                           .arg(encoding.name, character)
                           .arg(line)};
    }
    return *encoded;
}

std::optional<FileIdentity> fileIdentity(const QString& path) {
    struct stat st {};
    if (::stat(nativePath(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

std::optional<Failure> writeOutputFile(const QString& path, const QByteArray& bytes, bool replace,
                                       const QList<FileIdentity>& inputs) {
    const QByteArray target = nativePath(path);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return Failure{QStringLiteral("%1 is a folder").arg(path)};
    if (exists && inputs.contains(FileIdentity{st.st_dev, st.st_ino}))
        return Failure{QStringLiteral("%1 is an input file, which is never written over").arg(path)};
    if (exists && !replace)
        return Failure{QStringLiteral("%1 exists already (--force replaces it)").arg(path)};

    const QFileInfo info(path);
    QByteArray pattern = nativePath(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                    QStringLiteral(".velmora-XXXXXX"));
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return Failure{QStringLiteral("%1 cannot be written: %2").arg(path, systemError(errno))};
    const QByteArray temporary = pattern;
    auto fail = [&](int err) {
        ::unlink(temporary.constData());
        return Failure{QStringLiteral("%1 cannot be written: %2").arg(path, systemError(err))};
    };
    // The file gets the mode of the one it replaces, or that of any new file.
    const mode_t mode = exists && S_ISREG(st.st_mode) ? (st.st_mode & 07777) : newFileMode();
    if (!writeAll(fd, bytes) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    if (::close(fd) != 0)
        return fail(errno);
    if (replace) {
        if (::rename(temporary.constData(), target.constData()) != 0)
            return fail(errno);
        return std::nullopt;
    }
    // Without --force a file that appeared since the check above is kept as well.
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return std::nullopt;
    if (errno == EEXIST) {
        ::unlink(temporary.constData());
        return Failure{QStringLiteral("%1 exists already (--force replaces it)").arg(path)};
    }
    if (errno != EINVAL && errno != ENOSYS)
        return fail(errno);
    // A file system without the no-replace rename: a hard link never replaces either.
    if (::link(temporary.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        if (err == EEXIST)
            return Failure{QStringLiteral("%1 exists already (--force replaces it)").arg(path)};
        return Failure{QStringLiteral("%1 cannot be written: %2").arg(path, systemError(err))};
    }
    ::unlink(temporary.constData());
    return std::nullopt;
}

std::optional<Failure> writeStandardOutput(const QByteArray& bytes) {
    std::fflush(stdout);
    if (!writeAll(STDOUT_FILENO, bytes))
        return Failure{QStringLiteral("standard output cannot be written: %1").arg(systemError(errno))};
    return std::nullopt;
}

std::variant<LoadedFile, Failure> readSubtitle(const QString& path) {
    auto bytes = readInputBytes(path);
    if (auto* f = std::get_if<Failure>(&bytes))
        return std::move(*f);
    return loadSubtitle(path, std::get<QByteArray>(bytes));
}
