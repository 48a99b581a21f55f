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

std::optional<QByteArray> readRecordPayload(QIODevice& device, uint32_t offset, uint32_t tag) {
    if (offset == 0)
        return std::nullopt;
    std::optional<ObjectHeader> header = readRecordAt<ObjectHeader>(device, qint64(offset));
    if (!header)
        return std::nullopt;
    SwapObjectHeaderBigToHost(&*header);
    if (header->tag != tag)
        return std::nullopt;
    // The length is checked against what the device holds before anything is allocated.
    const qint64 start = qint64(offset) + qint64(sizeof(ObjectHeader));
    const qint64 length = qint64(header->length);
    if (device.size() - start < length)
        return std::nullopt;
    QByteArray payload(qsizetype(length), Qt::Uninitialized);
    if (device.read(payload.data(), length) != length)
        return std::nullopt;
    return payload;
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
