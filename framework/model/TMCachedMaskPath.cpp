#include "framework/model/TMCachedMaskPath.h"

#include "framework/model/TMGeometry.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

void TMCachedMaskPath::calc(const Rect& q, const std::function<BezierPath(const Rect&)>& make) {
    if (_has && _rect == q)
        return;
    _path = make(q);
    _rect = q;
    _has = true;
}

void TMCachedMaskPath::drop() {
    _path = BezierPath();
    _rect = kZeroRect;
    _has = false;
}

BezierPath TMCachedMaskPath::fitToRect(const Rect& q) const {
    if (!_has)
        return BezierPath();
    return TMFitPathToRect(_path, insetRect(q, q.width() * 0.005f, q.height() * 0.005f));
}

void TMCachedMaskPath::encodeInto(QVariantMap& dictionary, const char* boundsKey,
                                  const char* pathKey) const {
    dictionary.insert(QString::fromLatin1(boundsKey), stringFromRect(_has ? _rect : kZeroRect));
    dictionary.insert(QString::fromLatin1(pathKey),
                      Archiver::archivedValue(_has ? _path : BezierPath()));
}

void TMCachedMaskPath::decodeFrom(const QVariantMap& dictionary, const char* boundsKey,
                                  const char* pathKey) {
    drop();
    const QVariant bounds = dictionary.value(QString::fromLatin1(boundsKey));
    const QVariant data = dictionary.value(QString::fromLatin1(pathKey));
    if (bounds.metaType() != QMetaType::fromType<QString>() ||
        data.metaType() != QMetaType::fromType<QByteArray>())
        return;
    const Rect rect = rectFromString(bounds.toString());
    if (rect.isEmpty())
        return;
    const std::optional<BezierPath> path =
        Unarchiver::unarchiveValue<BezierPath>(data.toByteArray());
    if (!path || path->isEmpty())
        return;
    _path = *path;
    _rect = rect;
    _has = true;
}
