#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QAbstractButton>
#include <QColor>
#include <QMetaObject>

// A button that shows a colour. Clicked, it becomes the active well: the
// shared colour panel comes up with its colour, and every colour chosen there
// then becomes the well's and is reported by colorChosen. One well is active
// at a time: activating one deactivates the one before. A subclass that
// edits something other than a colour keeps the one-active rule but leaves
// the colour panel alone (takesColorsFromPanel).
class LUMISK_PLATFORM_EXPORT ColorWell : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColorWell(QWidget* parent = nullptr);
    ~ColorWell() override;

    QColor color() const { return _color; }
    // Shows the colour; reports nothing.
    void setColor(const QColor& color);

    bool isActive() const { return _active; }
    // With exclusive, the active well before this one is deactivated first;
    // the panel takes this well's colour and comes to the front.
    virtual void activate(bool exclusive = true);
    virtual void deactivate();
    // The active well, or null.
    static ColorWell* activeWell();
    // The colour panel reports to no well any more: an active well that takes
    // its colours is deactivated; one that does not keeps its place.
    static void clearColorPanelTarget();

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user chose a colour in the panel for this well.
    void colorChosen(const QColor& color);

protected:
    virtual bool takesColorsFromPanel() const { return true; }
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void takeColor(const QColor& color);

    QColor _color = Qt::white;
    bool _active = false;
    QMetaObject::Connection _panelConnection;
};
