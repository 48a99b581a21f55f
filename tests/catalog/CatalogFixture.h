#pragma once

#include "ImageFixtures.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Records the catalog's notices as observers see them.
class NoticeRecorder {
public:
    struct Notice {
        QString name;
        QVariantMap userInfo;
    };

    explicit NoticeRecorder(const VQFileCatalog* catalog) {
        NotificationCenter::defaultCenter().addObserver(
            this, QString(), catalog, [this](const Notification& n) {
                notices.push_back({n.name(), n.userInfo()});
            });
    }
    ~NoticeRecorder() { NotificationCenter::defaultCenter().removeObserver(this); }

    int count(const char* name) const {
        int n = 0;
        for (const Notice& notice : notices)
            n += notice.name == QLatin1String(name);
        return n;
    }
    QList<QVariantMap> infos(const char* name) const {
        QList<QVariantMap> list;
        for (const Notice& notice : notices)
            if (notice.name == QLatin1String(name))
                list.append(notice.userInfo);
        return list;
    }
    void clear() { notices.clear(); }

    std::vector<Notice> notices;
};

// Turns the event loop until queued notices are posted and undo groups closed.
inline void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

inline QVariantList indexList(std::initializer_list<int> indices) {
    QVariantList list;
    for (int index : indices)
        list.append(index);
    return list;
}

// A fresh account, a test host and one catalog document with a folder of photos.
class CatalogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // The application's enhancement defaults: none set, so neutral.
        for (const char* key : {kDefaultSharpnessKey, kDefaultContrastKey, kDefaultSaturationKey,
                                kDefaultBrightnessKey})
            UserDefaults::standardUserDefaults().removeObjectForKey(QString::fromLatin1(key));
        testHost.setPreferencesBOOLFor(false, PrefImportProfiles);
        document = std::make_unique<RoduvudeDadevizi>();
    }
    void TearDown() override {
        document.reset();
        drainEvents();
    }

    VQFileCatalog& catalog() { return document->fileCatalog(); }
    UndoManager& undo() { return *document->undoManager(); }

    // A picture file whose quadrants have the four fixture colours.
    QString photo(const QString& name, int width = 40, int height = 30,
                  const char* format = "png") {
        return writeImage(dir.filePath(name), quadrantImage(width, height), format);
    }
    // Adds photos named p0.png, p1.png, ... and closes the undo group.
    void addPhotos(int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("p%1.png").arg(i))));
        drainEvents();
    }
    QList<int> serials() {
        QList<int> list;
        for (int i = 0; i < catalog().fileCount(); ++i)
            list.append(catalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, i).toInt());
        return list;
    }
    QString name(int index) {
        return catalog().getFileAttributeAtIndex(kCatalogAttrName, index).toString();
    }
    QStringList names() {
        QStringList list;
        for (int i = 0; i < catalog().fileCount(); ++i)
            list.append(name(i));
        return list;
    }

    TestHome home;
    TestHost testHost;
    QTemporaryDir dir;
    std::unique_ptr<RoduvudeDadevizi> document;
};
