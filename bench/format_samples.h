// Full-size WebVTT and Advanced SubStation files of made-up dialogue for the benchmarks, shaped as
// real ones are: cue settings and a style sheet, styles, override codes and line breaks.
#pragma once

#include <QByteArray>

#include <cctype>
#include <cstdio>
#include <iterator>
#include <random>

inline QByteArray benchSentence(std::mt19937& rng, int minWords, int maxWords) {
    static const char* words[] = {
        "the",   "you",  "know", "what",    "I",      "said", "never", "again",  "we",    "should",
        "go",    "home", "now",  "before",  "it",     "gets", "dark",  "and",    "cold",  "outside",
        "where", "is",   "she",  "tonight", "listen", "to",   "me",    "please", "don't", "run"};
    std::uniform_int_distribution<int> count(minWords, maxWords), pick(0, int(std::size(words)) - 1);
    QByteArray s;
    for (int n = count(rng), i = 0; i < n; ++i) {
        if (i)
            s += ' ';
        s += words[pick(rng)];
    }
    s[0] = char(std::toupper(s[0]));
    return s + '.';
}

// Entries appended by `entry` (number, show and hide in ms) until the next would pass size; the
// rest is padded with a line the readers keep but that holds no entry.
template <typename Entry> QByteArray fillTo(qint64 size, QByteArray out, const QByteArray& pad, Entry entry) {
    int ms = 1000;
    for (int i = 1;; ++i, ms += 2500) {
        const QByteArray next = entry(i, ms, ms + 1800);
        if (out.size() + next.size() + pad.size() + 2 > size)
            break;
        out += next;
    }
    return out + pad + QByteArray(size - out.size() - pad.size() - 2, 'x') + "\r\n";
}

inline QByteArray makeWebVtt(qint64 size) {
    std::mt19937 rng(7);
    const QByteArray head = "WEBVTT\r\nKind: captions\r\nLanguage: en\r\n\r\nSTYLE\r\n::cue(.yellow) {\r\n"
                            "  color: yellow;\r\n}\r\n\r\n";
    return fillTo(size, head, "NOTE ", [&](int i, int show, int hide) {
        char timing[128];
        std::snprintf(timing, sizeof timing,
                      "%02d:%02d:%02d.%03d --> %02d:%02d:%02d.%03d align:start line:90%%\r\n", show / 3600000,
                      show / 60000 % 60, show / 1000 % 60, show % 1000, hide / 3600000, hide / 60000 % 60,
                      hide / 1000 % 60, hide % 1000);
        QByteArray cue = QByteArray::number(i) + "\r\n" + timing;
        cue += (i % 4 == 0 ? "<c.yellow>" + benchSentence(rng, 2, 5) + "</c>" : benchSentence(rng, 2, 5)) +
               "\r\n";
        if (i % 3 == 0)
            cue += "<i>" + benchSentence(rng, 1, 3) + "</i>\r\n";
        return cue + "\r\n";
    });
}

inline QByteArray makeSubStation(qint64 size) {
    std::mt19937 rng(7);
    const QByteArray head =
        "[Script Info]\r\nScriptType: v4.00+\r\nPlayResX: 1920\r\nPlayResY: 1080\r\n\r\n[V4+ Styles]\r\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
        "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
        "Alignment, "
        "MarginL, MarginR, MarginV, Encoding\r\n"
        "Style: "
        "Default,Arial,60,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,2,2,10,10,10,"
        "1\r\n"
        "Style: "
        "Sign,Georgia,48,&H0000FFFF,&H000000FF,&H00000000,&H00000000,1,0,0,0,100,100,0,0,1,2,0,8,10,10,10,"
        "1\r\n"
        "\r\n[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
    return fillTo(size, head, "; ", [&](int i, int show, int hide) {
        char fields[128];
        std::snprintf(fields, sizeof fields, "Dialogue: 0,%d:%02d:%02d.%02d,%d:%02d:%02d.%02d,%s,,0,0,0,,",
                      show / 3600000, show / 60000 % 60, show / 1000 % 60, show % 1000 / 10, hide / 3600000,
                      hide / 60000 % 60, hide / 1000 % 60, hide % 1000 / 10, i % 5 == 0 ? "Sign" : "Default");
        QByteArray event = fields;
        event += i % 5 == 0 ? "{\\pos(960,80)}" + benchSentence(rng, 1, 3) : benchSentence(rng, 2, 5);
        if (i % 3 == 0)
            event += "\\N{\\i1}" + benchSentence(rng, 1, 3) + "{\\i0}";
        return event + "\r\n";
    });
}
