#include "platform/archiving/ClassRegistry.h"

#include "platform/archiving/ArchivedValues.h"
#include "platform/foundation/Exception.h"

ClassRegistry& ClassRegistry::shared() {
    static ClassRegistry* registry = [] {
        auto* r = new ClassRegistry;
        registerPlatformValueClasses(*r);
        return r;
    }();
    return *registry;
}

ClassRegistry::ClassRegistry() = default;

void ClassRegistry::add(ClassInfo info) {
    std::lock_guard lock(_mutex);
    auto existing = _byName.find(info.name);
    if (existing != _byName.end()) {
        const ClassInfo& old = *existing->second;
        const bool same =
            old.isValueClass() == info.isValueClass() &&
            (info.isValueClass() ? old.valueType == info.valueType : old.type == info.type) &&
            old.version == info.version;
        if (same)
            return;
        Exception::raise(kInvalidArgumentException,
                         QStringLiteral("Class name %1 is already registered").arg(info.name));
    }
    if (info.isValueClass() ? _byValueType.count(info.valueType.id()) != 0
                            : _byType.count(info.type) != 0)
        Exception::raise(
            kInvalidArgumentException,
            QStringLiteral("Class of %1 is already registered under another name").arg(info.name));
    auto shared = std::make_shared<const ClassInfo>(std::move(info));
    _byName.emplace(shared->name, shared);
    if (shared->isValueClass())
        _byValueType.emplace(shared->valueType.id(), shared);
    else
        _byType.emplace(shared->type, shared);
}

std::shared_ptr<const ClassInfo> ClassRegistry::classNamed(const QString& name) const {
    std::lock_guard lock(_mutex);
    auto it = _byName.find(name);
    return it == _byName.end() ? nullptr : it->second;
}

std::shared_ptr<const ClassInfo> ClassRegistry::classOfObject(const Archivable& object) const {
    std::lock_guard lock(_mutex);
    auto it = _byType.find(typeid(object));
    return it == _byType.end() ? nullptr : it->second;
}

std::shared_ptr<const ClassInfo> ClassRegistry::classOfValue(QMetaType type) const {
    std::lock_guard lock(_mutex);
    auto it = _byValueType.find(type.id());
    return it == _byValueType.end() ? nullptr : it->second;
}
