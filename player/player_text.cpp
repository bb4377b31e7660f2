// Label formatting, delay reading and line decoding for the player.
#include "player/player_text.h"

#include "charset/code_page.h"

#include <algorithm>
#include <cstdio>
#include <limits>

QString formatTime(std::int32_t milliseconds) {
    const std::int32_t t = milliseconds;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d,%03d", int(t / 3600000), int(t % 3600000 / 60000),
                  int(t % 60000 / 1000), int(t % 1000));
    return QString::fromLatin1(buf);
}

QString formatTimeLabel(const char* name, std::int32_t milliseconds) {
    return QString::fromLatin1(name) + u':' + formatTime(milliseconds);
}

qint64 readDecimal(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr qint64 kCeiling = std::numeric_limits<std::int32_t>::max();
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(kCeiling, value * 10 + (text[i].unicode() - u'0'));
    return negative ? -value : value;
}

int clampDelay(qint64 milliseconds) {
    return int(std::clamp<qint64>(milliseconds, 0, kMaxDelay));
}

QString decodePlayerText(const PlayerLine& line, std::uint32_t codePage) {
    const std::string_view bytes = line.textBytes();
    // A code page that cannot be opened still shows something rather than nothing.
    QString text = decodeBytes(bytes.data(), qsizetype(bytes.size()), codePage)
                       .value_or(QString::fromLatin1(bytes.data(), qsizetype(bytes.size())));
    if (text.size() > kMaxShownUnits) {
        // Never leave half of a surrogate pair at the cut.
        text.truncate(text.at(kMaxShownUnits - 1).isHighSurrogate() ? kMaxShownUnits - 1 : kMaxShownUnits);
    }
    return text;
}
