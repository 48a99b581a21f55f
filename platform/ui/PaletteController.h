#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/ui/FloatingPalette.h"

#include <QCoreApplication>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

class QWidget;

// A shared floating palette over one tool window. It remembers whether the user
// wants it (activate sets that, the user closing the window clears it, hiding
// keeps it), goes to its default place the first time it is activated and on
// "ResetAllPalettes", and shows only while it has a document to serve.
//
// The shared palettes live as long as the application object: make them only
// while one exists.
class LUMISK_PLATFORM_EXPORT PaletteController : public FloatingPalette {
public:
    ~PaletteController() override;
    PaletteController(const PaletteController&) = delete;
    PaletteController& operator=(const PaletteController&) = delete;

    void activate() override;
    void hide() override;
    bool isActivated() const override;
    void resetPosition(const Notification& notification) override;
    // A palette serves the documents of one kind of window. When such a window
    // becomes main, the palette takes its document and comes back if wanted; when
    // it gives that up, the palette lets the document go and hides.
    void mainWindowChanged(const Notification& notification) override;
    void mainWindowResigned(const Notification& notification) override;

    // Closes the window as its close box does.
    void close();
    QWidget* window() const;
    // The document of the main window the palette serves, or null.
    const void* followedDocument() const { return _followedDocument; }

    // The defaults key under which the window's frame is kept whenever it
    // moves or is placed, and from which activate places it the first time;
    // empty (the default): not kept.
    void setFrameAutosaveName(const QString& key);
    QString frameAutosaveName() const { return _frameAutosaveName; }

    // The main screen's area without panels, in screen coordinates (y down).
    static QRect mainScreenVisibleFrame();

protected:
    PaletteController(const QString& name, const QSize& size);

    // The top-left corner of the window's frame when nothing else places it.
    virtual QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const = 0;
    // Whether activate brings the window up now: while there is a document to serve.
    virtual bool canShow() const;
    // The document of a window of the kind this palette serves; null for any other
    // window. No such windows are known at this level.
    virtual const void* documentOfWindow(const void* window) const;
    // The window is closing: the user no longer wants the palette.
    virtual void windowWillClose();
    // Whether the application's main window now is one the palette serves.
    bool servesMainWindow() const;
    // Follows the windows that become and resign main, under this palette's
    // address as observer; the window main now counts as just become main.
    void observeMainWindows();

    void placeAtDefaultOrigin();

    // The one instance of a shared palette, made on first use and deleted as the
    // application object goes away. Palettes make this class a friend.
    template <class T> static T* sharedInstance() {
        static T* instance = nullptr;
        if (!instance) {
            instance = new T;
            qAddPostRoutine([] {
                delete instance;
                instance = nullptr;
            });
        }
        return instance;
    }

private:
    class Window;

    std::unique_ptr<Window> _window;
    bool _activated = false;
    bool _placed = false;
    QString _frameAutosaveName;
    void saveFrame();
    bool placeAtSavedFrame();
    const void* _followedDocument = nullptr;
};
