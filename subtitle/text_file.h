// Text file with byte-order-mark recognition, lines of any length and code-page or UTF-16 writing.
#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <cstdint>
#include <memory>

// Reads a regular file of at most maxBytes through one handle that is checked before anything is
// read. Returns 0, or the error: EISDIR for a folder, EINVAL for a pipe, a device or a link to one,
// EFBIG for a file over the limit, else the system's.
int readRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes);

class CStdioFileEx {
public:
    enum : std::uint32_t {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        writeUtf16Flag = 0x200000,
        // With modeCreate: make a new file, never one that exists, nor through a link planted at
        // the path. Mode 0600; a file left incomplete is removed.
        createNew = 0x400000,
    };
    static constexpr std::uint32_t kSaveFlags =
        writeUtf16Flag | typeText | modeCreate | modeWrite; // 0x205001

    // The byte-order mark a file read began with; it decides how the rest is decoded.
    enum class ByteOrderMark { None, Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

    CStdioFileEx() = default;
    // A file opened for writing and not closed is discarded: the target keeps its old content.
    ~CStdioFileEx();
    CStdioFileEx(const CStdioFileEx&) = delete;
    CStdioFileEx& operator=(const CStdioFileEx&) = delete;

    // On failure returns false with the system error number in *errorNumber (never 0). Only a
    // regular file is read: a pipe or a device (also through a link) is refused with EINVAL before
    // a byte is read, a folder with EISDIR.
    bool Open(const QString& path, std::uint32_t flags, int* errorNumber = nullptr);
    // Reads from bytes already in memory as from a file of that content opened for reading.
    bool OpenBytes(QByteArray bytes);
    // Reads the next line without its line feed and one trailing carriage return.
    bool ReadString(QString& line);
    // The same as a view, valid until the next read, Seek or Close: into the file's text decoded
    // at once where it has one (no copy per line), else into storage.
    bool ReadLineView(QStringView& line, QString& storage);
    // Whether a carriage return not followed by a line feed ends a line too (old Mac files); a
    // carriage return and line feed stay one line end. Off by default.
    void SetLoneCarriageReturnEndsLine(bool on) {
        m_loneCrEndsLine = on;
        m_aheadTried = m_ahead = false;
        m_text.clear();
    }
    // Writes the text in the file's encoding; adds no line end.
    bool WriteString(QStringView text);
    // Seeks in the bytes of a file opened for reading; origin as in fseek.
    bool Seek(qint64 offset, int origin);
    // For a written file: replaces the target only when every write succeeded. Returns success.
    // A target in a folder where no file can be made beside it is written over in place, and
    // gets its old content back when that write fails part-way.
    bool Close();

    // -1 means the system ANSI code page.
    void SetCodePage(std::int32_t codePage) {
        m_codePage = codePage;
        m_aheadTried = m_ahead = false;
        m_text.clear();
    }
    std::int32_t GetCodePage() const { return m_codePage; }
    bool IsFileUnicodeText() const { return m_unicode; }
    ByteOrderMark ByteOrderMarkFound() const { return m_mark; }
    // The bytes of the line the last ReadString of an 8-bit file returned, without its line feed;
    // empty for a UTF-16 file. Valid until the file is closed or read again.
    QByteArrayView LastLineBytes() const { return m_lastLine; }
    std::uint32_t OpenFlags() const { return m_openFlags; }
    bool IsOpen() const { return m_reading || m_writer != nullptr || m_directFd >= 0; }
    qint64 Position() const { return m_pos; }

private:
    std::uint32_t decodingCodePage() const;
    void resetState(std::uint32_t flags);
    void startReading(QByteArray bytes);

    bool m_unicode = false;
    std::uint32_t m_openFlags = 0;
    std::int32_t m_codePage = -1;
    char m_defaultChar = '#';
    bool m_firstWrite = true;
    bool m_firstRead = true;
    bool m_loneCrEndsLine = false;
    // Where the next carriage return byte lies, once looked for (-1: not yet, or behind).
    qint64 m_nextCr = -1;

    // Reading: the whole file is taken in at open; it is small, and lines then need no copies.
    bool m_reading = false;
    ByteOrderMark m_mark = ByteOrderMark::None;
    QByteArrayView m_lastLine;
    QByteArray m_bytes;
    qint64 m_pos = 0;

    // For code pages in which a line feed byte is always a line feed character, the rest of the
    // file is decoded in one call and lines are cut from the text in step with the bytes: far
    // cheaper than a converter call per line, with the same result. Dropped on Seek.
    void decodeAhead();
    bool m_aheadTried = false;
    bool m_ahead = false;
    // The text holds one unit per byte (a single-byte page): a line's bytes are where its units are.
    bool m_unitPerByte = false;
    QString m_text;
    qsizetype m_textPos = 0;
    // The end of the line that begins at m_textPos, and how many units end it (0 at the end).
    qsizetype textLineEnd(qsizetype& endUnits);

    // Writing goes to a file beside the target that replaces it on Close.
    std::unique_ptr<QSaveFile> m_writer;
    // Where no file can be made beside the target (a folder the user may not write) but the target
    // itself may be written, the content is gathered here and written over the target on Close.
    bool openDirect(const QString& path);
    bool openNew(const QString& path);
    // The file openNew made, removed again unless Close completes it.
    QString m_createdPath;
    void removeCreated();
    bool writeDirect();
    int m_directFd = -1;
    QByteArray m_directContent;
    qint64 m_written = 0;
    bool m_writeFailed = false;
};
