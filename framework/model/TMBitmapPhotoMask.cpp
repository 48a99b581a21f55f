#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMObject.h"
#include "framework/model/TMPhotoMaskCanvas.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/HostServices.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/imaging/GraphicsImporter.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMBitmapPhotoMask>(QStringLiteral("TMBitmapPhotoMask"));
    return true;
}();

// The code under which the host answers the masks folder.
constexpr int kMasksFolderCode = 1;

// The masks folder; empty when there is no host to ask.
QString masksFolder() {
    HostServices* services = HostServices::current();
    return services ? FileAccess::expandTilde(services->accessPath(kMasksFolderCode)) : QString();
}

// The file a pattern name stands for, when the name is plain and the file
// lies inside the masks folder (links followed); empty otherwise.
QString patternFilePath(const QString& name) {
    if (!TMBitmapPhotoMask::isPlainPatternName(name))
        return QString();
    const QString folder = masksFolder();
    if (folder.isEmpty())
        return QString();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString canonicalFile = QFileInfo(folder + QLatin1Char('/') + name).canonicalFilePath();
    if (canonicalFolder.isEmpty() || canonicalFile.isEmpty() ||
        !canonicalFile.startsWith(canonicalFolder + QLatin1Char('/')))
        return QString();
    return canonicalFile;
}

QString documentImageName(const QString& pattern) {
    return QString::fromLatin1(kMaskImageNamePrefix) + pattern;
}

// An archived whole number of degrees; anything unrepresentable is 0.
int wholeDegrees(double value) {
    if (!std::isfinite(value) || value >= double(std::numeric_limits<int>::max()) ||
        value <= double(std::numeric_limits<int>::min()))
        return 0;
    return int(value);
}

// Grey values as alpha over black.
QImage alphaFromGrey(const QImage& grey) {
    QImage mask(grey.size(), QImage::Format_ARGB32);
    if (mask.isNull())
        return mask;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* source = grey.constScanLine(y);
        QRgb* target = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < grey.width(); ++x)
            target[x] = qRgba(0, 0, 0, source[x]);
    }
    return mask;
}

} // namespace

QStringList TMBitmapPhotoMask::installedBitmapMasks() {
    QStringList entries;
    const QString folder = masksFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return entries;
    const QStringList extensions = GraphicsImporter::fileExtensions();
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = base.relativeFilePath(info.filePath());
        if (info.isDir())
            entries.append(relative + QLatin1Char('/'));
        else if (extensions.contains(info.suffix().toLower()))
            entries.append(relative);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return entries;
}

QString TMBitmapPhotoMask::defaultBitmapMask() {
    for (const QString& entry : installedBitmapMasks())
        if (!entry.endsWith(QLatin1Char('/')))
            return entry;
    return QStringLiteral("");
}

bool TMBitmapPhotoMask::isPlainPatternName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QChar(0)))
        return false;
    for (const QString& part : name.split(QLatin1Char('/')))
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    return true;
}

void TMBitmapPhotoMask::init() {
    TMPhotoMask::init();
    _maskPatternRotation = 0;
    _maskPatternName = defaultBitmapMask();
}

QString TMBitmapPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMBitmapPhotoMaskController");
}

TMPhotoMaskRef TMBitmapPhotoMask::copy() const {
    return std::make_shared<TMBitmapPhotoMask>(*this);
}

void TMBitmapPhotoMask::encodeWithCoder(Archiver& coder) const {
    TMPhotoMask::encodeWithCoder(coder);
    QVariantMap own{{QString::fromLatin1(kPatternRotationKey), int(_maskPatternRotation)}};
    if (!_maskPatternName.isNull())
        own.insert(QString::fromLatin1(kPatternNameKey), _maskPatternName);
    coder.encodeObject(own);
}

bool TMBitmapPhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    const QVariant name = own.value(QString::fromLatin1(kPatternNameKey));
    if (name.metaType() == QMetaType::fromType<QString>())
        _maskPatternName = name.toString();
    if (const std::optional<double> rotation = numberForKey(own, kPatternRotationKey))
        _maskPatternRotation = float(wholeDegrees(*rotation));
    return true;
}

QString TMBitmapPhotoMask::name() const {
    return frameworkString("BITMAP_MASK");
}

void TMBitmapPhotoMask::setMaskPatternName(const QString& name) {
    if (!changeValue(_maskPatternName, name, &TMBitmapPhotoMask::setMaskPatternName,
                     kMaskChangeActionKey))
        return;
    _missingReported = false;
    releaseImages();
    installImageInDocument(_maskPatternName);
    changeMade();
}

void TMBitmapPhotoMask::setPatternRotation(int degrees) {
    if (float(degrees) == _maskPatternRotation)
        return;
    registerUndo(
        [old = int(_maskPatternRotation)](TMPhotoMask& self) {
            static_cast<TMBitmapPhotoMask&>(self).setPatternRotation(old);
        },
        kMaskChangeActionKey);
    _maskPatternRotation = float(degrees);
    changeMade();
}

TemplateDocument* TMBitmapPhotoMask::parentTemplateDocument() const {
    TMObject* parent = parentObject();
    return parent ? qobject_cast<TemplateDocument*>(parent->parentDocument()) : nullptr;
}

void TMBitmapPhotoMask::releaseImages() {
    _baseImage = Image();
    _maskingImage = Image();
}

void TMBitmapPhotoMask::installImageInDocument(const QString& name) {
    TemplateDocument* document = parentTemplateDocument();
    if (!document)
        return;
    const QString key = documentImageName(name);
    if (!document->getSourceDataWithName(key).isNull() || !document->getImageWithName(key).isNull())
        return;
    const QString path = patternFilePath(name);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return;
    document->addImageSourceDataWithName(Image(), bytes, key);
    releaseImages();
}

Image TMBitmapPhotoMask::loadBaseImage() const {
    if (!isPlainPatternName(_maskPatternName))
        return Image();
    if (TemplateDocument* document = parentTemplateDocument()) {
        Image named = document->getImageWithName(documentImageName(_maskPatternName));
        if (!named.isNull()) {
            // Documents keep their images flipped; the mask is drawn upright
            // as from the file.
            named.setFlipped(false);
            return named;
        }
    }
    const QString path = patternFilePath(_maskPatternName);
    if (path.isEmpty())
        return Image();
    QImageReader reader(path);
    const QImage pixels = reader.read();
    return pixels.isNull() ? Image() : Image(pixels);
}

Image TMBitmapPhotoMask::maskingImage() {
    if (!_maskingImage.isNull())
        return _maskingImage;
    if (_baseImage.isNull()) {
        _baseImage = loadBaseImage();
        if (_baseImage.isNull())
            return Image();
    }
    const QImage& pixels = _baseImage.pixels();
    if (pixels.hasAlphaChannel())
        return _baseImage;
    if (pixels.format() != QImage::Format_Grayscale8)
        return Image();
    const QImage alpha = alphaFromGrey(pixels);
    if (alpha.isNull())
        return Image();
    _maskingImage = Image(alpha);
    return _maskingImage;
}

void TMBitmapPhotoMask::setParentObject(TMObject* parent) {
    TMPhotoMask::setParentObject(parent);
    if (parent)
        installImageInDocument(_maskPatternName);
}

void TMBitmapPhotoMask::applyMasktoRect(const Rect& r) {
    if (!TMPhotoMaskCanvas::isMaskable(r))
        return;
    Image picture = maskingImage();
    if (picture.isNull()) {
        // Masking with nothing would blank the photograph: it stays unmasked.
        if (!_missingReported) {
            _missingReported = true;
            qWarning().noquote() << QStringLiteral("The mask picture \"%1\" is missing or "
                                                   "unusable; the photograph is drawn unmasked.")
                                        .arg(_maskPatternName);
        }
        return;
    }
    const int degrees = int(_maskPatternRotation);
    if (degrees != 0)
        picture = TMQuadRotateImage(picture, degrees);
    TMPhotoMaskCanvas canvas(r);
    GraphicsContext* context = canvas.context();
    if (!context)
        return;
    context->drawImage(picture, Rect(0, 0, r.width(), r.height()), kZeroRect,
                       CompositingOperation::Copy, 1.0f);
    canvas.composite();
}
