#pragma once

#include "framework/FormwellExport.h"
#include "platform/archiving/Archivable.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/foundation/Geometry.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class TMObject;
class UndoManager;

// Posted (as soon as possible, coalesced) with the changed mask as sender.
// Observers register with the mask's address as a const TMPhotoMask*.
inline constexpr char kPhotoMaskChangedNofity[] = "PhotoMaskChangedNofity";

// Localization keys of the undo actions of the masks.
inline constexpr char kFeatherActionKey[] = "FEATHER";
inline constexpr char kCornersActionKey[] = "CORNERS";
inline constexpr char kMaskChangeActionKey[] = "MASK_CHANGE";

// The archive key of the feather, shared by the oval, the rectangle and the
// shaped masks.
inline constexpr char kFeatherPctKey[] = "feather_pct";

class TMPhotoMask;
using TMPhotoMaskRef = std::shared_ptr<TMPhotoMask>;

// The shape a photo cell cuts its photograph to. A mask is owned by one photo
// cell (its parent), archived inside the cell's representation and applied
// while the cell renders its photograph into an offscreen image.
//
// Construction follows the archive's rules: the constructors leave every
// field zero, as an object that is being read from an archive starts;
// init() sets the defaults of a new mask. create<T>() does both.
//
// Archives are keyless: each class writes, after its superclass's part, one
// dictionary of its own keys, and reads the same way; a missing key leaves
// the field zero. Mask classes register with registerMaskClass<T>() under
// their class name, which the archive stores.
class FORMWELL_EXPORT TMPhotoMask : public Archivable,
                                    public std::enable_shared_from_this<TMPhotoMask> {
public:
    TMPhotoMask();
    ~TMPhotoMask() override;

    // A new mask of class T with the defaults of init().
    template <class T> static std::shared_ptr<T> create() {
        static_assert(std::is_base_of_v<TMPhotoMask, T>);
        auto mask = std::make_shared<T>();
        mask->init();
        return mask;
    }
    template <class T> static void registerMaskClass(const QString& className) {
        static_assert(std::is_base_of_v<TMPhotoMask, T>);
        ClassRegistry::shared().registerClass<T>(className);
    }
    // A new mask of the registered class of that name, with its defaults;
    // null when no mask class has that name.
    static TMPhotoMaskRef newMaskOfClass(const QString& className);

    // The defaults of a new mask; a subclass sets its own after its superclass's.
    virtual void init();

    // The name of the inspector class of this kind of mask.
    virtual QString maskControllerClass() const;

    // A mask of the same class with the same values, the parent included
    // until the new owner sets itself.
    virtual TMPhotoMaskRef copy() const = 0;

    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;

    // The localized display name of the kind; null for the base.
    virtual QString name() const;

    // The photo cell that owns the mask; not held.
    TMObject* parentObject() const { return _parentObject; }
    virtual void setParentObject(TMObject* parent);

    // The resolution the mask draws for: the parent's, or 72 without one.
    float destinationDPI() const;

    // Queues "PhotoMaskChangedNofity" and has the parent cell drop its
    // rendering and announce its own change.
    void changeMade();

    // Keeps, inside r of the current drawing destination, each pixel with its
    // alpha multiplied by the mask's coverage; the base does nothing.
    virtual void applyMasktoRect(const Rect& r);

protected:
    TMPhotoMask(const TMPhotoMask& other);

    // The undo manager of the parent's document; null without one.
    UndoManager* undoManager() const;
    // Records a step that calls back into this mask, if it still exists, and
    // names the action with the framework's string of the key.
    void registerUndo(std::function<void(TMPhotoMask&)> step, const char* actionKey) const;
    // Stores a changed value and registers the setter with the old one as its
    // undo step; answers false, registering nothing, when the value is equal.
    template <class Self, class V, class Arg>
    bool changeValue(V& field, const V& value, void (Self::*setter)(Arg), const char* actionKey) {
        if (field == value)
            return false;
        registerUndo(
            [old = field, setter](TMPhotoMask& self) { (static_cast<Self&>(self).*setter)(old); },
            actionKey);
        field = value;
        return true;
    }

    // The class's own dictionary in an archive; damage fails the decode.
    static QVariantMap decodeOwnDictionary(Unarchiver& coder);
    // A number of the dictionary (integer, real or boolean); nothing for a
    // missing key or another kind of value.
    static std::optional<double> numberForKey(const QVariantMap& dictionary, const char* key);
    // A fraction given to a setter, held to 0 to 1, the range archives are read in;
    // nothing for not-a-number.
    static std::optional<float> heldFraction(float value);

private:
    TMObject* _parentObject = nullptr;
    // A change notification is queued without holding the mask.
    bool _queuedUnowned = false;
};
