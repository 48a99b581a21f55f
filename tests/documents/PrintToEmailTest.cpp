#include "PrintFixture.h"
#include "layout/Exporter.h"
#include "layout/VQMailer.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"

#include <QComboBox>
#include <QDialog>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {

// Writes every value it is given, each ended by a NUL, to "record" beside it.
constexpr char kRecordingBridge[] =
    "printf '%s\\0' @SENDFLAG@ @SUBJECT@ @BODY@ @NAMES@ @ADDRESSES@ @ATTACHMENTS@ > record.part && "
    "mv record.part record\n";

QString bridgesFolder() {
    return VQMailer().bridgePath();
}

// Print areas (and photo cells) of 200 x 300 and 400 x 100 points.
const QList<Area> kTwoAreas{{10, 10, 200, 300}, {220, 10, 400, 100}};

class PrintToEmail : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kExportDefaultConfigKey));
        UserDefaults::standardUserDefaults().removeObjectForKey(str(VQMailer::kMailerRouteKey));
        QDir(bridgesFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(bridgesFolder()));
        QFile bridge(QDir(bridgesFolder()).filePath(str("Recorder.txt")));
        ASSERT_TRUE(bridge.open(QIODevice::WriteOnly));
        bridge.write(kRecordingBridge);
        removeMailFolders();
        for (int index : {PrefSendersFullName, PrefSendersEmailAddress, PrefSendMailHost})
            host.settings.remove(index);
    }

    void removeMailFolders() {
        for (const QString& made : mailFolders())
            QDir(made).removeRecursively();
    }

    // Photo files of one colour each, added and marked as the user adds them.
    void addPhotoFiles(const QList<QColor>& colors) {
        for (const QColor& color : colors) {
            QImage picture(80, 120, QImage::Format_RGB32);
            picture.fill(color);
            const QString path = folder.filePath(color.name().mid(1) + str(".png"));
            ASSERT_TRUE(picture.save(path));
            ASSERT_TRUE(document->fileCatalog().addFileEntry(path));
            document->fileCatalog().setMarkerAtIndexTo(document->fileCatalog().fileCount() - 1,
                                                       true);
        }
        drainEvents();
    }

    void useRoute(const char* route) {
        UserDefaults::standardUserDefaults().setObjectForKey(str(route),
                                                             str(VQMailer::kMailerRouteKey));
    }

    // The values the recording bridge got, once it has run.
    QStringList recorded(int ms = 30000) {
        const QString path = QDir(bridgesFolder()).filePath(str("record"));
        QDeadlineTimer deadline(ms);
        while (!QFileInfo::exists(path) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        drainEvents();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList values = QString::fromUtf8(file.readAll()).split(QChar(u'\0'));
        values.removeLast();
        return values;
    }

    // The attachments among the recorded values: words ending in a comma but the last.
    static QStringList attachments(const QStringList& values) {
        QStringList paths = values.mid(3);
        for (QString& path : paths)
            if (path.endsWith(u','))
                path.chop(1);
        return paths;
    }

    // The folders print to e-mail made.
    QStringList mailFolders() {
        QStringList folders;
        const QDir temp(host.tempFolder());
        for (const QString& name : temp.entryList({str("vyx*")}, QDir::Dirs | QDir::NoDotAndDotDot))
            folders << temp.filePath(name);
        return folders;
    }

    void chooseTag(QComboBox* popUp, int tag) {
        popUp->setCurrentIndex(popUp->findData(tag));
        Q_EMIT popUp->activated(popUp->currentIndex());
    }

    // A photo of noise, so that the quality shows in the files' sizes.
    void addNoisyPhoto() {
        QImage picture(400, 600, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, random.generate() | 0xFF000000u);
        const QString path = folder.filePath(str("noise.png"));
        ASSERT_TRUE(picture.save(path));
        ASSERT_TRUE(document->fileCatalog().addFileEntry(path));
        document->fileCatalog().setMarkerAtIndexTo(document->fileCatalog().fileCount() - 1, true);
        drainEvents();
    }
};

} // namespace

TEST_F(PrintToEmail, TheSheetEstimatesCountResolutionAndSize) {
    useTemplate("two-areas", {640, 330}, kTwoAreas, kTwoAreas);
    addPhotoFiles({Qt::red, Qt::green});
    const struct {
        int dims;
        int quality;
        int dpi;
        double factor;
    } cases[] = {
        {0, 0, 115, 0.16},
        {0, -1, 115, 0.08},
        {-1, 1, 57, 0.25},
        {1, -1, 231, 0.08},
    };
    int asked = 0;
    ModalAlert::ScopedDialogResponder answer([&](QDialog& dialog) {
        EXPECT_EQ(&dialog, controller->pteConfigWindow());
        for (const auto& c : cases) {
            chooseTag(controller->pteDimsPopup(), c.dims);
            chooseTag(controller->pteQualityPopup(), c.quality);
            EXPECT_EQ(controller->pteFileCount(), 2);
            EXPECT_EQ(controller->pteRenderDPI(), c.dpi) << c.dims;
            const Size wanted = ZaroziveZodiroVirizidivi::pteDimensionsForTag(c.dims);
            const double s = std::min(wanted.width / 398.0, wanted.height / 298.0);
            const double bytes = (s * 198 * s * 298 + s * 398 * s * 98) * 3 * c.factor;
            EXPECT_NEAR(double(controller->pteDataSize()), bytes, 1.0 + bytes * 1e-6) << c.dims;
            EXPECT_EQ(controller->pteCountField()->text(), str("2"));
            EXPECT_EQ(controller->pteDataSizeField()->text(),
                      host.fileSizeString(controller->pteDataSize()));
            EXPECT_TRUE(controller->pteComposeButton()->isEnabled());
        }
        ++asked;
        return int(QDialog::Rejected);
    });
    controller->printToEmail();
    drainEvents();
    EXPECT_EQ(asked, 1);
    // Cancel renders nothing; the sheet opens again on the middle items.
    EXPECT_TRUE(mailFolders().isEmpty());
    ModalAlert::ScopedDialogResponder again([&](QDialog&) {
        EXPECT_EQ(controller->pteDimsPopup()->currentData().toInt(), 0);
        EXPECT_EQ(controller->pteQualityPopup()->currentData().toInt(), 0);
        EXPECT_EQ(controller->pteRenderDPI(), 115);
        ++asked;
        return int(QDialog::Rejected);
    });
    controller->printToEmail();
    drainEvents();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(controller->calcPTEDPIwithWidthHeight(640, 480), 115);
}

TEST_F(PrintToEmail, ALayoutWithoutPhotosInItsAreasCannotCompose) {
    useTemplate("two-areas", {640, 330}, kTwoAreas, kTwoAreas);
    ModalAlert::ScopedDialogResponder answer([&](QDialog&) {
        EXPECT_EQ(controller->pteFileCount(), 0);
        EXPECT_EQ(controller->pteDataSize(), 0);
        EXPECT_EQ(controller->pteRenderDPI(), 72);
        EXPECT_EQ(controller->pteCountField()->text(), str("0"));
        EXPECT_FALSE(controller->pteComposeButton()->isEnabled());
        return int(QDialog::Rejected);
    });
    controller->printToEmail();
    drainEvents();
    EXPECT_EQ(controller->calcPTEDPIwithWidthHeight(640, 480), 72);
}

TEST_F(PrintToEmail, ComposeHandsTheRenderedFilesToTheBridge) {
    useTemplate("two-areas", {640, 330}, kTwoAreas, kTwoAreas);
    addPhotoFiles({Qt::red, Qt::green});
    useRoute("Recorder");
    ModalAlert::ScopedDialogResponder answer([&](QDialog&) {
        controller->pteComposeButton()->click();
        return int(QDialog::Accepted);
    });
    controller->printToEmail();
    const QStringList values = recorded();
    ASSERT_EQ(values.size(), 5);
    EXPECT_EQ(values.mid(0, 3), (QStringList{str("0"), str("2 photos"), str("\n\n")}));
    const QStringList files = attachments(values);
    ASSERT_EQ(files.size(), 2);
    ASSERT_EQ(mailFolders().size(), 1);
    EXPECT_TRUE(
        QFileInfo(mailFolders().first()).fileName().contains(QRegularExpression(str("^vyx\\d+$"))));
    // 198 x 298 and 398 x 98 points at 115 dpi.
    const QSize expected[] = {{316, 476}, {636, 157}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(QFileInfo(files[i]).absolutePath(), mailFolders().first());
        const QSize size = QImageReader(files[i]).size();
        EXPECT_LE(std::abs(size.width() - expected[i].width()), 1) << i;
        EXPECT_LE(std::abs(size.height() - expected[i].height()), 1) << i;
        EXPECT_LE(size.width(), 640);
        EXPECT_LE(size.height(), 480);
    }
    EXPECT_FALSE(controller->workingExporter());
}

TEST_F(PrintToEmail, OneFileTakesTheSingularSubject) {
    useTemplate("one-area", {220, 320}, {kTwoAreas.first()}, {kTwoAreas.first()});
    addPhotoFiles({Qt::red});
    useRoute("Recorder");
    for (bool scripted : {false, true}) {
        QFile::remove(QDir(bridgesFolder()).filePath(str("record")));
        ModalAlert::ScopedDialogResponder answer([](QDialog&) { return int(QDialog::Accepted); });
        if (scripted)
            document->doPrintToEmail({});
        else
            controller->printToEmail();
        const QStringList values = recorded();
        ASSERT_EQ(values.size(), 4) << scripted;
        EXPECT_EQ(values[1], stringWithFormat(localizedString(str("SUBJECT_FORMAT1")), 1));
        EXPECT_EQ(values[1], str("1 photo"));
    }
}

TEST_F(PrintToEmail, TheScriptedCommandDefaultsTo320By240AtQuality512) {
    useTemplate("one-area", {220, 320}, {kTwoAreas.first()}, {kTwoAreas.first()});
    addNoisyPhoto();
    useRoute("Recorder");
    controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    const auto run = [&](const QVariantMap& arguments) {
        QFile::remove(QDir(bridgesFolder()).filePath(str("record")));
        document->doPrintToEmail(arguments);
        const QStringList files = attachments(recorded());
        EXPECT_EQ(files.size(), 1);
        return files.isEmpty() ? QString() : files.first();
    };
    const QString plain = run({});
    EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    // 198 x 298 points fit 320 x 240 at 57 dpi.
    const QSize size = QImageReader(plain).size();
    EXPECT_LE(std::abs(size.width() - 157), 1);
    EXPECT_LE(std::abs(size.height() - 236), 1);
    EXPECT_EQ(QImageReader(plain).format(), QByteArray("jpeg"));
    EXPECT_FALSE(controller->workingExporter());

    const qint64 low = QFileInfo(run({{str("Quality"), 256}})).size();
    const qint64 high = QFileInfo(run({{str("Quality"), 768}})).size();
    EXPECT_LT(low, QFileInfo(plain).size());
    EXPECT_LT(QFileInfo(plain).size(), high);

    const QString larger = run({{str("Dimensions"), str("{640, 480}")}});
    const QSize largerSize = QImageReader(larger).size();
    EXPECT_LE(std::abs(largerSize.width() - 316), 1);
    EXPECT_LE(std::abs(largerSize.height() - 476), 1);
}

TEST_F(PrintToEmail, AFailedSendIsShownWithItsReasonAndTheFilesStay) {
    useTemplate("two-areas", {640, 330}, kTwoAreas, kTwoAreas);
    addPhotoFiles({Qt::red, Qt::green});
    const struct {
        const char* route;
        const char* reason;
    } cases[] = {
        {VQMailer::kSMTPRoute, "MAIL_NOT_CONFIGURED"},
        {"Missing", nullptr},
    };
    for (const auto& c : cases) {
        useRoute(c.route);
        removeMailFolders();
        std::optional<ModalAlert::Request> shown;
        ModalAlert::ScopedResponder alerts([&](const ModalAlert::Request& request) {
            shown = request;
            return int(ModalAlert::DefaultReturn);
        });
        ModalAlert::ScopedDialogResponder answer([](QDialog&) { return int(QDialog::Accepted); });
        controller->printToEmail();
        QDeadlineTimer deadline(30000);
        while (!shown && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_TRUE(shown) << c.route;
        ASSERT_EQ(mailFolders().size(), 1);
        const QString folder = mailFolders().first();
        EXPECT_EQ(shown->title, localizedString(str("PTE_FAILED")));
        if (c.reason) {
            EXPECT_TRUE(shown->message.contains(localizedString(str(c.reason))))
                << shown->message.toStdString();
        }
        EXPECT_TRUE(shown->message.contains(folder)) << shown->message.toStdString();
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
    }
}
