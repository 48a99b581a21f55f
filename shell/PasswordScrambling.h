#pragma once

#include <QByteArray>
#include <QString>

// Keeps the mail password out of plain sight in the settings: a reversible byte
// scramble keyed by the mail user name. Not encryption.

// The key used when none (or an empty one) is given.
inline constexpr char kDefaultScramblingKey[] = "Z";

// The password's UTF-8 bytes XOR-ed with the repeated key, byte i of the key lowered
// by i (8-bit wrap). As many bytes as the text; empty for an empty text.
QByteArray EncryptString(const QString& text, const QString& key);

// The inverse of EncryptString. Empty data gives the empty text; bytes that are not
// valid UTF-8 once unscrambled give a null text.
QString DecryptString(const QByteArray& data, const QString& key);
