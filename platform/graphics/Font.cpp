#include "platform/graphics/Font.h"

#include <QFontDatabase>
#include <algorithm>

Font::Font(QString family, float pointSize, int weight, bool italic)
    : _family(std::move(family)),
      _pointSize(pointSize > 0 ? std::min(pointSize, kMaxPointSize) : 12),
      _weight(std::clamp(weight, 1, 1000)), _italic(italic) {}

Font Font::systemFontOfSize(float pointSize) {
    const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return Font(system.family(), pointSize);
}

Font Font::withFamily(const QString& family) const {
    Font f = *this;
    f._family = family;
    return f;
}

Font Font::withSize(float pointSize) const {
    return Font(_family, pointSize, _weight, _italic);
}

Font Font::withBold(bool bold) const {
    Font f = *this;
    f._weight = bold ? QFont::Bold : QFont::Normal;
    return f;
}

Font Font::withItalic(bool italic) const {
    Font f = *this;
    f._italic = italic;
    return f;
}

QFont Font::toQFont() const {
    QFont font(_family);
    font.setPointSizeF(_pointSize);
    font.setWeight(QFont::Weight(_weight));
    font.setItalic(_italic);
    return font;
}

Font Font::fromQFont(const QFont& font) {
    const float size = font.pointSizeF() > 0 ? float(font.pointSizeF()) : float(font.pixelSize());
    return Font(font.family(), size, font.weight(), font.italic());
}
