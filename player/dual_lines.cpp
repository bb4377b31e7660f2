// Pairing the lines of two subtitle files by time.
#include "player/dual_lines.h"

#include <algorithm>
#include <numeric>

namespace {

std::int64_t shared(std::int32_t show1, std::int32_t hide1, std::int32_t show2, std::int32_t hide2) {
    return std::int64_t(std::min(hide1, hide2)) - std::max(show1, show2);
}

} // namespace

std::vector<QString> matchByTime(const std::vector<PlayerLine>& first, const std::vector<TimedText>& second) {
    std::vector<QString> texts(first.size());
    if (first.empty() || second.empty())
        return texts;

    // The first file's lines by show time; only those shown before a second line's end, and not
    // hidden before its start, can share time with it.
    std::vector<std::size_t> byShow(first.size());
    std::iota(byShow.begin(), byShow.end(), 0);
    std::stable_sort(byShow.begin(), byShow.end(),
                     [&](std::size_t a, std::size_t b) { return first[a].show < first[b].show; });
    std::int64_t longest = 0;
    for (const PlayerLine& line : first)
        longest = std::max<std::int64_t>(longest, std::int64_t(line.hide) - line.show);

    std::vector<std::size_t> order(second.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return second[a].show < second[b].show; });

    std::vector<std::size_t> goesWith;
    for (const std::size_t k : order) {
        const TimedText& s = second[k];
        const std::int64_t sLength = std::int64_t(s.hide) - s.show;
        if (sLength <= 0)
            continue;
        const auto from = std::lower_bound(byShow.begin(), byShow.end(), std::int64_t(s.show) - longest,
                                           [&](std::size_t i, std::int64_t t) { return first[i].show < t; });
        goesWith.clear();
        std::int64_t most = 0;
        std::size_t mostWith = 0;
        for (auto it = from; it != byShow.end() && first[*it].show < s.hide; ++it) {
            const PlayerLine& p = first[*it];
            const std::int64_t overlap = shared(p.show, p.hide, s.show, s.hide);
            if (overlap <= 0)
                continue;
            if (2 * overlap >= std::min<std::int64_t>(sLength, std::int64_t(p.hide) - p.show))
                goesWith.push_back(*it);
            if (overlap > most) {
                most = overlap;
                mostWith = *it;
            }
        }
        if (goesWith.empty() && most > 0)
            goesWith.push_back(mostWith);
        for (const std::size_t i : goesWith) {
            if (!texts[i].isEmpty())
                texts[i] += u'\n';
            texts[i] += s.text;
        }
    }
    return texts;
}
