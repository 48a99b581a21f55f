#include "catalog/Importer.h"

#include "catalog/PixelAdjustments.h"
#include "platform/foundation/HostServices.h"
#include "platform/imaging/ColorMatching.h"
#include "platform/imaging/GraphicsImporter.h"
#include "utilities/GeometryUtilities.h"
#include "utilities/OffscreenUtilities.h"

#include <QFileInfo>
#include <cmath>
#include <mutex>
#include <optional>

namespace {

// From this system version on, the importer matches colours while it draws.
constexpr uint32_t kLastSystemWithoutImporterMatching = 0x102F;
constexpr int kMaxSide = 32767;
// Worlds larger than this are refused rather than risk exhausting memory.
constexpr qint64 kMaxWorldBytes = qint64(1) << 30;

// The last decoded world and what it was decoded for. A hit must give the same
// picture as a new decode, so the colour-matching flag is part of the key and
// the profile the pixels are in is kept with them; for a colour-matched world
// that is the display profile it was matched to, which the user may change.
struct CachedWorld {
    GWorldPtr world;
    QString path;
    Size requested;
    float rotation = 0;
    bool colorMatched = false;
    Size natural;
    QByteArray profile;
};

std::mutex& decodeLock() {
    static std::mutex lock;
    return lock;
}

// Guarded by the decode lock.
CachedWorld& cachedWorld() {
    static CachedWorld cache;
    return cache;
}

QDRect qdRect(const QRect& r) {
    return {int16_t(r.top()), int16_t(r.left()), int16_t(r.bottom() + 1), int16_t(r.right() + 1)};
}

QRect qRect(const QDRect& r) {
    return {r.left, r.top, r.width(), r.height()};
}

// The rectangle of the requested size (the natural one for the zero size),
// centred on the natural bounds; nothing when the size is no usable rectangle.
std::optional<QDRect> destinationRect(Size requested, const QDRect& natural) {
    if (requested == kZeroSize)
        return natural;
    const float width = std::trunc(requested.width);
    const float height = std::trunc(requested.height);
    if (!(width >= 1 && width <= kMaxSide && height >= 1 && height <= kMaxSide))
        return std::nullopt;
    QDRect rect{0, 0, int16_t(height), int16_t(width)};
    UT_CenterQDRectInRect(rect, natural);
    return rect;
}

// A landscape picture asked for in portrait or the other way round.
bool orientationsDiffer(const QDRect& natural, const QDRect& destination) {
    const float n = UT_QDRectAspectRatio(natural);
    const float d = UT_QDRectAspectRatio(destination);
    return (n > 1 && d < 1) || (!(n > 1) && d > 1);
}

void exchangeSides(QDRect& rect, const QDRect& natural) {
    rect = QDRect{0, 0, int16_t(rect.width()), int16_t(rect.height())};
    UT_CenterQDRectInRect(rect, natural);
}

GWorldPtr createWorld(const QDRect& bounds) {
    if (qint64(bounds.width()) * bounds.height() * 4 > kMaxWorldBytes)
        return nullptr;
    return UTCreateGWorld(bounds);
}

bool hasThumbnailMarker(const QByteArray& item) {
    for (qsizetype at = 0; at + 4 <= item.size(); at += 4) {
        if (item.mid(at, 4) == QByteArrayLiteral("n=th"))
            return true;
    }
    return false;
}

} // namespace

std::unique_ptr<Importer> Importer::initWithFile(const QString& path) {
    std::lock_guard lock(decodeLock());
    std::unique_ptr<GraphicsImporter> importer = GraphicsImporter::forFile(path);
    if (!importer)
        return nullptr;
    return std::unique_ptr<Importer>(new Importer(std::move(importer), path));
}

Importer::Importer(std::unique_ptr<GraphicsImporter> importer, QString path)
    : _gi(std::move(importer)), _renderQuality(GraphicsImporter::kCodecLosslessQuality),
      _filePath(std::move(path)) {}

Importer::~Importer() {
    std::lock_guard lock(decodeLock());
    _gi.reset();
}

QStringList Importer::validExtensions() {
    return GraphicsImporter::fileExtensions();
}

void Importer::flushCachedGWorld(const QString& path) {
    std::lock_guard lock(decodeLock());
    if (cachedWorld().world && cachedWorld().path == path)
        cachedWorld() = CachedWorld();
}

bool Importer::isGWorldCached(const QString& path) {
    std::lock_guard lock(decodeLock());
    return cachedWorld().world && cachedWorld().path == path;
}

Size Importer::size() {
    std::lock_guard lock(decodeLock());
    const CachedWorld& cache = cachedWorld();
    if (cache.world && cache.natural != kZeroSize && cache.path == _filePath)
        return cache.natural;
    const std::optional<QRect> natural = _gi->naturalBounds();
    if (!natural)
        return kZeroSize;
    _naturalBounds = Size{float(natural->width()), float(natural->height())};
    return _naturalBounds;
}

GWorldPtr Importer::decodeWorld(Size requested, const QByteArray& display, QByteArray& profile,
                                Size& natural) {
    const std::optional<QRect> bounds = _gi->naturalBounds();
    if (!bounds)
        return nullptr;
    const QDRect n = qdRect(*bounds);
    natural = Size{float(n.width()), float(n.height())};
    std::optional<QDRect> d = destinationRect(requested, n);
    if (!d)
        return nullptr;
    GWorldPtr world = createWorld(*d);
    if (!world)
        return nullptr;

    const bool importerMatches = host().osSystemVersion() > kLastSystemWithoutImporterMatching;
    if (importerMatches) {
        if (_useColorSync)
            _gi->setDestinationColorProfile(display);
        else
            _gi->setFlags(GraphicsImporter::kDontUseColorMatching);
    }

    // The world keeps the requested size; a quarter turn below brings the
    // exchanged bounds onto it.
    _gi->setMatrix(QTransform());
    if (*d != n && orientationsDiffer(n, *d))
        exchangeSides(*d, n);
    if (!_gi->setBoundsRect(qRect(*d)))
        return nullptr;
    if (_rotationAngle != 0) {
        QTransform turn;
        turn.translate(n.width() / 2.0, n.height() / 2.0);
        turn.rotate(_rotationAngle);
        turn.translate(-n.width() / 2.0, -n.height() / 2.0);
        _gi->setMatrix(_gi->matrix() * turn);
    }

    _gi->setQuality(_renderQuality);
    profile = _gi->colorProfile();
    // A profile of another colour space does not describe the RGB pixels drawn.
    if (!isRGBProfile(profile))
        profile.clear();
    _gi->setGWorld(&world->pixels(), QPoint(world->bounds().left, world->bounds().top));
    if (!_gi->draw())
        return nullptr;

    if (_useColorSync) {
        if (!importerMatches)
            matchPixels(world->pixels(), profile.isEmpty() ? defaultRGBProfile() : profile,
                        display);
        // The pixels are in display space now.
        profile = display;
    }
    return world;
}

Image Importer::getImageWithSize(Size requested) {
    std::lock_guard lock(decodeLock());
    _hadColorSync = false;
    CachedWorld& cache = cachedWorld();
    // Read once per request, so that the decode and the cache see the same one.
    const QByteArray display = _useColorSync ? defaultDisplayProfile() : QByteArray();
    GWorldPtr world;
    QByteArray profile;
    Size natural;
    if (cache.world && cache.path == _filePath && cache.requested == requested &&
        cache.rotation == _rotationAngle && cache.colorMatched == _useColorSync &&
        (!_useColorSync || cache.profile == display)) {
        world = cache.world;
        profile = cache.profile;
    } else {
        world = decodeWorld(requested, display, profile, natural);
        if (!world)
            return {};
    }

    QImage bitmap =
        ApplyPixelAdjustments(world->pixels(), _sharpness, _contrast, _saturation, _brightness);
    if (bitmap.isNull())
        return {};
    if (!_redEyeArray.isEmpty())
        applyRedEyeToBitmap(bitmap);
    Image picture(std::move(bitmap));
    if (!profile.isEmpty()) {
        picture.setIccProfile(profile);
        _hadColorSync = true;
    }

    if (world != cache.world)
        cache = CachedWorld{world,         _filePath, requested, _rotationAngle,
                            _useColorSync, natural,   profile};
    return picture;
}

Image Importer::drawThumbnail(Size requested) {
    const std::optional<QRect> bounds = _gi->naturalBounds();
    if (!bounds)
        return {};
    const QDRect n = qdRect(*bounds);
    std::optional<QDRect> d = destinationRect(requested, n);
    if (!d)
        return {};
    if (*d != n && orientationsDiffer(n, *d))
        exchangeSides(*d, n);
    GWorldPtr world = createWorld(*d);
    if (!world)
        return {};

    _gi->setMatrix(QTransform());
    if (!_gi->setBoundsRect(qRect(*d)))
        return {};
    _gi->setQuality(_renderQuality);
    _gi->setGWorld(&world->pixels(), QPoint(world->bounds().left, world->bounds().top));
    if (!_gi->draw())
        return {};
    if (_rotationAngle != 0) {
        GWorldPtr turned;
        UTRotateGWorld(world, turned, int(_rotationAngle));
        if (!turned)
            return {};
        world = std::move(turned);
    }
    QImage bitmap = ApplyPixelAdjustments(world->pixels(), 0, 1.0f, 1.0f, 1.0f);
    if (bitmap.isNull())
        return {};
    return Image(std::move(bitmap));
}

Image Importer::getThumbnailWithSize(Size requested) {
    std::lock_guard lock(decodeLock());
    const int index = _gi->imageIndex();
    if (HasEmbeddedThumbnail(*_gi))
        _gi->setImageIndex(2);
    Image picture = drawThumbnail(requested);
    _gi->setImageIndex(index);
    return picture;
}

QByteArray Importer::getMetaData() {
    const std::optional<UserData> metadata = _gi->metaData();
    if (!metadata)
        return {};
    return metadata->flatten();
}

QVariantMap Importer::getComponentInfo() {
    QVariantMap info;
    const std::optional<QString> name = _gi->componentName();
    if (!name)
        return info;
    info[kComponentNameKey] = *name;
    if (const auto description = _gi->imageDescription()) {
        info[kCodecTypeKey] = int(description->codecType);
        info[kSpatialQualityKey] = int(description->spatialQuality);
    }
    info[kHadColorSyncKey] = _hadColorSync;
    info[kHadThumbnailKey] = HasEmbeddedThumbnail(*_gi);
    info[kFileTypeKey] = int(_fileType);
    info[kExtensionKey] = QFileInfo(_filePath).suffix().toLower();
    return info;
}

void Importer::applyRedEyeToBitmap(QImage& bitmap) const {
    ApplyRedEyeCorrection(bitmap, _redEyeArray);
}

bool HasEmbeddedThumbnail(GraphicsImporter& importer) {
    const int index = importer.imageIndex();
    bool found = false;
    if (importer.setImageIndex(2)) {
        const std::optional<UserData> metadata = importer.metaData();
        const std::optional<QByteArray> item =
            metadata ? metadata->item(GraphicsImporter::kThumbnailItemType) : std::nullopt;
        if (item && hasThumbnailMarker(*item)) {
            const std::optional<QRect> bounds = importer.naturalBounds();
            found = bounds && bounds->width() != 0 && bounds->height() != 0;
        }
    }
    importer.setImageIndex(index);
    return found;
}
