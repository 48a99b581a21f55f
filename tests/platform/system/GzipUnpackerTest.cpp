#include "platform/system/GzipUnpacker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// A gzip member with `name` in its header (none when null), packed by zlib.
QByteArray gzipped(const QByteArray& data, const char* name) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray storedName(name ? name : "");
    gz_header header{};
    header.name = reinterpret_cast<Bytef*>(storedName.data());
    if (name)
        deflateSetHeader(&stream, &header);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 64 + storedName.size(),
                   Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(GzipUnpackerTest, UnpacksWhatGzipPackedAndGivesItsStoredName) {
    QTemporaryDir dir;
    QByteArray data;
    for (int i = 0; i < 20000; ++i)
        data += QByteArray::number(i * 7919 % 1000);
    const QString plain = write(dir, str("Kids.vyxTemplate"), data);
    QProcess gzip;
    gzip.start(str("gzip"), {str("-N"), str("-k"), plain});
    ASSERT_TRUE(gzip.waitForFinished(20000));
    ASSERT_EQ(gzip.exitCode(), 0);
    QFile::rename(plain + str(".gz"), dir.filePath(str("download.gz")));
    const GzipUnpacker::Result result =
        GzipUnpacker::unpackFile(dir.filePath(str("download.gz")), dir.filePath(str("out")));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.storedName, str("Kids.vyxTemplate"));
    EXPECT_EQ(readAll(dir.filePath(str("out"))), data);
    EXPECT_EQ(result.bytesWritten, data.size());
}

TEST(GzipUnpackerTest, NamesAndMembers) {
    QTemporaryDir dir;
    const struct {
        QByteArray packed;
        QString storedName;
        QByteArray unpacked;
    } cases[] = {
        {gzipped("abc", nullptr), QString(), "abc"},
        {gzipped("abc", "../../x.vyxTemplate"), str("../../x.vyxTemplate"), "abc"},
        {gzipped("", "empty"), str("empty"), ""},
        // gunzip joins members; the first header names the file.
        {gzipped("one ", "first") + gzipped("two", "second"), str("first"), "one two"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString packed = write(dir, str("p%1").arg(n), c.packed);
        const QString out = dir.filePath(str("o%1").arg(n++));
        const GzipUnpacker::Result result = GzipUnpacker::unpackFile(packed, out);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.storedName, c.storedName);
        EXPECT_EQ(readAll(out), c.unpacked);
    }
}

TEST(GzipUnpackerTest, FailuresLeaveNoOutputAndSayWhy) {
    QTemporaryDir dir;
    const QByteArray good = gzipped(QByteArray(5000, 'x'), "t.vyxTemplate");
    QByteArray damaged = good;
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x55);
    damaged[damaged.size() / 2 + 1] = char(damaged[damaged.size() / 2 + 1] ^ 0x55);
    const struct {
        QByteArray packed;
        int64_t cap;
    } cases[] = {
        {QByteArray("<html>404</html>"), GzipUnpacker::kDefaultMaxOutput},
        {QByteArray(), GzipUnpacker::kDefaultMaxOutput},
        {good.left(good.size() - 12), GzipUnpacker::kDefaultMaxOutput},
        {damaged, GzipUnpacker::kDefaultMaxOutput},
        {good, 4999},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString packed = write(dir, str("p%1").arg(n), c.packed);
        const QString out = dir.filePath(str("o%1").arg(n++));
        const GzipUnpacker::Result result = GzipUnpacker::unpackFile(packed, out, c.cap);
        EXPECT_FALSE(result.ok) << n;
        EXPECT_FALSE(result.error.isEmpty()) << n;
        EXPECT_FALSE(QFile::exists(out)) << n;
    }
    // Exactly at the cap is allowed.
    const QString packed = write(dir, str("cap"), good);
    EXPECT_TRUE(GzipUnpacker::unpackFile(packed, dir.filePath(str("capped")), 5000).ok);
}

TEST(GzipUnpackerTest, NeverReplacesAnExistingFile) {
    QTemporaryDir dir;
    const QString packed = write(dir, str("p"), gzipped("new", "n"));
    const QString taken = write(dir, str("taken"), "old");
    EXPECT_FALSE(GzipUnpacker::unpackFile(packed, taken).ok);
    EXPECT_EQ(readAll(taken), QByteArray("old"));
}
