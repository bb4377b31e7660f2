// A small raw video that libVLC plays without any codec: YUV4MPEG2, 4:2:0, grey frames getting lighter.
#pragma once

#include <QFile>
#include <QString>

inline bool writeY4m(const QString& path, int width, int height, int fps, int frames, bool stripes = false) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("YUV4MPEG2 W%1 H%2 F%3:1 Ip A1:1 C420jpeg\n")
                   .arg(width)
                   .arg(height)
                   .arg(fps)
                   .toLatin1());
    const int lumaSize = width * height;
    QByteArray frame(lumaSize + lumaSize / 2, char(128));
    for (int i = 0; i < frames; ++i) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                // Slanted stripes that move along make the picture recognisable as a film.
                const int v = stripes ? ((x + y + i * 4) / 24 % 2 ? 200 : 60) : 40 + i * 3 % 180;
                frame[y * width + x] = char(v);
            }
        file.write("FRAME\n");
        file.write(frame);
    }
    return file.flush();
}
