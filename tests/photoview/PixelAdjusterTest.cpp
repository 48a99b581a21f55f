#include "PaletteFixture.h"
#include "SliderDrag.h"
#include "photoview/PixelAdjusterController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/Commands.h"
#include "platform/ui/FractionSlider.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <functional>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

using Palette = PixelAdjusterController;

} // namespace

// The enhancement palette serving the fixture's catalog window, live preview off.
class PixelAdjusterTest : public PaletteFixture {
protected:
    void SetUp() override {
        PaletteFixture::SetUp();
        palette = Palette::sharedPixelAdjusterController();
        palette->buildEnhancePresetsMenu();
        setLivePreview(false);
        palette->activate();
        drainEvents();
        ASSERT_EQ(palette->document(), document.get());
    }
    void TearDown() override {
        palette->close();
        PaletteFixture::TearDown();
    }

    template <class T> T* control(const char* name) { return palette->control<T>(name); }
    FractionSlider* slider(const char* name) { return control<FractionSlider>(name); }
    QLineEdit* field(const char* name) { return control<QLineEdit>(name); }
    void setLivePreview(bool on) {
        auto* live = control<QCheckBox>("_livePreviewSwitch");
        if (live->isChecked() != on)
            live->click();
        drainEvents();
    }
    void choosePreset(int index) {
        auto* popUp = control<QComboBox>("_presetPopUp");
        popUp->setCurrentIndex(index);
        Q_EMIT popUp->activated(index);
        drainEvents();
    }
    float attribute(int attribute, int index) {
        return catalog().getFileAttributeAtIndex(attribute, index).toFloat();
    }
    Palette* palette = nullptr;
};

TEST_F(PixelAdjusterTest, SlidersAndTypedValuesBecomeFactorsAsTheyAreStored) {
    addPhotos(1);
    select({0});
    // Typed percentages are kept in -100 ... 100; the selection is applied
    // rounded to whole slider steps, the document's defaults are not rounded.
    struct Case {
        const char* what;
        const char* control; // a field typed into, or a document slider set
        double input;
        std::function<double()> result;
        double expected;
    };
    const auto photo = [this](int attr) {
        return [this, attr] { return double(attribute(attr, 0)); };
    };
    const auto docBrightness = [this] { return double(document->defaultBrightness()); };
    const Case cases[] = {
        {"slider at 149.6 applies 1.5", "_brightnessField", 49.6, photo(kCatalogAttrBrightness),
         1.5},
        {"slider at 149.4 applies 1.49", "_brightnessField", 49.4, photo(kCatalogAttrBrightness),
         1.49},
        {"typed 500 stores 2.0", "_contrastField", 500, photo(kCatalogAttrContrast), 2.0},
        {"typed -250 stores 0.0", "_saturationField", -250, photo(kCatalogAttrSaturation), 0.0},
        {"typed -100 stores 0.0", "_saturationField", -100, photo(kCatalogAttrSaturation), 0.0},
        {"document slider at 149.6 sets 1.496", "_docBrightnessSlider", 149.6, docBrightness,
         1.496},
        {"document field 49.6 sets 1.496", "_docBrightnessField", 49.6, docBrightness, 1.496},
        {"document field typed 500 sets 2.0", "_docBrightnessField", 500, docBrightness, 2.0},
        {"document slider at 0 sets 0.0", "_docBrightnessSlider", 0, docBrightness, 0.0},
    };
    document->setUsesAppEnhancementDefaults(false);
    palette->updateValues();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        control<QTabWidget>("_tabPanelView")
            ->setCurrentIndex(QByteArray(c.control).startsWith("_doc") ? Palette::DocumentTab
                                                                       : Palette::SelectionTab);
        if (QLineEdit* typed = field(c.control)) {
            type(typed, QString::number(c.input));
        } else {
            slider(c.control)->setDoubleValue(c.input);
            palette->docBrightnessSliderChange();
            drainEvents();
        }
        control<QPushButton>("_applyButton")->click();
        drainEvents();
        EXPECT_FLOAT_EQ(float(c.result()), float(c.expected));
    }
    // The sharpness slider goes from 0 to 8.
    EXPECT_EQ(slider("_sharpnessSlider")->maximum(), 8);
    EXPECT_EQ(slider("_brightnessSlider")->maximum(), 200);
}

TEST_F(PixelAdjusterTest, TwoSelectedShowTheFirstAndApplyWritesBothLaterIndexFirst) {
    addPhotos(3);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrBrightness, 1, 1.2f);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrBrightness, 2, 0.7f);
    select({1, 2});
    EXPECT_EQ(control<QLabel>("_selectionInfoField")->text(),
              localizedString(str("MULTI_SELECTION")));
    EXPECT_NEAR(slider("_brightnessSlider")->doubleValue(), 120, 1e-3);
    EXPECT_EQ(field("_brightnessField")->text(), str("20"));
    EXPECT_TRUE(slider("_brightnessSlider")->isEnabled());
    EXPECT_EQ(control<QTabWidget>("_tabPanelView")->currentIndex(), Palette::SelectionTab);

    NoticeRecorder notices(&catalog());
    type(field("_saturationField"), str("30"));
    control<QPushButton>("_applyButton")->click();
    drainEvents();
    QList<int> order;
    for (const QVariantMap& info : notices.infos(kVQFileCatalogPhotoVisiblyChangedNotify))
        if (info.value(str(kAttrKey)).toInt() == kCatalogAttrAdjustments)
            order.append(info.value(str(kIndexKey)).toInt());
    EXPECT_EQ(order, QList<int>({2, 1}));
    for (int index : {1, 2}) {
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrBrightness, index), 1.2f);
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrSaturation, index), 1.3f);
    }
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrBrightness, 0), 1.0f);
}

TEST_F(PixelAdjusterTest, WithoutASelectionTheDocumentTabShowsTheDocument) {
    addPhotos(1);
    document->setUsesAppEnhancementDefaults(false);
    document->setDefaultContrast(1.25f);
    document->setDefaultSharpness(4);
    select({0});
    select({});
    EXPECT_EQ(control<QTabWidget>("_tabPanelView")->currentIndex(), Palette::DocumentTab);
    EXPECT_EQ(control<QLabel>("_selectionInfoField")->text(), localizedString(str("NO_SELECTION")));
    EXPECT_FALSE(slider("_brightnessSlider")->isEnabled());
    EXPECT_EQ(control<QLabel>("_docActiveCatalogInfoField")->text(), document->displayName());
    EXPECT_NEAR(slider("_docContrastSlider")->doubleValue(), 125, 1e-3);
    EXPECT_EQ(field("_docContrastField")->text(), str("25"));
    EXPECT_EQ(slider("_docSharpnessSlider")->doubleValue(), 4);
    EXPECT_TRUE(slider("_docContrastSlider")->isEnabled());
}

TEST_F(PixelAdjusterTest, TheDocumentMatrixReloadsWithoutSwitchingTabs) {
    addPhotos(1);
    select({0});
    document->setUsesAppEnhancementDefaults(true);
    palette->updateValues();
    ASSERT_EQ(control<QTabWidget>("_tabPanelView")->currentIndex(), Palette::SelectionTab);
    control<QTabWidget>("_tabPanelView")->setCurrentIndex(Palette::DocumentTab);
    EXPECT_FALSE(slider("_docBrightnessSlider")->isEnabled());
    control<QRadioButton>("_docUsesOwnDefaultsCell")->click();
    drainEvents();
    EXPECT_FALSE(document->usesAppEnhancementDefaults());
    EXPECT_TRUE(slider("_docBrightnessSlider")->isEnabled());
    EXPECT_EQ(control<QTabWidget>("_tabPanelView")->currentIndex(), Palette::DocumentTab);
}

TEST_F(PixelAdjusterTest, BuiltInPresetsAreSeededOnceWithTheirLocalizedNames) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(str(kEnhancePresetsInitedKey));
    defaults.removeObjectForKey(str(kEnhancePresetsKey));
    const QVariantList presets = palette->enhancePresets();
    ASSERT_EQ(presets.size(), 11);
    EXPECT_EQ(defaults.objectForKey(str(kEnhancePresetsInitedKey)).toString(), str("YES"));
    const QVariantMap first = presets.first().toMap();
    EXPECT_EQ(first.value(str(kPresetNameKey)).toString(),
              localizedString(str("ENH_PRESET_NAME1")));
    EXPECT_NE(first.value(str(kPresetNameKey)).toString(), str("ENH_PRESET_NAME1"));
    EXPECT_EQ(first.keys(), QStringList({str(kPresetNameKey), str(kPresetSaturationKey)}));
    const QVariantMap ninth = presets.at(8).toMap();
    EXPECT_EQ(ninth.value(str(kPresetBrightnessKey)).toDouble(), 0.6);
    EXPECT_EQ(ninth.value(str(kPresetContrastKey)).toDouble(), 1.3);
    EXPECT_FALSE(ninth.contains(str(kPresetSharpnessKey)));
    // A list the user emptied stays empty.
    palette->setEnhancePresets({});
    EXPECT_TRUE(palette->enhancePresets().isEmpty());
}

TEST_F(PixelAdjusterTest, ChoosingAPresetSetsOnlyItsValues) {
    addPhotos(1);
    select({0});
    UserDefaults::standardUserDefaults().removeObjectForKey(str(kEnhancePresetsInitedKey));
    palette->buildEnhancePresetsMenu();
    type(field("_brightnessField"), str("20"));
    type(field("_contrastField"), str("-10"));
    slider("_sharpnessSlider")->setDoubleValue(2);
    choosePreset(Palette::kFirstPresetItem); // the first built-in: saturation 0
    EXPECT_EQ(slider("_saturationSlider")->doubleValue(), 0);
    EXPECT_EQ(field("_saturationField")->text(), str("-100"));
    EXPECT_EQ(field("_brightnessField")->text(), str("20"));
    EXPECT_EQ(field("_contrastField")->text(), str("-10"));
    EXPECT_EQ(slider("_sharpnessSlider")->doubleValue(), 2);
    // Nothing reaches the photo with live preview off; on, the preset applies.
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrSaturation, 0), 1.0f);
    setLivePreview(true);
    choosePreset(Palette::kFirstPresetItem + 3); // sharpness 3
    EXPECT_EQ(attribute(kCatalogAttrSharpness, 0), 3);
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrSaturation, 0), 0.0f);
    // The document's defaults as an item.
    choosePreset(Palette::DocumentDefaultsItem);
    EXPECT_EQ(field("_saturationField")->text(), str("0"));
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrSaturation, 0), 1.0f);
    EXPECT_EQ(attribute(kCatalogAttrSharpness, 0), 0);
}

TEST_F(PixelAdjusterTest, AddingAPresetRecordsTheSlidersAndRefusesADuplicateName) {
    addPhotos(1);
    select({0});
    palette->setEnhancePresets({QVariantMap{{str(kPresetNameKey), str("Warm")}}});
    type(field("_brightnessField"), str("49.6"));
    slider("_sharpnessSlider")->setDoubleValue(5);
    int runs = 0;
    QStringList alerts;
    ModalAlert::ScopedResponder alert([&](const ModalAlert::Request& request) {
        alerts << request.title << request.message;
        return int(ModalAlert::DefaultReturn);
    });
    ModalAlert::ScopedDialogResponder dialog([&](QDialog& shown) {
        ++runs;
        auto* name = shown.findChild<QLineEdit*>(str("_addPresetNameField"));
        if (runs == 1) {
            // The values shown come from the sliders and can't be typed over.
            EXPECT_EQ(shown.findChild<QLineEdit*>(str("_addPresetBrightnessField"))->text(),
                      str("50"));
            EXPECT_TRUE(
                shown.findChild<QLineEdit*>(str("_addPresetBrightnessField"))->isReadOnly());
            EXPECT_FALSE(shown.findChild<QPushButton*>(str("_addPresetOKButton"))->isEnabled());
            QTest::keyClicks(name, str("wARM"));
        } else {
            // Back with its contents after the refusal.
            EXPECT_EQ(name->text(), str("wARM"));
            name->setText(str("Sharp"));
            for (const char* off : {"_addPresetSaturationSwitch", "_addPresetBrightnessSwitch",
                                    "_addPresetContrastSwitch"})
                shown.findChild<QCheckBox*>(str(off))->click();
        }
        auto* ok = shown.findChild<QPushButton*>(str("_addPresetOKButton"));
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
        return shown.result();
    });
    choosePreset(Palette::AddPresetItem);
    EXPECT_EQ(runs, 2);
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts.at(0), localizedString(str("DUP_NAME")));
    EXPECT_TRUE(alerts.at(1).contains(str("wARM")));
    const QVariantList presets = palette->enhancePresets();
    ASSERT_EQ(presets.size(), 2);
    const QVariantMap added = presets.last().toMap();
    EXPECT_EQ(added.keys(), QStringList({str(kPresetNameKey), str(kPresetSharpnessKey)}));
    EXPECT_EQ(added.value(str(kPresetSharpnessKey)).toInt(), 5);
    auto* popUp = control<QComboBox>("_presetPopUp");
    EXPECT_EQ(popUp->count(), Palette::kFirstPresetItem + 2);
    EXPECT_EQ(popUp->currentIndex(), popUp->count() - 1);
    EXPECT_EQ(popUp->currentText(), str("Sharp"));

    // All four on: the slider values, rounded as Apply rounds them.
    ModalAlert::ScopedDialogResponder all([&](QDialog& shown) {
        shown.findChild<QLineEdit*>(str("_addPresetNameField"))->setText(str("All"));
        shown.findChild<QPushButton*>(str("_addPresetOKButton"))->click();
        return shown.result();
    });
    choosePreset(Palette::AddPresetItem);
    const QVariantMap four = palette->getPresetByName(str("ALL"));
    EXPECT_DOUBLE_EQ(four.value(str(kPresetBrightnessKey)).toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(four.value(str(kPresetSaturationKey)).toDouble(), 1.0);
    EXPECT_EQ(four.size(), 5);
}

TEST_F(PixelAdjusterTest, RemovingTheLastPresetLeavesTheFixedItems) {
    addPhotos(1);
    select({0});
    palette->setEnhancePresets({QVariantMap{{str(kPresetNameKey), str("Only")}}});
    auto* popUp = control<QComboBox>("_presetPopUp");
    ASSERT_EQ(popUp->count(), Palette::kFirstPresetItem + 1);
    int asked = 0;
    ModalAlert::ScopedResponder alert([&](const ModalAlert::Request& request) {
        ++asked;
        EXPECT_TRUE(request.message.contains(str("Only")));
        // The first time the user thinks again; then removes.
        return int(asked == 1 ? ModalAlert::DefaultReturn : ModalAlert::AlternateReturn);
    });
    int runs = 0;
    ModalAlert::ScopedDialogResponder dialog([&](QDialog& shown) {
        ++runs;
        auto* table = shown.findChild<QListWidget*>(str("_removePresetTable"));
        auto* remove = shown.findChild<QPushButton*>(str("_removePresetRemoveButton"));
        if (runs == 1) {
            EXPECT_FALSE(remove->isEnabled());
            EXPECT_EQ(table->count(), 1);
            table->setCurrentRow(0);
        }
        EXPECT_TRUE(remove->isEnabled());
        remove->click();
        return shown.result();
    });
    choosePreset(Palette::RemovePresetItem);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(palette->enhancePresets().isEmpty());
    EXPECT_EQ(popUp->count(), Palette::kFirstPresetItem);
    EXPECT_EQ(popUp->currentIndex(), 0);

    // Cancel changes nothing.
    palette->setEnhancePresets({QVariantMap{{str(kPresetNameKey), str("Kept")}}});
    ModalAlert::ScopedDialogResponder cancel([](QDialog& shown) {
        shown.findChild<QListWidget*>(str("_removePresetTable"))->setCurrentRow(0);
        shown.findChild<QPushButton*>(str("_removePresetCancelButton"))->click();
        return shown.result();
    });
    choosePreset(Palette::RemovePresetItem);
    EXPECT_EQ(palette->enhancePresets().size(), 1);
}

TEST_F(PixelAdjusterTest, ALiveDragIsOneUndoStepAndUndoActsOnTheDocument) {
    addPhotos(1);
    select({0});
    drainEvents();
    undo().removeAllActions();
    setLivePreview(true);
    EXPECT_FALSE(control<QPushButton>("_applyButton")->isEnabled());
    FractionSlider* brightness = slider("_brightnessSlider");
    dragSlider(brightness, {110, 125, 140, 150});
    drainEvents();
    EXPECT_NEAR(attribute(kCatalogAttrBrightness, 0), 1.5f, 0.011f);
    EXPECT_EQ(field("_brightnessField")->text(), QString::number(brightness->value() - 100));

    // Undo from the menu while the palette is the key window.
    QApplication::setActiveWindow(palette->window());
    MainWindowTracker::sharedTracker().update();
    drainEvents();
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window()));
    QAction undoItem;
    Commands::setItemAction(&undoItem, str("undo:"));
    ASSERT_TRUE(Commands::sendAction(&undoItem));
    drainEvents();
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrBrightness, 0), 1.0f);
    EXPECT_FALSE(undo().canUndo());
    EXPECT_EQ(field("_brightnessField")->text(), str("0"));

    // The close command beeps and leaves the palette and the catalog window open.
    const int beeps = ModalAlert::beepCount();
    QAction closeItem;
    Commands::setItemAction(&closeItem, str("performClose:"));
    ASSERT_TRUE(Commands::sendAction(&closeItem));
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    EXPECT_TRUE(palette->window()->isVisible());
    EXPECT_TRUE(window()->isVisible());
    EXPECT_TRUE(palette->isActivated());
}
