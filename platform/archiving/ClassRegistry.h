#pragma once

#include "platform/archiving/Archivable.h"
#include "platform/foundation/PlatformExport.h"

#include <QMetaType>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <typeindex>

// What the archiver knows of one archivable class.
struct ClassInfo {
    QString name;
    qint32 version = 0;
    // Reference objects (Archivable subclasses).
    std::type_index type = typeid(void);
    std::function<ArchivableRef()> factory;
    // Values carried in QVariants (colours, images, ...).
    QMetaType valueType;
    std::function<void(Archiver&, const QVariant&)> encodeValue;
    std::function<QVariant(Unarchiver&)> decodeValue;

    bool isValueClass() const { return valueType.isValid(); }
};

// The process-wide table of archivable classes by name. Decoding looks class
// names up here; a name that isn't registered makes the whole decode fail.
// The platform's own values (colour, image, shadow, ...) are registered on
// first use; other classes register themselves, typically at library load.
class LUMISK_PLATFORM_EXPORT ClassRegistry {
public:
    static ClassRegistry& shared();

    // Registers an Archivable subclass made by its default constructor.
    template <class T> void registerClass(const QString& name, qint32 version = 0) {
        static_assert(std::is_base_of_v<Archivable, T>);
        ClassInfo info;
        info.name = name;
        info.version = version;
        info.type = typeid(T);
        info.factory = [] { return std::make_shared<T>(); };
        add(std::move(info));
    }

    // Registers a value type T carried in QVariants, with its encoder and
    // decoder. The decoder reports damage through Unarchiver::fail.
    template <class T>
    void registerValueClass(const QString& name, qint32 version,
                            std::function<void(Archiver&, const T&)> encode,
                            std::function<T(Unarchiver&)> decode) {
        ClassInfo info;
        info.name = name;
        info.version = version;
        info.valueType = QMetaType::fromType<T>();
        info.encodeValue = [encode](Archiver& a, const QVariant& v) { encode(a, v.value<T>()); };
        info.decodeValue = [decode](Unarchiver& u) { return QVariant::fromValue(decode(u)); };
        add(std::move(info));
    }

    // Registering a name again for the same class replaces nothing and is
    // harmless; a name or class registered twice differently is a programming
    // error (kInvalidArgumentException).
    void add(ClassInfo info);

    std::shared_ptr<const ClassInfo> classNamed(const QString& name) const;
    std::shared_ptr<const ClassInfo> classOfObject(const Archivable& object) const;
    std::shared_ptr<const ClassInfo> classOfValue(QMetaType type) const;

private:
    ClassRegistry();

    mutable std::mutex _mutex;
    std::map<QString, std::shared_ptr<const ClassInfo>> _byName;
    std::map<std::type_index, std::shared_ptr<const ClassInfo>> _byType;
    std::map<int, std::shared_ptr<const ClassInfo>> _byValueType;
};
