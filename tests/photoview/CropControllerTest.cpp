#include "photoview/CropController.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "support/TestHome.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

UserDefaults& defaults() {
    return UserDefaults::standardUserDefaults();
}

QVariantMap info(const Rect& crop, const Rect& photo) {
    return {{qs(kCropInfoImageRectKey), stringFromRect(photo)},
            {qs(kCropInfoCropRectKey), stringFromRect(crop)},
            {qs(kCropInfoConstraintRatioKey), 0.0f},
            {qs(kCropInfoConstraintTagKey), 0}};
}

QVariantMap preset(const char* name, QVariantMap values = {}) {
    values.insert(qs(kCropPresetNameKey), qs(name));
    return values;
}

// Counts the palette's notifications by name.
class Posts {
public:
    explicit Posts(const CropController& palette) {
        NotificationCenter::defaultCenter().addObserver(
            this, QString(), static_cast<const QObject*>(&palette),
            [this](const Notification& n) { names.append(n.name()); });
    }
    ~Posts() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count(const char* name) const { return int(names.count(qs(name))); }
    QStringList names;
};

bool itemEnabled(QComboBox* popUp, int index) {
    auto* model = qobject_cast<QStandardItemModel*>(popUp->model());
    return model && model->item(index)->isEnabled();
}

} // namespace

class CropControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* key : {kCropPresetsKey, kCropPresetsInitedKey, "NSDecimalSeparator"})
            defaults().removeObjectForKey(qs(key));
        ModalAlert::setResponder({});
        ModalAlert::setDialogResponder({});
        palette = std::make_unique<CropController>();
    }
    void TearDown() override {
        palette.reset();
        ModalAlert::setResponder({});
        ModalAlert::setDialogResponder({});
        defaults().removeObjectForKey(qs("NSDecimalSeparator"));
    }

    // The user picks the item of the pop-up.
    void choose(QComboBox* popUp, int index) {
        popUp->setCurrentIndex(index);
        Q_EMIT popUp->activated(index);
    }
    void useOnly(const QVariantList& presets) {
        defaults().setObjectForKey(qs("YES"), qs(kCropPresetsInitedKey));
        palette->setCropPresets(presets);
    }
    QStringList names() {
        QStringList list;
        for (const QVariant& p : palette->cropPresets())
            list.append(p.toMap().value(qs(kCropPresetNameKey)).toString());
        return list;
    }

    TestHome home;
    std::unique_ptr<CropController> palette;
};

TEST_F(CropControllerTest, FirstUseSeedsTheFiveBuiltInsOnlyOnce) {
    const QVariantList presets = palette->cropPresets();
    ASSERT_EQ(presets.size(), 5);
    const double scales[] = {0.866, 0.816, 0.7071, 0.577, 0.5};
    for (int i = 0; i < 5; ++i) {
        const QVariantMap p = presets[i].toMap();
        const QString name = localizedString(qs("CROP_PRESET_NAME%1").arg(i + 1).toUtf8());
        EXPECT_NE(name, qs("CROP_PRESET_NAME%1").arg(i + 1));
        EXPECT_EQ(p.value(qs(kCropPresetNameKey)).toString(), name);
        EXPECT_NEAR(p.value(qs(kCropPresetXScaleKey)).toDouble(), scales[i], 1e-6);
        EXPECT_NEAR(p.value(qs(kCropPresetYScaleKey)).toDouble(), scales[i], 1e-6);
        EXPECT_EQ(p.size(), 3);
    }
    EXPECT_EQ(defaults().objectForKey(qs(kCropPresetsInitedKey)).toString(), qs("YES"));
    // The window's menu shows them after its four fixed items.
    EXPECT_EQ(palette->presetPopUp()->count(), CropController::kFirstPresetItem + 5);
    EXPECT_EQ(palette->presetPopUp()->itemText(4),
              presets[0].toMap().value(qs(kCropPresetNameKey)));

    // All removed: they stay removed, also for a palette made later.
    palette->setCropPresets({});
    EXPECT_TRUE(palette->cropPresets().isEmpty());
    CropController later;
    EXPECT_EQ(later.presetPopUp()->count(), CropController::kFirstPresetItem);
}

TEST_F(CropControllerTest, StoredItemsThatAreNoNamedPresetsAreSkipped) {
    defaults().setObjectForKey(qs("YES"), qs(kCropPresetsInitedKey));
    defaults().setObjectForKey(QVariantList{qs("loose text"), preset("A"), QVariantMap{},
                                            QVariantMap{{qs(kCropPresetNameKey), 7}}, preset("B")},
                               qs(kCropPresetsKey));
    palette->buildCropPresetsMenu();
    EXPECT_EQ(names(), (QStringList{qs("A"), qs("B")}));
    EXPECT_EQ(palette->presetPopUp()->count(), CropController::kFirstPresetItem + 2);
    palette->presetPopUp()->setCurrentIndex(5);
    EXPECT_EQ(palette->selectedPreset().value(qs(kCropPresetNameKey)).toString(), qs("B"));
}

TEST_F(CropControllerTest, TheSizeFieldShowsPixelsAndPercentages) {
    const struct {
        Rect crop;
        const char* separator;
        const char* text;
    } cases[] = {
        {{0, 0, 612.7f, 408.2f}, nullptr, "612 x 408\n50.1% x 50%"},
        {{0, 0, 612.7f, 408.2f}, ",", "612 x 408\n50,1% x 50%"},
        {{10, 20, 1224, 816}, nullptr, "1224 x 816\n100% x 100%"},
        {{5, 5, 306, 204}, nullptr, "306 x 204\n25% x 25%"},
    };
    useOnly({preset("A")});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.separator)
            defaults().setObjectForKey(qs(c.separator), qs("NSDecimalSeparator"));
        else
            defaults().removeObjectForKey(qs("NSDecimalSeparator"));
        palette->setCropInfo(info(c.crop, {0, 0, 1224, 816}));
        EXPECT_EQ(palette->cropSizeField()->text(), qs(c.text));
        EXPECT_TRUE(itemEnabled(palette->presetPopUp(), CropController::AddPresetItem));
        EXPECT_TRUE(itemEnabled(palette->presetPopUp(), CropController::RemovePresetItem));
    }
    // No crop: the message, and nothing to add.
    palette->setCropInfo(info(kZeroRect, {0, 0, 1224, 816}));
    EXPECT_EQ(palette->cropSizeField()->text(), localizedString(qs("NO_CROP")));
    EXPECT_NE(localizedString(qs("NO_CROP")), qs("NO_CROP"));
    EXPECT_FALSE(itemEnabled(palette->presetPopUp(), CropController::AddPresetItem));
    // Without presets there is nothing to remove.
    palette->setCropPresets({});
    palette->setCropInfo(info({0, 0, 10, 10}, {0, 0, 100, 100}));
    EXPECT_FALSE(itemEnabled(palette->presetPopUp(), CropController::RemovePresetItem));
}

TEST_F(CropControllerTest, ASelectedPresetStaysWhileItDescribesTheCrop) {
    const Rect photo{0, 0, 1000, 800};
    const QVariantMap half{{qs(kCropPresetXScaleKey), 0.5}, {qs(kCropPresetYScaleKey), 0.5}};
    const QVariantMap pixels{{qs(kCropPresetXPixelsKey), 300.0},
                             {qs(kCropPresetYPixelsKey), 200.0},
                             {qs(kCropPresetXPositionAbsKey), 200.4},
                             {qs(kCropPresetYPositionAbsKey), 299.6}};
    const QVariantMap placed{{qs(kCropPresetXPositionRelKey), 0.25},
                             {qs(kCropPresetYPositionRelKey), 0.75}};
    const struct {
        const char* what;
        QVariantMap values;
        Rect crop;
        bool valid;
    } cases[] = {
        {"relative size, anywhere", half, {0, 0, 500.9f, 399.2f}, true},
        {"relative size, elsewhere", half, {480, 390, 500, 400}, true},
        {"relative size, a unit too wide", half, {0, 0, 501, 400}, false},
        {"no crop", half, kZeroRect, false},
        {"size and rounded place", pixels, {50.5f, 200.5f, 299.4f, 198.9f}, true},
        {"size and place, moved", pixels, {52, 200, 300, 200}, false},
        {"place only", placed, {240, 590, 20, 20}, true},
        {"place only, off", placed, {240, 620, 20, 20}, false},
        {"neither size nor place", {}, {0, 0, 1000, 800}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        useOnly({preset("P", c.values)});
        palette->presetPopUp()->setCurrentIndex(CropController::kFirstPresetItem);
        Posts posts(*palette);
        palette->setCropInfo(info(c.crop, photo));
        EXPECT_EQ(palette->presetPopUp()->currentIndex(),
                  c.valid ? CropController::kFirstPresetItem : CropController::NoPresetItem);
        EXPECT_EQ(posts.count(kCropPresetInvalidatedNofity), c.valid ? 0 : 1);
    }
}

TEST_F(CropControllerTest, ChoosingAConstraintResetsThePresetWithoutApplyingOne) {
    useOnly({preset("A", {{qs(kCropPresetXScaleKey), 0.5}, {qs(kCropPresetYScaleKey), 0.5}})});
    Posts posts(*palette);
    choose(palette->presetPopUp(), CropController::kFirstPresetItem);
    EXPECT_EQ(posts.count(kCropPresetsChangedNofity), 1);
    QComboBox* constraint = palette->constraintPopUp();
    const int square = constraint->findData(-2);
    ASSERT_GE(square, 0);
    choose(constraint, square);
    EXPECT_EQ(palette->constraintTag(), -2);
    EXPECT_FLOAT_EQ(palette->constraintRatio(), 1.0f);
    EXPECT_EQ(palette->presetPopUp()->currentIndex(), CropController::NoPresetItem);
    EXPECT_EQ(posts.count(kCropPanelConstraintChangedNofity), 1);
    EXPECT_EQ(posts.count(kCropPresetsChangedNofity), 1);
    // Setting the tag from outside posts nothing.
    palette->setConstraintTag(13);
    EXPECT_EQ(constraint->currentData().toInt(), 13);
    EXPECT_FLOAT_EQ(palette->constraintRatio(), 1.5f);
    EXPECT_EQ(posts.names.size(), 2);
}

TEST_F(CropControllerTest, EveryTagHasItsRatioAndItsItem) {
    const std::pair<int, float> cases[] = {{-2, 1.0f},    {-1, -1.0f},  {0, 0.0f},    {1, 0.75f},
                                           {2, 0.8f},     {3, 2 / 3.f}, {4, 5 / 7.f}, {5, 0.8f},
                                           {11, 4 / 3.f}, {12, 1.25f},  {13, 1.5f},   {14, 1.4f},
                                           {15, 1.25f},   {6, 0.0f},    {99, 0.0f}};
    for (const auto& [tag, ratio] : cases) {
        SCOPED_TRACE(tag);
        EXPECT_FLOAT_EQ(CropController::calcRatioFromTag(tag), ratio);
        if (ratio != 0 || tag == 0) {
            EXPECT_GE(palette->constraintPopUp()->findData(tag), 0);
        }
    }
}

TEST_F(CropControllerTest, ANameTakenInAnyCaseIsRefusedAndTheDialogStaysAsItWas) {
    useOnly({preset("square")});
    palette->setCropInfo(info({0, 0, 100, 100}, {0, 0, 400, 400}));
    QStringList typed{qs("Square"), qs("Square 2")};
    QList<bool> constraintShown;
    ModalAlert::ScopedDialogResponder dialogs([&](QDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>(qs("name"));
        auto* constraint = dialog.findChild<QCheckBox*>(qs("constraintSwitch"));
        constraintShown.append(constraint->isChecked());
        constraint->setChecked(true);
        name->setText(typed.takeFirst());
        return int(QDialog::Accepted);
    });
    QList<ModalAlert::Request> alerts;
    ModalAlert::ScopedResponder answer([&](const ModalAlert::Request& request) {
        alerts.append(request);
        return int(ModalAlert::DefaultReturn);
    });
    choose(palette->presetPopUp(), CropController::AddPresetItem);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].title, localizedString(qs("DUP_NAME")));
    EXPECT_TRUE(alerts[0].message.contains(qs("Square")));
    // The second run found the switch as the first left it.
    EXPECT_EQ(constraintShown, (QList<bool>{false, true}));
    EXPECT_EQ(names(), (QStringList{qs("square"), qs("Square 2")}));
    // The new preset is selected, not applied.
    EXPECT_EQ(palette->presetPopUp()->currentText(), qs("Square 2"));
    EXPECT_TRUE(palette->isVisible());
}

TEST_F(CropControllerTest, AnAddedPresetHoldsExactlyTheKeysOfItsSwitches) {
    const Rect photo{0, 0, 400, 300};
    const Rect crop{100, 50, 200, 100};
    const struct {
        bool sizeAbsolute;
        bool position;
        bool positionAbsolute;
        bool constraint;
        QVariantMap expected;
    } cases[] = {
        {false,
         false,
         false,
         false,
         {{qs(kCropPresetXScaleKey), 0.5}, {qs(kCropPresetYScaleKey), 1 / 3.0}}},
        {true,
         false,
         false,
         false,
         {{qs(kCropPresetXPixelsKey), 200.0}, {qs(kCropPresetYPixelsKey), 100.0}}},
        {false,
         true,
         false,
         false,
         {{qs(kCropPresetXScaleKey), 0.5},
          {qs(kCropPresetYScaleKey), 1 / 3.0},
          {qs(kCropPresetXPositionRelKey), 0.5},
          {qs(kCropPresetYPositionRelKey), 1 / 3.0}}},
        {true,
         true,
         true,
         true,
         {{qs(kCropPresetXPixelsKey), 200.0},
          {qs(kCropPresetYPixelsKey), 100.0},
          {qs(kCropPresetXPositionAbsKey), 200.0},
          {qs(kCropPresetYPositionAbsKey), 100.0},
          {qs(kCropPresetConstraintKey), 11}}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        useOnly({});
        palette->setConstraintTag(11);
        palette->setCropInfo(info(crop, photo));
        const QString name = qs("preset %1").arg(n++);
        ModalAlert::ScopedDialogResponder dialogs([&](QDialog& dialog) {
            // The size cannot be switched off, and OK waits for a name.
            auto* size = dialog.findChild<QCheckBox*>(qs("sizeSwitch"));
            size->setChecked(false);
            EXPECT_TRUE(size->isChecked());
            auto* ok = dialog.findChild<QPushButton*>(qs("ok"));
            EXPECT_FALSE(ok->isEnabled());
            dialog.findChild<QLineEdit*>(qs("name"))->setText(name);
            EXPECT_TRUE(ok->isEnabled());
            if (c.sizeAbsolute)
                dialog.findChild<QRadioButton*>(qs("sizeAbsolute"))->setChecked(true);
            auto* position = dialog.findChild<QCheckBox*>(qs("positionSwitch"));
            EXPECT_FALSE(dialog.findChild<QRadioButton*>(qs("positionAbsolute"))->isEnabled());
            position->setChecked(c.position);
            if (c.positionAbsolute)
                dialog.findChild<QRadioButton*>(qs("positionAbsolute"))->setChecked(true);
            dialog.findChild<QCheckBox*>(qs("constraintSwitch"))->setChecked(c.constraint);
            ok->click();
            return dialog.result();
        });
        choose(palette->presetPopUp(), CropController::AddPresetItem);
        const QVariantList stored = defaults().arrayForKey(qs(kCropPresetsKey));
        ASSERT_EQ(stored.size(), 1);
        QVariantMap expected = c.expected;
        expected.insert(qs(kCropPresetNameKey), name);
        const QVariantMap added = stored[0].toMap();
        EXPECT_EQ(added.keys(), expected.keys());
        for (const QString& key : expected.keys())
            if (key != qs(kCropPresetNameKey)) {
                EXPECT_NEAR(added.value(key).toDouble(), expected.value(key).toDouble(), 1e-6)
                    << key.toStdString();
            }
        EXPECT_EQ(added.value(qs(kCropPresetNameKey)).toString(), name);
    }
}

TEST_F(CropControllerTest, RemovingAsksFirstAndCancelGoesBackToTheList) {
    useOnly({preset("A"), preset("B"), preset("C")});
    palette->presetPopUp()->setCurrentIndex(5);
    Q_EMIT palette->presetPopUp()->activated(5);
    int runs = 0;
    ModalAlert::ScopedDialogResponder dialogs([&](QDialog& dialog) {
        auto* table = dialog.findChild<QListWidget*>(qs("presetTable"));
        auto* remove = dialog.findChild<QPushButton*>(qs("remove"));
        EXPECT_EQ(table->count(), 3);
        // Nothing is selected when the dialog opens; Remove waits for a row.
        if (runs++ == 0) {
            EXPECT_TRUE(table->selectedItems().isEmpty());
            EXPECT_FALSE(remove->isEnabled());
        }
        table->item(1)->setSelected(true);
        EXPECT_TRUE(remove->isEnabled());
        return int(QDialog::Accepted);
    });
    QList<int> answers{ModalAlert::DefaultReturn, ModalAlert::AlternateReturn};
    QList<ModalAlert::Request> alerts;
    ModalAlert::ScopedResponder answer([&](const ModalAlert::Request& request) {
        alerts.append(request);
        return answers.takeFirst();
    });
    choose(palette->presetPopUp(), CropController::RemovePresetItem);
    EXPECT_EQ(runs, 2);
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[0].defaultButton, localizedString(qs("CANCEL")));
    EXPECT_TRUE(alerts[0].message.contains(qs("B")));
    EXPECT_EQ(names(), (QStringList{qs("A"), qs("C")}));
    EXPECT_EQ(palette->presetPopUp()->currentIndex(), CropController::NoPresetItem);

    // Cancelled: the selection before the dialog comes back.
    palette->presetPopUp()->setCurrentIndex(4);
    Q_EMIT palette->presetPopUp()->activated(4);
    ModalAlert::ScopedDialogResponder cancel([](QDialog&) { return int(QDialog::Rejected); });
    choose(palette->presetPopUp(), CropController::RemovePresetItem);
    EXPECT_EQ(palette->presetPopUp()->currentIndex(), 4);
    EXPECT_EQ(names().size(), 2);
}

TEST_F(CropControllerTest, ThePaletteNeverTakesTheKeyboardAndOnlyTheCloseBoxPosts) {
    QWidget* window = palette->window();
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(window->windowFlags() & Qt::Tool);
    Posts posts(*palette);
    palette->showWindow();
    EXPECT_TRUE(palette->isVisible());
    palette->close();
    EXPECT_FALSE(palette->isVisible());
    EXPECT_EQ(posts.count(kCropPanelClosedNofity), 0);
    palette->showWindow();
    window->close();
    EXPECT_EQ(posts.count(kCropPanelClosedNofity), 1);
}

TEST_F(CropControllerTest, OnlyTheUsersMoveKeepsThePaletteWhereItIs) {
    palette->showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(palette->window()));
    const int height = palette->window()->frameGeometry().height();
    palette->setOrigin({100, 500});
    QCoreApplication::processEvents();
    EXPECT_EQ(palette->window()->frameGeometry().topLeft(), QPoint(100, 500 - height));
    palette->setOrigin({140, 520});
    QCoreApplication::processEvents();
    EXPECT_FALSE(palette->movedByUser());
    EXPECT_EQ(palette->window()->frameGeometry().topLeft(), QPoint(140, 520 - height));
    // The user drags it elsewhere: later placements leave it there.
    palette->window()->move(300, 200);
    QCoreApplication::processEvents();
    EXPECT_TRUE(palette->movedByUser());
    palette->setOrigin({10, 400});
    QCoreApplication::processEvents();
    EXPECT_EQ(palette->window()->frameGeometry().topLeft(), QPoint(300, 200));
}
