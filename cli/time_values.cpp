// The command line's time values.
#include "cli/time_values.h"

#include <QRegularExpression>
#include <cmath>

std::optional<TimeValue> parseTimeValue(const QString& given, bool signAllowed) {
    QString text = given.trimmed();
    int sign = 1;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        if (!signAllowed)
            return std::nullopt;
        sign = text[0] == u'-' ? -1 : 1;
        text.remove(0, 1);
    }
    // Bounded digit counts keep every product far inside 64 bits.
    static const QRegularExpression kAmount(QStringLiteral("^(\\d{1,9})(?:[.,](\\d{1,6}))?(ms|s|f)?$"));
    static const QRegularExpression kClock(
        QStringLiteral("^(?:(\\d{1,5}):)?(\\d{1,5}):(\\d{1,5})(?:[.,](\\d{1,6}))?$"));
    auto fraction = [](const QString& digits, int unitsPerWhole) {
        if (digits.isEmpty())
            return qint64(0);
        return qint64(
            std::llround(digits.toDouble() / std::pow(10.0, double(digits.size())) * unitsPerWhole));
    };
    if (const QRegularExpressionMatch m = kAmount.match(text); m.hasMatch()) {
        const qint64 whole = m.captured(1).toLongLong();
        const QString unit = m.captured(3);
        if (unit == u"f") {
            if (!m.captured(2).isEmpty())
                return std::nullopt; // a frame is never cut
            return TimeValue{sign * whole, true};
        }
        if (unit == u"ms") {
            if (!m.captured(2).isEmpty())
                return std::nullopt;
            return TimeValue{sign * whole, false};
        }
        return TimeValue{sign * (whole * 1000 + fraction(m.captured(2), 1000)), false};
    }
    if (const QRegularExpressionMatch m = kClock.match(text); m.hasMatch()) {
        const qint64 hours = m.captured(1).toLongLong();
        const qint64 minutes = m.captured(2).toLongLong();
        const qint64 seconds = m.captured(3).toLongLong();
        const qint64 ms = ((hours * 60 + minutes) * 60 + seconds) * 1000 + fraction(m.captured(4), 1000);
        return TimeValue{sign * ms, false};
    }
    return std::nullopt;
}
