// SM-2 as most flash-card programs use it: 1 day, 6 days, then the last interval times the ease.
#include "mini/spaced_repetition.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kFirstInterval = 1;
constexpr int kSecondInterval = 6;
constexpr int kFirstEasyInterval = 4;
constexpr int kAgainEasePenalty = 200;
constexpr int kHardEasePenalty = 150;
constexpr int kEasyEaseBonus = 150;
constexpr int kHardGrowth = 1200; // thousandths
constexpr int kEasyGrowth = 1300;

// days * factor / 1000, rounded, without floating point.
int scaled(int days, int factorThousandths) {
    const std::int64_t product = std::int64_t(days) * factorThousandths;
    return int(std::min<std::int64_t>((product + 500) / 1000, kLongestIntervalDays));
}

int counted(int count) {
    return count < kMostAnswers ? count + 1 : kMostAnswers;
}

int clampEase(int ease) {
    return std::clamp(ease, kLowestEase, kHighestEase);
}

// Hard < Good < Easy for every card that was seen before, and each at least a day longer than
// the interval before it, so that a card answered well never comes back sooner.
int successInterval(const CardState& card, Answer answer) {
    const int last = card.intervalDays;
    int good = kFirstInterval;
    if (card.streak == 1)
        good = kSecondInterval;
    else if (card.streak >= 2)
        good = std::max(last + 1, scaled(last, card.ease));
    switch (answer) {
    case Answer::Hard:
        return card.streak == 0 ? kFirstInterval : std::max(last + 1, scaled(last, kHardGrowth));
    case Answer::Easy:
        return card.streak == 0 ? kFirstEasyInterval : std::max(good + 1, scaled(good, kEasyGrowth));
    default:
        return good;
    }
}

} // namespace

StudyClock systemStudyClock() {
    return [] { return QDate::currentDate(); };
}

CardState scheduleAnswer(const CardState& card, Answer answer, QDate today) {
    CardState next = card;
    if (!next.firstStudied.isValid())
        next.firstStudied = today;
    if (answer == Answer::Again) {
        if (card.streak > 0)
            next.lapses = counted(card.lapses);
        next.streak = 0;
        next.intervalDays = 0;
        next.ease = clampEase(card.ease - kAgainEasePenalty);
        next.due = today;
        return next;
    }
    next.intervalDays = std::clamp(successInterval(card, answer), 1, kLongestIntervalDays);
    if (answer == Answer::Hard)
        next.ease = clampEase(card.ease - kHardEasePenalty);
    else if (answer == Answer::Easy)
        next.ease = clampEase(card.ease + kEasyEaseBonus);
    next.streak = counted(card.streak);
    next.due = today.addDays(next.intervalDays);
    return next;
}
