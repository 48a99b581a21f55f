#include "framework/model/TemplateFileFormat.h"
#include "framework/Formwell.h"
#include "platform/ui/ModalAlert.h"

#include <QBuffer>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

QByteArray bigEndianWords(std::initializer_list<uint32_t> words) {
    QByteArray bytes;
    for (uint32_t word : words) {
        char big[4];
        qToBigEndian(word, big);
        bytes.append(big, 4);
    }
    return bytes;
}

template <class Record> Record recordFromBytes(const QByteArray& bytes) {
    Record record;
    EXPECT_EQ(bytes.size(), qsizetype(sizeof record));
    std::memcpy(&record, bytes.constData(), sizeof record);
    return record;
}

template <class Record> QByteArray bytesOf(const Record& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
}

QByteArray objectHeader(uint32_t tag, uint32_t length) {
    return bigEndianWords(
        {kObjectHeaderTag, kTemplateMagicVARN, kTemplateMagicVXTM, tag, 0, length, 0, 0});
}

TemplateFile::Record recordIn(QByteArray file, uint32_t offset, uint32_t tag) {
    QBuffer device(&file);
    device.open(QIODevice::ReadOnly);
    return TemplateFile::readRecord(device, offset, tag);
}

} // namespace

TEST(TemplateFileFormat, FourCharacterCodesSpellTheirBytesInFileOrder) {
    EXPECT_EQ(bigEndianWords({kObjectHeaderTag}), QByteArray("OBJH"));
    EXPECT_EQ(bigEndianWords({kRecordDescription}), QByteArray("DESC"));
    EXPECT_EQ(bigEndianWords({kRecordCreator}), QByteArray("DCR8"));
}

TEST(TemplateFileFormat, SwappersConvertEveryWordBothWays) {
    const QByteArray prefixBytes = bigEndianWords(
        {512, 513, kTemplateMagicVARN, kTemplateMagicVXTM, 0x0123, 0xFFFFFFFF, 0x80, 7});
    HeaderPrefixRec prefix = recordFromBytes<HeaderPrefixRec>(prefixBytes);
    SwapHeaderPrefixRecBigToHost(&prefix);
    EXPECT_EQ(prefix.headerVersion, 512);
    EXPECT_EQ(prefix.formatVersion, 513);
    EXPECT_EQ(prefix.magic1, kTemplateMagicVARN);
    EXPECT_EQ(prefix.magic2, kTemplateMagicVXTM);
    EXPECT_EQ(prefix.changeVersion, 0x0123);
    EXPECT_EQ(prefix.minReaderVersion, -1);
    EXPECT_EQ(prefix.thumbnailMode, 0x80);
    EXPECT_EQ(prefix.reserved, 7);
    SwapHeaderPrefixRecHostToBig(&prefix);
    EXPECT_EQ(bytesOf(prefix), prefixBytes);

    QByteArray offsetBytes;
    for (uint32_t word = 0; word < HeaderOffsetsRec::WordCount; ++word)
        offsetBytes += bigEndianWords({0x01020300u + word});
    HeaderOffsetsRec offsets = recordFromBytes<HeaderOffsetsRec>(offsetBytes);
    SwapHeaderOffsetsRecBigToHost(&offsets);
    for (uint32_t word = 0; word < HeaderOffsetsRec::WordCount; ++word)
        EXPECT_EQ(offsets.word[word], 0x01020300u + word) << "word " << word;
    SwapHeaderOffsetsRecHostToBig(&offsets);
    EXPECT_EQ(bytesOf(offsets), offsetBytes);

    const QByteArray headerBytes = objectHeader(kRecordPage, 0x00ABCDEF);
    ObjectHeader header = recordFromBytes<ObjectHeader>(headerBytes);
    SwapObjectHeaderBigToHost(&header);
    EXPECT_EQ(header.headerTag, kObjectHeaderTag);
    EXPECT_EQ(header.tag, kRecordPage);
    EXPECT_EQ(header.length, 0x00ABCDEFu);
    SwapObjectHeaderHostToBig(&header);
    EXPECT_EQ(bytesOf(header), headerBytes);
}

TEST(TemplateFileFormat, HeaderRecordsAreReadOnlyWhenTheyFit) {
    QByteArray file =
        bigEndianWords({512, 512, kTemplateMagicVARN, kTemplateMagicVXTM, 512, 512, 0, 0});
    QBuffer device(&file);
    device.open(QIODevice::ReadOnly);
    const std::optional<HeaderPrefixRec> prefix = TemplateFile::readHeaderPrefix(device);
    ASSERT_TRUE(prefix);
    EXPECT_TRUE(TemplateFile::hasTemplateMagics(*prefix));
    // 32 bytes hold the prefix but not the offsets behind it.
    EXPECT_FALSE(TemplateFile::readHeaderOffsets(device));

    QByteArray shortFile = file.left(31);
    QBuffer shortDevice(&shortFile);
    shortDevice.open(QIODevice::ReadOnly);
    EXPECT_FALSE(TemplateFile::readHeaderPrefix(shortDevice));
}

TEST(TemplateFileFormat, RecordsAreReadOnlyWhole) {
    using State = TemplateFile::Record::State;
    const QByteArray lead(100, 'x');
    const QByteArray payload("payload bytes");
    const QByteArray file = lead + objectHeader(kRecordName, uint32_t(payload.size())) + payload;
    const uint32_t at = uint32_t(lead.size());

    TemplateFile::Record found = recordIn(file, at, kRecordName);
    EXPECT_EQ(found.state, State::Read);
    EXPECT_EQ(found.payload, payload);
    // An empty payload right at the end of the file is there.
    found = recordIn(lead + objectHeader(kRecordName, 0), at, kRecordName);
    EXPECT_EQ(found.state, State::Read);
    EXPECT_TRUE(found.payload.isEmpty());
    // Offset 0: the file was written without the record.
    found = recordIn(file, 0, kRecordName);
    EXPECT_EQ(found.state, State::NotWritten);
    EXPECT_TRUE(found.damage.isEmpty());

    struct Case {
        const char* what;
        QByteArray file;
        uint32_t offset;
        uint32_t tag;
        const char* damage;
    };
    const Case cases[] = {
        {"another tag", file, at, kRecordCreator, "marked \"DNAM\" instead of \"DCR8\""},
        {"an unprintable tag", lead + objectHeader(0x01020304u, 0), at, kRecordName,
         "marked \"0x01020304\""},
        {"header past the end", file, uint32_t(file.size() - 31), kRecordName,
         "ends inside the header"},
        {"offset at the end", file, uint32_t(file.size()), kRecordName, "beyond the end"},
        {"offset far past the end", file, 0xFFFFFFF0u, kRecordName, "beyond the end"},
        {"payload one byte short", file.chopped(1), at, kRecordName, "the file ends after 12"},
        {"length of 4 GB", lead + objectHeader(kRecordName, 0xFFFFFFFFu) + payload, at, kRecordName,
         "more than a record may hold"},
        {"length just past the limit",
         lead + objectHeader(kRecordName, TemplateFile::kMaxRecordLength + 1) + payload, at,
         kRecordName, "more than a record may hold"},
    };
    for (const Case& c : cases) {
        found = recordIn(c.file, c.offset, c.tag);
        EXPECT_EQ(found.state, State::Damaged) << c.what;
        EXPECT_TRUE(found.payload.isEmpty()) << c.what;
        EXPECT_TRUE(found.damage.contains(QLatin1String(c.damage))) << found.damage.toStdString();
    }
}

TEST(TemplateFileFormat, AlertHookReceivesTheLocalizedTexts) {
    QString title;
    QString message;
    TemplateFile::setFileFormatAlertHook([&](const QString& t, const QString& m) {
        title = t;
        message = m;
    });
    TemplateFile::showFileFormatAlert();
    TemplateFile::setFileFormatAlertHook({});
    // The texts come from the framework's table, not the bare keys.
    EXPECT_FALSE(title.isEmpty());
    EXPECT_NE(title, QLatin1String(kFileFormatTitleKey));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_NE(message, QLatin1String(kFileFormatMessageKey));
}

TEST(TemplateFileFormat, WithoutAHookTheAlertIsAModalAlert) {
    TemplateFile::setFileFormatAlertHook({});
    std::vector<ModalAlert::Request> shown;
    ModalAlert::ScopedResponder responder([&](const ModalAlert::Request& request) {
        shown.push_back(request);
        return int(ModalAlert::DefaultReturn);
    });
    TemplateFile::showFileFormatAlert();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, frameworkString(kFileFormatTitleKey));
    EXPECT_EQ(shown[0].message, frameworkString(kFileFormatMessageKey));
    EXPECT_EQ(shown[0].style, ModalAlert::Style::Warning);
    EXPECT_TRUE(shown[0].alternateButton.isEmpty());
    EXPECT_TRUE(shown[0].otherButton.isEmpty());
}
