// A drawing or loader thread reads the catalog while the main thread changes it.
// Meant to run under ThreadSanitizer as well as in the plain build.
#include "CatalogFixture.h"

#include <QSet>
#include <atomic>
#include <thread>

namespace {

class VQFileCatalogThreadTest : public CatalogFixture {};

} // namespace

TEST_F(VQFileCatalogThreadTest, AReaderThreadSeesWholeEntriesWhileTheListChanges) {
    QStringList files;
    for (int i = 0; i < 4; ++i)
        files.append(photo(QStringLiteral("t%1.png").arg(i), 60 + i * 10, 40));
    for (const QString& file : files)
        ASSERT_TRUE(catalog().addFileEntry(file));
    drainEvents();

    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> badSerials{0};
    std::atomic<int> badPictures{0};
    VQFileCatalog& shared = catalog();
    std::thread reader;
    // Stops and joins the reader however the test ends.
    struct Join {
        std::atomic<bool>& stop;
        std::thread& thread;
        ~Join() {
            stop = true;
            if (thread.joinable())
                thread.join();
        }
    } join{stop, reader};
    reader = std::thread([&] {
        unsigned step = 0;
        while (!stop.load()) {
            const int count = shared.fileCount();
            const int index = count > 0 ? int(step % unsigned(count + 1)) : 0;
            ++step;
            const QVariant serial = shared.getFileAttributeAtIndex(kCatalogAttrSerialNumber, index);
            if (serial.isValid() && serial.toInt() < 1234)
                ++badSerials;
            shared.getFileAttributeAtIndex(kCatalogAttrName, index);
            shared.getFileAttributeAtIndex(kCatalogAttrRotation, index);
            shared.getFileAttributeAtIndex(kCatalogAttrImageSize, index);
            shared.getFileAttributeAtIndex(kCatalogAttrImageLoaded, index);
            const QVariant picture = shared.getFileAttributeAtIndex(
                step % 3 == 0 ? kCatalogAttrFullImage : kCatalogAttrImage, index);
            if (picture.isValid() && picture.value<Image>().isNull())
                ++badPictures;
            shared.getSelectedIndices();
            shared.findSerialNumber(1235);
            ++reads;
        }
    });

    for (int round = 0; round < 40; ++round) {
        const int count = catalog().fileCount();
        ASSERT_GT(count, 0);
        ASSERT_TRUE(catalog().addFileEntryAtPosition(files[round % files.size()], round % 3));
        catalog().moveEntryFromIndexToIndex(round % (count + 1), (round * 7) % (count + 2));
        catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, round % count,
                                                 float((round % 4) * 90));
        catalog().setSelectionAtIndex(round % count);
        catalog().addImageEntryAtPosition(Image(solidImage(16, 12, Qt::blue)), -1);
        const int serial = catalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, 0).toInt();
        catalog().removeSerialNumberEntry(serial);
        if (round % 5 == 4) {
            drainEvents();
            undo().undo();
        }
        if (catalog().fileCount() > 6)
            catalog().removeEntryAtIndex(catalog().fileCount() - 1);
        QCoreApplication::processEvents();
    }
    // Let the reader go on a little against the settled list.
    while (reads.load() < 50)
        std::this_thread::yield();
    stop = true;
    reader.join();

    EXPECT_EQ(badSerials.load(), 0);
    EXPECT_EQ(badPictures.load(), 0);
    const QList<int> numbers = serials();
    EXPECT_EQ(QSet<int>(numbers.cbegin(), numbers.cend()).size(), numbers.size());
}
