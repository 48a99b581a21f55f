// Built against Formwell alone: every name here must come from the framework.
#include "framework/model/TMUtilities.h"

#include "platform/foundation/UserDefaults.h"

#include <QLabel>
#include <gtest/gtest.h>

TEST(TMUtilities, GeometryNames) {
    EXPECT_EQ(TMScaleSizeToFit({400, 300}, {1000, 100}), Size({133, 99.75f}));
    EXPECT_EQ(TMScaleSizeToFit({300, 400}, {500, 500}), Size({300, 400}));
    EXPECT_EQ(TMCenterRectInRect({0, 0, 10, 20}, {0, 0, 100, 50}), Rect(45, 15, 10, 20));
    EXPECT_EQ(TMCenterRectOnPoint({7, 7, 10, 4}, {0, 0}), Rect(-5, -2, 10, 4));
    EXPECT_EQ(TMRectFromPoints({10, 20}, {5, 30}), Rect(5, 20, 5, 10));
    EXPECT_EQ(TMBindRectInRect({-10, 0, 200, 50}, {0, 0, 100, 100}), Rect(-90, 0, 200, 50));
    EXPECT_EQ(TMMapRect({10, 10, 100, 50}, {0, 0, 200, 200}, {60, 35, 10, 5}),
              Rect(100, 100, 20, 20));
    EXPECT_EQ(TMMapPoint({10, 10, 100, 50}, {0, 0, 200, 200}, {60, 35}), Point({100, 100}));
    EXPECT_EQ(TMRotateRectRight90({10, 20, 30, 40}, {0, 0, 100, 100}), Rect(20, 60, 40, 30));
    EXPECT_EQ(TMRotateRectLeft90({10, 20, 30, 40}, {0, 0, 100, 100}), Rect(40, 10, 40, 30));
}

TEST(TMUtilities, VersionNames) {
    EXPECT_EQ(TM_EncodeVersion(QStringLiteral("2.17.3")), 0x2F3);
    EXPECT_EQ(TM_EncodeVersion(QStringLiteral("1.2.3.4")), 0);
    EXPECT_EQ(TM_DecodeVersion(0x2F3), QStringLiteral("2.15.3"));
}

TEST(TMUtilities, ImageTextAndControlNames) {
    QImage pixels(4, 2, QImage::Format_ARGB32);
    pixels.fill(Qt::white);
    pixels.setPixel(0, 0, qRgb(255, 0, 0));
    const Image image(pixels);
    EXPECT_EQ(TMFlipImage(image).pixels().pixel(0, 1), qRgb(255, 0, 0));
    const Image turned = TMQuadRotateImage(image, 90);
    EXPECT_EQ(turned.size(), Size({2, 4}));
    EXPECT_EQ(turned.pixels().pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_TRUE(TMFlipImage(Image()).isNull());

    UserDefaults::standardUserDefaults().setObjectForKey(QStringLiteral(","),
                                                         QStringLiteral("NSDecimalSeparator"));
    EXPECT_EQ(TM_LocalizeDecimalString(QStringLiteral("1.5")), QStringLiteral("1,5"));

    QLabel label;
    TM_EnableControlText(&label, false);
    EXPECT_TRUE(label.testAttribute(Qt::WA_SetPalette));
    EXPECT_TRUE(label.isEnabled());
}
