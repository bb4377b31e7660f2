// Reading and writing the study schedule: line by line, so that one damaged line costs one card.
#include "mini/schedule_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr char kHeaderWord[] = "mini schedule ";
constexpr int kFormatVersion = 1;
constexpr int kFieldCount = 9;
constexpr int kMaxDamagedCopies = 100;

QString dateText(QDate date) {
    return date.toString(Qt::ISODate);
}

// Controls and lone surrogates as \uXXXX: the file stays one card per line and gives back
// exactly the UTF-16 text the store holds, whatever it is.
QByteArray escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool pairStart = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (pairStart) {
            out.append(c).append(text.at(++i));
            continue;
        }
        switch (c.unicode()) {
        case '\\':
            out.append(QLatin1String("\\\\"));
            break;
        case '\t':
            out.append(QLatin1String("\\t"));
            break;
        case '\n':
            out.append(QLatin1String("\\n"));
            break;
        case '\r':
            out.append(QLatin1String("\\r"));
            break;
        default:
            if (c.unicode() < 0x20 || c.isSurrogate())
                out.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
            else
                out.append(c);
        }
    }
    return out.toUtf8();
}

std::optional<QString> unescaped(QByteArrayView field) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(field);
    if (decoder.hasError())
        return std::nullopt;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\') {
            out.append(c);
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        switch (text.at(i).unicode()) {
        case '\\':
            out.append(u'\\');
            break;
        case 't':
            out.append(u'\t');
            break;
        case 'n':
            out.append(u'\n');
            break;
        case 'r':
            out.append(u'\r');
            break;
        case 'u': {
            const QString digits = text.mid(i + 1, 4);
            const bool hex = digits.size() == 4 && std::all_of(digits.cbegin(), digits.cend(), [](QChar d) {
                                 return d.isDigit() || (d.toLower() >= u'a' && d.toLower() <= u'f');
                             });
            if (!hex)
                return std::nullopt;
            out.append(QChar(digits.toUShort(nullptr, 16)));
            i += 4;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::optional<int> number(QByteArrayView field, int lowest, int highest) {
    bool ok = false;
    const int value = QByteArray(field.data(), field.size()).toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

QDate date(QByteArrayView field) {
    return QDate::fromString(QString::fromLatin1(field), Qt::ISODate);
}

// The part from `from` up to `to` (the end when negative).
QByteArrayView part(QByteArrayView bytes, qsizetype from, qsizetype to = -1) {
    return bytes.sliced(from, (to < 0 ? bytes.size() : to) - from);
}

struct CardLine {
    CardKey key;
    CardState state;
};

std::optional<CardLine> readCardLine(QByteArrayView line) {
    std::vector<QByteArrayView> fields;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = line.indexOf('\t', start);
        fields.push_back(part(line, start, tab));
        if (tab < 0)
            break;
        start = tab + 1;
    }
    if (fields.size() != kFieldCount)
        return std::nullopt;

    CardLine card;
    if (fields[0] == "f")
        card.key.direction = StudyDirection::Forward;
    else if (fields[0] == "r")
        card.key.direction = StudyDirection::Reverse;
    else
        return std::nullopt;
    card.state.due = date(fields[1]);
    const std::optional<int> interval = number(fields[2], 0, kLongestIntervalDays);
    const std::optional<int> ease = number(fields[3], kLowestEase, kHighestEase);
    const std::optional<int> streak = number(fields[4], 0, kMostAnswers);
    const std::optional<int> lapses = number(fields[5], 0, kMostAnswers);
    card.state.firstStudied = date(fields[6]);
    const std::optional<QString> original = unescaped(fields[7]);
    const std::optional<QString> translated = unescaped(fields[8]);
    if (!card.state.due.isValid() || !card.state.firstStudied.isValid() || !interval || !ease || !streak ||
        !lapses || !original || !translated)
        return std::nullopt;
    card.state.intervalDays = *interval;
    card.state.ease = *ease;
    card.state.streak = *streak;
    card.state.lapses = *lapses;
    card.key.original = *original;
    card.key.translated = *translated;
    return card;
}

} // namespace

size_t qHash(const CardKey& key, size_t seed) {
    return qHashMulti(seed, int(key.direction), key.original, key.translated);
}

ScheduleRead readSchedule(QByteArrayView bytes) {
    ScheduleRead read;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    bool headerSeen = false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        QByteArrayView line = part(bytes, start, end);
        start = end < 0 ? bytes.size() : end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (!headerSeen) {
            if (line.trimmed().isEmpty())
                continue;
            headerSeen = true;
            const std::optional<int> version = line.startsWith(kHeaderWord)
                                                   ? number(part(line, qsizetype(sizeof kHeaderWord) - 1), 1,
                                                            std::numeric_limits<int>::max())
                                                   : std::nullopt;
            if (!version) {
                read.unreadable = true;
                return read;
            }
            if (*version > kFormatVersion) {
                read.newerVersion = true;
                return read;
            }
            continue;
        }
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (std::optional<CardLine> card = readCardLine(line))
            read.cards.insert(card->key, card->state);
        else
            ++read.badLines;
    }
    return read;
}

QByteArray writeSchedule(const ScheduleBook& cards) {
    // In a fixed order, so that the same schedule is always the same file.
    std::vector<const CardKey*> keys;
    keys.reserve(cards.size());
    for (auto it = cards.cbegin(); it != cards.cend(); ++it)
        keys.push_back(&it.key());
    std::sort(keys.begin(), keys.end(), [](const CardKey* a, const CardKey* b) {
        return std::tie(a->direction, a->original, a->translated) <
               std::tie(b->direction, b->original, b->translated);
    });

    QByteArray out = kHeaderWord + QByteArray::number(kFormatVersion) + '\n';
    out += "# direction\tdue\tinterval\tease\tstreak\tlapses\tfirst studied\toriginal\ttranslation\n";
    for (const CardKey* key : keys) {
        const CardState& s = cards.value(*key);
        out += key->direction == StudyDirection::Forward ? "f" : "r";
        for (const QByteArray& field :
             {dateText(s.due).toLatin1(), QByteArray::number(s.intervalDays), QByteArray::number(s.ease),
              QByteArray::number(s.streak), QByteArray::number(s.lapses), dateText(s.firstStudied).toLatin1(),
              escaped(key->original), escaped(key->translated)})
            out += '\t' + field;
        out += '\n';
    }
    return out;
}

std::optional<UserMessage> ScheduleFile::load() {
    m_cards.clear();
    m_mayWrite = true;
    const QString shown = QDir::toNativeSeparators(m_path);
    QFile file(m_path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        m_mayWrite = false;
        return errorMessage(QStringLiteral("The study schedule %1 cannot be read (%2). You can study, but "
                                           "your answers will not be kept, and the file stays as it is.")
                                .arg(shown, file.errorString()));
    }
    ScheduleRead read = readSchedule(file.readAll());
    file.close();
    if (read.newerVersion) {
        m_mayWrite = false;
        return errorMessage(QStringLiteral("The study schedule %1 was written by a newer version of mini. "
                                           "You can study, but your answers will not be kept, and the file "
                                           "stays as it is.")
                                .arg(shown));
    }
    m_cards = std::move(read.cards);
    if (!read.unreadable && read.badLines == 0)
        return std::nullopt;

    const QString lines =
        read.badLines == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(read.badLines);
    const QString what =
        read.unreadable
            ? QStringLiteral("is not a study schedule, so every card starts anew")
            : QStringLiteral("is damaged: %1 could not be read, and those cards start anew").arg(lines);
    const std::optional<QString> copy = keepDamagedCopy();
    if (!copy) {
        m_mayWrite = false;
        return errorMessage(QStringLiteral("The study schedule %1 %2. No copy of it could be made, so your "
                                           "answers will not be kept and the file stays as it is.")
                                .arg(shown, what));
    }
    return errorMessage(QStringLiteral("The study schedule %1 %2. The file as it was is kept as %3.")
                            .arg(shown, what, QDir::toNativeSeparators(*copy)));
}

std::optional<QString> ScheduleFile::keepDamagedCopy() const {
    for (int n = 1; n <= kMaxDamagedCopies; ++n) {
        const QString copy =
            m_path + (n == 1 ? QStringLiteral(".damaged") : QStringLiteral(".damaged-%1").arg(n));
        if (QFileInfo::exists(copy))
            continue;
        return QFile::copy(m_path, copy) ? std::optional<QString>(copy) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<UserMessage> ScheduleFile::save() {
    if (!m_mayWrite)
        return std::nullopt;
    QSaveFile file(m_path);
    const QByteArray bytes = writeSchedule(m_cards);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return errorMessage(QStringLiteral("The study schedule could not be written to %1 (%2). The file "
                                           "stays as it was before this answer.")
                                .arg(QDir::toNativeSeparators(m_path), file.errorString()));
    }
    return std::nullopt;
}
