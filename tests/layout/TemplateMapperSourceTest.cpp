#include "LayoutFixture.h"
#include "catalog/ImageFixtures.h"

#include "layout/ColorProfileHandle.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/imaging/ColorMatching.h"

#include <QPainter>
#include <lcms2.h>
#include <thread>

namespace {

using TemplateMapperSource = LayoutFixture;

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST_F(TemplateMapperSource, EmptyCellsAnswerNothingAndIgnoreChanges) {
    addPhotos(2, false);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("two.vyxTemplate", 2));
    document->undoManager()->removeAllActions();
    EXPECT_TRUE(mapper->imageForCell(0).isNull());
    EXPECT_TRUE(mapper->hiresImageForCell(0).isNull());
    EXPECT_EQ(mapper->naturalImageBoundsForCell(0), kZeroRect);
    EXPECT_EQ(mapper->cropRectForCell(0), kZeroRect);
    EXPECT_EQ(mapper->offsetForCell(0), kZeroPoint);
    EXPECT_TRUE(mapper->captionArrayForCell(0).empty());
    EXPECT_FALSE(mapper->selectionStateForCell(0));
    mapper->setCropRectForCell(Rect(0, 0, 10, 10), 0);
    mapper->setOffsetForCell(Point{5, 5}, 0);
    mapper->setSelectionStateForCell(true, 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(catalog().getFileImageCropAtIndex(i), kZeroRect);
        EXPECT_EQ(catalog().getFileImageOffsetAtIndex(i), kZeroPoint);
    }
    EXPECT_TRUE(catalog().getSelectedIndices().isEmpty());
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(TemplateMapperSource, CellsAnswerFromTheCatalog) {
    addPhotos(3);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("two.vyxTemplate", 2));
    mapper->setLayoutMode(LayoutModeSequential);
    mapper->setCurrentPageNum(0);
    EXPECT_FALSE(mapper->imageForCell(1).isNull());
    EXPECT_EQ(mapper->naturalImageBoundsForCell(1), Rect(0, 0, 40, 30));
    catalog().setSelectionAtIndex(0);
    mapper->setSelectionStateForCell(true, 1);
    EXPECT_EQ(catalog().getSelectedIndices(), QList<int>{1});
    EXPECT_TRUE(mapper->selectionStateForCell(1));
    mapper->setSelectionStateForCell(false, 1);
    EXPECT_TRUE(catalog().getSelectedIndices().isEmpty());

    // A pan in the template view stays an undoable change of the document.
    drainEvents();
    document->undoManager()->removeAllActions();
    const int changes = document->changeCount();
    mapper->setOffsetForCell(Point{4, 2}, 1);
    EXPECT_EQ(catalog().getFileImageOffsetAtIndex(1), (Point{4, 2}));
    EXPECT_EQ(mapper->offsetForCell(1), (Point{4, 2}));
    EXPECT_EQ(document->undoManager()->undoActionName(), localizedString(str("PLACEMENT")));
    drainEvents();
    EXPECT_EQ(document->changeCount(), changes + 1);
    EXPECT_EQ(mapper->scalingModeForCell(0), ScalingModeFill);
}

TEST_F(TemplateMapperSource, TemplateCodesAreAnsweredForEveryCell) {
    addPhotos(3);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("codes.vyxTemplate", 1));
    mapper->setCurrentPageNum(2);
    const struct {
        const char* key;
        QString text;
    } cases[] = {
        {"Template-T001", str("3")},
        {"Template-T002", str("3")},
        {"Template-T003", str("codes.vyxTemplate name")},
        {"Template-T004", str("Cards")},
        {"Template-T005", str("Maker")},
        {"Template-T006", str("Owned")},
        {"Template-T007", str("Described")},
        {"Template", QString()},
        {"Template-T999", QString()},
    };
    for (const auto& c : cases) {
        for (int cell : {0, 4}) {
            const QString text = mapper->propertyForCell(str(c.key), cell);
            EXPECT_EQ(text, c.text) << c.key;
            EXPECT_EQ(text.isNull(), c.text.isNull()) << c.key;
        }
    }
    // A photo key on an empty cell is the empty text, not nothing.
    const TemplateMapperRef empty = makeMapper(makeTemplate("none.vyxTemplate", 1));
    catalog().clearMarkerAtIndex(0);
    catalog().clearMarkerAtIndex(1);
    catalog().clearMarkerAtIndex(2);
    const QString photoKey = mapper->propertyForCell(str("File-F001"), 0);
    EXPECT_FALSE(photoKey.isNull());
    EXPECT_TRUE(photoKey.isEmpty());
    EXPECT_EQ(empty->propertyForCell(str("Template-T002"), 0), str("0"));
}

TEST_F(TemplateMapperSource, FieldsWithAnIdShareTheirTextAcrossDocuments) {
    RoduvudeDadevizi other;
    const TemplateMapperRef mine = makeMapper(
        makeTemplate("a.vyxTemplate", 1, {{str("greet"), str("")}, {str(""), str("m")}}));
    const auto theirs = std::make_shared<TemplateMapper>(
        makeTemplate("b.vyxTemplate", 1, {{str(""), str("Own default")}, {str("greet"), str("")}}),
        other.sharedFileCatalog());
    const int32_t myGreet = fieldNumber(*mine, str("greet"), str(""));
    const int32_t myPlain = fieldNumber(*mine, str(""), str("m"));
    const int32_t theirGreet = fieldNumber(*theirs, str("greet"), str(""));
    const int32_t theirPlain = fieldNumber(*theirs, str(""), str("Own default"));
    EXPECT_EQ(mine->editValueForField(myGreet), str(""));
    EXPECT_EQ(theirs->editValueForField(theirPlain), str("Own default"));
    for (int32_t outside : {2, 5, -1}) {
        const QString text = mine->editValueForField(outside);
        EXPECT_TRUE(text.isEmpty() && !text.isNull()) << outside;
    }

    MapperNotices notices(mine.get());
    mine->setEditValueForField(str("Hello"), myGreet);
    mine->setEditValueForField(str("Mine"), myPlain);
    mine->setEditValueForField(str("Nowhere"), 7);
    EXPECT_EQ(notices.pageChanges, 2);
    EXPECT_EQ(mine->editValueForField(myGreet), str("Hello"));
    EXPECT_EQ(theirs->editValueForField(theirGreet), str("Hello"));
    EXPECT_EQ(mine->editValueForField(myPlain), str("Mine"));
    EXPECT_EQ(theirs->editValueForField(theirPlain), str("Own default"));
    EXPECT_EQ(UserDefaults::standardUserDefaults()
                  .dictionaryForKey(str(kTemplateTextObjectsKey))
                  .value(str("greet")),
              QVariant(str("Hello")));

    // A field with an id and a default text shows the default until shared.
    const TemplateMapperRef withDefault =
        makeMapper(makeTemplate("c.vyxTemplate", 1, {{str("sign"), str("Bye")}}));
    withDefault->editTextValues()->texts.insert(str("0"), str("Document's"));
    EXPECT_EQ(withDefault->editValueForField(0), str("Bye"));
    UserDefaults::standardUserDefaults().removeObjectForKey(str(kTemplateTextObjectsKey));
    EXPECT_EQ(withDefault->editValueForField(0), str("Document's"));
}

TEST_F(TemplateMapperSource, BookPagesKeepTheirOwnTexts) {
    const TemplateMapperRef mapper = makeMapper(
        makeTemplate("book.vyxTemplate", 1,
                     {{str("x"), str("1")}, {str("x"), str("2")}, {str(""), str("Plain")}}));
    const int32_t x1 = fieldNumber(*mapper, str("x"), str("1"));
    const int32_t x2 = fieldNumber(*mapper, str("x"), str("2"));
    const int32_t plain = fieldNumber(*mapper, str(""), str("Plain"));
    mapper->setLayoutMode(LayoutModeBook);
    ASSERT_EQ(mapper->pageCount(), 1);
    mapper->addPage();
    mapper->addPage();
    mapper->setCurrentPageNum(1);
    mapper->setCurrentPageEditValueForField(str("Second"), plain);
    mapper->setCurrentPageNum(0);
    mapper->setCurrentPageEditValueForField(str("First"), x1);
    EXPECT_TRUE(mapper->currentPageHasTextValues());
    EXPECT_EQ(mapper->editValueForField(x1), str("First"));
    // Copied to the page's other field of the same id.
    EXPECT_EQ(mapper->editValueForField(x2), str("First"));
    EXPECT_EQ(mapper->editValueForField(plain), str("Plain"));
    mapper->setCurrentPageNum(2);
    EXPECT_FALSE(mapper->currentPageHasTextValues());
    EXPECT_EQ(mapper->editValueForField(plain), str("Plain"));

    // The whole document afterwards: the current page stops using its own.
    mapper->setCurrentPageNum(0);
    mapper->setEditValueForField(str("Everywhere"), plain);
    EXPECT_FALSE(mapper->currentPageHasTextValues());
    EXPECT_EQ(mapper->editValueForField(plain), str("Everywhere"));
    mapper->setCurrentPageNum(1);
    EXPECT_TRUE(mapper->currentPageHasTextValues());
    EXPECT_EQ(mapper->editValueForField(plain), str("Second"));
    // Page texts are placements of nothing.
    EXPECT_TRUE(mapper->getAllPageEntryIndices().isEmpty());

    // Outside book mode a page text is a document text.
    mapper->setLayoutMode(LayoutModeOnePhotoPerPage);
    mapper->setCurrentPageEditValueForField(str("Doc"), plain);
    mapper->setCurrentPageHasTextValues(true);
    EXPECT_FALSE(mapper->currentPageHasTextValues());
    EXPECT_EQ(mapper->editValueForField(plain), str("Doc"));
}

TEST_F(TemplateMapperSource, ArchiveDefaultsAndRoundTrip) {
    // The library's default template, installed in the user's folder.
    const QString folder = NewTemplateManager::sharedTemplateManager()->templatesFolderPath();
    ASSERT_TRUE(QDir().mkpath(folder));
    writeTemplate(str("default.vyxTemplate"), 1, {}, folder,
                  localizedString(str("DEFAULT_DOC_ID")));
    writeTemplate(str("kept.vyxTemplate"), 2, {{str(""), str("")}}, folder);
    NewTemplateManager::sharedTemplateManager()->scanForChanges();
    const TemplateHandleRef kept =
        NewTemplateManager::sharedTemplateManager()->templateWithID(str("kept.vyxTemplate"));
    ASSERT_TRUE(kept);

    TemplateMapper defaults;
    defaults.decodeFromDictionary({{str("TMap_TemplateID"), str("not installed")},
                                   {str("TMap_LayMode"), str("2")},
                                   {str("TMap_TrackSel"), str("NO")},
                                   {str("TMap_BookCont"), str("pages")}});
    ASSERT_TRUE(defaults.masterTemplate());
    EXPECT_EQ(defaults.masterTemplate()->documentID(), localizedString(str("DEFAULT_DOC_ID")));
    EXPECT_EQ(defaults.layoutMode(), LayoutModeOnePhotoPerPage);
    EXPECT_EQ(defaults.previousPageNum(), -1);
    EXPECT_TRUE(defaults.tracksSelection());
    EXPECT_FALSE(defaults.usesOutputProfile());
    EXPECT_TRUE(defaults.bookContainer()->pages.isEmpty());
    EXPECT_FALSE(defaults.outputProfile());
    EXPECT_EQ(defaults.getCategoryHint(), str("Cards"));

    addPhotos(3);
    const TemplateMapperRef mapper = makeMapper(kept);
    mapper->setLayoutMode(LayoutModeBook);
    mapper->setScalingMode(ScalingModeStretch);
    mapper->addPage();
    mapper->setEntryIndexOnPage(1, 1, 2);
    mapper->setCurrentPageNum(1);
    mapper->setEditValueForField(str("Saved"), 0);
    mapper->setCategoryHint(str("Hint"));
    mapper->setDestinationDevice(DestinationOutput);
    mapper->setPreferredDPI(300);
    mapper->setTracksSelection(false);
    mapper->setUsesOutputProfile(true);
    mapper->setProfileUsesExternalMatching(true);
    mapper->setBypassColorMatching(true);
    mapper->setOutputProfile(ColorProfileHandle::profileWithPath(str("/nowhere/p.icc")));

    const QStringList keys = mapper->encodeInDictionary().keys();
    for (const char* name :
         {"TMap_TemplateID", "TMap_CatHint", "TMap_BookCont", "TMap_TextVals", "TMap_OutProf",
          "TMap_LayMode", "TMap_ScaleMode", "TMap_CurPage", "TMap_PrevPage", "TMap_TrackSel",
          "TMap_DestDev", "TMap_PrefDPI", "TMap_UseProf", "TMap_ExMatch", "TMap_BypMatch"})
        EXPECT_TRUE(keys.contains(str(name))) << name;
    EXPECT_EQ(keys.size(), 15);

    TemplateMapper::registerArchivableClass();
    const TemplateMapperRef back = Unarchiver::unarchiveObjectOfClass<TemplateMapper>(
        Archiver::archivedData(ArchivableRef(mapper)));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->fileCatalog());
    back->setFileCatalog(sharedCatalog());
    EXPECT_EQ(back->masterTemplate(), kept);
    EXPECT_EQ(back->layoutMode(), LayoutModeBook);
    EXPECT_EQ(back->scalingMode(), ScalingModeStretch);
    EXPECT_EQ(back->currentPageNum(), 1);
    EXPECT_EQ(back->previousPageNum(), mapper->previousPageNum());
    EXPECT_EQ(back->entryIndexOnPage(1, 1), 2);
    EXPECT_EQ(back->editValueForField(0), str("Saved"));
    EXPECT_EQ(back->getCategoryHint(), str("Hint"));
    EXPECT_EQ(back->destinationDevice(), DestinationOutput);
    EXPECT_FLOAT_EQ(back->preferredDPI(), 300);
    EXPECT_FALSE(back->tracksSelection());
    EXPECT_TRUE(back->usesOutputProfile());
    EXPECT_TRUE(back->profileUsesExternalMatching());
    EXPECT_TRUE(back->bypassColorMatching());
    ASSERT_TRUE(back->outputProfile());
    EXPECT_EQ(back->outputProfile()->path(), str("/nowhere/p.icc"));
    EXPECT_TRUE(back->outputProfile()->usesExternalMatching());
    // The restored mapper observes the catalog it was given.
    back->setLayoutMode(LayoutModeOnePhotoPerPage);
    back->setTracksSelection(true);
    catalog().setSelectionAtIndex(2);
    drainEvents();
    EXPECT_EQ(back->currentPageNum(), 2);
}

TEST_F(TemplateMapperSource, NewMappersTakeTheColourSettingsOfTheUser) {
    const QString path = dir.filePath(str("paper.icc"));
    ASSERT_TRUE(writeFile(path, gammaProfile(1.8, "Paper")));
    ColorProfileHandle::registerArchivableClass();
    UserDefaults::standardUserDefaults().setObjectForKey(
        Archiver::archivedData(ArchivableRef(ColorProfileHandle::profileWithPath(path))),
        str(kPrefDefaultProfileKey));
    host.settings[PrefPrintUseProfile] = true;
    host.settings[PrefPrintExternalMatching] = true;
    host.settings[PrefPrintBypassColorMatching] = false;
    const TemplateMapperRef mapper = makeMapper(makeTemplate("one.vyxTemplate", 1));
    EXPECT_TRUE(mapper->usesOutputProfile());
    EXPECT_TRUE(mapper->profileUsesExternalMatching());
    EXPECT_FALSE(mapper->bypassColorMatching());
    ASSERT_TRUE(mapper->outputProfile());
    EXPECT_EQ(mapper->outputProfile()->name(), str("Paper"));
    EXPECT_TRUE(mapper->outputProfile()->usesExternalMatching());

    // Matched into the profile, tagged with it under external matching.
    QImage pixels(2, 2, QImage::Format_RGB32);
    pixels.fill(QColor(200, 100, 50));
    Image image(pixels);
    mapper->colorMatchImage(image);
    EXPECT_NE(image.pixels(), pixels);
    EXPECT_EQ(image.iccProfile(), mapper->outputProfile()->profileRef());

    // Bypassed: the pixels stay, the default output profile is attached.
    mapper->setBypassColorMatching(true);
    Image bypassed(pixels);
    mapper->colorMatchImage(bypassed);
    EXPECT_EQ(bypassed.pixels(), pixels);
    EXPECT_EQ(bypassed.iccProfile(), defaultOutputProfile());

    // Not used at all: nothing happens.
    mapper->setUsesOutputProfile(false);
    Image untouched(pixels);
    mapper->colorMatchImage(untouched);
    EXPECT_EQ(untouched.pixels(), pixels);
    EXPECT_TRUE(untouched.iccProfile().isEmpty());

    // A default that is no archived profile leaves a new mapper without one.
    UserDefaults::standardUserDefaults().setObjectForKey(QByteArray("junk"),
                                                         str(kPrefDefaultProfileKey));
    EXPECT_FALSE(makeMapper(mapper->masterTemplate())->outputProfile());
}

// Drawing a page must not edit the document: a photo cell that finds the stored
// offset too far keeps the nearest one quietly, and only for the window.
TEST_F(TemplateMapperSource, DrawingKeepsABoundOffsetWithoutEditingTheDocument) {
    addPhotos(1);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("one.vyxTemplate", 1));
    mapper->setCurrentPageNum(0);
    const TMPhotoObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {10, 30});
    cell->setPhotoNumber(1);
    catalog().setFileImageOffsetAtIndexTo(0, Point{500, 0});
    drainEvents();
    document->undoManager()->removeAllActions();
    const int changes = document->changeCount();

    const auto draw = [&cell](TemplateImageSource* source, DestinationKind kind) {
        cell->setImageSource(source);
        cell->recache();
        QImage page(20, 40, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        QPainter painter(&page);
        GraphicsContext context(painter, Size{20, 40}, kind, true);
        GraphicsContext::Focus focus(context);
        cell->drawObject(false);
    };

    // An output copy shows the bound offset but stores nothing.
    const TemplateMapperRef output = mapper->copy();
    output->setDestinationDevice(DestinationOutput);
    draw(output.get(), DestinationKind::Printer);
    drainEvents();
    EXPECT_EQ(catalog().getFileImageOffsetAtIndex(0), (Point{500, 0}));

    // Nor does the window's mapper when a print thread draws with it.
    std::thread printThread([&mapper] { mapper->keepDrawnOffsetForCell(Point{20, 0}, 0); });
    printThread.join();
    EXPECT_EQ(catalog().getFileImageOffsetAtIndex(0), (Point{500, 0}));

    // The window's mapper keeps it, without undo or a change to the document.
    draw(mapper.get(), DestinationKind::Screen);
    drainEvents();
    const Point kept = catalog().getFileImageOffsetAtIndex(0);
    EXPECT_LT(kept.x, 500);
    EXPECT_GT(kept.x, 0);
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_EQ(document->changeCount(), changes);
    EXPECT_FALSE(catalog().notificationsDisabled());
    EXPECT_TRUE(document->undoManager()->isUndoRegistrationEnabled());
}
