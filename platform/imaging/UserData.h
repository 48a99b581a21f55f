#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>

// Metadata of an image as a list of typed items (four-character type, bytes),
// and its flattened form: each item as a big-endian 32-bit length that counts
// the 8-byte header, the type, then the bytes.
class LUMISK_PLATFORM_EXPORT UserData {
public:
    struct Item {
        uint32_t type = 0;
        QByteArray data;
        friend bool operator==(const Item&, const Item&) = default;
    };

    const QList<Item>& items() const { return _items; }
    bool isEmpty() const { return _items.isEmpty(); }
    void addItem(uint32_t type, QByteArray data);
    // The index-th item (from 0) of that type, if there is one.
    std::optional<QByteArray> item(uint32_t type, int index = 0) const;

    QByteArray flatten() const;
    // Nothing when the bytes are not a whole, well-formed list.
    static std::optional<UserData> fromFlattened(const QByteArray& bytes);

    friend bool operator==(const UserData&, const UserData&) = default;

private:
    QList<Item> _items;
};

// A four-character code as the platform packs it: first character in the high byte.
constexpr uint32_t fourCharCode(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}
