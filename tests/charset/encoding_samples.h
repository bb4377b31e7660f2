// Subtitle files in real languages and many encodings of the character set table, made in memory
// to measure the encoding detector.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>

struct EncodingSample {
    QString language;
    std::uint32_t codePage; // the table's code page the bytes are in
    bool isLong;            // a whole film's worth of entries, or a handful
    QString text;           // the file as text
    QByteArray bytes;       // the file as bytes in codePage
};

// Every language in each encoding that writes it, each short and long.
QVector<EncodingSample> encodingSamples();
