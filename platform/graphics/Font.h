#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QFont>
#include <QString>

// A font as the page model keeps it: family, size in points, weight and
// italic. Weights are on the 1...1000 scale of QFont::Weight (400 normal,
// 700 bold).
class LUMISK_PLATFORM_EXPORT Font {
public:
    Font() = default;
    Font(QString family, float pointSize, int weight = QFont::Normal, bool italic = false);

    // The system's user-interface font at the given size.
    static Font systemFontOfSize(float pointSize);

    const QString& familyName() const { return _family; }
    float pointSize() const { return _pointSize; }
    int weight() const { return _weight; }
    bool isItalic() const { return _italic; }
    bool isBold() const { return _weight >= QFont::DemiBold; }

    Font withFamily(const QString& family) const;
    Font withSize(float pointSize) const;
    Font withBold(bool bold) const;
    Font withItalic(bool italic) const;

    QFont toQFont() const;
    static Font fromQFont(const QFont& font);

    friend bool operator==(const Font&, const Font&) = default;

    static constexpr float kMaxPointSize = 10000;

private:
    QString _family;
    float _pointSize = 12;
    int _weight = QFont::Normal;
    bool _italic = false;
};
