#include "catalog/PixelAdjustments.h"

#include "platform/foundation/Geometry.h"
#include "platform/foundation/ParallelRanges.h"

#include <QThread>
#include <cstdlib>
#include <limits>
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif
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

// The pixel loops below are written so that the compiler vectorises them:
// no branches per pixel, what applies is chosen once per row. On x86-64 they
// are also built for AVX2 and picked at run time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define LUMISK_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define LUMISK_VECTOR_CLONES
#endif
#define LUMISK_ALWAYS_INLINE inline __attribute__((always_inline))

// Truncated toward zero and clamped to a sample; not-a-number gives 0.
LUMISK_ALWAYS_INLINE int32_t toSample(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    return int32_t(v);
}

LUMISK_ALWAYS_INLINE int32_t clampSample(int32_t v) {
    v = v > 0 ? v : 0;
    return v < 255 ? v : 255;
}

// The same as toSample for a number known to lie within +-2^31 (so never
// not-a-number): truncated first, clamped as a whole number, which takes
// fewer steps than clamping the float.
LUMISK_ALWAYS_INLINE int32_t boundedToSample(float v) {
    return clampSample(int32_t(v));
}

// The result's pixel word: bytes red, green, blue, 255.
LUMISK_ALWAYS_INLINE uint32_t packRGBX(uint32_t r, uint32_t g, uint32_t b) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    return r | g << 8 | b << 16 | 0xFF000000u;
#else
    return r << 24 | g << 16 | b << 8 | 0xFFu;
#endif
}

LUMISK_ALWAYS_INLINE int32_t redOf(uint32_t argb) {
    return int32_t((argb >> 16) & 0xFF);
}
LUMISK_ALWAYS_INLINE int32_t greenOf(uint32_t argb) {
    return int32_t((argb >> 8) & 0xFF);
}
LUMISK_ALWAYS_INLINE int32_t blueOf(uint32_t argb) {
    return int32_t(argb & 0xFF);
}

// Coefficients up to this size keep every sum within +-2^31 (3 x 255 x 2^20 + 2^20).
constexpr float kBoundedCoefficient = float(1 << 20);

// The matrix entries the pixel loop uses, in the order each channel sums them.
struct Coefficients {
    float r[4], g[4], b[4];
    // Every entry a number of at most kBoundedCoefficient: sums need no
    // not-a-number or overflow care.
    bool bounded;

    explicit Coefficients(const Matrix& m)
        : r{m[0][0], m[1][0], m[2][0], m[3][0]}, g{m[0][1], m[1][1], m[2][1], m[3][1]}, b{m[0][2],
                                                                                          m[1][2],
                                                                                          m[2][2],
                                                                                          m[3][2]},
          bounded(true) {
        for (const float* channel : {r, g, b})
            for (int i = 0; i < 4; ++i)
                bounded = bounded && std::fabs(channel[i]) <= kBoundedCoefficient;
    }
};

enum class MatrixUse { None, Bounded, General };

// One result row from one source row, shifted by the sharpening (when Shift)
// and passed through the colour matrix (unless Use is None).
template <bool Shift, MatrixUse Use>
LUMISK_ALWAYS_INLINE void resultRow(const uint32_t* __restrict from,
                                    const int32_t* __restrict shift, uint32_t* __restrict to,
                                    int count, const Coefficients* c) {
    float r0 = 0, r1 = 0, r2 = 0, r3 = 0, g0 = 0, g1 = 0, g2 = 0, g3 = 0, b0 = 0, b1 = 0, b2 = 0,
          b3 = 0;
    if constexpr (Use != MatrixUse::None) {
        r0 = c->r[0], r1 = c->r[1], r2 = c->r[2], r3 = c->r[3];
        g0 = c->g[0], g1 = c->g[1], g2 = c->g[2], g3 = c->g[3];
        b0 = c->b[0], b1 = c->b[1], b2 = c->b[2], b3 = c->b[3];
    }
    for (int x = 0; x < count; ++x) {
        const uint32_t p = from[x];
        int32_t r = redOf(p), g = greenOf(p), b = blueOf(p);
        if constexpr (Shift) {
            // An unchanged lightness shifts by 0, which leaves the pixel as it is.
            const int32_t s = shift[x];
            r = clampSample(r + s);
            g = clampSample(g + s);
            b = clampSample(b + s);
        }
        if constexpr (Use != MatrixUse::None) {
            const float fr = float(r), fg = float(g), fb = float(b);
            const float nr = fr * r0 + fg * r1 + fb * r2 + r3;
            const float ng = fr * g0 + fg * g1 + fb * g2 + g3;
            const float nb = fr * b0 + fg * b1 + fb * b2 + b3;
            if constexpr (Use == MatrixUse::Bounded) {
                r = boundedToSample(nr);
                g = boundedToSample(ng);
                b = boundedToSample(nb);
            } else {
                r = toSample(nr);
                g = toSample(ng);
                b = toSample(nb);
            }
        }
        to[x] = packRGBX(uint32_t(r), uint32_t(g), uint32_t(b));
    }
}

template <MatrixUse Use>
LUMISK_ALWAYS_INLINE void resultRow(const uint32_t* from, const int32_t* shift, uint32_t* to,
                                    int count, const Coefficients* c) {
    if (shift)
        resultRow<true, Use>(from, shift, to, count, c);
    else
        resultRow<false, Use>(from, shift, to, count, c);
}

LUMISK_VECTOR_CLONES void resultRow(const uint32_t* from, const int32_t* shift, uint32_t* to,
                                    int count, const Coefficients* c) {
    if (!c)
        resultRow<MatrixUse::None>(from, shift, to, count, c);
    else if (c->bounded)
        resultRow<MatrixUse::Bounded>(from, shift, to, count, c);
    else
        resultRow<MatrixUse::General>(from, shift, to, count, c);
}

LUMISK_VECTOR_CLONES void lightnessRow(const uint32_t* __restrict from, int32_t* __restrict to,
                                       int count) {
    for (int x = 0; x < count; ++x) {
        const int32_t r = redOf(from[x]), g = greenOf(from[x]), b = blueOf(from[x]);
        const int32_t most = std::max(r, std::max(g, b));
        const int32_t least = std::min(r, std::min(g, b));
        to[x] = (most + least) >> 1;
    }
}

// The lightness change of each pixel of the centre row from its 3 x 3
// neighbourhood; 0 for the first and last pixel, which are not sharpened.
LUMISK_VECTOR_CLONES void shiftRow(const int32_t* __restrict above,
                                   const int32_t* __restrict centre,
                                   const int32_t* __restrict below, int32_t* __restrict columns,
                                   int32_t* __restrict shift, int count, float k) {
    for (int x = 0; x < count; ++x)
        columns[x] = above[x] + centre[x] + below[x];
    shift[0] = 0;
    shift[count - 1] = 0;
    for (int x = 1; x < count - 1; ++x) {
        const int32_t lc = centre[x];
        const int32_t neighbours = columns[x - 1] + columns[x] + columns[x + 1] - lc;
        const int32_t delta = int32_t(float(neighbours - 8 * lc) * k);
        shift[x] = clampSample(lc - delta) - lc;
    }
}

struct Job {
    const uchar* sourceBits;
    qsizetype sourceStride;
    uchar* resultBits;
    qsizetype resultStride;
    int width;
    int height;
    bool sharpen;
    float k;
    const Coefficients* matrix;

    const uint32_t* sourceRow(int y) const {
        return reinterpret_cast<const uint32_t*>(sourceBits + sourceStride * y);
    }
    uint32_t* resultRow(int y) const {
        return reinterpret_cast<uint32_t*>(resultBits + resultStride * y);
    }
};

// Rows first to last - 1. Each band reads the source rows around it itself, so
// bands are independent and the result does not depend on how rows are split.
void runRows(const Job& job, int first, int last) {
    const int width = job.width;
    if (!job.sharpen) {
        for (int y = first; y < last; ++y)
            resultRow(job.sourceRow(y), nullptr, job.resultRow(y), width, job.matrix);
        return;
    }
    // Lightness of three consecutive rows, row r in slot r % 3, computed once each.
    std::vector<int32_t> scratch(size_t(width) * 5);
    int32_t* lightness[3] = {scratch.data(), scratch.data() + width, scratch.data() + 2 * width};
    int32_t* columns = scratch.data() + 3 * width;
    int32_t* shift = scratch.data() + 4 * width;
    int loaded[3] = {-1, -1, -1};
    auto lightnessOf = [&](int row) {
        const int slot = row % 3;
        if (loaded[slot] != row) {
            lightnessRow(job.sourceRow(row), lightness[slot], width);
            loaded[slot] = row;
        }
        return lightness[slot];
    };
    for (int y = first; y < last; ++y) {
        if (y == 0 || y == job.height - 1) {
            resultRow(job.sourceRow(y), nullptr, job.resultRow(y), width, job.matrix);
            continue;
        }
        const int32_t* above = lightnessOf(y - 1);
        const int32_t* centre = lightnessOf(y);
        const int32_t* below = lightnessOf(y + 1);
        shiftRow(above, centre, below, columns, shift, width, job.k);
        resultRow(job.sourceRow(y), shift, job.resultRow(y), width, job.matrix);
    }
}

// Below this many pixels a picture is not worth a second thread.
constexpr qint64 kMinPixelsPerThread = qint64(1) << 18;
// Rows are handed to threads in pieces of about this many pixels: small
// enough that a busy thread's share is taken over by the others, large
// enough that the two extra rows of lightness each piece reads cost little.
constexpr qint64 kPixelsPerPiece = qint64(1) << 18;

int threadCount(const Job& job, int threads) {
    if (threads > 0)
        return threads;
    const qint64 pixels = qint64(job.width) * job.height;
    return int(std::clamp<qint64>(pixels / kMinPixelsPerThread, 1,
                                  std::max(QThread::idealThreadCount(), 1)));
}

// Rows per piece; with several threads at least four pieces each, so that
// small pictures are split too.
int rowsPerPiece(const Job& job, int threads) {
    const qint64 byPixels = std::max<qint64>(kPixelsPerPiece / std::max(job.width, 1), 1);
    const qint64 byThreads = (qint64(job.height) + 4 * threads - 1) / (4 * threads);
    return int(std::clamp<qint64>(std::min(byPixels, byThreads), 1, job.height));
}

// Pixels of large new pictures are asked for on huge pages: a fresh picture
// otherwise takes one page fault for every 4 KiB on first write, which costs
// more than the adjustments themselves on some systems.
constexpr size_t kHugePage = size_t(2) << 20;

QImage newResult(QSize size) {
    const qint64 rowBytes = qint64(size.width()) * 4;
    const qint64 bytes = rowBytes * size.height();
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    if (bytes >= qint64(2 * kHugePage) && rowBytes <= std::numeric_limits<int>::max() &&
        bytes <= std::numeric_limits<qsizetype>::max() - qint64(kHugePage)) {
        const size_t rounded = (size_t(bytes) + kHugePage - 1) & ~(kHugePage - 1);
        if (void* memory = std::aligned_alloc(kHugePage, rounded)) {
            madvise(memory, rounded, MADV_HUGEPAGE);
            return QImage(
                static_cast<uchar*>(memory), size.width(), size.height(), qsizetype(rowBytes),
                QImage::Format_RGBX8888, [](void* pixels) { std::free(pixels); }, memory);
        }
    }
#endif
    return QImage(size, QImage::Format_RGBX8888);
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

bool ApplyPixelAdjustmentsInto(const QImage& world, QImage& result, float sh, float ct, float st,
                               float br, int threads) {
    Matrix m;
    const bool applied = colorMatrix(ct, st, br, m);
    // Sharpness 9 and up would divide by zero or turn the filter around.
    sh = sh > 0 ? std::min(sh, kMaxSharpness) : 0;
    const bool sharpen = sh != 0 && world.width() >= 3 && world.height() >= 3;
    if (!applied && !sharpen && world.format() == QImage::Format_RGBX8888) {
        result = world;
        return !result.isNull();
    }

    const QImage source =
        isARGB32(world.format()) ? world : world.convertToFormat(QImage::Format_RGB32);
    if (source.isNull()) {
        result = QImage();
        return false;
    }
    // A picture shared with anyone else, the source included, is not written to.
    if (result.size() != source.size() || result.format() != QImage::Format_RGBX8888 ||
        !result.isDetached())
        result = newResult(source.size());
    if (result.isNull())
        return false;

    const Coefficients coefficients(m);
    const Job job{source.constBits(),
                  source.bytesPerLine(),
                  result.bits(),
                  result.bytesPerLine(),
                  source.width(),
                  source.height(),
                  sharpen,
                  1.0f / (9.0f - sh),
                  applied ? &coefficients : nullptr};
    const int threadsUsed = threadCount(job, threads);
    parallelRanges(job.height, rowsPerPiece(job, threadsUsed), threadsUsed,
                   [&job](int first, int last) { runRows(job, first, last); });
    return true;
}

QImage ApplyPixelAdjustments(const QImage& world, float sh, float ct, float st, float br) {
    QImage result;
    ApplyPixelAdjustmentsInto(world, result, sh, ct, st, br);
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
