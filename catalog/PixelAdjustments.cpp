#include "catalog/PixelAdjustments.h"

#include "platform/foundation/Geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A colour matrix acting on the row vector (red, green, blue, 1).
using Matrix = std::array<std::array<float, 4>, 4>;

constexpr float kMaxSharpness = 8;
constexpr double kRedWeight = 0.3086;
constexpr double kGreenWeight = 0.6094;
constexpr double kBlueWeight = 0.0820;

Matrix identity() {
    Matrix m{};
    for (int i = 0; i < 4; ++i)
        m[i][i] = 1;
    return m;
}

Matrix product(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            m[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    }
    return m;
}

Matrix scaling(float s) {
    Matrix m = identity();
    m[0][0] = m[1][1] = m[2][2] = s;
    return m;
}

Matrix translation(float t) {
    Matrix m = identity();
    m[3][0] = m[3][1] = m[3][2] = t;
    return m;
}

Matrix saturationBlock(float st) {
    const double rest = 1.0 - st;
    const float r = float(rest * kRedWeight);
    const float g = float(rest * kGreenWeight);
    const float b = float(rest * kBlueWeight);
    Matrix m = identity();
    m[0] = {float(rest * kRedWeight + st), r, r, 0};
    m[1] = {g, float(rest * kGreenWeight + st), g, 0};
    m[2] = {b, b, float(rest * kBlueWeight + st), 0};
    return m;
}

// Each block goes in front of the matrix, so a pixel meets brightness first,
// then saturation, then contrast. False when every adjustment is neutral.
bool colorMatrix(float ct, float st, float br, Matrix& m) {
    m = identity();
    bool applied = false;
    if (ct != 1.0f) {
        const Matrix block = product(
            product(product(product(scaling(1.0f / 255.0f), translation(-0.5f)), scaling(ct)),
                    translation(0.5f)),
            scaling(255.0f));
        m = product(block, m);
        applied = true;
    }
    if (st != 1.0f) {
        m = product(saturationBlock(st), m);
        applied = true;
    }
    if (br != 1.0f) {
        m = product(scaling(br), m);
        applied = true;
    }
    return applied;
}

// Truncated toward zero and clamped to a sample; not-a-number gives 0.
inline uint32_t toSample(float v) {
    return v > 0.0f ? (v < 255.0f ? uint32_t(v) : 255u) : 0u;
}

inline uint32_t clampSample(int v) {
    return uint32_t(std::clamp(v, 0, 255));
}

// The result's pixel word: bytes red, green, blue, 255.
inline uint32_t packRGBX(uint32_t r, uint32_t g, uint32_t b) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    return r | g << 8 | b << 16 | 0xFF000000u;
#else
    return r << 24 | g << 16 | b << 8 | 0xFFu;
#endif
}

inline uint32_t redOf(uint32_t argb) {
    return (argb >> 16) & 0xFF;
}
inline uint32_t greenOf(uint32_t argb) {
    return (argb >> 8) & 0xFF;
}
inline uint32_t blueOf(uint32_t argb) {
    return argb & 0xFF;
}

inline uint32_t throughMatrix(const Matrix& m, uint32_t r, uint32_t g, uint32_t b) {
    const float fr = float(r), fg = float(g), fb = float(b);
    return packRGBX(toSample(fr * m[0][0] + fg * m[1][0] + fb * m[2][0] + m[3][0]),
                    toSample(fr * m[0][1] + fg * m[1][1] + fb * m[2][1] + m[3][1]),
                    toSample(fr * m[0][2] + fg * m[1][2] + fb * m[2][2] + m[3][2]));
}

void copyRow(const uint32_t* from, uint32_t* to, int count) {
    for (int x = 0; x < count; ++x) {
        const uint32_t p = from[x];
        to[x] = packRGBX(redOf(p), greenOf(p), blueOf(p));
    }
}

void matrixRow(const Matrix& m, const uint32_t* from, uint32_t* to, int count) {
    for (int x = 0; x < count; ++x) {
        const uint32_t p = from[x];
        to[x] = throughMatrix(m, redOf(p), greenOf(p), blueOf(p));
    }
}

inline int lightnessOf(uint32_t argb) {
    const int r = int(redOf(argb)), g = int(greenOf(argb)), b = int(blueOf(argb));
    return (std::max({r, g, b}) + std::min({r, g, b})) >> 1;
}

void lightnessRow(const uint32_t* from, int* to, int count) {
    for (int x = 0; x < count; ++x)
        to[x] = lightnessOf(from[x]);
}

void sharpen(const QImage& source, QImage& result, float sh, const Matrix* m) {
    const int width = source.width();
    const int height = source.height();
    const float k = 1.0f / (9.0f - sh);
    auto sourceRow = [&](int y) {
        return reinterpret_cast<const uint32_t*>(source.constScanLine(y));
    };
    auto resultRow = [&](int y) { return reinterpret_cast<uint32_t*>(result.scanLine(y)); };
    auto plain = [&](const uint32_t* from, uint32_t* to, int count) {
        m ? matrixRow(*m, from, to, count) : copyRow(from, to, count);
    };

    plain(sourceRow(0), resultRow(0), width);
    plain(sourceRow(height - 1), resultRow(height - 1), width);

    // Lightness of the rows above, at and below the current one, and the
    // column sums over those three rows, so each pixel adds three sums.
    std::vector<int> above(width), centre(width), below(width), columns(width);
    lightnessRow(sourceRow(0), above.data(), width);
    lightnessRow(sourceRow(1), centre.data(), width);
    for (int y = 1; y < height - 1; ++y) {
        lightnessRow(sourceRow(y + 1), below.data(), width);
        for (int x = 0; x < width; ++x)
            columns[x] = above[x] + centre[x] + below[x];
        const uint32_t* from = sourceRow(y);
        uint32_t* to = resultRow(y);
        plain(from, to, 1);
        plain(from + width - 1, to + width - 1, 1);
        for (int x = 1; x < width - 1; ++x) {
            const int lc = centre[x];
            const int neighbours = columns[x - 1] + columns[x] + columns[x + 1] - lc;
            const int delta = int(float(neighbours - 8 * lc) * k);
            const int sharpened = std::clamp(lc - delta, 0, 255);
            const uint32_t p = from[x];
            uint32_t r = redOf(p), g = greenOf(p), b = blueOf(p);
            if (sharpened != lc) {
                const int shift = sharpened - lc;
                r = clampSample(int(r) + shift);
                g = clampSample(int(g) + shift);
                b = clampSample(int(b) + shift);
            }
            to[x] = m ? throughMatrix(*m, r, g, b) : packRGBX(r, g, b);
        }
        std::swap(above, centre);
        std::swap(centre, below);
    }
}

bool isARGB32(QImage::Format format) {
    return format == QImage::Format_ARGB32 || format == QImage::Format_RGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

bool readRect(const QByteArray& item, Rect& rect) {
    float values[4];
    if (item.size() < qsizetype(sizeof values))
        return false;
    std::memcpy(values, item.constData(), sizeof values);
    for (float v : values) {
        if (!std::isfinite(v))
            return false;
    }
    rect = Rect(values[0], values[1], values[2], values[3]);
    return true;
}

// The first whole number from value on, but not below zero.
int firstIndex(float value) {
    return value > 0 ? int(std::min(value, 2.0e9f)) : 0;
}

} // namespace

QImage ApplyPixelAdjustments(const QImage& world, float sh, float ct, float st, float br) {
    QImage source = isARGB32(world.format()) ? world : world.convertToFormat(QImage::Format_RGB32);
    if (source.isNull())
        return {};
    QImage result(source.size(), QImage::Format_RGBX8888);
    if (result.isNull())
        return {};
    Matrix m;
    const bool applied = colorMatrix(ct, st, br, m);
    // Sharpness 9 and up would divide by zero or turn the filter around.
    sh = sh > 0 ? std::min(sh, kMaxSharpness) : 0;

    if (sh != 0 && source.width() >= 3 && source.height() >= 3) {
        sharpen(source, result, sh, applied ? &m : nullptr);
        return result;
    }
    for (int y = 0; y < source.height(); ++y) {
        const auto* from = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
        auto* to = reinterpret_cast<uint32_t*>(result.scanLine(y));
        applied ? matrixRow(m, from, to, source.width()) : copyRow(from, to, source.width());
    }
    return result;
}

void ApplyRedEyeCorrection(QImage& bitmap, const QList<QByteArray>& redEyeArray) {
    if (redEyeArray.size() < 2 || bitmap.isNull())
        return;
    const QImage::Format format = bitmap.format();
    if (format != QImage::Format_RGBX8888 && format != QImage::Format_RGBA8888)
        return;
    Rect frame;
    if (!readRect(redEyeArray[0], frame) || !(frame.width() > 0) || !(frame.height() > 0))
        return;

    const qsizetype rowBytes = bitmap.bytesPerLine();
    const int perRow = int(rowBytes / 4);
    const int rows = bitmap.height();
    const qsizetype total = rowBytes * rows / 4;
    const float sx = float(perRow) / frame.width();
    const float sy = float(rows) / frame.height();
    uchar* bits = bitmap.bits();

    for (qsizetype i = 1; i < redEyeArray.size(); ++i) {
        Rect spot;
        if (!readRect(redEyeArray[i], spot))
            continue;
        spot = integralRect(
            Rect(spot.minX() * sx, spot.minY() * sy, spot.width() * sx, spot.height() * sy));
        const float x = spot.minX(), y = spot.minY(), w = spot.width(), h = spot.height();
        const float cx = x + w * 0.5f;
        const float cy = y + h * 0.5f;
        const float r = w * 0.25f;
        for (int yy = firstIndex(y); yy < y + h && yy < rows; ++yy) {
            const int row = rows - 1 - yy;
            for (int xx = firstIndex(x); xx < x + w && xx < perRow; ++xx) {
                const qsizetype index = qsizetype(row) * perRow + xx;
                if (index < 0 || index >= total)
                    continue;
                uchar* p = bits + index * 4;
                const int red = p[0], green = p[1], blue = p[2];
                const int most = std::max(green, blue);
                if (!(red > most && double(most) / red < 0.9))
                    continue;
                const float dx = float(xx) - cx, dy = float(yy) - cy;
                const float d = std::sqrt(dx * dx + dy * dy);
                if (!(d < 2 * r))
                    continue;
                const float f = d <= r ? 1.0f : (r - (d - r)) / r;
                const int least = std::min(green, blue);
                p[0] = uchar(int(float(red) - f * float(red - least)));
            }
        }
    }
}
