// One sitting: the cards due today first, then new ones up to the day's limit, one at a time.
#pragma once

#include "dictionary/dictionary_store.h"
#include "mini/schedule_file.h"

#include <QDate>
#include <deque>
#include <vector>

inline constexpr int kDefaultNewPerDay = 20;

// A pair of the store once, however often it was added.
struct StudyCard {
    QString original;
    QString translated;
};

// The distinct pairs of the store's entries, in the order they were first added.
std::vector<StudyCard> distinctCards(const std::vector<DictionaryRecord>& records);

// How many cards of one direction were answered for the first time on `day`.
int newCardsStudiedOn(const ScheduleBook& book, StudyDirection direction, QDate day);

class StudySession {
public:
    // The book is the schedule that answers change; it must outlive the session.
    StudySession(std::vector<StudyCard> cards, ScheduleBook& book, StudyDirection direction, int newPerDay,
                 QDate today);

    bool finished() const { return m_queue.empty(); }
    // The card shown now; only when not finished.
    const StudyCard& current() const { return m_cards[m_queue.front().card]; }
    CardKey currentKey() const { return keyOf(m_queue.front().card); }
    // The side shown first and the side shown once the card is turned.
    const QString& front() const;
    const QString& back() const;
    bool currentIsNew() const { return m_queue.front().isNew; }

    // Schedules the current card and moves on; a card answered Again comes back at the end.
    void answer(Answer answer, QDate today);
    // What the answer would do to the current card, without doing it.
    CardState preview(Answer answer, QDate today) const;

    int dueLeft() const { return int(m_queue.size()) - m_newLeft; }
    int newLeft() const { return m_newLeft; }
    StudyDirection direction() const { return m_direction; }

private:
    struct Turn {
        std::size_t card;
        bool isNew;
    };
    CardKey keyOf(std::size_t card) const;

    std::vector<StudyCard> m_cards;
    ScheduleBook& m_book;
    StudyDirection m_direction;
    std::deque<Turn> m_queue;
    int m_newLeft = 0;
};
