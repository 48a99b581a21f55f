#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMPhotoMask.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>
#include <type_traits>

class QLabel;
class QLineEdit;
class QSlider;
class TemplateDocument;

// The base of the inspectors of photo masks. Each kind of mask has one, one
// per template document, kept in the document's objectControllers beside the
// inspectors of page objects. The photo-cell inspector hands it the cell's
// mask, embeds its palette view and enables it by the cell's mask switch.
//
// Parameters follow the inspectors' accessor pattern: a getter answers the
// inspected mask's value, or the held value while no mask is inspected; a
// setter passes the value unchanged to the mask (which registers the undo
// step) or, with no mask, holds it and refreshes the palette.
//
// The palette view belongs to its inspector; whoever shows it holds it by
// QPointer only.
class FORMWELL_EXPORT TMPhotoMaskController : public QObject {
    Q_OBJECT

public:
    using Factory = std::function<std::unique_ptr<TMPhotoMaskController>()>;

    static constexpr int kPaletteWidth = 260;
    static constexpr int kRowHeight = 28;

    TMPhotoMaskController();
    ~TMPhotoMaskController() override;

    static void registerMaskControllerClass(const QString& className, Factory factory);

    // The document's inspector of exactly that class, made and added to the
    // document when it has none. Null for no document and for the base.
    static TMPhotoMaskController* maskControllerForDocument(const QString& className,
                                                            TemplateDocument* document);

    // The name of the palette; empty in the base.
    virtual QString nibName() const;

    // Refreshes the palette unless it is the mask already inspected.
    void setInspectedMask(const TMPhotoMaskRef& mask);
    TMPhotoMaskRef inspectedMask() const { return _inspectedMask; }

    virtual void setEnabled(bool enabled);
    bool enabled() const { return _enabled; }

    virtual void updateInspectorPalette();
    // The palette view, brought up to date; null in the base.
    virtual QWidget* getInspectorPalette();
    QWidget* paletteView() const { return _paletteView; }

protected:
    // Stores a changed flag and refreshes: what every kind does.
    void storeEnabled(bool enabled);

    template <class Mask> std::shared_ptr<Mask> inspected() const {
        return std::dynamic_pointer_cast<Mask>(_inspectedMask);
    }
    template <class Value> static QVariant box(const Value& value) {
        if constexpr (std::is_same_v<Value, float> || std::is_same_v<Value, QString>)
            return QVariant(value);
        else
            return QVariant(int(value));
    }
    template <class Value> static Value unbox(const QVariant& value) {
        if constexpr (std::is_same_v<Value, float>)
            return value.toFloat();
        else if constexpr (std::is_same_v<Value, QString>)
            return value.toString();
        else
            return Value(value.toInt());
    }
    template <class Mask, class Result, class Value>
    QVariant maskValue(Result (Mask::*getter)() const, const Value& held) const {
        if (const std::shared_ptr<Mask> mask = inspected<Mask>())
            return box<Value>(Value(((*mask).*getter)()));
        return box<Value>(held);
    }
    template <class Mask, class Argument, class Value>
    void setMaskValue(const QVariant& value, void (Mask::*setter)(Argument), Value& held) {
        if (const std::shared_ptr<Mask> mask = inspected<Mask>()) {
            ((*mask).*setter)(std::decay_t<Argument>(unbox<Value>(value)));
            return;
        }
        held = unbox<Value>(value);
        updateInspectorPalette();
    }

    // Palette building: an empty palette of that name and number of rows, a
    // label, a slider and a field in a row, and their wiring to one action
    // that is told which control sent it.
    void makePalette(const QString& name, int rows);
    QLabel* addLabel(const char* name, const char* key, int row);
    QSlider* addSlider(const char* name, int row, int minimum, int maximum);
    QLineEdit* addField(const char* name, int row);
    void connectMeasure(QSlider* slider, QLineEdit* field, std::function<void(QObject*)> action);
    static int rowTop(int row) { return 8 + row * kRowHeight; }

    // Shows a value on a slider without sending its action.
    static void showOnSlider(QSlider* slider, float value);
    static void showInteger(QLineEdit* field, int value);
    // The value of a measure's action in the units its controls show: from
    // the slider unchanged, the field then taking the keyboard; from the
    // field held to minimum...maximum (whole numbers when integral), the field
    // showing what is taken. Sliders of fractions run in hundredths.
    static float readMeasure(QObject* sender, QSlider* slider, QLineEdit* field, float minimum,
                             float maximum, bool integral = false);

private:
    TMPhotoMaskRef _inspectedMask;
    bool _enabled = true;
    QPointer<QWidget> _paletteView;
};
