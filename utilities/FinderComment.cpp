#include "utilities/FinderComment.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

constexpr char kCommentAttribute[] = "user.xdg.comment";

bool exists(const QByteArray& path) {
    struct stat info;
    return ::stat(path.constData(), &info) == 0;
}

} // namespace

bool UTSetFinderCommentInFile(const QString& path, const QString& comment) {
    if (path.isEmpty())
        return false;
    const QByteArray file = QFile::encodeName(path);
    if (!exists(file))
        return false;
    if (comment.isEmpty())
        return ::removexattr(file.constData(), kCommentAttribute) == 0 || errno == ENODATA;
    const QByteArray value = comment.toUtf8();
    return ::setxattr(file.constData(), kCommentAttribute, value.constData(), size_t(value.size()),
                      0) == 0;
}

QString UTGetFinderCommentFromFile(const QString& path) {
    if (path.isEmpty())
        return {};
    const QByteArray file = QFile::encodeName(path);
    QByteArray value;
    // The attribute may change size between asking its size and reading it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t size = ::getxattr(file.constData(), kCommentAttribute, nullptr, 0);
        if (size < 0)
            return {};
        value.resize(size);
        const ssize_t read =
            ::getxattr(file.constData(), kCommentAttribute, value.data(), size_t(size));
        if (read >= 0) {
            value.truncate(read);
            break;
        }
        if (errno != ERANGE)
            return {};
        value.clear();
    }
    const QString text = QString::fromUtf8(value);
    if (text.size() < 2)
        return {};
    if (text.startsWith(u'"') && text.endsWith(u'"'))
        return text.mid(1, text.size() - 2);
    return text;
}
