// When a flash card comes back: the SM-2 intervals, with Hard and Easy spreading them apart.
#pragma once

#include <QDate>
#include <functional>

// The four answers after a card was turned, in the order of their keys 1 to 4.
enum class Answer { Again = 1, Hard = 2, Good = 3, Easy = 4 };

// Ease in thousandths, so that the file holds whole numbers and the same answers always give the
// same days.
inline constexpr int kStartEase = 2500;
inline constexpr int kLowestEase = 1300;
inline constexpr int kHighestEase = 5000;
// A hundred years: farther is never, and the sums below stay far from overflow.
inline constexpr int kLongestIntervalDays = 36500;
// Counts of answers stop here rather than overflow.
inline constexpr int kMostAnswers = 1000000;

struct CardState {
    QDate due;             // the day it is shown next
    int intervalDays = 0;  // the days from the last answer to due; 0 after Again
    int ease = kStartEase; // how fast the intervals grow
    int streak = 0;        // answers other than Again since the last Again
    int lapses = 0;        // how often it was answered Again after it had been learnt
    QDate firstStudied;    // the day it was first answered: new cards a day are counted by it

    friend bool operator==(const CardState&, const CardState&) = default;
};

// Today's date; tests hand in one of their own.
using StudyClock = std::function<QDate()>;
StudyClock systemStudyClock();

// The state after answering on `today`. A card never studied is a default CardState. Again keeps
// the card due today, so that it comes back in the same session.
CardState scheduleAnswer(const CardState& card, Answer answer, QDate today);
