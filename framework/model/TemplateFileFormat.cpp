#include "framework/model/TemplateFileFormat.h"
#include "framework/Formwell.h"

#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/ModalAlert.h"

#include <QIODevice>
#include <QMutex>
#include <QtEndian>
#include <cstring>

namespace {

template <class Record> void swapWords(Record* record, bool toHost) {
    static_assert(sizeof(Record) % sizeof(uint32_t) == 0);
    auto* bytes = reinterpret_cast<unsigned char*>(record);
    for (size_t at = 0; at < sizeof(Record); at += sizeof(uint32_t)) {
        uint32_t word;
        std::memcpy(&word, bytes + at, sizeof word);
        word = toHost ? qFromBigEndian(word) : qToBigEndian(word);
        std::memcpy(bytes + at, &word, sizeof word);
    }
}

// Reads exactly sizeof(Record) bytes at `position`, when the device holds them.
template <class Record> std::optional<Record> readRecordAt(QIODevice& device, qint64 position) {
    if (position < 0 || device.size() - position < qint64(sizeof(Record)))
        return std::nullopt;
    if (!device.seek(position))
        return std::nullopt;
    Record record;
    if (device.read(reinterpret_cast<char*>(&record), sizeof record) != qint64(sizeof record))
        return std::nullopt;
    return record;
}

QMutex gAlertHookLock;
TemplateFile::AlertHook gAlertHook;

} // namespace

extern "C" {

void SwapHeaderPrefixRecBigToHost(HeaderPrefixRec* record) {
    swapWords(record, true);
}

void SwapHeaderPrefixRecHostToBig(HeaderPrefixRec* record) {
    swapWords(record, false);
}

void SwapHeaderOffsetsRecBigToHost(HeaderOffsetsRec* record) {
    swapWords(record, true);
}

void SwapHeaderOffsetsRecHostToBig(HeaderOffsetsRec* record) {
    swapWords(record, false);
}

void SwapObjectHeaderBigToHost(ObjectHeader* record) {
    swapWords(record, true);
}

void SwapObjectHeaderHostToBig(ObjectHeader* record) {
    swapWords(record, false);
}
}

namespace TemplateFile {

bool hasTemplateMagics(const HeaderPrefixRec& prefix) {
    return prefix.magic1 == kTemplateMagicVARN && prefix.magic2 == kTemplateMagicVXTM;
}

std::optional<HeaderPrefixRec> readHeaderPrefix(QIODevice& device) {
    std::optional<HeaderPrefixRec> prefix = readRecordAt<HeaderPrefixRec>(device, 0);
    if (prefix)
        SwapHeaderPrefixRecBigToHost(&*prefix);
    return prefix;
}

std::optional<HeaderOffsetsRec> readHeaderOffsets(QIODevice& device) {
    std::optional<HeaderOffsetsRec> offsets =
        readRecordAt<HeaderOffsetsRec>(device, qint64(sizeof(HeaderPrefixRec)));
    if (offsets)
        SwapHeaderOffsetsRecBigToHost(&*offsets);
    return offsets;
}

QString tagText(uint32_t tag) {
    char bytes[4];
    qToBigEndian(tag, bytes);
    for (const char c : bytes)
        if (c < 0x20 || c > 0x7E)
            return QStringLiteral("0x%1").arg(tag, 8, 16, QLatin1Char('0'));
    return QString::fromLatin1(bytes, 4);
}

Record readRecord(QIODevice& device, uint32_t offset, uint32_t tag) {
    Record record;
    if (offset == 0)
        return record;
    const auto damaged = [&](const QString& damage) {
        record.state = Record::State::Damaged;
        record.damage = damage;
        return record;
    };
    const qint64 size = device.size();
    if (qint64(offset) >= size)
        return damaged(QStringLiteral("its place, byte %1, lies beyond the end of the file "
                                      "(%2 bytes)")
                           .arg(offset)
                           .arg(size));
    std::optional<ObjectHeader> header = readRecordAt<ObjectHeader>(device, qint64(offset));
    if (!header)
        return damaged(
            QStringLiteral("the file ends inside the header of the record at byte %1").arg(offset));
    SwapObjectHeaderBigToHost(&*header);
    if (header->tag != tag)
        return damaged(QStringLiteral("the record at byte %1 is marked \"%2\" instead of \"%3\"")
                           .arg(offset)
                           .arg(tagText(header->tag), tagText(tag)));
    // Both lengths are checked before anything is allocated.
    if (header->length > kMaxRecordLength)
        return damaged(QStringLiteral("the record at byte %1 claims %2 bytes, more than a record "
                                      "may hold")
                           .arg(offset)
                           .arg(header->length));
    const qint64 start = qint64(offset) + qint64(sizeof(ObjectHeader));
    const qint64 length = qint64(header->length);
    if (size - start < length)
        return damaged(QStringLiteral("the record at byte %1 claims %2 bytes, but the file ends "
                                      "after %3")
                           .arg(offset)
                           .arg(length)
                           .arg(size - start));
    QByteArray payload(qsizetype(length), Qt::Uninitialized);
    if (device.read(payload.data(), length) != length)
        return damaged(QStringLiteral("the record at byte %1 cannot be read: %2")
                           .arg(offset)
                           .arg(device.errorString()));
    record.state = Record::State::Read;
    record.payload = payload;
    return record;
}

void setFileFormatAlertHook(AlertHook hook) {
    QMutexLocker locker(&gAlertHookLock);
    gAlertHook = std::move(hook);
}

void showFileFormatAlert() {
    const QString title = frameworkString(kFileFormatTitleKey);
    const QString message = frameworkString(kFileFormatMessageKey);
    AlertHook hook;
    {
        QMutexLocker locker(&gAlertHookLock);
        hook = gAlertHook;
    }
    if (hook) {
        hook(title, message);
        return;
    }
    ModalAlert::run({title, message});
}

} // namespace TemplateFile
