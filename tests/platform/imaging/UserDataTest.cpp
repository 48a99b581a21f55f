#include "platform/imaging/UserData.h"

#include <gtest/gtest.h>

TEST(UserDataTest, FlattensAndReadsBack) {
    UserData data;
    data.addItem(fourCharCode("exif"), QByteArray("Exif bytes"));
    data.addItem(fourCharCode("xmp "), QByteArray());
    data.addItem(fourCharCode("exif"), QByteArray("second"));

    const QByteArray flat = data.flatten();
    EXPECT_EQ(flat.left(8), QByteArray("\0\0\0\x12"
                                       "exif",
                                       8));
    EXPECT_EQ(UserData::fromFlattened(flat), data);
    EXPECT_EQ(data.item(fourCharCode("exif"), 1), QByteArray("second"));
    EXPECT_EQ(data.item(fourCharCode("xmp ")), QByteArray());
    EXPECT_FALSE(data.item(fourCharCode("iptc")));
    EXPECT_TRUE(UserData::fromFlattened(QByteArray())->isEmpty());
}

TEST(UserDataTest, RefusesMalformedBytes) {
    UserData data;
    data.addItem(fourCharCode("exif"), QByteArray("abc"));
    const QByteArray flat = data.flatten();
    const QByteArray cases[] = {
        flat.left(flat.size() - 1),     // cut short
        flat + QByteArray("\0\0\0", 3), // a partial header after the item
        QByteArray("\0\0\0\x07"
                   "exif",
                   8), // length below the header
        QByteArray("\xff\xff\xff\xff"
                   "exif",
                   8), // length beyond the bytes
    };
    for (const QByteArray& bytes : cases)
        EXPECT_FALSE(UserData::fromFlattened(bytes)) << bytes.toHex().constData();
}
