#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ShadowValue.h"
#include "platform/graphics/TextStorage.h"
#include "platform/printing/PrintInfo.h"

#include <QUrl>

class Archiver;
class Unarchiver;
class ClassRegistry;

// The archive forms of the platform's values. Each value is archived as a
// value object ("Color", "Image", "ShadowValue", "Font", "PrintInfo",
// "TextStorage", "BezierPath", "URL") when it travels as a QVariant; the functions below write and
// read the same body inline, for encoders that embed a value in their own part.
// Decoders reject non-finite numbers and out-of-range codes (Unarchiver::fail).

LUMISK_PLATFORM_EXPORT void registerPlatformValueClasses(ClassRegistry& registry);

LUMISK_PLATFORM_EXPORT void encodeColor(Archiver& coder, const Color& color);
LUMISK_PLATFORM_EXPORT Color decodeColor(Unarchiver& coder);

LUMISK_PLATFORM_EXPORT void encodeFont(Archiver& coder, const Font& font);
LUMISK_PLATFORM_EXPORT Font decodeFont(Unarchiver& coder);

LUMISK_PLATFORM_EXPORT void encodeShadow(Archiver& coder, const ShadowValue& shadow);
LUMISK_PLATFORM_EXPORT ShadowValue decodeShadow(Unarchiver& coder);

// Pixels are kept losslessly: formats without an archive form of their own
// (indexed, mono, 16-bit RGB, ...) are stored as 32-bit (A)RGB, which holds
// every colour they can hold. Pixel rows are deflated; the decoder refuses
// sizes that the compressed bytes could not hold.
LUMISK_PLATFORM_EXPORT void encodeImage(Archiver& coder, const Image& image);
LUMISK_PLATFORM_EXPORT Image decodeImage(Unarchiver& coder);

LUMISK_PLATFORM_EXPORT void encodePrintInfo(Archiver& coder, const PrintInfo& info);
LUMISK_PLATFORM_EXPORT PrintInfo decodePrintInfo(Unarchiver& coder);

LUMISK_PLATFORM_EXPORT void encodeTextStorage(Archiver& coder, const TextStorage& text);
LUMISK_PLATFORM_EXPORT TextStorage decodeTextStorage(Unarchiver& coder);

// Elements with their points, winding rule, line width, cap, join, miter
// limit, flatness and dash. Decoding rebuilds the path through its own
// construction operations, so a decoded path is always well formed.
LUMISK_PLATFORM_EXPORT void encodeBezierPath(Archiver& coder, const BezierPath& path);
LUMISK_PLATFORM_EXPORT BezierPath decodeBezierPath(Unarchiver& coder);

// A URL ("URL") as its fully encoded text; a text that is no valid URL is damage.
LUMISK_PLATFORM_EXPORT void encodeURL(Archiver& coder, const QUrl& url);
LUMISK_PLATFORM_EXPORT QUrl decodeURL(Unarchiver& coder);
