#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

class QMimeData;

// The platform's pasteboard types, by their names.
inline constexpr char FilenamesPboardType[] = "NSFilenamesPboardType";
inline constexpr char URLPboardType[] = "NSURLPboardType";
inline constexpr char TIFFPboardType[] = "NSTIFFPboardType";

// Pasteboard contents by type name over Qt's MIME data, for drags and the
// clipboard. The platform's types map onto what other programs drop: file
// names and a URL onto the URI list (file names only when every entry is a
// local file), TIFF onto "image/tiff" or an image. Any other name (the
// program's own, such as "VQFileCatalogSelection") travels as its bytes
// under a MIME type made from the name, a property list when written as one.
class LUMISK_PLATFORM_EXPORT Pasteboard {
public:
    // Reads the data; it must outlive the pasteboard.
    explicit Pasteboard(const QMimeData* data);

    static QString mimeTypeForType(const QString& type);

    // The offered types: the platform's first, in the order above, then the
    // program's own in the data's order.
    QStringList types() const;
    bool hasType(const QString& type) const;
    // The first of the types that is offered; null for none.
    QString availableTypeFromArray(const QStringList& types) const;

    // File names: a list of paths. URL: the URL's text and an empty base
    // text. The program's own types: the property list read from the bytes.
    // Invalid when the type is not offered or does not read.
    QVariant propertyListForType(const QString& type) const;
    // TIFF: TIFF bytes (an image offered otherwise is encoded); own types
    // their bytes. Null when not offered.
    QByteArray dataForType(const QString& type) const;

    // Writing. File names take a list of paths, URL a list whose first entry
    // is the URL's text, own types any property list.
    static bool setPropertyListForType(QMimeData& data, const QVariant& propertyList,
                                       const QString& type);
    static void setDataForType(QMimeData& data, const QByteArray& bytes, const QString& type);

private:
    const QMimeData* _data;
};
