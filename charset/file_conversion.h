// Whole-file conversion from one encoding to another, streamed in pieces. The target is written
// beside itself and takes the place of the old file only when the conversion is complete.
#pragma once

#include "support/user_message.h"

#include <QString>
#include <functional>
#include <optional>
#include <stop_token>

struct FileConversionRequest {
    QString sourcePath;
    QString targetPath;
    QString fromEncoding; // a converter key, see convertEncodingTable()
    QString toEncoding;
};

struct FileConversionResult {
    enum class Status { Done, Failed, Cancelled };
    Status status = Status::Failed;
    std::optional<UserMessage> message; // set when Failed
    qint64 bytesRead = 0;
    qint64 bytesWritten = 0;
};

// The largest source read: text files far beyond any subtitle's size, and a bound on the time and
// room the target takes.
inline constexpr qint64 kConversionSizeLimit = 512LL * 1024 * 1024;

// Called after each piece with the bytes read so far and the source's size.
using ConversionProgress = std::function<void(qint64 done, qint64 total)>;

// Refuses a source that is the target itself (by path, link or hard link) before anything is
// written. Any failure and a stop request leave the target as it was. Runs on any thread.
FileConversionResult convertFile(const FileConversionRequest& request, std::stop_token stop = {},
                                 const ConversionProgress& progress = {});
