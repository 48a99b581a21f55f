#pragma once

#include <cstdint>

// The byte layout shared by Archiver and Unarchiver (not exported).
//
// Header: the magic, then the format version as a little-endian 32-bit word.
// Then one tagged value, the root, and nothing after it. Every value starts
// with a tag byte; multi-byte numbers are little-endian, lengths and counts
// unsigned 32-bit. Objects name their class by a class reference: either
// kNewClass followed by the name (length, UTF-8) and the class version, or
// the index of a class named earlier in the archive.
namespace archive_format {

inline constexpr char kMagic[4] = {'L', 'M', 'A', 'R'};
inline constexpr uint32_t kVersion = 1;
inline constexpr int kHeaderSize = 8;

enum Tag : uint8_t {
    kNil = 0x00,
    kInt32 = 0x01,
    kInt64 = 0x02,
    kFloat = 0x03,
    kDouble = 0x04,
    kBool = 0x05, // one byte, 0 or 1
    kString = 0x06,
    kData = 0x07,
    kDate = 0x08, // milliseconds since 1970-01-01 UTC, signed 64-bit
    kArray = 0x09,
    kDictionary = 0x0A, // count, then per entry a key (length, UTF-8) and a tagged value
    kPoint = 0x0B,
    kSize = 0x0C,
    kRect = 0x0D,
    kObject = 0x10,      // class reference, body, kObjectEnd; gets the next object index
    kObjectRef = 0x11,   // index of an object written before
    kValueObject = 0x12, // class reference, body, kObjectEnd; a value, never referenced
    kObjectEnd = 0x1F,
};

inline constexpr uint32_t kNewClass = 0xFFFFFFFFu;

// Deeper nesting of values and objects (also across archives decoded inside
// an object's decoding) is refused, so hostile input cannot exhaust the stack.
inline constexpr int kMaxDepth = 128;

} // namespace archive_format
