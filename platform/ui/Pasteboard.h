#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QHash>
#include <QMimeData>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class QDrag;

// The platform's pasteboard types, by their names.
inline constexpr char FilenamesPboardType[] = "NSFilenamesPboardType";
inline constexpr char URLPboardType[] = "NSURLPboardType";
inline constexpr char TIFFPboardType[] = "NSTIFFPboardType";
inline constexpr char PDFPboardType[] = "NSPDFPboardType";
inline constexpr char StringPboardType[] = "NSStringPboardType";

// Pasteboard contents by type name over Qt's MIME data, for drags and the
// clipboard. The platform's types map onto what other programs drop: file
// names are the file: URLs of the URI list, as file managers send them, and
// the URL is its first other URL; TIFF is "image/tiff" or an image; the string
// is plain text. Any other name (the
// program's own, such as "VQFileCatalogSelection") travels as its bytes
// under a MIME type made from the name, a property list when written as one.
class LUMISK_PLATFORM_EXPORT Pasteboard {
public:
    // Reads the data; it must outlive the pasteboard.
    explicit Pasteboard(const QMimeData* data);

    static QString mimeTypeForType(const QString& type);
    const QMimeData* mimeData() const { return _data; }

    // The offered types: the platform's first, in the order above, then the
    // program's own in the data's order.
    QStringList types() const;
    bool hasType(const QString& type) const;
    // The first of the types that is offered; null for none.
    QString availableTypeFromArray(const QStringList& types) const;

    // File names: a list of paths. URL: the URL's text and an empty base
    // text. String: the text. The program's own types: the property list read
    // from the bytes.
    // Invalid when the type is not offered or does not read.
    QVariant propertyListForType(const QString& type) const;
    // TIFF: TIFF bytes (an image offered otherwise is encoded); own types
    // their bytes. Null when not offered.
    QByteArray dataForType(const QString& type) const;

    // Writing. File names take a list of paths, URL a list whose first entry
    // is the URL's text, the string a text, own types any property list.
    static bool setPropertyListForType(QMimeData& data, const QVariant& propertyList,
                                       const QString& type);
    static void setDataForType(QMimeData& data, const QByteArray& bytes, const QString& type);

private:
    const QMimeData* _data;
};

// The data of a drag this program starts: types whose data is made only when a
// receiver asks for it, and the object the drag came from, which a drop in
// this process learns even where Qt does not tell it (a drop made of built
// events in a test, for one).
class LUMISK_PLATFORM_EXPORT PasteboardData : public QMimeData {
    Q_OBJECT

public:
    using Provider = std::function<QByteArray()>;

    explicit PasteboardData(QObject* source = nullptr);
    ~PasteboardData() override;

    QObject* source() const { return _source; }
    // Offers the type; the provider runs at the first request of its data,
    // and what it answers is kept. Declared types are offered first, in the
    // order of their declaration.
    void declareType(const QString& type, Provider provider);
    // Whether the data of a declared type has been made (its provider has run).
    bool isTypeMade(const QString& type) const;
    // Another data with the same contents, providers, source and kept objects.
    PasteboardData* clone() const;
    // Keeps the object alive as long as this data or a clone of it.
    void keepAlive(std::shared_ptr<const void> object) { _kept.push_back(std::move(object)); }

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QPointer<QObject> _source;
    mutable QHash<QString, Provider> _providers; // by MIME type, until asked
    QStringList _declared;                       // MIME types, in declaration order
    std::vector<std::shared_ptr<const void>> _kept;
};

// Every drag the program starts runs through runDrag, so that one installed
// observer sees it first: tests keep a copy of the data to drop it themselves,
// as the offscreen platform ends a drag at once.
namespace DragSession {
using Observer = std::function<void(const PasteboardData&)>;

// QDrag::exec with the observer told first (when the data is a PasteboardData).
LUMISK_PLATFORM_EXPORT Qt::DropAction runDrag(QDrag& drag, Qt::DropActions supported,
                                              Qt::DropAction defaultAction);
LUMISK_PLATFORM_EXPORT Observer setObserver(Observer observer);

class LUMISK_PLATFORM_EXPORT ScopedObserver {
public:
    explicit ScopedObserver(Observer observer);
    ~ScopedObserver();
    ScopedObserver(const ScopedObserver&) = delete;
    ScopedObserver& operator=(const ScopedObserver&) = delete;

private:
    Observer _previous;
};
} // namespace DragSession
