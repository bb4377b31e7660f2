// Full-size WebVTT and Advanced SubStation files of made-up dialogue for the benchmarks, shaped as
// real ones are: cue settings and a style sheet, styles, override codes and line breaks.
#pragma once

#include <QByteArray>

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
    if (s[0] >= 'a' && s[0] <= 'z')
        s[0] = char(s[0] - 'a' + 'A');
    return s + '.';
}

// Entries appended by `entry` (number, show and hide in ms) until the next would pass size; the
// rest is padded with a line the readers keep but that holds no entry. *made counts the entries.
template <typename Entry>
QByteArray fillTo(qint64 size, QByteArray out, const QByteArray& pad, Entry entry, int* made = nullptr,
                  char filler = 'x') {
    int ms = 1000;
    for (int i = 1;; ++i, ms += 2500) {
        const QByteArray next = entry(i, ms, ms + 1800);
        if (out.size() + next.size() + pad.size() + 2 > size)
            break;
        out += next;
        if (made)
            *made = i;
    }
    return out + pad + QByteArray(size - out.size() - pad.size() - 2, filler) + "\r\n";
}

// "h:mm:ss" with the given separator and fraction digits, hours of `hourDigits`.
inline QByteArray benchClock(int ms, int hourDigits, char separator, int fractionDigits) {
    char text[32];
    const int fraction = fractionDigits == 3 ? ms % 1000 : ms % 1000 / 10;
    std::snprintf(text, sizeof text, "%0*d:%02d:%02d%c%0*d", hourDigits, ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, separator, fractionDigits, fraction);
    return text;
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

// SAMI as most files have it: the text on the sync line, a clearing sync after each entry.
inline QByteArray makeSami(qint64 size, int* made) {
    std::mt19937 rng(7);
    const QByteArray head =
        "<SAMI>\r\n<HEAD>\r\n<TITLE>bench</TITLE>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\n"
        "P { font-family: Arial; }\r\n.ENCC { Name: English; lang: en-US; }\r\n-->\r\n"
        "</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";
    return fillTo(
        size, head, "</BODY></SAMI>\r\n<!-- ",
        [&](int, int show, int hide) {
            QByteArray sync =
                "<SYNC Start=" + QByteArray::number(show) + "><P Class=ENCC>" + benchSentence(rng, 2, 5);
            if (show % 3 == 0)
                sync += "<br>" + benchSentence(rng, 1, 3);
            return sync + "\r\n<SYNC Start=" + QByteArray::number(hide) + "><P Class=ENCC>&nbsp;\r\n";
        },
        made);
}

// SubViewer, or SubViewer 2.0 with its "[br]" line breaks: an information block, then entries.
inline QByteArray makeSubViewer(qint64 size, bool version2, int* made) {
    std::mt19937 rng(7);
    const QByteArray head = "[INFORMATION]\r\n[TITLE]bench\r\n[AUTHOR]\r\n[SOURCE]\r\n[PRG]\r\n[FILEPATH]\r\n"
                            "[DELAY]0\r\n[CD TRACK]0\r\n[COMMENT]\r\n[END INFORMATION]\r\n[SUBTITLE]\r\n"
                            "[COLF]&HFFFFFF,[STYLE]no,[SIZE]18,[FONT]Arial\r\n";
    // Blanks pad the end: a line of text there would be an entry of its own in SubViewer 2.0.
    return fillTo(
        size, head, "",
        [&](int i, int show, int hide) {
            QByteArray entry = benchClock(show, 2, '.', 2) + ',' + benchClock(hide, 2, '.', 2) + "\r\n" +
                               benchSentence(rng, 2, 5);
            if (i % 3 == 0)
                entry += (version2 ? "[br]" : "\r\n") + benchSentence(rng, 1, 3);
            return entry + "\r\n\r\n";
        },
        made, ' ');
}

inline QByteArray makeMicroDvd(qint64 size, int* made) {
    std::mt19937 rng(7);
    return fillTo(
        size, "{1}{1}23.976\r\n", "",
        [&](int i, int show, int hide) {
            QByteArray entry = '{' + QByteArray::number(show * 24 / 1000) + "}{" +
                               QByteArray::number(hide * 24 / 1000) + '}';
            if (i % 7 == 0)
                entry += "{y:i}";
            entry += benchSentence(rng, 2, 5);
            if (i % 3 == 0)
                entry += '|' + benchSentence(rng, 1, 3);
            return entry + "\r\n";
        },
        made, ' ');
}
