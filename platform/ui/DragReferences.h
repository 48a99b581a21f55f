#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <typeindex>
#include <typeinfo>

class Pasteboard;
class PasteboardData;

// Objects that in-process drags refer to. A drag carries an id made of this
// process's id and a counter, never an address: an id from another process,
// or one whose registration has ended, finds nothing, so a drop can neither
// read a truncated pointer nor follow one into another process's memory.
//
// A registration keeps its object alive and ends when its last handle goes;
// drag data holds the handle for as long as the drag (or a copy of its data)
// lasts.
class LUMISK_PLATFORM_EXPORT DragReferences {
public:
    class LUMISK_PLATFORM_EXPORT Handle {
    public:
        ~Handle();
        Handle(const Handle&) = delete;
        Handle& operator=(const Handle&) = delete;
        // The id as it travels in drag data.
        const QByteArray& reference() const { return _reference; }

    private:
        friend class DragReferences;
        explicit Handle(QByteArray reference) : _reference(std::move(reference)) {}
        QByteArray _reference;
    };
    using HandleRef = std::shared_ptr<const Handle>;

    template <class T> static HandleRef registerObject(std::shared_ptr<T> object) {
        return registerErased(std::shared_ptr<const void>(std::move(object)), typeid(T));
    }
    // The object registered under the id as a T; null for an unknown id, an
    // ended registration or an object of another type.
    template <class T> static std::shared_ptr<T> objectForReference(const QByteArray& reference) {
        return std::const_pointer_cast<T>(
            std::static_pointer_cast<const T>(lookup(reference, typeid(T))));
    }

    // Offers the object's id under the type in drag data that keeps the
    // registration for its lifetime (copies of the data keep it too).
    template <class T>
    static void writeReference(PasteboardData& data, const QString& type,
                               std::shared_ptr<T> object) {
        writeHandle(data, type, registerObject(std::move(object)));
    }
    // The object whose id the pasteboard offers under the type, or null.
    template <class T>
    static std::shared_ptr<T> readReference(const Pasteboard& pasteboard, const QString& type) {
        return objectForReference<T>(referenceOnPasteboard(pasteboard, type));
    }

    // How many registrations are alive.
    static int count();

private:
    static HandleRef registerErased(std::shared_ptr<const void> object, std::type_index type);
    static std::shared_ptr<const void> lookup(const QByteArray& reference, std::type_index type);
    static void writeHandle(PasteboardData& data, const QString& type, const HandleRef& handle);
    static QByteArray referenceOnPasteboard(const Pasteboard& pasteboard, const QString& type);
};
