#pragma once

#include "framework/FormwellExport.h"
#include "platform/archiving/Archivable.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/ShadowValue.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class Document;
class QWidget;
class TemplateImageSource;
class UndoManager;
class View;

// Posted (as soon as possible, coalesced) with the changed object as sender.
// Observers register with the object's address as a const TMObject*.
inline constexpr char kTemplateObjectChangedNofity[] = "TemplateObjectChangedNofity";

// Keys of the representation and geometry dictionaries.
inline constexpr char kKindKey[] = "kind";
inline constexpr char kCenterKey[] = "center";
inline constexpr char kOriginKey[] = "origin";
inline constexpr char kSizeKey[] = "size";
inline constexpr char kRotationKey[] = "rot";
inline constexpr char kControlLockKey[] = "control_lock";
inline constexpr char kSizeLockKey[] = "size_lock";
inline constexpr char kRotationLockKey[] = "rotation_lock";
inline constexpr char kShadowEnabledKey[] = "shadow_en";
inline constexpr char kUniqueIDKey[] = "uid";
inline constexpr char kShadowKey[] = "shadow";
inline constexpr char kPointXKey[] = "x";
inline constexpr char kPointYKey[] = "y";
inline constexpr char kSizeWidthKey[] = "width";
inline constexpr char kSizeHeightKey[] = "height";

// Localization keys of the framework's bundle.
inline constexpr char kPhotoWidthKey[] = "PHOTO_WIDTH";
inline constexpr char kPhotoHeightKey[] = "PHOTO_HEIGHT";
inline constexpr char kResizeActionKey[] = "RESIZE";
inline constexpr char kMoveActionKey[] = "MOVE";
inline constexpr char kRotationActionKey[] = "ROTATION";
inline constexpr char kObjectLockActionKey[] = "OBJECT_LOCK";
inline constexpr char kShadowActionKey[] = "SHADOW";

class TMObject;
using TMObjectRef = std::shared_ptr<TMObject>;

// The base of every page object of a template: centre, size and rotation
// with their locks, an optional drop shadow, a unique identifier, and the
// state that whoever draws or edits the object sets on it. Its representation
// dictionary is how page objects are stored and copied everywhere.
//
// Page objects are made by the class factories (or the registry by kind),
// which finish what the constructors cannot: the kind and the class's own
// default shadow. Each class registers itself under its kind with
// registerKind<T>() at library load.
class FORMWELL_EXPORT TMObject : public Archivable, public std::enable_shared_from_this<TMObject> {
public:
    // Every default; made ready by create<T>().
    TMObject();
    ~TMObject() override;
    TMObject(const TMObject&) = delete;
    TMObject& operator=(const TMObject&) = delete;

    // Class factories.
    static TMObjectRef newTemplateObject();
    static TMObjectRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    // Centre = origin + size / 2.
    static TMObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The page-object classes by kind (their class name).
    template <class T> static void registerKind(const QString& kind) {
        static_assert(std::is_base_of_v<TMObject, T>);
        ClassInfo info;
        info.name = kind;
        info.type = typeid(T);
        info.factory = [] { return std::static_pointer_cast<Archivable>(create<T>()); };
        ClassRegistry::shared().add(std::move(info));
        rememberPageObjectKind(kind);
    }
    // Whether the kind names a page-object class: other archivable classes
    // share the registry, and data from elsewhere may name any of them.
    static bool isPageObjectKind(const QString& kind);
    // A new object of the class registered for the kind; null for a kind that
    // is not a page-object class.
    static TMObjectRef newTemplateObjectOfKind(const QString& kind);
    static TMObjectRef newTemplateObjectOfKindWithRepresentation(const QString& kind,
                                                                 const QVariantMap& representation);

    // The knob that a mirror turns a knob 0 to 8 into.
    static int flipKnobHorizontal(int knob, bool horizontal);

    // Whether the representation is of the old generation, whose lengths are inches.
    static bool isOldGenerationRepresentation(const QVariantMap& representation);
    static QVariantMap dictionaryFromPoint(Point point);
    static QVariantMap dictionaryFromSize(Size size);
    static Point pointFromDictionary(const QVariant& value);
    static Size sizeFromDictionary(const QVariant& value);

    // Construction.
    virtual void initShadow();
    // Reads a representation into a newly made object; a subclass reads the
    // base's keys first, then its own where present.
    virtual void initWithRepresentation(const QVariantMap& representation);
    void initWithCenterSize(Point center, Size size);
    void initWithRect(const Rect& rect);

    virtual QVariantMap dictRepresentation() const;
    // What reading the representation had to leave out (a part that did not
    // decode, members of an unknown kind), for the reader to tell the user;
    // empty when the object read whole.
    virtual QStringList readProblems() const { return {}; }
    // A new object of the same class through the representation: same identifier.
    TMObjectRef copy() const;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;

    // Told that the object leaves its document.
    virtual void objectWillBeRemoved(Document* document);

    // Announces a change (coalesced per pass of the event loop) and invalidates.
    void changeMade();
    // Marks the object's visible frame in its last view for redrawing.
    void setNeedsDisplay();

    View* lastDrawnInView() const;
    // Takes null or a view; anything else is ignored.
    void setLastDrawnInView(QObject* view);

    Document* parentDocument() const;
    virtual void setParentDocument(Document* document);
    TemplateImageSource* imageSource() const { return _imageSource; }
    void setImageSource(TemplateImageSource* source) { _imageSource = source; }
    float destinationDPI() const { return float(_destinationDPI); }
    // Truncated toward zero.
    void setDestinationDPI(float dpi);
    float zoomFactor() const { return _zoomFactor; }
    void setZoomFactor(float zoom) { _zoomFactor = zoom; }

    // Geometry.
    void assertViewBounds();
    virtual QVariantMap geometry() const;
    virtual void setGeometry(const QVariantMap& geometry);
    virtual void moveBy(Point delta);
    Point center() const { return _center; }
    virtual void setAbsoluteCenter(Point center);
    virtual void setCenter(Point center);
    virtual Point controlPt(int index) const;
    virtual void setControlPtTo(int index, Point point);
    Size size() const { return _size; }
    virtual void setAbsoluteSize(Size size);
    virtual void setSize(Size size);
    virtual Rect frame() const;
    virtual Rect encapsulatingFrame() const;
    virtual Rect visibleFrame() const;
    void setFrame(const Rect& rect);
    virtual void setFrameCornersFromTo(Point from, Point to);
    virtual bool createInSegments() const { return false; }
    virtual void nextSegment(Point point);
    virtual void endSegment(Point point);
    float rotation() const { return _rotation; }
    virtual void setAbsoluteRotation(float rotation);
    virtual void setRotation(float rotation);

    // Locks.
    virtual bool supportsControlPtLock() const { return true; }
    virtual bool supportsSizeLock() const { return true; }
    virtual bool supportsRotationLock() const { return true; }
    virtual bool supportsRotation() const { return true; }
    int32_t lockedControlPtMask() const { return _lockedControlPtMask; }
    void setLockedControlPtMask(int32_t mask);
    int32_t lockedSizeMask() const { return _lockedSizeMask; }
    virtual void setLockedSizeMask(int32_t mask);
    bool rotationLocked() const { return _rotationLocked; }
    virtual void setRotationLocked(bool locked);

    // Shadow. shadowEnabled answers a boolean on a system with shadows, and
    // an invalid QVariant on one without.
    virtual void setShadowEnabled(bool enabled);
    QVariant shadowEnabled() const;
    virtual void setShadow(const std::optional<ShadowValue>& shadow);
    const std::optional<ShadowValue>& shadow() const { return _shadow; }
    bool supportsShadow() const;
    // Makes the shadow the current one for the drawing that follows.
    void applyShadow() const;

    // Paths. The factor turns by factor times the rotation about the centre:
    // 1 from the object's own frame onto the page, -1 back.
    Point rotatePointOnCenterMagnitude(Point point, float factor) const;
    // The unrotated shape around the origin.
    virtual BezierPath basicShape() const;
    virtual BezierPath path() const;

    // The name of the inspector class of this kind of object; the base and
    // groups answer the base, which has no inspector.
    virtual QString objectControllerClass() const { return QStringLiteral("TMObjectController"); }

    // What subclasses are.
    virtual bool isPhotoObject() const { return false; }
    virtual int32_t photoNumber() const { return 0; }
    virtual void setPhotoNumber(int32_t number);
    virtual bool isEditableTextObject() const { return false; }
    virtual int32_t editableTextNumber() const { return 0; }
    virtual bool isPropertyObject() const { return false; }
    virtual void setEditableTextNumber(int32_t number);
    QString uniqueID() const { return _uniqueID; }
    void setUniqueID(const QString& uniqueID) { _uniqueID = uniqueID; }
    virtual bool supportsLineJoin() const { return true; }
    virtual bool supportsLineCap() const { return true; }
    virtual bool supportsSharedIamges() const { return false; }
    virtual QString sharedImageRef() const { return {}; }
    virtual void setSharedImageRef(const QString& reference);

    // Editor state.
    bool selected() const { return _drawingThumbnail ? false : _selected; }
    virtual void setSelected(bool selected);
    bool inCreation() const { return _inCreation; }
    virtual void setInCreation(bool inCreation);
    bool inResize() const { return _inResize; }
    virtual void setInResize(bool inResize);
    virtual void doubleClicked();
    QString kind() const { return _kind; }

    // Knobs 1 to 8 on the unrotated rectangle; bit 2^n of the mask shows knob n.
    float knobWidth() const { return 8 * _zoomFactor; }
    float halfKnobWidth() const { return 4 * _zoomFactor; }
    virtual int32_t knobMask() const;
    virtual void flipHorizontally();
    virtual void flipVertically();
    // Answers the knob the drag goes on with (mirrored when it crossed over).
    virtual int resizeByMovingKnobToPoint(int knob, Point point);
    virtual int knobUnderPoint(Point point) const;
    void drawHandleStyleAtPoint(int style, Point point) const;
    void drawHandleAtPoint(Point point) const;
    void drawSelectedHandleAtPoint(Point point) const;
    virtual void drawHandles() const;

    // Drops cached drawing.
    virtual void recache();

    // Drawing and hit testing.
    bool isDrawingToScreen() const;
    void setIsRenderingOffscreen(bool offscreen) { _offscreenFlag = offscreen; }
    bool isRenderingOffscreen() const { return _offscreenFlag; }
    bool drawingThumbnail() const { return _drawingThumbnail; }
    void setDrawingThumbnail(bool thumbnail) { _drawingThumbnail = thumbnail; }
    virtual void drawObject(bool drawHandles);
    void drawProxyInRect(const Rect& rect) const;
    bool intersectionTest(const Rect& rect) const;
    virtual bool hitTest(Point point) const;

    QWidget* getGeometryPalette() const { return nullptr; }
    void updateGeometryPalette();

protected:
    // Makes an object of a registered class ready: its kind and its default shadow.
    template <class T> static std::shared_ptr<T> create() {
        auto object = std::make_shared<T>();
        static_cast<TMObject&>(*object).finishInit();
        return object;
    }
    template <class T>
    static std::shared_ptr<T> createWithRepresentation(const QVariantMap& representation) {
        auto object = create<T>();
        object->initWithRepresentation(representation);
        return object;
    }
    template <class T> static std::shared_ptr<T> createWithOriginSize(Point origin, Size size) {
        auto object = create<T>();
        object->initWithCenterSize({origin.x + size.width / 2, origin.y + size.height / 2}, size);
        return object;
    }

    // The unrotated rectangle and the knob positions on it.
    Rect unrotatedRect() const;
    Point knobPoint(int knob) const;
    // The parent document's undo manager; null without a document.
    UndoManager* documentUndoManager() const;
    // Records a step on the document's undo manager that calls back into this
    // object, if it still exists, and names the action with a localized key.
    void registerUndo(std::function<void(TMObject&)> step, const char* actionKey) const;
    // Stores a changed value and registers the setter with the old one as its
    // undo step; answers false, registering nothing, when the value is equal.
    template <class Self, class V, class Arg>
    bool changeValue(V& field, const V& value, void (Self::*setter)(Arg), const char* actionKey) {
        if (field == value)
            return false;
        registerUndo(
            [old = field, setter](TMObject& self) { (static_cast<Self&>(self).*setter)(old); },
            actionKey);
        field = value;
        return true;
    }

    static void rememberPageObjectKind(const QString& kind);

    QPointer<Document> _parentDocument;
    TemplateImageSource* _imageSource = nullptr;
    QString _kind;
    Point _center{72, 72};
    Size _size;
    float _rotation = 0;
    int32_t _lockedControlPtMask = 0;
    int32_t _lockedSizeMask = 0;
    bool _rotationLocked = false;
    QString _uniqueID;
    bool _shadowEnabled = false;
    std::optional<ShadowValue> _shadow;
    std::optional<QByteArray> _rawShadow;
    bool _selected = false;
    bool _inCreation = false;
    bool _inResize = false;
    bool _inUpdate = false;
    bool _offscreenFlag = false;
    bool _drawingThumbnail = false;
    QPointer<View> _lastDrawnInView;
    int32_t _destinationDPI = 0;
    float _zoomFactor = 1.0f;

private:
    void finishInit();

    // A change notification is queued without holding the object.
    bool _queuedUnowned = false;
};
