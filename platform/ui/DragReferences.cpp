#include "platform/ui/DragReferences.h"

#include "platform/ui/Pasteboard.h"

#include <QCoreApplication>
#include <mutex>
#include <unordered_map>

namespace {

struct Entry {
    std::shared_ptr<const void> object;
    std::type_index type;
};

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, Entry> entries;
    quint64 counter = 0;
};

Registry& registry() {
    static Registry r;
    return r;
}

QByteArray processPrefix() {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':';
}

} // namespace

DragReferences::Handle::~Handle() {
    Registry& r = registry();
    std::shared_ptr<const void> released;
    {
        const std::lock_guard lock(r.mutex);
        const auto found = r.entries.find(_reference.toStdString());
        if (found != r.entries.end()) {
            // Let go outside the lock: the object's destructor may drag again.
            released = std::move(found->second.object);
            r.entries.erase(found);
        }
    }
}

DragReferences::HandleRef DragReferences::registerErased(std::shared_ptr<const void> object,
                                                         std::type_index type) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const QByteArray reference = processPrefix() + QByteArray::number(++r.counter);
    r.entries.emplace(reference.toStdString(), Entry{std::move(object), type});
    return HandleRef(new Handle(reference));
}

std::shared_ptr<const void> DragReferences::lookup(const QByteArray& reference,
                                                   std::type_index type) {
    // Ids of other processes are never looked up, even if the counter matches.
    if (!reference.startsWith(processPrefix()))
        return nullptr;
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const auto found = r.entries.find(reference.toStdString());
    if (found == r.entries.end() || found->second.type != type)
        return nullptr;
    return found->second.object;
}

int DragReferences::count() {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    return int(r.entries.size());
}

void DragReferences::writeHandle(PasteboardData& data, const QString& type,
                                 const HandleRef& handle) {
    Pasteboard::setDataForType(data, handle->reference(), type);
    data.keepAlive(handle);
}

QByteArray DragReferences::referenceOnPasteboard(const Pasteboard& pasteboard,
                                                 const QString& type) {
    return pasteboard.hasType(type) ? pasteboard.dataForType(type) : QByteArray();
}
