#include "PrintFixture.h"

#include "platform/system/ScriptCommand.h"

namespace {

const QList<Area> kCell{{10, 10, 100, 150}};

class ScriptedPrint : public PrintFixture {
protected:
    QString run(const char* name, const QVariantMap& arguments = {}) {
        ScriptCommand command(str(name), arguments);
        document->scriptCommands().dispatch(command);
        drainEvents();
        return command.errorString();
    }
};

} // namespace

TEST_F(ScriptedPrint, PrintWithoutArgumentsShowsThePrintPanel) {
    useTemplate("panel", {300, 200}, kCell);
    addPhotos({Qt::red});
    const QString pdf = pdfPath("scripted.pdf");
    ModalAlert::ScopedDialogResponder responder(panel(pdf));
    EXPECT_EQ(run("Print"), QString());
    ASSERT_TRUE(waitForPrintEnd());
    EXPECT_EQ(panelsShown, 1);
    EXPECT_EQ(pdfInfo(pdf).first, 1);
    // Resolution 0: no page became a bitmap.
    for (const QSize& image : pdfImageSizes(pdf))
        EXPECT_NE(image, QSize(625, 417));
}
