#pragma once

#include "framework/model/TMObject.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <memory>

class ColorWell;
class Font;
class ModePaletteWindow;
class Notification;
class UndoManager;
class PhotoView;
class QComboBox;
class QPushButton;
class QStackedWidget;
class QTimer;
class QWidget;

// Posted by the caption palette (object: the palette) when the user closed it
// or it closed itself because the user went to work in another window.
inline constexpr char kCaptionPanelClosedNofity[] = "CaptionPanelClosedNofity";

// The shared palette of caption mode: font family, typeface and size, text and
// fill colour, balloon shape, tail style and quarter turns of the one selected
// caption of the photograph panel that opened it. Each change is one undoable
// step of that panel's document. With none or several captions selected it
// shows a placeholder instead.
//
// Every quarter second it checks where the user works: while neither the
// palette, the panel's window, the colour panel nor the caption text sheet is
// active it closes, which ends caption mode in every catalog window.
class CaptionController : public QObject {
    Q_OBJECT

public:
    enum Content { NoSelection = 0, Properties = 1, MultiSelection = 2 };
    static constexpr int kHeartbeatMilliseconds = 250;

    static CaptionController* sharedCaptionController();
    CaptionController();
    ~CaptionController() override;

    QWidget* window() const;
    // Shows the palette for the panel's captions.
    void showWindow(PhotoView* associatedView);
    // Closes it without posting.
    void close();
    bool isVisible() const;
    void setOrigin(QPoint frameBottomLeft);

    // Held weakly: when the panel goes, the palette closes without posting.
    PhotoView* associatedView() const { return _associatedView; }
    void setSelection(const QList<TMObjectRef>& captions);
    TMObjectRef currentCaption() const { return _currentCaption; }
    bool multiSelection() const { return _multiSelection; }
    Content content() const;
    void updateDisplayedInfo();

    QComboBox* fontFamilyPopUp() const { return _fontFamilyPopUp; }
    QComboBox* fontTypefacePopUp() const { return _fontTypefacePopUp; }
    QComboBox* fontSizeComboBox() const { return _fontSizeComboBox; }
    QComboBox* basicShapePopUp() const { return _basicShapePopUp; }
    QComboBox* tailStylePopUp() const { return _tailStylePopUp; }
    ColorWell* textColorWell() const { return _textColorWell; }
    ColorWell* fillColorWell() const { return _fillColorWell; }
    QPushButton* rotateRightButton() const { return _rotateRightButton; }
    QPushButton* rotateLeftButton() const { return _rotateLeftButton; }

    // The user's changes.
    void familyChanged();
    void typefaceChanged();
    void sizeChanged();
    void textColorChanged();
    void fillColorChanged();
    void shapeChanged();
    void tailStyleChanged();
    void rotateRight();
    void rotateLeft();

    // Closes the palette when the user works elsewhere.
    void heartbeat();

private:
    void buildWindow();
    void windowWillClose();
    void captionObjectChanged(const Notification& notification);
    void setCurrentCaption(const TMObjectRef& caption);
    UndoManager* undoManager() const;
    // Shows the change and names the step.
    void changeMade();
    void setFont(const Font& font);
    void rotateBy(float degrees);

    std::unique_ptr<ModePaletteWindow> _window;
    bool _closedFromUser = false;
    TMObjectRef _currentCaption;
    bool _multiSelection = false;
    QStackedWidget* _content = nullptr;
    QComboBox* _fontFamilyPopUp = nullptr;
    QComboBox* _fontTypefacePopUp = nullptr;
    QComboBox* _basicShapePopUp = nullptr;
    QComboBox* _tailStylePopUp = nullptr;
    QComboBox* _fontSizeComboBox = nullptr;
    ColorWell* _textColorWell = nullptr;
    ColorWell* _fillColorWell = nullptr;
    QPushButton* _rotateRightButton = nullptr;
    QPushButton* _rotateLeftButton = nullptr;
    QTimer* _heartbeatTimer = nullptr;
    QPointer<PhotoView> _associatedView;
    bool _updating = false;
};
