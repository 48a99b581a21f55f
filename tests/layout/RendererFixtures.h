#pragma once

// Templates of both generations and pages to render them on, for the
// renderer's tests.

#include "framework/TestPage.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateRenderer.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/printing/PrintInfo.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QVariantMap>
#include <cstdlib>
#include <memory>

inline QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A point or size of the older generation: inches.
inline QVariantMap inches(float x, float y, const char* xKey = "x", const char* yKey = "y") {
    return {{str(xKey), double(x) / 72}, {str(yKey), double(y) / 72}};
}

inline QVariantMap oldObject(const char* kind, float x, float y, float w, float h) {
    return {{str("kind"), str(kind)},
            {str("origin"), inches(x, y)},
            {str("size"), inches(w, h, "width", "height")}};
}

// An older-generation file with a page of the given points.
inline QString writeOldTemplate(const QTemporaryDir& folder, const char* name, Size page,
                                const QVariantList& objects, const QVariantMap& extra = {},
                                bool flipped = false) {
    QVariantMap root = extra;
    root.insert(str("name"), str(name));
    root.insert(str("pageDesc"), QVariantMap{{str("dpi"), 72.0},
                                             {str("width"), double(page.width) / 72},
                                             {str("height"), double(page.height) / 72},
                                             {str("flipped"), flipped}});
    root.insert(str("objects"), objects);
    const QString path = folder.filePath(str(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(PropertyList::toXml(root));
    return path;
}

// A binary file written by the framework, its page as the paper given.
inline QString writeNewTemplate(const QTemporaryDir& folder, const char* name, Size page,
                                const QList<TMObjectRef>& objects,
                                TemplateDocument* document = nullptr) {
    TemplateDocument own;
    TemplateDocument& doc = document ? *document : own;
    PrintInfo info;
    info.setPaperName(str("Custom"));
    info.setPaperSize(page);
    doc.setPrintInfo(info);
    for (const TMObjectRef& object : objects)
        doc.addObject(object);
    const QString path = folder.filePath(str(name));
    if (!doc.writeToFileOfType(path, str(kTemplateDocumentType)))
        return {};
    return path;
}

// A page of pixels, one a point, drawn into through a graphics context of the
// kind given: y upward from the bottom row unless flipped.
class Canvas : public TestPage {
public:
    Canvas(int width, int height, DestinationKind kind, bool flipped = false)
        : TestPage(width, height, kind, Qt::white, 1, flipped) {}
    // A point of an upward page: the pixel row counted from the bottom.
    QColor atPage(int x, int y) { return at(x, pixels().height() - 1 - y); }
};

inline bool near(const QColor& a, const QColor& b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

inline bool reddish(const QColor& c) {
    return c.red() > 180 && c.green() < 90 && c.blue() < 90;
}

inline int countPixels(const QImage& image, const QRect& area, bool (*test)(const QColor&)) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

inline bool notWhite(const QColor& c) {
    return c.red() < 245 || c.green() < 245 || c.blue() < 245;
}

// A photo in three bands, top to bottom: a quarter red, a half green, a
// quarter blue.
inline Image bandedPhoto(int width, int height) {
    QImage pixels(width, height, QImage::Format_ARGB32);
    pixels.fill(Qt::green);
    QPainter painter(&pixels);
    painter.fillRect(0, 0, width, height / 4, Qt::red);
    painter.fillRect(0, height - height / 4, width, height / 4, Qt::blue);
    painter.end();
    return Image(pixels);
}

inline Image plainPhoto(int width, int height, QColor color) {
    QImage pixels(width, height, QImage::Format_ARGB32);
    pixels.fill(color);
    return Image(pixels);
}
