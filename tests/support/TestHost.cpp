#include "support/TestHost.h"

#include "platform/foundation/URLImageRetrievalDelegate.h"
#include "platform/graphics/BezierPath.h"

#include <QCoreApplication>
#include <QDir>

TestHost::TestHost() : _previous(HostServices::current()) {
    HostServices::install(this);
}

TestHost::~TestHost() {
    HostServices::install(_previous);
}

int TestHost::preferencesIntFor(int index) {
    return settings.value(index).toInt();
}
void TestHost::setPreferencesIntFor(int value, int index) {
    settings[index] = value;
}
bool TestHost::preferencesBOOLFor(int index) {
    return settings.value(index).toBool();
}
void TestHost::setPreferencesBOOLFor(bool value, int index) {
    settings[index] = value;
}
QString TestHost::preferencesStringFor(int index) {
    return settings.value(index).toString();
}
void TestHost::setPreferencesStringFor(const QString& value, int index) {
    settings[index] = value;
}

Size TestHost::preferencesNSSizeFor(int index) {
    return Size::fromQSizeF(settings.value(index).toSizeF());
}

void TestHost::setPreferencesNSSizeFor(Size value, int index) {
    settings[index] = value.toQSizeF();
}

QString TestHost::accessPath(int code) {
    return code == 1 ? masksPath : QString();
}

QString TestHost::tempFolder() {
    const QString path = QDir::tempPath() + QStringLiteral("/Vyx");
    QDir().mkpath(path);
    return path;
}

QString TestHost::fileSizeString(int64_t bytes) {
    return QString::number(bytes);
}

const BezierPath* TestHost::handlePath(int style) {
    if (style < 0 || style > 2)
        return nullptr;
    std::unique_ptr<BezierPath>& slot = _handlePaths[size_t(style)];
    if (!slot) {
        slot = std::make_unique<BezierPath>(makeSelectionHandlePath(style));
    }
    return slot.get();
}

QByteArray TestHost::synchronousDataFetch(const QUrl&) {
    return QByteArray();
}

void TestHost::asynchronousImageFetchDataTagCompletionDelegate(
    const QUrl&, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate) {
    if (!delegate)
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [delegate = std::move(delegate), tag] {
            delegate->imageRetrievedDataTag(QByteArray(), tag);
        },
        Qt::QueuedConnection);
}
