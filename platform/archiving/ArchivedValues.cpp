#include "platform/archiving/ArchivedValues.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"

#include <cmath>
#include <zlib.h>

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

QByteArray deflateRows(const QImage& image, int rowBytes) {
    z_stream z{};
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    QByteArray out;
    char buffer[16384];
    for (int y = 0; y <= image.height(); ++y) {
        const bool last = y == image.height();
        z.next_in = last ? nullptr : const_cast<Bytef*>(image.constScanLine(y));
        z.avail_in = last ? 0 : uInt(rowBytes);
        int status;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            status = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0 || (last && status != Z_STREAM_END));
    }
    deflateEnd(&z);
    return out;
}

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
    coder.encodeData(pixels.isNull() ? QByteArray() : deflateRows(pixels, pixels.width() * bpp));
}

Image decodeImage(Unarchiver& coder) {
    const qint32 width = coder.decodeInt32();
    const qint32 height = coder.decodeInt32();
    const qint32 formatCode = coder.decodeInt32();
    const Size size = finiteSize(coder, "Image size");
    const bool flipped = coder.decodeBool();
    const QByteArray icc = coder.decodeData();
    const QByteArray compressed = coder.decodeData();

    QImage pixels;
    if (width != 0 || height != 0 || formatCode != 0 || !compressed.isEmpty()) {
        const auto format = QImage::Format(formatCode);
        const int bpp =
            formatCode > 0 && formatCode < QImage::NImageFormats ? storedBytesPerPixel(format) : 0;
        if (bpp == 0)
            coder.fail(QStringLiteral("Pixel format %1 is not an archive format").arg(formatCode));
        if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
            coder.fail(QStringLiteral("Image of %1 x %2 pixels").arg(width).arg(height));
        const qint64 bytes = qint64(width) * height * bpp;
        if (bytes > kMaxImageBytes || bytes > compressed.size() * kMaxInflateRatio)
            coder.fail(
                QStringLiteral("Image of %1 x %2 pixels exceeds its data").arg(width).arg(height));
        pixels = QImage(width, height, format);
        if (pixels.isNull())
            coder.fail(
                QStringLiteral("No memory for an image of %1 x %2 pixels").arg(width).arg(height));
        if (!inflateRows(compressed, pixels, width * bpp))
            coder.fail(QStringLiteral("Damaged pixel data"));
    }
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

void registerPlatformValueClasses(ClassRegistry& registry) {
    registry.registerValueClass<BezierPath>(QStringLiteral("BezierPath"), 0, encodeBezierPath,
                                            decodeBezierPath);
    registry.registerValueClass<Color>(QStringLiteral("Color"), 0, encodeColor, decodeColor);
    registry.registerValueClass<Font>(QStringLiteral("Font"), 0, encodeFont, decodeFont);
    registry.registerValueClass<ShadowValue>(QStringLiteral("ShadowValue"), 0, encodeShadow,
                                             decodeShadow);
    registry.registerValueClass<Image>(QStringLiteral("Image"), 0, encodeImage, decodeImage);
    registry.registerValueClass<PrintInfo>(QStringLiteral("PrintInfo"), 0, encodePrintInfo,
                                           decodePrintInfo);
    registry.registerValueClass<TextStorage>(QStringLiteral("TextStorage"), 0, encodeTextStorage,
                                             decodeTextStorage);
}
