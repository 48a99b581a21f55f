// Writes the templates shipped with the application through the framework's
// own writer, so that they always match the current file format.
//
//   MakeStarterTemplates <templates folder> <masks folder>
//
// The masks are greyscale pictures drawn here too: light keeps the photograph.

#include "framework/model/TMLineObject.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/HostServices.h"
#include "platform/graphics/BezierPath.h"
#include "platform/printing/PrintInfo.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// The generator runs without the application: no settings, no network.
class GeneratorHost : public HostServices {
public:
    GeneratorHost() { HostServices::install(this); }
    ~GeneratorHost() override { HostServices::install(nullptr); }

    int preferencesIntFor(int) override { return 0; }
    void setPreferencesIntFor(int, int) override {}
    bool preferencesBOOLFor(int) override { return false; }
    void setPreferencesBOOLFor(bool, int) override {}
    QString preferencesStringFor(int) override { return {}; }
    void setPreferencesStringFor(const QString&, int) override {}
    Size preferencesNSSizeFor(int) override { return {}; }
    void setPreferencesNSSizeFor(Size, int) override {}
    uint32_t osSystemVersion() override { return 0; }
    QString accessPath(int) override { return {}; }
    QString tempFolder() override { return QDir::tempPath(); }
    QString fileSizeString(int64_t bytes) override { return QString::number(bytes); }
    const BezierPath* handlePath(int style) override {
        static std::array<BezierPath, 3> paths{
            makeSelectionHandlePath(0), makeSelectionHandlePath(1), makeSelectionHandlePath(2)};
        return &paths.at(std::size_t(std::clamp(style, 0, 2)));
    }
    void clearHandleGraphics() override {}
    QStringList installedTemplateCategories() override { return {}; }
    void resumeWaitMonitor() override {}
    void suspendWaitMonitor() override {}
    int32_t physicalRAM() override { return 1024; }
    QByteArray synchronousDataFetch(const QUrl&) override { return {}; }
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl&, int32_t, std::shared_ptr<URLImageRetrievalDelegate>) override {}
};

struct Paper {
    const char* suffix;
    const char* name;
    Size size;
};
constexpr Paper kLetter{"Letter", "Letter", {612, 792}};
constexpr Paper kA4{"A4", "A4", {595, 842}};
constexpr Paper k4x6{"", "4x6", {288, 432}};
constexpr Paper k5x7{"", "5x7", {360, 504}};

constexpr char kCreator[] = "Lumisk";
constexpr int32_t kVersion = 0x010000;

using Layout = std::function<void(TemplateDocument&, Size page)>;

TMObjectRef photoCell(const Rect& frame) {
    return TMPhotoObject::newTemplateObjectWithOriginSize(frame.origin, frame.size);
}

// A short line on the cut, in from the page edge on both sides.
void addCutMarks(TemplateDocument& document, Size page, float y) {
    constexpr float length = 18;
    for (float x : {0.0f, page.width - length}) {
        const TMLineObjectRef mark =
            TMLineObject::newTemplateObjectWithOriginSize({x, y}, {length, 0});
        mark->setStrokeWidth(0.5f);
        document.addObject(mark);
    }
}

void fullPage(TemplateDocument& document, Size page) {
    constexpr float margin = 36;
    document.addObject(
        photoCell(Rect(margin, margin, page.width - 2 * margin, page.height - 2 * margin)));
}

void twoUp(TemplateDocument& document, Size page) {
    constexpr float margin = 36;
    const float half = page.height / 2;
    for (int i = 0; i < 2; ++i) {
        const float top = i * half;
        document.addObject(
            TMPrintAreaObject::newTemplateObjectWithOriginSize({0, top}, {page.width, half}));
        document.addObject(
            photoCell(Rect(margin, top + margin, page.width - 2 * margin, half - 2 * margin)));
    }
    addCutMarks(document, page, half);
}

// One photo filling small photo paper.
void singlePhoto(TemplateDocument& document, Size page) {
    constexpr float margin = 9;
    document.addObject(
        photoCell(Rect(margin, margin, page.width - 2 * margin, page.height - 2 * margin)));
}

// Twenty cells, each with its photo's file name below it.
void contactSheet(TemplateDocument& document, Size page) {
    constexpr int columns = 4, rows = 5;
    constexpr float margin = 36, gap = 8, caption = 14;
    const float cellWidth = (page.width - 2 * margin - (columns - 1) * gap) / columns;
    const float rowHeight = (page.height - 2 * margin - (rows - 1) * gap) / rows;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const float x = margin + column * (cellWidth + gap);
            const float y = margin + row * (rowHeight + gap);
            document.addObject(photoCell(Rect(x, y, cellWidth, rowHeight - caption)));
            const TMTextObjectRef name = TMTextObject::newTemplateObjectWithOriginSize(
                {x, y + rowHeight - caption}, {cellWidth, caption});
            name->setVariant(TMTextObject::PropertyText);
            name->setPropertyKey(str("File-F001"));
            name->setPropertyCellID(QString::number(row * columns + column + 1));
            document.addObject(name);
        }
    }
}

// Four cells on a quarter page each, in their own print areas, with marks on
// both cuts.
void fourUp(TemplateDocument& document, Size page) {
    constexpr float margin = 18;
    const float halfWidth = page.width / 2, halfHeight = page.height / 2;
    for (int i = 0; i < 4; ++i) {
        const float left = (i % 2) * halfWidth, top = (i / 2) * halfHeight;
        document.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize(
            {left, top}, {halfWidth, halfHeight}));
        document.addObject(photoCell(
            Rect(left + margin, top + margin, halfWidth - 2 * margin, halfHeight - 2 * margin)));
    }
    addCutMarks(document, page, halfHeight);
    constexpr float length = 18;
    for (float y : {0.0f, page.height - length}) {
        const TMLineObjectRef mark =
            TMLineObject::newTemplateObjectWithOriginSize({halfWidth, y}, {0, length});
        mark->setStrokeWidth(0.5f);
        document.addObject(mark);
    }
}

// A photo above a line of text the user fills in for each print.
void greetingCard(TemplateDocument& document, Size page) {
    constexpr float margin = 36, textHeight = 48;
    document.addObject(photoCell(
        Rect(margin, margin, page.width - 2 * margin, page.height - 3 * margin - textHeight)));
    const TMTextObjectRef greeting = TMTextObject::newTemplateObjectWithOriginSize(
        {margin, page.height - margin - textHeight}, {page.width - 2 * margin, textHeight});
    greeting->setVariant(TMTextObject::EditableField);
    greeting->setName(str("Greeting"));
    greeting->setIdentifier(str("greeting"));
    greeting->setText(str("Greetings from"));
    document.addObject(greeting);
}

// Nine wallet-size photos, 2.5 × 3.5 inches, in a block centred on the page.
void walletSheet(TemplateDocument& document, Size page) {
    constexpr int columns = 3, rows = 3;
    constexpr float width = 180, height = 252;
    const float left = (page.width - columns * width) / 2;
    const float top = (page.height - rows * height) / 2;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            document.addObject(
                photoCell(Rect(left + column * width, top + row * height, width, height)));
}

// Three photos laid on the page at angles, each casting a shadow.
void collage(TemplateDocument& document, Size page) {
    struct Placement {
        float x, y, width, height, rotation;
    };
    const Placement placements[] = {
        {0.08f, 0.06f, 0.55f, 0.38f, -6},
        {0.38f, 0.34f, 0.52f, 0.34f, 5},
        {0.10f, 0.62f, 0.50f, 0.32f, -3},
    };
    for (const Placement& p : placements) {
        const TMObjectRef cell = photoCell(Rect(p.x * page.width, p.y * page.height,
                                                p.width * page.width, p.height * page.height));
        cell->setRotation(p.rotation);
        cell->setShadowEnabled(true);
        document.addObject(cell);
    }
}

// One photo in an oval that fades into the paper.
void portrait(TemplateDocument& document, Size page) {
    constexpr float margin = 72;
    const TMPhotoObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize(
        {margin, margin}, {page.width - 2 * margin, page.height - 2 * margin});
    auto oval = TMPhotoMask::create<TMOvalPhotoMask>();
    oval->setFeatherPct(0.6f);
    cell->setMask(oval);
    cell->setMaskEnabled(true);
    document.addObject(cell);
}

struct Starter {
    const char* id;
    const char* name;
    const char* category;
    const char* description;
    Layout layout;
    std::vector<Paper> papers;
};

bool writeStarter(const Starter& starter, const Paper& paper, const QDir& folder) {
    TemplateDocument document;
    const bool variant = paper.suffix[0] != '\0';
    const QString name =
        variant ? str("%1 (%2)").arg(str(starter.name), str(paper.suffix)) : str(starter.name);
    const QString id =
        variant ? str("%1-%2").arg(str(starter.id), str(paper.suffix).toLower()) : str(starter.id);
    document.setDocumentID(id);
    document.setDocName(name);
    document.setDocCategory(str(starter.category));
    document.setDocCreator(str(kCreator));
    document.setDocDescription(str(starter.description));
    document.setDocCopyright(QString());
    document.setDocChangeVersion(kVersion);
    PrintInfo info;
    info.setPaperName(str(paper.name));
    info.setPaperSize(paper.size);
    document.setPrintInfo(info);
    starter.layout(document, paper.size);
    // Steady identities, so that two builds write the same objects.
    for (qsizetype i = 0; i < document.objects().size(); ++i)
        document.objects().at(i)->setUniqueID(str("%1.%2").arg(id).arg(i + 1));

    QString error;
    const QString path = folder.filePath(name + str(".vyxTemplate"));
    if (!document.writeToFileOfType(path, str(kTemplateDocumentType), &error)) {
        QTextStream(stderr) << path << ": " << error << Qt::endl;
        return false;
    }
    return true;
}

// A mask picture: coverage from 0 to 1 at each pixel centre, in a picture
// 0..1 across and down.
using Coverage = std::function<double(double x, double y)>;
constexpr int kMaskSize = 400;

bool writeMask(const char* name, const Coverage& coverage, const QDir& folder) {
    QImage picture(kMaskSize, kMaskSize, QImage::Format_Grayscale8);
    for (int y = 0; y < kMaskSize; ++y) {
        uchar* line = picture.scanLine(y);
        for (int x = 0; x < kMaskSize; ++x) {
            const double value = coverage((x + 0.5) / kMaskSize, (y + 0.5) / kMaskSize);
            line[x] = uchar(std::lround(std::clamp(value, 0.0, 1.0) * 255));
        }
    }
    const QString path = folder.filePath(str(name));
    if (!picture.save(path, "JPG", 95)) {
        QTextStream(stderr) << path << ": cannot write the mask" << Qt::endl;
        return false;
    }
    return true;
}

double smoothstep(double from, double to, double value) {
    const double t = std::clamp((value - from) / (to - from), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Full in the middle, fading out towards the edges along an ellipse.
double softVignette(double x, double y) {
    const double r = std::hypot((x - 0.5) / 0.5, (y - 0.5) / 0.5);
    return 1 - smoothstep(0.55, 0.98, r);
}

// A rectangle with round corners, a narrow soft edge and a margin all round.
double roundedFrame(double x, double y) {
    constexpr double half = 0.42, radius = 0.12, soft = 0.006;
    const double qx = std::max(std::abs(x - 0.5) - (half - radius), 0.0);
    const double qy = std::max(std::abs(y - 0.5) - (half - radius), 0.0);
    const double distance = std::hypot(qx, qy) - radius;
    return 1 - smoothstep(-soft, soft, distance);
}

// A rectangle whose sides wander like torn paper; fixed waves, so that every
// build draws the same edge.
double tornEdge(double x, double y) {
    const auto wander = [](double t, double phase) {
        return 0.018 * std::sin(t * 23 + phase) + 0.011 * std::sin(t * 61 + 2 * phase) +
               0.006 * std::sin(t * 149 + 3 * phase);
    };
    constexpr double inset = 0.08, soft = 0.003;
    const double inside =
        std::min({x - (inset + wander(y, 0.3)), (1 - inset + wander(y, 1.7)) - x,
                  y - (inset + wander(x, 2.9)), (1 - inset + wander(x, 4.1)) - y});
    return smoothstep(-soft, soft, inside);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: MakeStarterTemplates <templates folder> <masks folder>"
                            << Qt::endl;
        return 2;
    }
    GeneratorHost host;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QDir masks(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(folder.path()) || !QDir().mkpath(masks.path()))
        return 1;

    const std::vector<Starter> starters{
        {"lumisk.template.full-page",
         "Full Page",
         "Prints",
         "One photo filling the page.",
         fullPage,
         {kLetter, kA4}},
        {"lumisk.template.two-up",
         "2-Up with Cut Marks",
         "Prints",
         "Two photos, each in its own print area, with marks where to cut.",
         twoUp,
         {kLetter, kA4}},
        {"lumisk.template.4x6",
         "4 × 6 Single",
         "Prints",
         "One photo on 4 × 6 inch paper.",
         singlePhoto,
         {k4x6}},
        {"lumisk.template.5x7",
         "5 × 7 Single",
         "Prints",
         "One photo on 5 × 7 inch paper.",
         singlePhoto,
         {k5x7}},
        {"lumisk.template.four-up",
         "4-Up with Cut Marks",
         "Prints",
         "Four photos, each in its own print area, with marks where to cut.",
         fourUp,
         {kLetter, kA4}},
        {"lumisk.template.greeting-card",
         "Greeting Card",
         "Cards",
         "A photo above a line of text to fill in.",
         greetingCard,
         {kLetter, kA4}},
        {"lumisk.template.wallets",
         "Wallet Sheet",
         "Prints",
         "Nine wallet-size photos to a page.",
         walletSheet,
         {kLetter, kA4}},
        {"lumisk.template.collage",
         "Collage",
         "Collages",
         "Three photos laid at angles, with shadows.",
         collage,
         {kLetter, kA4}},
        {"lumisk.template.contact-sheet",
         "Contact Sheet",
         "Proofs",
         "Twenty photos to a page, each with its file name.",
         contactSheet,
         {kLetter, kA4}},
        {"lumisk.template.portrait",
         "Portrait",
         "Portraits",
         "One photo in an oval with a soft edge.",
         portrait,
         {kLetter, kA4}},
    };
    bool ok = true;
    for (const Starter& starter : starters)
        for (const Paper& paper : starter.papers)
            ok = writeStarter(starter, paper, folder) && ok;
    ok = writeMask("Soft Vignette.jpg", softVignette, masks) && ok;
    ok = writeMask("Rounded Frame.jpg", roundedFrame, masks) && ok;
    ok = writeMask("Torn Edge.jpg", tornEdge, masks) && ok;
    return ok ? 0 : 1;
}
