// The order of a sitting: overdue cards before those due today, new cards in the order they were added.
#include "mini/study_session.h"

#include <QSet>
#include <algorithm>

std::vector<StudyCard> distinctCards(const std::vector<DictionaryRecord>& records) {
    std::vector<StudyCard> cards;
    QSet<std::pair<QString, QString>> seen;
    for (const DictionaryRecord& record : records) {
        if (seen.contains({record.original, record.translated}))
            continue;
        seen.insert({record.original, record.translated});
        cards.push_back({record.original, record.translated});
    }
    return cards;
}

int newCardsStudiedOn(const ScheduleBook& book, StudyDirection direction, QDate day) {
    int n = 0;
    for (auto it = book.cbegin(); it != book.cend(); ++it)
        n += it.key().direction == direction && it.value().firstStudied == day;
    return n;
}

StudySession::StudySession(std::vector<StudyCard> cards, ScheduleBook& book, StudyDirection direction,
                           int newPerDay, QDate today)
    : m_cards(std::move(cards)), m_book(book), m_direction(direction) {
    std::vector<std::size_t> due;
    std::vector<std::size_t> fresh;
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        const auto known = m_book.constFind(keyOf(i));
        if (known == m_book.cend())
            fresh.push_back(i);
        else if (known->due <= today)
            due.push_back(i);
    }
    // Longest overdue first; a stable sort keeps the store's order among cards due the same day.
    std::stable_sort(due.begin(), due.end(), [this](std::size_t a, std::size_t b) {
        return m_book.value(keyOf(a)).due < m_book.value(keyOf(b)).due;
    });
    for (std::size_t i : due)
        m_queue.push_back({i, false});

    const int allowed = std::max(0, newPerDay - newCardsStudiedOn(m_book, direction, today));
    for (std::size_t i = 0; i < fresh.size() && int(i) < allowed; ++i)
        m_queue.push_back({fresh[i], true});
    m_newLeft = std::min(int(fresh.size()), allowed);
}

CardKey StudySession::keyOf(std::size_t card) const {
    return {m_direction, m_cards[card].original, m_cards[card].translated};
}

const QString& StudySession::front() const {
    return m_direction == StudyDirection::Forward ? current().original : current().translated;
}

const QString& StudySession::back() const {
    return m_direction == StudyDirection::Forward ? current().translated : current().original;
}

CardState StudySession::preview(Answer answer, QDate today) const {
    return scheduleAnswer(m_book.value(currentKey()), answer, today);
}

void StudySession::answer(Answer answer, QDate today) {
    if (finished())
        return;
    const Turn turn = m_queue.front();
    m_queue.pop_front();
    if (turn.isNew)
        --m_newLeft;
    const CardKey key = keyOf(turn.card);
    m_book.insert(key, scheduleAnswer(m_book.value(key), answer, today));
    if (answer == Answer::Again)
        m_queue.push_back({turn.card, false});
}
