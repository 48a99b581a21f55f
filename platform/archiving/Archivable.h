#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QVariant>
#include <memory>

class Archiver;
class Unarchiver;

// A model object that an archive holds by reference: it is written once per
// archive however often it is referenced, and every reference decodes to the
// same shared object. Register the class with ClassRegistry before archiving.
class LUMISK_PLATFORM_EXPORT Archivable {
public:
    virtual ~Archivable();

    // Writes the object's state; a subclass writes its superclass's part first.
    virtual void encodeWithCoder(Archiver& coder) const = 0;
    // Reads back what encodeWithCoder wrote, in the same order, into an object
    // the class factory has just made. Answering false makes the object nil.
    virtual bool initWithCoder(Unarchiver& coder) = 0;
};

using ArchivableRef = std::shared_ptr<Archivable>;

// Objects travel inside property-list values as QVariants holding an ArchivableRef.
LUMISK_PLATFORM_EXPORT QVariant variantFromObject(ArchivableRef object);
LUMISK_PLATFORM_EXPORT ArchivableRef objectFromVariant(const QVariant& value);

template <class T> std::shared_ptr<T> objectFromVariantAs(const QVariant& value) {
    return std::dynamic_pointer_cast<T>(objectFromVariant(value));
}
