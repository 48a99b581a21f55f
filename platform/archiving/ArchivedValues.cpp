#include "platform/archiving/ArchivedValues.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"

#include "platform/foundation/ParallelRanges.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>
#include <zlib.h>
#include <zstd.h>

namespace {

float finiteFloat(Unarchiver& coder, const char* what) {
    const float f = coder.decodeFloat();
    if (!std::isfinite(f))
        coder.fail(QStringLiteral("%1 is not a finite number").arg(QLatin1String(what)));
    return f;
}

Size finiteSize(Unarchiver& coder, const char* what) {
    const Size s = coder.decodeSize();
    if (!std::isfinite(s.width) || !std::isfinite(s.height))
        coder.fail(QStringLiteral("%1 is not finite").arg(QLatin1String(what)));
    return s;
}

// Bytes per pixel of the formats that are archived as they are.
int storedBytesPerPixel(QImage::Format format) {
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return 4;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        return 3;
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
        return 1;
    case QImage::Format_Grayscale16:
        return 2;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return 8;
    default:
        return 0;
    }
}

// deflate never shrinks data by more than about 1:1032.
constexpr qint64 kMaxInflateRatio = 1032;
constexpr qint64 kMaxImageBytes = qint64(1) << 30;
constexpr int kMaxImageSide = 1 << 16;

bool inflateRows(const QByteArray& compressed, QImage& image, int rowBytes) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData()));
    z.avail_in = uInt(compressed.size());
    bool ok = true;
    int status = Z_OK;
    for (int y = 0; y < image.height() && ok; ++y) {
        z.next_out = image.scanLine(y);
        z.avail_out = uInt(rowBytes);
        while (z.avail_out > 0) {
            status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && !(status == Z_STREAM_END && z.avail_out == 0)) {
                ok = false;
                break;
            }
        }
    }
    if (ok && status != Z_STREAM_END) {
        // All rows are filled; the stream must end here, with no bytes left over.
        unsigned char extra;
        z.next_out = &extra;
        z.avail_out = 1;
        status = inflate(&z, Z_FINISH);
        ok = status == Z_STREAM_END && z.avail_out == 1;
    }
    ok = ok && z.avail_in == 0;
    inflateEnd(&z);
    return ok;
}

// Pictures are written in form 1; form 0 files are still read.
//
// Form 0: all rows, each width x bytes per pixel, deflated as one stream.
// Form 1: rows in bands of about kBandBytes, each band one zstd frame of its
// rows with every byte replaced by its difference to the byte above (the
// band's first row as it is). The difference turns smooth photos into small
// numbers that pack well, and costs one subtraction; bands are packed and
// unpacked on threads of their own.
constexpr qint32 kImageFormZlib = 0;
constexpr qint32 kImageFormBands = 1;
constexpr qint64 kBandBytes = qint64(4) << 20;
constexpr int kZstdLevel = 1;
// A zstd block holds at most 128 KiB and takes at least 4 bytes.
constexpr qint64 kMaxZstdRatio = 32768;

using PackContext = std::unique_ptr<ZSTD_CCtx, size_t (*)(ZSTD_CCtx*)>;
using UnpackContext = std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx*)>;

QByteArray packBand(ZSTD_CCtx* context, const QImage& image, int rowBytes, int first, int last) {
    const size_t bytes = size_t(rowBytes) * size_t(last - first);
    // Left uninitialised: every byte is written below.
    const std::unique_ptr<uchar[]> differences(new uchar[bytes]);
    uchar* out = differences.get();
    std::memcpy(out, image.constScanLine(first), size_t(rowBytes));
    for (int y = first + 1; y < last; ++y) {
        const uchar* row = image.constScanLine(y);
        const uchar* above = image.constScanLine(y - 1);
        out += rowBytes;
        for (int i = 0; i < rowBytes; ++i)
            out[i] = uchar(row[i] - above[i]);
    }
    QByteArray frame(qsizetype(ZSTD_compressBound(bytes)), Qt::Uninitialized);
    const size_t size = ZSTD_compressCCtx(context, frame.data(), size_t(frame.size()),
                                          differences.get(), bytes, kZstdLevel);
    if (ZSTD_isError(size))
        return {};
    // Not squeezed: the frame lives only until it is copied into the archive.
    frame.truncate(qsizetype(size));
    return frame;
}

// Rows first to last - 1 into bits, rows bytesPerLine apart.
bool unpackBand(ZSTD_DCtx* context, const QByteArray& frame, uchar* bits, qsizetype bytesPerLine,
                int rowBytes, int first, int last) {
    const size_t bytes = size_t(rowBytes) * size_t(last - first);
    const bool contiguous = bytesPerLine == rowBytes;
    const std::unique_ptr<uchar[]> buffer(contiguous ? nullptr : new uchar[bytes]);
    uchar* target = contiguous ? bits + bytesPerLine * first : buffer.get();
    const size_t size =
        ZSTD_decompressDCtx(context, target, bytes, frame.constData(), size_t(frame.size()));
    if (ZSTD_isError(size) || size != bytes)
        return false;
    for (int y = first; y < last; ++y) {
        uchar* row = bits + bytesPerLine * y;
        if (!contiguous)
            std::memcpy(row, buffer.get() + size_t(rowBytes) * size_t(y - first), size_t(rowBytes));
        if (y == first)
            continue;
        const uchar* above = row - bytesPerLine;
        for (int i = 0; i < rowBytes; ++i)
            row[i] = uchar(row[i] + above[i]);
    }
    return true;
}

int rowsPerBand(int rowBytes, int height) {
    return int(std::clamp<qint64>(kBandBytes / std::max(rowBytes, 1), 1, std::max(height, 1)));
}

// Bands go to the threads in equal shares, so each makes its zstd context once.
int bandsPerThread(int count) {
    const int threads = std::max(QThread::idealThreadCount(), 1);
    return (count + threads - 1) / threads;
}

// Empty when a band cannot be packed.
std::vector<QByteArray> packBands(const QImage& image, int rowBytes, int bandRows) {
    const int count = (image.height() + bandRows - 1) / bandRows;
    std::vector<QByteArray> frames(static_cast<size_t>(count));
    std::atomic<bool> ok = true;
    parallelRanges(count, bandsPerThread(count), 0, [&](int firstBand, int lastBand) {
        const PackContext context(ZSTD_createCCtx(), ZSTD_freeCCtx);
        for (int band = firstBand; band < lastBand && ok; ++band) {
            const int first = band * bandRows;
            try {
                if (context)
                    frames[size_t(band)] = packBand(context.get(), image, rowBytes, first,
                                                    std::min(image.height(), first + bandRows));
            } catch (const std::bad_alloc&) {
            }
            if (frames[size_t(band)].isNull())
                ok = false;
        }
    });
    if (!ok)
        frames.clear();
    return frames;
}

bool unpackBands(const std::vector<QByteArray>& frames, QImage& image, int rowBytes, int bandRows) {
    // Taken once here: the threads must not each detach the picture.
    uchar* bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    const int height = image.height();
    std::atomic<bool> ok = true;
    parallelRanges(int(frames.size()), bandsPerThread(int(frames.size())), 0,
                   [&](int firstBand, int lastBand) {
                       const UnpackContext context(ZSTD_createDCtx(), ZSTD_freeDCtx);
                       for (int band = firstBand; band < lastBand && ok; ++band) {
                           const int first = band * bandRows;
                           bool unpacked = false;
                           try {
                               unpacked = context && unpackBand(context.get(), frames[size_t(band)],
                                                                bits, bytesPerLine, rowBytes, first,
                                                                std::min(height, first + bandRows));
                           } catch (const std::bad_alloc&) {
                           }
                           if (!unpacked)
                               ok = false;
                       }
                   });
    return ok;
}

} // namespace

void encodeColor(Archiver& coder, const Color& color) {
    coder.encodeInt32(qint32(color.colorSpace()));
    for (int i = 0; i < color.componentCount(); ++i)
        coder.encodeFloat(color.component(i));
    coder.encodeFloat(color.alphaComponent());
}

Color decodeColor(Unarchiver& coder) {
    const qint32 code = coder.decodeInt32();
    const auto space = Color::Space(code);
    const int count = code >= 0 ? Color::componentCount(space) : 0;
    if (count == 0)
        coder.fail(QStringLiteral("Unknown colour space %1").arg(code));
    float components[4];
    for (int i = 0; i < count; ++i)
        components[i] = finiteFloat(coder, "Colour component");
    const float alpha = finiteFloat(coder, "Alpha");
    return *Color::fromComponents(space, components, count, alpha);
}

void encodeFont(Archiver& coder, const Font& font) {
    coder.encodeString(font.familyName());
    coder.encodeFloat(font.pointSize());
    coder.encodeInt32(font.weight());
    coder.encodeBool(font.isItalic());
}

Font decodeFont(Unarchiver& coder) {
    const QString family = coder.decodeString();
    const float size = finiteFloat(coder, "Font size");
    const qint32 weight = coder.decodeInt32();
    const bool italic = coder.decodeBool();
    if (!(size > 0) || size > Font::kMaxPointSize)
        coder.fail(QStringLiteral("Font size %1 is out of range").arg(size));
    if (weight < 1 || weight > 1000)
        coder.fail(QStringLiteral("Font weight %1 is out of range").arg(weight));
    return Font(family, size, weight, italic);
}

void encodeShadow(Archiver& coder, const ShadowValue& shadow) {
    coder.encodeSize(shadow.offset);
    coder.encodeFloat(shadow.blurRadius);
    encodeColor(coder, Color::fromQColor(shadow.color));
}

ShadowValue decodeShadow(Unarchiver& coder) {
    ShadowValue shadow;
    shadow.offset = finiteSize(coder, "Shadow offset");
    shadow.blurRadius = finiteFloat(coder, "Shadow blur radius");
    if (shadow.blurRadius < 0)
        coder.fail(QStringLiteral("Negative shadow blur radius"));
    shadow.color = decodeColor(coder).toQColor();
    return shadow;
}

void encodeImage(Archiver& coder, const Image& image) {
    QImage pixels = image.pixels();
    if (!pixels.isNull() && storedBytesPerPixel(pixels.format()) == 0)
        pixels = pixels.convertToFormat(pixels.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                 : QImage::Format_RGB32);
    const int bpp = storedBytesPerPixel(pixels.format());
    coder.encodeInt32(pixels.isNull() ? 0 : pixels.width());
    coder.encodeInt32(pixels.isNull() ? 0 : pixels.height());
    coder.encodeInt32(pixels.isNull() ? 0 : qint32(pixels.format()));
    coder.encodeSize(image.size());
    coder.encodeBool(image.isFlipped());
    coder.encodeData(image.iccProfile());
    if (pixels.isNull()) {
        coder.encodeInt32(0);
        coder.encodeCount(0);
        return;
    }
    const int rowBytes = pixels.width() * bpp;
    const int bandRows = rowsPerBand(rowBytes, pixels.height());
    const std::vector<QByteArray> frames = packBands(pixels, rowBytes, bandRows);
    if (frames.empty())
        coder.fail(QStringLiteral("The pixels of a picture cannot be packed"));
    coder.encodeInt32(bandRows);
    coder.encodeCount(qsizetype(frames.size()));
    for (const QByteArray& frame : frames)
        coder.encodeData(frame);
}

namespace {

// Bytes per pixel of a picture the archive describes; fails for formats and
// sizes no archive holds.
int checkedBytesPerPixel(Unarchiver& coder, qint32 width, qint32 height, qint32 formatCode) {
    const int bpp = formatCode > 0 && formatCode < QImage::NImageFormats
                        ? storedBytesPerPixel(QImage::Format(formatCode))
                        : 0;
    if (bpp == 0)
        coder.fail(QStringLiteral("Pixel format %1 is not an archive format").arg(formatCode));
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        coder.fail(QStringLiteral("Image of %1 x %2 pixels").arg(width).arg(height));
    if (qint64(width) * height * bpp > kMaxImageBytes)
        coder.fail(QStringLiteral("Image of %1 x %2 pixels is too large").arg(width).arg(height));
    return bpp;
}

QImage newPixels(Unarchiver& coder, qint32 width, qint32 height, qint32 formatCode) {
    QImage pixels(width, height, QImage::Format(formatCode));
    if (pixels.isNull())
        coder.fail(
            QStringLiteral("No memory for an image of %1 x %2 pixels").arg(width).arg(height));
    return pixels;
}

QImage decodeZlibPixels(Unarchiver& coder, qint32 width, qint32 height, qint32 formatCode) {
    const QByteArray compressed = coder.decodeData();
    if (width == 0 && height == 0 && formatCode == 0 && compressed.isEmpty())
        return {};
    const int bpp = checkedBytesPerPixel(coder, width, height, formatCode);
    if (qint64(width) * height * bpp > compressed.size() * kMaxInflateRatio)
        coder.fail(
            QStringLiteral("Image of %1 x %2 pixels exceeds its data").arg(width).arg(height));
    QImage pixels = newPixels(coder, width, height, formatCode);
    if (!inflateRows(compressed, pixels, width * bpp))
        coder.fail(QStringLiteral("Damaged pixel data"));
    return pixels;
}

QImage decodeBandPixels(Unarchiver& coder, qint32 width, qint32 height, qint32 formatCode) {
    const qint32 bandRows = coder.decodeInt32();
    // A band takes at least its tag and its length.
    const qint32 count = coder.decodeCount(5);
    std::vector<QByteArray> frames;
    frames.reserve(size_t(count));
    for (qint32 i = 0; i < count; ++i)
        frames.push_back(coder.decodeData());
    if (width == 0 && height == 0 && formatCode == 0 && bandRows == 0 && count == 0)
        return {};

    // Every band must hold exactly its rows before the pixels are allocated.
    const qint64 rowBytes = qint64(width) * checkedBytesPerPixel(coder, width, height, formatCode);
    if (bandRows <= 0 || bandRows > height)
        coder.fail(QStringLiteral("Bands of %1 rows").arg(bandRows));
    if (qint64(count) != (qint64(height) + bandRows - 1) / bandRows)
        coder.fail(QStringLiteral("%1 bands for %2 rows").arg(count).arg(height));
    for (qint32 band = 0; band < count; ++band) {
        const QByteArray& frame = frames[size_t(band)];
        const qint64 bytes =
            std::min<qint64>(bandRows, height - qint64(band) * bandRows) * rowBytes;
        const auto declared = ZSTD_getFrameContentSize(frame.constData(), size_t(frame.size()));
        if (declared != static_cast<unsigned long long>(bytes) ||
            ZSTD_findFrameCompressedSize(frame.constData(), size_t(frame.size())) !=
                size_t(frame.size()) ||
            bytes > frame.size() * kMaxZstdRatio)
            coder.fail(QStringLiteral("Band %1 does not hold its rows").arg(band));
    }
    QImage pixels = newPixels(coder, width, height, formatCode);
    if (!unpackBands(frames, pixels, int(rowBytes), bandRows))
        coder.fail(QStringLiteral("Damaged pixel data"));
    return pixels;
}

} // namespace

Image decodeImage(Unarchiver& coder) {
    // An image written inline, without its class named, is of the current form.
    qint32 form = coder.versionForClassName(QStringLiteral("Image"));
    if (form < 0)
        form = kImageFormBands;
    if (form != kImageFormZlib && form != kImageFormBands)
        coder.fail(QStringLiteral("Image form %1 is not known to this version").arg(form));
    const qint32 width = coder.decodeInt32();
    const qint32 height = coder.decodeInt32();
    const qint32 formatCode = coder.decodeInt32();
    const Size size = finiteSize(coder, "Image size");
    const bool flipped = coder.decodeBool();
    const QByteArray icc = coder.decodeData();
    QImage pixels = form == kImageFormZlib ? decodeZlibPixels(coder, width, height, formatCode)
                                           : decodeBandPixels(coder, width, height, formatCode);
    Image image(std::move(pixels), size);
    image.setFlipped(flipped);
    image.setIccProfile(icc);
    return image;
}

void encodePrintInfo(Archiver& coder, const PrintInfo& info) {
    coder.encodeString(info.paperName());
    coder.encodeSize(info.paperSize());
    coder.encodeInt32(qint32(info.orientation()));
    coder.encodeFloat(info.leftMargin());
    coder.encodeFloat(info.rightMargin());
    coder.encodeFloat(info.topMargin());
    coder.encodeFloat(info.bottomMargin());
    coder.encodeFloat(info.scalingFactor());
    coder.encodeBool(info.isHorizontallyCentered());
    coder.encodeBool(info.isVerticallyCentered());
    coder.encodeObject(info.printSettings());
}

PrintInfo decodePrintInfo(Unarchiver& coder) {
    PrintInfo info;
    info.setPaperName(coder.decodeString());
    const Size paper = finiteSize(coder, "Paper size");
    if (paper.width < 0 || paper.height < 0)
        coder.fail(QStringLiteral("Negative paper size"));
    const qint32 orientation = coder.decodeInt32();
    if (orientation != 0 && orientation != 1)
        coder.fail(QStringLiteral("Unknown orientation %1").arg(orientation));
    info.setOrientation(PrintInfo::Orientation(orientation));
    info.setPaperSize(paper);
    info.setLeftMargin(finiteFloat(coder, "Margin"));
    info.setRightMargin(finiteFloat(coder, "Margin"));
    info.setTopMargin(finiteFloat(coder, "Margin"));
    info.setBottomMargin(finiteFloat(coder, "Margin"));
    const float scaling = finiteFloat(coder, "Scaling");
    if (!(scaling > 0))
        coder.fail(QStringLiteral("Scaling %1 is not positive").arg(scaling));
    info.setScalingFactor(scaling);
    info.setHorizontallyCentered(coder.decodeBool());
    info.setVerticallyCentered(coder.decodeBool());
    const QVariant settings = coder.decodeObject();
    if (settings.metaType() != QMetaType::fromType<QVariantMap>())
        coder.fail(QStringLiteral("Print settings are not a dictionary"));
    info.setPrintSettings(settings.toMap());
    return info;
}

namespace {

enum AttributeFlag : qint32 {
    kHasFont = 1 << 0,
    kHasColor = 1 << 1,
    kHasParagraphStyle = 1 << 2,
    kHasKern = 1 << 3,
    kHasBaselineOffset = 1 << 4,
    kHasShadow = 1 << 5,
    kAllFlags = (1 << 6) - 1,
};

// Each run takes at least its length and its flags.
constexpr int kMinRunBytes = 10;

} // namespace

void encodeTextStorage(Archiver& coder, const TextStorage& text) {
    coder.encodeString(text.string());
    coder.encodeCount(qsizetype(text.runs().size()));
    for (const TextStorage::Run& run : text.runs()) {
        const TextAttributes& a = run.attributes;
        coder.encodeInt32(run.length);
        coder.encodeInt32((a.font ? kHasFont : 0) | (a.foregroundColor ? kHasColor : 0) |
                          (a.paragraphStyle ? kHasParagraphStyle : 0) | (a.kern ? kHasKern : 0) |
                          (a.baselineOffset ? kHasBaselineOffset : 0) |
                          (a.shadow ? kHasShadow : 0));
        if (a.font)
            encodeFont(coder, *a.font);
        if (a.foregroundColor)
            encodeColor(coder, *a.foregroundColor);
        if (a.paragraphStyle) {
            coder.encodeInt32(a.paragraphStyle->alignment);
            coder.encodeFloat(a.paragraphStyle->lineSpacing);
            coder.encodeFloat(a.paragraphStyle->lineHeightMultiple);
            coder.encodeFloat(a.paragraphStyle->minimumLineHeight);
        }
        if (a.kern)
            coder.encodeFloat(*a.kern);
        if (a.baselineOffset)
            coder.encodeFloat(*a.baselineOffset);
        if (a.shadow)
            encodeShadow(coder, *a.shadow);
    }
}

TextStorage decodeTextStorage(Unarchiver& coder) {
    const QString text = coder.decodeString();
    const qint32 count = coder.decodeCount(kMinRunBytes);
    std::vector<TextStorage::Run> runs;
    runs.reserve(size_t(count));
    for (qint32 i = 0; i < count; ++i) {
        TextStorage::Run run;
        run.length = coder.decodeInt32();
        const qint32 flags = coder.decodeInt32();
        if (flags & ~kAllFlags)
            coder.fail(QStringLiteral("Unknown text attributes 0x%1").arg(flags, 0, 16));
        TextAttributes& a = run.attributes;
        if (flags & kHasFont)
            a.font = decodeFont(coder);
        if (flags & kHasColor)
            a.foregroundColor = decodeColor(coder);
        if (flags & kHasParagraphStyle) {
            ParagraphStyle p;
            p.alignment = coder.decodeInt32();
            if (p.alignment < ParagraphStyle::Left || p.alignment > ParagraphStyle::Natural)
                coder.fail(QStringLiteral("Unknown alignment %1").arg(p.alignment));
            p.lineSpacing = finiteFloat(coder, "Line spacing");
            p.lineHeightMultiple = finiteFloat(coder, "Line height multiple");
            p.minimumLineHeight = finiteFloat(coder, "Minimum line height");
            a.paragraphStyle = p;
        }
        if (flags & kHasKern)
            a.kern = finiteFloat(coder, "Kern");
        if (flags & kHasBaselineOffset)
            a.baselineOffset = finiteFloat(coder, "Baseline offset");
        if (flags & kHasShadow)
            a.shadow = decodeShadow(coder);
        runs.push_back(std::move(run));
    }
    auto storage = TextStorage::fromRuns(text, std::move(runs));
    if (!storage)
        coder.fail(QStringLiteral("Text runs don't cover the text"));
    return *storage;
}

namespace {

Point finitePoint(Unarchiver& coder) {
    const Point p = coder.decodePoint();
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        coder.fail(QStringLiteral("Path point is not finite"));
    return p;
}

qint32 enumCode(Unarchiver& coder, qint32 last, const char* what) {
    const qint32 code = coder.decodeInt32();
    if (code < 0 || code > last)
        coder.fail(QStringLiteral("Unknown %1 %2").arg(QLatin1String(what)).arg(code));
    return code;
}

// An element takes at least its kind.
constexpr int kMinElementBytes = 5;

} // namespace

void encodeBezierPath(Archiver& coder, const BezierPath& path) {
    coder.encodeInt32(qint32(path.windingRule()));
    coder.encodeFloat(path.lineWidth());
    coder.encodeInt32(qint32(path.lineCapStyle()));
    coder.encodeInt32(qint32(path.lineJoinStyle()));
    coder.encodeFloat(path.miterLimit());
    coder.encodeFloat(path.flatness());
    coder.encodeCount(qsizetype(path.lineDash().size()));
    for (float length : path.lineDash())
        coder.encodeFloat(length);
    coder.encodeFloat(path.lineDashPhase());
    coder.encodeCount(qsizetype(path.elements().size()));
    for (const BezierPath::Element& e : path.elements()) {
        coder.encodeInt32(qint32(e.kind));
        switch (e.kind) {
        case BezierPathElement::MoveTo:
        case BezierPathElement::LineTo:
            coder.encodePoint(e.points[0]);
            break;
        case BezierPathElement::CurveTo:
            for (const Point& p : e.points)
                coder.encodePoint(p);
            break;
        case BezierPathElement::ClosePath:
            break;
        }
    }
}

BezierPath decodeBezierPath(Unarchiver& coder) {
    BezierPath path;
    path.setWindingRule(WindingRule(enumCode(coder, 1, "winding rule")));
    const float width = finiteFloat(coder, "Line width");
    if (width < 0)
        coder.fail(QStringLiteral("Negative line width"));
    path.setLineWidth(width);
    path.setLineCapStyle(LineCapStyle(enumCode(coder, 2, "line cap")));
    path.setLineJoinStyle(LineJoinStyle(enumCode(coder, 2, "line join")));
    path.setMiterLimit(finiteFloat(coder, "Miter limit"));
    path.setFlatness(finiteFloat(coder, "Flatness"));
    const qint32 dashCount = coder.decodeCount(5);
    std::vector<float> dash;
    dash.reserve(size_t(dashCount));
    for (qint32 i = 0; i < dashCount; ++i) {
        dash.push_back(finiteFloat(coder, "Dash length"));
        if (dash.back() < 0)
            coder.fail(QStringLiteral("Negative dash length"));
    }
    const float phase = finiteFloat(coder, "Dash phase");
    path.setLineDashCountPhase(dash.data(), int(dash.size()), phase);
    const qint32 count = coder.decodeCount(kMinElementBytes);
    for (qint32 i = 0; i < count; ++i) {
        const auto kind = BezierPathElement(enumCode(coder, 3, "path element"));
        if (kind != BezierPathElement::MoveTo && !path.hasCurrentPoint())
            coder.fail(QStringLiteral("Path segment without a current point"));
        switch (kind) {
        case BezierPathElement::MoveTo:
            path.moveToPoint(finitePoint(coder));
            break;
        case BezierPathElement::LineTo:
            path.lineToPoint(finitePoint(coder));
            break;
        case BezierPathElement::CurveTo: {
            const Point control1 = finitePoint(coder);
            const Point control2 = finitePoint(coder);
            path.curveToPointControlPoint1ControlPoint2(finitePoint(coder), control1, control2);
            break;
        }
        case BezierPathElement::ClosePath:
            path.closePath();
            break;
        }
    }
    return path;
}

void encodeURL(Archiver& coder, const QUrl& url) {
    coder.encodeString(url.toString(QUrl::FullyEncoded));
}

QUrl decodeURL(Unarchiver& coder) {
    const QString text = coder.decodeString();
    const QUrl url(text, QUrl::StrictMode);
    if (!text.isEmpty() && !url.isValid())
        coder.fail(QStringLiteral("Damaged URL"));
    return url;
}

void registerPlatformValueClasses(ClassRegistry& registry) {
    registry.registerValueClass<BezierPath>(QStringLiteral("BezierPath"), 0, encodeBezierPath,
                                            decodeBezierPath);
    registry.registerValueClass<Color>(QStringLiteral("Color"), 0, encodeColor, decodeColor);
    registry.registerValueClass<Font>(QStringLiteral("Font"), 0, encodeFont, decodeFont);
    registry.registerValueClass<ShadowValue>(QStringLiteral("ShadowValue"), 0, encodeShadow,
                                             decodeShadow);
    registry.registerValueClass<Image>(QStringLiteral("Image"), kImageFormBands, encodeImage,
                                       decodeImage);
    registry.registerValueClass<PrintInfo>(QStringLiteral("PrintInfo"), 0, encodePrintInfo,
                                           decodePrintInfo);
    registry.registerValueClass<TextStorage>(QStringLiteral("TextStorage"), 0, encodeTextStorage,
                                             decodeTextStorage);
    registry.registerValueClass<QUrl>(QStringLiteral("URL"), 0, encodeURL, decodeURL);
}
