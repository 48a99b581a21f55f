#include "SyntheticPhotos.h"

#include <QDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

QImage syntheticPhoto(int seed, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t noise = 2463534242u + uint32_t(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise & 31) - 16;
            const int r = (x * 255 / width + seed * 40) % 256;
            const int g = (y * 255 / height + ((x / 97) % 3) * 30) % 256;
            const int b = ((x + y) * 255 / (width + height) + seed * 20) % 256;
            row[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255),
                          std::clamp(b + grain, 0, 255));
        }
    }
    return image;
}

QStringList writeSyntheticPhotos(const QDir& dir, int count, int width, int height) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        if (!syntheticPhoto(i, width, height).save(path, "jpeg", 90)) {
            std::fprintf(stderr, "Couldn't write %s\n", qPrintable(path));
            std::abort();
        }
        paths.append(path);
    }
    return paths;
}
