// Streams the source through the converter into a save file beside the target.
#include "charset/file_conversion.h"

#include "charset/text_converter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Big enough that the per-piece overhead vanishes, small enough that a 10 MB file is not held twice.
constexpr qint64 kPieceSize = 256 * 1024;

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

FileConversionResult failure(const QString& text) {
    FileConversionResult result;
    result.status = FileConversionResult::Status::Failed;
    result.message = errorMessage(text);
    return result;
}

// True when the target path names the very file the open source is: the same path, a symbolic
// link to it or another hard link. A target that does not exist yet is never the source.
bool isSameFile(QFile& source, const QString& targetPath) {
    struct stat sourceInfo {};
    struct stat targetInfo {};
    if (::fstat(source.handle(), &sourceInfo) != 0)
        return false;
    if (::stat(QFile::encodeName(targetPath).constData(), &targetInfo) != 0)
        return false;
    return sourceInfo.st_dev == targetInfo.st_dev && sourceInfo.st_ino == targetInfo.st_ino;
}

// Opens the source once and judges the open handle, never the path again: only a regular file
// within the limit is read. Non-blocking, so that opening a pipe with no writer returns at once, and
// a file whose reads would wait (as some of /proc's do) fails instead of hanging the worker.
std::optional<UserMessage> openSource(const QString& path, QFile& source) {
    auto refused = [&](const QString& why) {
        return errorMessage(QStringLiteral("Cannot read the source file \"%1\": %2").arg(shown(path), why));
    };
    if (path.isEmpty())
        return refused(QStringLiteral("no file was chosen."));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refused(QString::fromLocal8Bit(std::strerror(errno)) + u'.');
    struct stat info {};
    QString why;
    if (::fstat(fd, &info) != 0)
        why = QString::fromLocal8Bit(std::strerror(errno)) + u'.';
    else if (S_ISDIR(info.st_mode))
        why = QStringLiteral("it is a folder.");
    else if (!S_ISREG(info.st_mode))
        why = QStringLiteral("it is not a regular file but a device, a pipe or a socket.");
    else if (info.st_size > kConversionSizeLimit)
        why = QStringLiteral("it is larger than %1 MB, the most the converter reads.")
                  .arg(kConversionSizeLimit / (1024 * 1024));
    if (!why.isEmpty()) {
        ::close(fd);
        return refused(why);
    }
    if (!source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refused(source.errorString());
    }
    return std::nullopt;
}

} // namespace

FileConversionResult convertFile(const FileConversionRequest& request, std::stop_token stop,
                                 const ConversionProgress& progress) {
    const QString& sourcePath = request.sourcePath;
    const QString& targetPath = request.targetPath;

    QString reason;
    std::unique_ptr<TextConverter> converter =
        TextConverter::open(request.fromEncoding, request.toEncoding, &reason);
    if (!converter)
        return failure(QStringLiteral("Cannot convert \"%1\": %2").arg(shown(sourcePath), reason));

    QFile source;
    if (std::optional<UserMessage> refused = openSource(sourcePath, source)) {
        FileConversionResult result;
        result.message = std::move(refused);
        return result;
    }
    if (isSameFile(source, targetPath))
        return failure(QStringLiteral("The source and the target are the same file: \"%1\". Choose another "
                                      "target file.")
                           .arg(shown(targetPath)));

    // QSaveFile follows a symbolic link to the file it names and replaces that file.
    QSaveFile target(targetPath);
    auto writeFailure = [&] {
        const QString why = target.errorString();
        if (target.isOpen())
            target.cancelWriting();
        return failure(QStringLiteral("Cannot write the target file \"%1\": %2").arg(shown(targetPath), why));
    };
    if (targetPath.isEmpty() || !target.open(QIODevice::WriteOnly))
        return writeFailure();

    FileConversionResult result;
    const qint64 total = source.size();
    QByteArray piece;
    QByteArray out;
    for (;;) {
        if (stop.stop_requested()) {
            target.cancelWriting();
            result.status = FileConversionResult::Status::Cancelled;
            return result;
        }
        piece.resize(kPieceSize);
        const qint64 n = source.read(piece.data(), kPieceSize);
        if (n < 0) {
            target.cancelWriting();
            return failure(QStringLiteral("Cannot read the source file \"%1\": %2")
                               .arg(shown(sourcePath), source.errorString()));
        }
        piece.resize(n);
        result.bytesRead += n;
        // A file that grows while it is read is held to the limit all the same.
        if (result.bytesRead > kConversionSizeLimit) {
            target.cancelWriting();
            return failure(QStringLiteral("Cannot read the source file \"%1\": it grew beyond %2 MB while "
                                          "it was read.")
                               .arg(shown(sourcePath))
                               .arg(kConversionSizeLimit / (1024 * 1024)));
        }
        const bool last = n == 0;
        out.resize(0);
        if (!converter->convert(piece, last, out)) {
            target.cancelWriting();
            return failure(QStringLiteral("Cannot convert \"%1\" from %2 to %3.")
                               .arg(shown(sourcePath), request.fromEncoding, request.toEncoding));
        }
        if (!out.isEmpty() && target.write(out) != out.size())
            return writeFailure();
        result.bytesWritten += out.size();
        if (progress)
            progress(result.bytesRead, std::max(total, result.bytesRead));
        if (last)
            break;
    }
    if (!target.commit())
        return writeFailure();
    result.status = FileConversionResult::Status::Done;
    return result;
}
