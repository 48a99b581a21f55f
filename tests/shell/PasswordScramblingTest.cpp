#include "shell/PasswordScrambling.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

TEST(PasswordScrambling, KnownBytes) {
    struct Case {
        const char* text;
        QString key;
        QByteArray expected;
    };
    const Case cases[] = {
        // No key, or an empty one: the default key "Z".
        {"a", QString(), bytes({'a' ^ 'Z'})},
        {"a", QStringLiteral(""), bytes({'a' ^ 'Z'})},
        // Byte i of the repeated key is lowered by i.
        {"abc", QStringLiteral("k"), bytes({'a' ^ 'k', 'b' ^ ('k' - 1), 'c' ^ ('k' - 2)})},
        {"hello", QStringLiteral("xy"),
         bytes({'h' ^ 'x', 'e' ^ ('y' - 1), 'l' ^ ('x' - 2), 'l' ^ ('y' - 3), 'o' ^ ('x' - 4)})},
        // Lowering wraps around at 8 bits: 0x01 - 2 is 0xFF.
        {"abc", QString::fromLatin1("\x01"), bytes({'a' ^ 0x01, 'b' ^ 0x00, 'c' ^ 0xFF})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EncryptString(QString::fromUtf8(c.text), c.key), c.expected);
        EXPECT_EQ(DecryptString(c.expected, c.key), QString::fromUtf8(c.text));
    }
}

TEST(PasswordScrambling, EmptyTextAndEmptyData) {
    EXPECT_TRUE(EncryptString(QString(), QStringLiteral("user")).isEmpty());
    EXPECT_TRUE(EncryptString(QStringLiteral(""), QStringLiteral("user")).isEmpty());
    const QString plain = DecryptString(QByteArray(), QStringLiteral("user"));
    EXPECT_TRUE(plain.isEmpty());
    EXPECT_FALSE(plain.isNull());
}

TEST(PasswordScrambling, RoundTripAndWrongKey) {
    const QString password = QString::fromUtf8("p\xC3\xA4ss w\xE2\x82\xAC rd \xF0\x9F\x94\x91");
    const QByteArray scrambled = EncryptString(password, QStringLiteral("j.doe"));
    EXPECT_EQ(scrambled.size(), password.toUtf8().size());
    EXPECT_NE(scrambled, password.toUtf8());
    EXPECT_EQ(DecryptString(scrambled, QStringLiteral("j.doe")), password);
    EXPECT_NE(DecryptString(scrambled, QStringLiteral("someone")), password);
}

TEST(PasswordScrambling, InputsLongerThan255BytesRoundTrip) {
    // Long user names and passwords once overran fixed 256-byte buffers.
    QString password;
    for (int i = 0; i < 700; ++i)
        password += QChar(u'a' + i % 26);
    QString key;
    for (int i = 0; i < 300; ++i)
        key += QChar(u'A' + i % 26);
    const QByteArray scrambled = EncryptString(password, key);
    ASSERT_EQ(scrambled.size(), 700);
    // Beyond byte 255 the key stream keeps its rule: key byte i lowered by i, mod 256.
    const int i = 600;
    const uint8_t keyByte = uint8_t(key.toUtf8()[i % 300]);
    EXPECT_EQ(uint8_t(scrambled[i]), uint8_t(password.toUtf8()[i] ^ uint8_t(keyByte - i)));
    EXPECT_EQ(DecryptString(scrambled, key), password);
}

TEST(PasswordScrambling, InvalidUtf8GivesNull) {
    // Unscrambled under the default key this is the single byte 0xFF.
    EXPECT_TRUE(DecryptString(bytes({0xFF ^ 'Z'}), QString()).isNull());
}
