#pragma once

// Template files for the library's tests: binary files made record by record
// (so that any record can be left out or damaged), files made by the
// framework's own writer, and property-list files of the older generation.

#include "framework/model/TemplateDocument.h"
#include "framework/model/TemplateFileFormat.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QVariant>
#include <cstring>
#include <utility>

struct HandRecord {
    HeaderOffsetsRec::Word word;
    uint32_t tag;
    QVariant payload;
    // Written into the record header instead of the payload's length.
    std::optional<uint32_t> lengthOverride = std::nullopt;
};

struct HandHeader {
    int32_t headerVersion = 512;
    int32_t formatVersion = 512;
    int32_t changeVersion = 0;
    int32_t minReaderVersion = 512;
};

inline QByteArray handMadeTemplate(const QList<HandRecord>& records, HandHeader header = {}) {
    QByteArray bytes(qsizetype(kTemplateHeaderAreaSize), '\0');
    HeaderOffsetsRec offsets{};
    for (const HandRecord& record : records) {
        const QByteArray archive = Archiver::archivedData(record.payload);
        ObjectHeader object{kObjectHeaderTag,
                            kTemplateMagicVARN,
                            kTemplateMagicVXTM,
                            record.tag,
                            record.tag == kRecordPage ? 1 : 0,
                            record.lengthOverride.value_or(uint32_t(archive.size())),
                            {0, 0}};
        SwapObjectHeaderHostToBig(&object);
        offsets.word[record.word] = uint32_t(bytes.size());
        if (record.word == HeaderOffsetsRec::Page)
            offsets.word[HeaderOffsetsRec::PageCount] = 1;
        bytes.append(reinterpret_cast<const char*>(&object), sizeof object);
        bytes.append(archive);
    }
    HeaderPrefixRec prefix{header.headerVersion,
                           header.formatVersion,
                           kTemplateMagicVARN,
                           kTemplateMagicVXTM,
                           header.changeVersion,
                           header.minReaderVersion,
                           0,
                           0};
    SwapHeaderPrefixRecHostToBig(&prefix);
    SwapHeaderOffsetsRecHostToBig(&offsets);
    std::memcpy(bytes.data(), &prefix, sizeof prefix);
    std::memcpy(bytes.data() + sizeof prefix, &offsets, sizeof offsets);
    return bytes;
}

// A small binary template with a name, a document ID and a version.
inline QByteArray identifiedTemplate(const QString& name, const QString& documentID,
                                     int32_t version = 0, const QString& category = {}) {
    QList<HandRecord> records{{HeaderOffsetsRec::Name, kRecordName, name},
                              {HeaderOffsetsRec::DocumentID, kRecordDocumentID, documentID}};
    if (!category.isNull())
        records.append({HeaderOffsetsRec::Category, kRecordCategory, category});
    HandHeader header;
    header.changeVersion = version;
    return handMadeTemplate(records, header);
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline bool writeVersion1(const QString& path, const QVariantMap& root) {
    return writeBytes(path, PropertyList::toXml(root));
}

// Moves a file's modification date, so that a change shows however fast the
// test runs.
inline bool setModified(const QString& path, const QDateTime& date) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(date, QFileDevice::FileModificationTime);
}
