#include "platform/imaging/UserData.h"

#include <QtEndian>

namespace {
constexpr qsizetype kHeaderSize = 8;
}

void UserData::addItem(uint32_t type, QByteArray data) {
    _items.append({type, std::move(data)});
}

std::optional<QByteArray> UserData::item(uint32_t type, int index) const {
    for (const Item& item : _items) {
        if (item.type == type && index-- == 0)
            return item.data;
    }
    return std::nullopt;
}

QByteArray UserData::flatten() const {
    QByteArray bytes;
    for (const Item& item : _items) {
        char header[kHeaderSize];
        qToBigEndian(uint32_t(item.data.size() + kHeaderSize), header);
        qToBigEndian(item.type, header + 4);
        bytes.append(header, kHeaderSize);
        bytes.append(item.data);
    }
    return bytes;
}

std::optional<UserData> UserData::fromFlattened(const QByteArray& bytes) {
    UserData result;
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kHeaderSize)
            return std::nullopt;
        const uint32_t length = qFromBigEndian<uint32_t>(bytes.constData() + at);
        const uint32_t type = qFromBigEndian<uint32_t>(bytes.constData() + at + 4);
        if (length < kHeaderSize || length > uint64_t(bytes.size() - at))
            return std::nullopt;
        result.addItem(type, bytes.mid(at + kHeaderSize, length - kHeaderSize));
        at += length;
    }
    return result;
}
