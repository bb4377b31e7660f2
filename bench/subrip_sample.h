// A full-size SubRip file of made-up dialogue for the benchmarks.
#pragma once

#include <QByteArray>

#include <cstdio>
#include <iterator>
#include <random>

inline constexpr const char* kEnglishWords[] = {
    "the",   "you",  "know", "what",    "I",      "said", "never", "again",  "we",    "should",
    "go",    "home", "now",  "before",  "it",     "gets", "dark",  "and",    "cold",  "outside",
    "where", "is",   "she",  "tonight", "listen", "to",   "me",    "please", "don't", "run"};

// About 5,000 entries of one or two lines, padded to exactly the largest size a load accepts. The
// words may be given in any 8-bit encoding; the first letter of a sentence is upper-cased as ASCII.
template <std::size_t N = std::size(kEnglishWords)>
inline QByteArray makeSubRip(qint64 size, const char* const (&words)[N] = kEnglishWords) {
    std::mt19937 rng(7);
    auto sentence = [&](int minWords, int maxWords) {
        std::uniform_int_distribution<int> count(minWords, maxWords), pick(0, int(N) - 1);
        QByteArray s;
        for (int n = count(rng), i = 0; i < n; ++i) {
            if (i)
                s += ' ';
            s += words[pick(rng)];
        }
        if (s[0] >= 'a' && s[0] <= 'z')
            s[0] = char(s[0] - 'a' + 'A');
        return s + '.';
    };
    QByteArray out;
    int ms = 1000;
    for (int i = 1;; ++i) {
        char head[96];
        const int show = ms, hide = ms + 1800;
        std::snprintf(head, sizeof head, "%d\r\n%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d\r\n", i,
                      show / 3600000, show / 60000 % 60, show / 1000 % 60, show % 1000, hide / 3600000,
                      hide / 60000 % 60, hide / 1000 % 60, hide % 1000);
        QByteArray entry = head;
        entry += sentence(2, 5) + "\r\n";
        if (i % 3 == 0)
            entry += sentence(1, 3) + "\r\n";
        entry += "\r\n";
        if (out.size() + entry.size() > size) {
            out += QByteArray(size - out.size(), ' '); // trailing blanks: a line the readers ignore
            break;
        }
        out += entry;
        ms += 2500;
    }
    return out;
}
