// The study schedule of one store: each card's state, kept in a small text file beside the store.
#pragma once

#include "mini/spaced_repetition.h"
#include "support/user_message.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <optional>

// Original → translation, or the other way round; each way is learnt on its own.
enum class StudyDirection { Forward, Reverse };

// A card is the pair's two texts, not its place in the store: records are only ever appended, and
// the same pair added twice is one card.
struct CardKey {
    StudyDirection direction = StudyDirection::Forward;
    QString original;
    QString translated;

    friend bool operator==(const CardKey&, const CardKey&) = default;
};
size_t qHash(const CardKey& key, size_t seed = 0);

using ScheduleBook = QHash<CardKey, CardState>;

struct ScheduleRead {
    ScheduleBook cards;
    int badLines = 0;          // card lines that could not be read; those cards start anew
    bool unreadable = false;   // not a schedule at all (its first line is wrong)
    bool newerVersion = false; // written by a later mini, in a form this one does not know
};

// The file: a first line "mini schedule 1", then one line per card with tab-separated fields
// (direction f or r, due, interval, ease, streak, lapses, first studied, original, translation);
// dates as yyyy-MM-dd, texts UTF-8 with \\, \t, \n and \r escaped. Lines starting with '#' and
// empty lines are skipped.
ScheduleRead readSchedule(QByteArrayView bytes);
QByteArray writeSchedule(const ScheduleBook& cards);

// The file on disk: read once, written whole after each answer. A damaged file is copied aside
// before the first write over it, and a file this program cannot understand is never written.
class ScheduleFile {
public:
    explicit ScheduleFile(QString path) : m_path(std::move(path)) {}

    // A missing file is an empty schedule. The message says what was wrong and what was done.
    std::optional<UserMessage> load();
    // Writes a new file beside the old one and renames it over the old one once it is complete.
    std::optional<UserMessage> save();

    ScheduleBook& cards() { return m_cards; }
    const ScheduleBook& cards() const { return m_cards; }
    const QString& path() const { return m_path; }
    // False when saving would destroy a file that could not be read and not be copied aside.
    bool mayWrite() const { return m_mayWrite; }

private:
    std::optional<QString> keepDamagedCopy() const;

    QString m_path;
    ScheduleBook m_cards;
    bool m_mayWrite = true;
};
