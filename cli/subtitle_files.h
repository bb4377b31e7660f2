// Reading the command line's subtitle files (standard input too), turning a document into the bytes
// of a file, and putting those bytes in place without ever writing over an input or a half file.
#pragma once

#include "subtitle/subtitle_reader.h"
#include "subtitle/subtitle_session.h"
#include "subtitle/subtitle_writer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <sys/types.h>
#include <variant>

// What a failed step says; the caller puts the file's name in front.
struct Failure {
    QString message;
};

// "-" is standard input.
bool isStandardStream(const QString& path);
// How messages name a file: as the user typed it, standard input as "<stdin>".
QString displayName(const QString& path);

// The file's bytes, at most the size a subtitle file may have.
std::variant<QByteArray, Failure> readInputBytes(const QString& path);

struct LoadedFile {
    SubtitleSession session;
    ReadResult read;
    SubtitleFormat format = kSubRip;
};
// Reads the bytes as the original side, in the format their name and content say (or `format`).
// A file the readers stop on, or in which they find no entry, is a failure: converting half a
// file would lose the rest without a word.
std::variant<LoadedFile, Failure> loadSubtitle(const QString& path, const QByteArray& bytes,
                                               std::optional<SubtitleFormat> format = std::nullopt);
// readInputBytes, then loadSubtitle: what every command that takes a file whole does first.
std::variant<LoadedFile, Failure> readSubtitle(const QString& path);

// The bytes the writer makes of the document for a save of `kind` (UTF-16 with its mark).
std::variant<QByteArray, Failure> renderDocument(SubtitleDocument document, SaveKind kind);

// A character encoding for --encoding and --input-encoding.
struct TextEncoding {
    enum class Kind { Utf8, Utf8WithMark, Utf16LE, Utf16BE, Named };
    Kind kind = Kind::Utf16LE;
    QString name; // for messages, and the converter's name for Named
};
std::optional<TextEncoding> textEncodingNamed(const QString& name);
// A code page the readers can re-decode 8-bit text in (the character set table's keys, a
// number, "windows-1251", "cp1251").
std::optional<std::uint32_t> codePageNamed(const QString& name);

// The text of bytes the writer made: UTF-16 or UTF-8 by their mark.
QString textOfRendered(const QByteArray& rendered);
// The text in the encoding; a failure naming the first character it cannot hold (nothing is
// left out silently).
std::variant<QByteArray, Failure> encodeText(const QString& text, const TextEncoding& encoding);

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
// The file a path leads to (links followed), if it exists.
std::optional<FileIdentity> fileIdentity(const QString& path);

// Writes the bytes to a new file beside `path` and renames it into place once it is complete.
// Refuses a path that is one of the inputs (also through a link), a folder, and, unless `replace`,
// a file that exists (checked again at the rename, so a file that appears meanwhile is kept).
std::optional<Failure> writeOutputFile(const QString& path, const QByteArray& bytes, bool replace,
                                       const QList<FileIdentity>& inputs);
std::optional<Failure> writeStandardOutput(const QByteArray& bytes);
