#include "platform/system/GzipUnpacker.h"

#include <QFile>
#include <zlib.h>

namespace {

constexpr int kChunk = 64 * 1024;
constexpr unsigned char kFlagExtra = 0x04;
constexpr unsigned char kFlagName = 0x08;

// The name in a gzip header, or an empty string; false when the header is not gzip's.
bool readStoredName(QFile& file, QString& name) {
    const QByteArray head = file.read(10);
    if (head.size() < 10 || uchar(head[0]) != 0x1f || uchar(head[1]) != 0x8b || head[2] != 8)
        return false;
    const unsigned char flags = uchar(head[3]);
    if (flags & kFlagExtra) {
        const QByteArray length = file.read(2);
        if (length.size() < 2)
            return false;
        const int extra = uchar(length[0]) | (uchar(length[1]) << 8);
        if (file.read(extra).size() < extra)
            return false;
    }
    if (flags & kFlagName) {
        QByteArray raw;
        char c = 0;
        // gunzip bounds the name by the path length; so do we.
        while (raw.size() < 4096) {
            if (!file.getChar(&c))
                return false;
            if (c == '\0')
                break;
            raw.append(c);
        }
        // The format says Latin-1; names written by current tools are UTF-8.
        const QString utf8 = QString::fromUtf8(raw);
        name = utf8.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(raw) : utf8;
    }
    return file.seek(0);
}

} // namespace

GzipUnpacker::Result GzipUnpacker::unpackFile(const QString& packedPath, const QString& outputPath,
                                              int64_t maxOutput,
                                              const std::atomic<bool>* cancelled) {
    Result result;
    QFile in(packedPath);
    if (!in.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("cannot read the packed file");
        return result;
    }
    if (!readStoredName(in, result.storedName)) {
        result.error = QStringLiteral("not a gzip file");
        return result;
    }
    QFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        result.error = QStringLiteral("cannot create the unpacked file");
        return result;
    }
    const auto fail = [&](const QString& why) {
        out.close();
        out.remove();
        result = Result{false, result.storedName, 0, why};
        return result;
    };
    z_stream stream{};
    // 16 + 15: a gzip wrapper around a full-size window.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return fail(QStringLiteral("no inflater"));
    QByteArray input;
    QByteArray output(kChunk, Qt::Uninitialized);
    int status = Z_OK;
    bool memberDone = false;
    for (;;) {
        if (cancelled && cancelled->load()) {
            inflateEnd(&stream);
            return fail(QStringLiteral("cancelled"));
        }
        if (stream.avail_in == 0) {
            input = in.read(kChunk);
            if (input.isEmpty())
                break;
            stream.next_in = reinterpret_cast<Bytef*>(input.data());
            stream.avail_in = uInt(input.size());
        }
        if (memberDone) {
            // Another member follows, as gunzip reads concatenated files.
            inflateReset(&stream);
            memberDone = false;
        }
        stream.next_out = reinterpret_cast<Bytef*>(output.data());
        stream.avail_out = uInt(output.size());
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            inflateEnd(&stream);
            return fail(QStringLiteral("damaged gzip data"));
        }
        const int64_t produced = output.size() - int64_t(stream.avail_out);
        if (result.bytesWritten + produced > maxOutput) {
            inflateEnd(&stream);
            return fail(QStringLiteral("unpacked data too large"));
        }
        if (produced > 0 && out.write(output.constData(), produced) != produced) {
            inflateEnd(&stream);
            return fail(QStringLiteral("cannot write the unpacked file"));
        }
        result.bytesWritten += produced;
        if (status == Z_STREAM_END)
            memberDone = true;
        else if (status == Z_BUF_ERROR && stream.avail_in == 0 && in.atEnd())
            break;
    }
    inflateEnd(&stream);
    if (!memberDone)
        return fail(QStringLiteral("truncated gzip data"));
    out.close();
    result.ok = true;
    return result;
}
