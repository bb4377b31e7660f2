// The player's SubRip parser: a line-by-line reader that keeps text bytes undecoded.
#include "player/player_line.h"

#include "charset/code_page.h"
#include "subtitle/subtitle_reader.h"
#include "support/log.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct UnicodeForm {
    const char* name;
    std::string_view mark;
    QStringConverter::Encoding encoding;
};
// The UTF-32 marks first: UTF-16LE's is the start of UTF-32LE's.
const UnicodeForm kUnicodeForms[] = {
    {"UTF-32LE", std::string_view("\xFF\xFE\0\0", 4), QStringConverter::Utf32LE},
    {"UTF-32BE", std::string_view("\0\0\xFE\xFF", 4), QStringConverter::Utf32BE},
    {"UTF-16LE", "\xFF\xFE", QStringConverter::Utf16LE},
    {"UTF-16BE", "\xFE\xFF", QStringConverter::Utf16BE},
};

// Which positions of a time field read a space as "0".
enum class SpaceRule { None, FirstOnly, All };

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi over a small field: leading white space, a sign, then digits up to the first other byte.
int leadingNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i)
        value = value * 10 + (s[i] - '0');
    return negative ? -value : value;
}

// The field of `width` characters starting at `start`, clipped to the line, read as a number.
int field(std::string_view line, std::ptrdiff_t start, int width, SpaceRule rule) {
    char buf[4] = {};
    int n = 0;
    for (int k = 0; k < width; ++k) {
        const std::ptrdiff_t at = start + k;
        if (at < 0 || at >= std::ptrdiff_t(line.size()))
            continue;
        char c = line[std::size_t(at)];
        if (c == ' ' && (rule == SpaceRule::All || (rule == SpaceRule::FirstOnly && k == 0)))
            c = '0';
        buf[n++] = c;
    }
    return leadingNumber(std::string_view(buf, std::size_t(n)));
}

std::ptrdiff_t find(std::string_view line, char c, std::ptrdiff_t from) {
    if (from < 0 || from >= std::ptrdiff_t(line.size()))
        return -1;
    const auto at = line.find(c, std::size_t(from));
    return at == std::string_view::npos ? -1 : std::ptrdiff_t(at);
}

std::int32_t toMilliseconds(int hours, int minutes, int seconds, int millis) {
    return hours * 3600000 + minutes * 60000 + seconds * 1000 + millis;
}

// What reading the file in text mode delivers: "\r\n", and a lone "\r", become "\n".
std::string textModeBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            out.push_back(bytes[i]);
            continue;
        }
        // A lone carriage return ends a line too, as in files from old Macs.
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        out.push_back('\n');
    }
    return out;
}

// Appends to a subtitle's text, cutting what goes beyond its bound.
void appendText(std::string& text, std::string_view bytes) {
    const std::size_t room = kPlayerTextSize - 1 - text.size();
    text.append(bytes.substr(0, std::min(room, bytes.size())));
}

UserMessage oversized() {
    return errorMessage(QStringLiteral("The size of this file is bigger than 400K bytes!"));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

PlayerTimes parsePlayerTimeLine(std::string_view line) {
    int sh = 0, sm = 0, ss = 0, sms = 0, hh = 0, hm = 0, hs = 0, hms = 0;
    // Each separator is searched after the previous one; a missing one leaves the rest at 0.
    const std::ptrdiff_t c1 = find(line, ':', 0);
    if (c1 >= 0) {
        sh = field(line, c1 - 2, 2, SpaceRule::None);
        const std::ptrdiff_t c2 = find(line, ':', c1 + 1);
        if (c2 >= 0) {
            sm = field(line, c2 - 2, 2, SpaceRule::FirstOnly);
            ss = field(line, c2 + 1, 2, SpaceRule::FirstOnly);
            const std::ptrdiff_t m1 = find(line, ',', c2 + 1);
            if (m1 >= 0) {
                sms = field(line, m1 + 1, 3, SpaceRule::All);
                const std::ptrdiff_t c3 = find(line, ':', m1 + 1);
                if (c3 >= 0) {
                    hh = field(line, c3 - 2, 2, SpaceRule::FirstOnly);
                    const std::ptrdiff_t c4 = find(line, ':', c3 + 1);
                    if (c4 >= 0) {
                        hm = field(line, c4 - 2, 2, SpaceRule::FirstOnly);
                        hs = field(line, c4 + 1, 2, SpaceRule::FirstOnly);
                        const std::ptrdiff_t m2 = find(line, ',', c4 + 1);
                        if (m2 >= 0)
                            hms = field(line, m2 + 1, 3, SpaceRule::All);
                    }
                }
            }
        }
    }
    return PlayerTimes{toMilliseconds(sh, sm, ss, sms), toMilliseconds(hh, hm, hs, hms)};
}

PlayerLoadResult parsePlayerLines(std::string_view textBytes) {
    const std::string data = textModeBytes(textBytes);
    const std::string_view all(data);

    PlayerLoadResult result;
    // Every subtitle takes at least two lines (a number or time line and the blank line that ends
    // it), so this bounds the list without its growing past twice its size on the way.
    result.lines.reserve(std::size_t(std::count(data.begin(), data.end(), '\n')) / 2 + 1);
    std::int32_t counter = 1;
    PlayerLine work;
    // Gathered here and copied to the subtitle at its exact size.
    std::string text;
    // Whether the working record has seen a number or time line. A blank line that closes a record
    // without one (a second blank line, stray text) drops it instead of adding a record with no
    // times, which would also reset the "total" time to zero.
    bool pending = false;

    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t limit = std::min(all.size(), pos + kPlayerReadLimit);
        const std::size_t newline = all.find('\n', pos);
        const std::size_t end = (newline != std::string_view::npos && newline < limit) ? newline + 1 : limit;
        std::string_view read = all.substr(pos, end - pos);
        pos = end;

        if (read.back() != '\n' && read.size() >= kPlayerReadLimit) {
            result.message = errorMessage(QStringLiteral("Invalid Subtitle File!"));
            return result;
        }
        // The line is handled as a C string: an embedded zero byte ends it.
        read = read.substr(0, ::strnlen(read.data(), read.size()));
        while (!read.empty() && read.front() == ' ')
            read.remove_prefix(1);

        if (!read.empty() && isDigit(read.front())) {
            if (read.find("-->") != std::string_view::npos) {
                const PlayerTimes times = parsePlayerTimeLine(read);
                work.show = times.show;
                work.hide = times.hide;
                work.duration = times.hide - times.show;
            } else {
                // Only the count matters; the digits themselves are not read.
                work.number = counter++;
            }
            pending = true;
            continue;
        }

        const bool blank = !read.empty() && (read.front() == '\n' || read.front() == '\r');
        appendText(text, read);
        if (blank && counter > 1) {
            if (pending) {
                work.text = text;
                result.lines.push_back(std::move(work));
            }
            work = PlayerLine{};
            text.clear();
            pending = false;
        }
    }
    // A last subtitle that the file ends without a blank line is still shown.
    if (pending) {
        work.text = text;
        result.lines.push_back(std::move(work));
    }
    return result;
}

QString unicodeFormOf(std::string_view fileBytes) {
    const auto form = std::find_if(std::begin(kUnicodeForms), std::end(kUnicodeForms),
                                   [&](const UnicodeForm& f) { return fileBytes.starts_with(f.mark); });
    return form != std::end(kUnicodeForms) ? QString::fromLatin1(form->name) : QString();
}

PlayerLoadResult readPlayerBytes(std::string_view fileBytes) {
    PlayerEncoding encoding;
    encoding.guess = detectEncoding(QByteArrayView(fileBytes.data(), qsizetype(fileBytes.size())));
    encoding.codePage = encoding.guess.codePage;
    std::string_view text = fileBytes;
    QByteArray converted;
    if (encoding.guess.source == EncodingGuess::Source::ByteOrderMark) {
        const auto form = std::find_if(std::begin(kUnicodeForms), std::end(kUnicodeForms),
                                       [&](const UnicodeForm& f) { return fileBytes.starts_with(f.mark); });
        if (form != std::end(kUnicodeForms)) {
            // The decoder drops the mark; what cannot be read becomes U+FFFD.
            QStringDecoder decoder(form->encoding);
            converted = QString(decoder.decode(QByteArrayView(fileBytes.data(), qsizetype(fileBytes.size()))))
                            .toUtf8();
            text = std::string_view(converted.constData(), std::size_t(converted.size()));
            encoding.codePage = kUtf8CodePage;
            encoding.unicodeForm = QString::fromLatin1(form->name);
        } else if (text.starts_with(kUtf8Bom)) {
            // Left in, the mark would hide the first number line and merge the first two subtitles.
            text.remove_prefix(kUtf8Bom.size());
        }
    }
    PlayerLoadResult result = parsePlayerLines(text);
    result.encoding = std::move(encoding);
    return result;
}

PlayerFileBytes readPlayerFileBytes(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    // Without blocking: a pipe would otherwise wait here for a writer.
    const FileDescriptor fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        log_printf("cannot open %s: %s\n", native.constData(), std::strerror(errno));
        return {};
    }
    // The handle that is read is the one that is checked.
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        log_printf("cannot read %s: %s\n", native.constData(), std::strerror(errno));
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        // A device such as /dev/zero never ends and a pipe may never start.
        return {std::nullopt,
                errorMessage(QStringLiteral("Cannot read \"%1\": it is not a regular file.").arg(path))};
    }
    if (st.st_size > kMaxSubtitleFileSize)
        return {std::nullopt, oversized()};

    // Room for one byte more than the file had when it was measured: a file that has grown since
    // is read up to one byte past the limit, which is enough to refuse it.
    std::string bytes(std::size_t(st.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() > std::size_t(kMaxSubtitleFileSize))
                break;
            bytes.resize(std::size_t(kMaxSubtitleFileSize) + 1);
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            log_printf("cannot read %s: %s\n", native.constData(), std::strerror(errno));
            return {};
        }
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    if (got > std::size_t(kMaxSubtitleFileSize))
        return {std::nullopt, oversized()};
    bytes.resize(got);
    return {std::move(bytes), std::nullopt};
}

PlayerFileLoad loadPlayerFile(const QString& path) {
    PlayerFileBytes file = readPlayerFileBytes(path);
    if (!file.bytes)
        return {std::nullopt, std::move(file.refusal)};
    return {readPlayerBytes(*file.bytes), std::nullopt};
}
