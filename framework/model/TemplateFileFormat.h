#pragma once

#include "framework/FormwellExport.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QIODevice;

// The binary template file: a 512-byte header area (the prefix, the offsets,
// then zeros) followed by tagged records, each an ObjectHeader directly
// followed by its payload, one archive. Every word of the header area and of
// the record headers is 32 bits, stored big-endian.

// A four-character code as one word: the bytes in the file spell it left to right.
constexpr uint32_t fourCharCode(const char (&code)[5]) {
    return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
           (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}

inline constexpr uint32_t kTemplateMagicVARN = fourCharCode("VARN");
inline constexpr uint32_t kTemplateMagicVXTM = fourCharCode("VXTM");
inline constexpr uint32_t kObjectHeaderTag = fourCharCode("OBJH");

// Record tags.
inline constexpr uint32_t kRecordModified = fourCharCode("MODD");
inline constexpr uint32_t kRecordName = fourCharCode("DNAM");
inline constexpr uint32_t kRecordDocumentID = fourCharCode("DUID");
inline constexpr uint32_t kRecordCreator = fourCharCode("DCR8");
inline constexpr uint32_t kRecordCategory = fourCharCode("CATG");
inline constexpr uint32_t kRecordDescription = fourCharCode("DESC");
inline constexpr uint32_t kRecordPageDescription = fourCharCode("PGDS");
inline constexpr uint32_t kRecordPrintInfo = fourCharCode("PINF");
inline constexpr uint32_t kRecordThumbnail = fourCharCode("POXY");
inline constexpr uint32_t kRecordNamedImages = fourCharCode("NIMG");
inline constexpr uint32_t kRecordPage = fourCharCode("PAGE");
inline constexpr uint32_t kRecordCopyright = fourCharCode("COPY");

// The header version, format number and lowest reading format written, and
// the highest lowest-reading-format this reader accepts.
inline constexpr int32_t kTemplateFormatVersion = 512;

inline constexpr qint64 kTemplateHeaderAreaSize = 512;

// Keys of the entries of the "NIMG" array.
inline constexpr char kNamedImageNameKey[] = "name";
inline constexpr char kNamedImageSourceDataKey[] = "srcData";
inline constexpr char kNamedImageDataKey[] = "data";

// Localization keys of the alert for a file of a newer format.
inline constexpr char kFileFormatTitleKey[] = "FILE_FORMAT_TITLE";
inline constexpr char kFileFormatMessageKey[] = "FILE_FORMAT_MESSAGE";

struct HeaderPrefixRec {
    int32_t headerVersion;
    int32_t formatVersion;
    uint32_t magic1;
    uint32_t magic2;
    // A packed version number.
    int32_t changeVersion;
    // The lowest format able to read the file.
    int32_t minReaderVersion;
    // Only the low byte counts.
    int32_t thumbnailMode;
    int32_t reserved;
};

struct HeaderOffsetsRec {
    // Word numbers. Each but PageCount holds the file position of a record's
    // ObjectHeader, or 0 when the file has no such record.
    enum Word {
        Modified,
        Name,
        DocumentID,
        Creator,
        Category,
        Description,
        PageDescription,
        PrintInfo,
        Thumbnail,
        NamedImages,
        PageCount,
        Page,
        Copyright,
        WordCount
    };
    uint32_t word[WordCount];
};

struct ObjectHeader {
    uint32_t headerTag;
    uint32_t magic1;
    uint32_t magic2;
    uint32_t tag;
    // 0 for document records, 1 for the page.
    int32_t pageNumber;
    // Bytes of payload that follow the header.
    uint32_t length;
    uint32_t reserved[2];
};

static_assert(sizeof(HeaderPrefixRec) == 32);
static_assert(sizeof(HeaderOffsetsRec) == 52);
static_assert(sizeof(ObjectHeader) == 32);

// Convert every word of a record in place between file order and host order.
extern "C" {
FORMWELL_EXPORT void SwapHeaderPrefixRecBigToHost(HeaderPrefixRec* record);
FORMWELL_EXPORT void SwapHeaderPrefixRecHostToBig(HeaderPrefixRec* record);
FORMWELL_EXPORT void SwapHeaderOffsetsRecBigToHost(HeaderOffsetsRec* record);
FORMWELL_EXPORT void SwapHeaderOffsetsRecHostToBig(HeaderOffsetsRec* record);
FORMWELL_EXPORT void SwapObjectHeaderBigToHost(ObjectHeader* record);
FORMWELL_EXPORT void SwapObjectHeaderHostToBig(ObjectHeader* record);
}

// Reading, bounded by the device's size: nothing is read or allocated beyond
// the end or beyond the longest record.
namespace TemplateFile {

// A record's payload is read whole and then decoded into several times its
// size. The longest record a template needs holds the files of its named
// images, a few pictures; a length beyond this limit is taken as damage
// rather than trusted with an allocation. The writer keeps to it too.
inline constexpr uint32_t kMaxRecordLength = 256u * 1024 * 1024;

// Whether the prefix carries the two magics of the binary generation.
FORMWELL_EXPORT bool hasTemplateMagics(const HeaderPrefixRec& prefix);

// The prefix (at 0) or the offsets (at 32) in host order; nothing when the
// device is too short.
FORMWELL_EXPORT std::optional<HeaderPrefixRec> readHeaderPrefix(QIODevice& device);
FORMWELL_EXPORT std::optional<HeaderOffsetsRec> readHeaderOffsets(QIODevice& device);

// What reading one record found. Offset 0 means the file was written without
// the record; any other offset must lead to a whole record of the expected tag.
struct Record {
    enum class State { NotWritten, Read, Damaged };
    State state = State::NotWritten;
    // The payload, when read.
    QByteArray payload;
    // What is wrong with it, when damaged, as a phrase ("the record at byte
    // 612 runs past the end of the file").
    QString damage;
};

// The record whose header is at `offset`: damaged when the header or the
// payload reach past the end of the device, the header carries another tag,
// or the length is beyond kMaxRecordLength.
FORMWELL_EXPORT Record readRecord(QIODevice& device, uint32_t offset, uint32_t tag);

// A tag as four characters, or in hexadecimal when it has unprintable bytes.
FORMWELL_EXPORT QString tagText(uint32_t tag);

// Shows the alert for a file that needs a newer reader as a modal alert, or
// hands its texts to the installed hook instead; an empty hook restores the
// modal alert.
using AlertHook = std::function<void(const QString& title, const QString& message)>;
FORMWELL_EXPORT void setFileFormatAlertHook(AlertHook hook);
FORMWELL_EXPORT void showFileFormatAlert();

} // namespace TemplateFile
