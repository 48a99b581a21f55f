#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"

#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <memory>

class PageDesc;
class TemplateDocument;

// Queued (as soon as possible) with the page description as sender, only while
// it has a parent document. Observers register with a const PageDesc*.
inline constexpr char kPageDescDynamicsChangedNotification[] = "pageDesc.dynchange";
inline constexpr char kPageDescLayoutChangedNotification[] = "pageDesc.laychange";
// Posted at once with the parent document (or none) as sender.
inline constexpr char kPageDescUnitsChangedNotification[] = "pageDesc.unitschange";

// Keys of the representation dictionary.
inline constexpr char kPageDescPointsPerUnitKey[] = "ppu";
inline constexpr char kPageDescOldPointsPerUnitKey[] = "_dpi";
inline constexpr char kPageDescAutoSizeKey[] = "auto_size";
inline constexpr char kPageDescHeightKey[] = "height";
inline constexpr char kPageDescWidthKey[] = "width";
inline constexpr char kPageDescFlippedKey[] = "flipped";
inline constexpr char kPageDescNameKey[] = "name";
inline constexpr char kPageDescDisplayUnitKey[] = "display_unit";
inline constexpr char kPageDescGridDivisionsKey[] = "grid_divisions";
inline constexpr char kPageDescShowMarginsKey[] = "show_margins";
inline constexpr char kPageDescSnapGridKey[] = "snap_grid";
inline constexpr char kPageDescShowGridKey[] = "show_grid";
inline constexpr char kPageDescGridColorKey[] = "grid_color";
inline constexpr char kPageDescSnapGuidesKey[] = "snap_guides";
inline constexpr char kPageDescShowGuidesKey[] = "show_guides";
inline constexpr char kPageDescGuideColorKey[] = "guide_color";
inline constexpr char kPageDescHorizontalGuidesKey[] = "h_guides";
inline constexpr char kPageDescVerticalGuidesKey[] = "v_guides";

// Display unit names.
inline constexpr char kDisplayUnitInches[] = "Inches";
inline constexpr char kDisplayUnitCentimeters[] = "Centimeters";
inline constexpr char kDisplayUnitPicas[] = "Picas";
inline constexpr char kDisplayUnitPoints[] = "Points";

// Localization key of the undo action of a page change.
inline constexpr char kPageInfoActionKey[] = "PAGE_INFO";

using PageDescRef = std::shared_ptr<PageDesc>;

// The one page of a template: its size in a display unit, whether it follows
// the paper of the print info, the grid, the guides and the margin display.
// Made by the factories (always shared, so queued notices can hold it).
class FORMWELL_EXPORT PageDesc : public std::enable_shared_from_this<PageDesc> {
    struct Token {};

public:
    // Tags of the display units.
    enum DisplayUnitTag : int32_t { Inches = 1, Centimeters = 2, Picas = 3, Points = 4 };

    // The defaults, from the settings (unit, grid divisions, automatic size and page size).
    static PageDescRef newPageDesc();
    static PageDescRef newPageDescWithRepresentation(const QVariantMap& representation);

    explicit PageDesc(Token);
    ~PageDesc();
    PageDesc(const PageDesc&) = delete;
    PageDesc& operator=(const PageDesc&) = delete;

    // Every key, always.
    QVariantMap dictRepresentation() const;
    // Applies the keys present (not the guides). Registers its inverse only
    // while the document's undo manager is undoing or redoing: whoever changes
    // the page for the user registers the first step.
    void setDictRepresentation(const QVariantMap& representation);
    // A new page description from the representation, without a parent.
    PageDescRef copy() const;
    // All settings but the guides.
    bool isEqual(const PageDesc* other) const;

    TemplateDocument* parentDocument() const;
    // An automatic page size then follows the document's print info.
    void setParentDocument(TemplateDocument* document);

    // (0, 0, width, height) in points.
    Rect frame() const;
    // In display units.
    Size pageSize() const { return {_width, _height}; }
    void setPageSize(Size size);
    float pointsPerUnit() const { return _pointsPerUnit; }
    void setPointsPerUnit(float pointsPerUnit);
    bool flipped() const { return _flipped; }
    void setFlipped(bool flipped) { _flipped = flipped; }
    bool autoPageSize() const { return _autoPageSize; }
    void setAutoPageSize(bool autoPageSize);
    QString name() const { return _name; }
    void setName(const QString& name) { _name = name; }
    int32_t gridDivisions() const { return _gridDivisions; }
    // Fewer than one division is taken as one.
    void setGridDivisions(int32_t divisions);
    // In points.
    float gridSpacing() const { return _gridSpacing; }
    bool snapsToGrid() const { return _snapsToGrid; }
    void setSnapsToGrid(bool snaps) { _snapsToGrid = snaps; }
    bool showsMargin() const { return _showsMargin; }
    void setShowsMargin(bool shows);
    bool showsGrid() const { return _showsGrid; }
    void setShowsGrid(bool shows);
    Color gridColor() const { return _gridColor; }
    void setGridColor(const Color& color);
    bool showsGuides() const { return _showsGuides; }
    void setShowsGuides(bool shows);
    bool snapsToGuides() const { return _snapsToGuides; }
    void setSnapsToGuides(bool snaps) { _snapsToGuides = snaps; }
    Color guideColor() const { return _guideColor; }
    void setGuideColor(const Color& color);
    QString displayUnit() const { return _displayUnit; }
    // Keeps the physical page size; an unknown name counts as inches.
    void setDisplayUnit(const QString& unit);
    int32_t displayUnitTag() const { return _displayUnitTag; }
    QString abbrevDisplayUnit() const;
    // Positions in points (numbers).
    QVariantList horizontalGuides() const { return _hGuides; }
    void setHorizontalGuides(const QVariantList& guides) { _hGuides = guides; }
    QVariantList verticalGuides() const { return _vGuides; }
    void setVerticalGuides(const QVariantList& guides) { _vGuides = guides; }

    // "1.500 in", with the user's decimal separator.
    QString convertPointToDisplayUnit(float points) const;
    float convertDisplayUnitToPoint(float value) const;

    void dynamicsChanged();
    void layoutChanged();

    // The platform's standard grid colour.
    static Color standardGridColor();

private:
    void initWithRepresentation(const QVariantMap& representation);
    void applyUnitTag(int32_t tag);
    void applyDisplaySettings(const QVariantMap& representation);
    void post(const char* name);

    float _pointsPerUnit = 72;
    bool _flipped = true;
    bool _autoPageSize = false;
    float _height = 0;
    float _width = 0;
    QString _name;
    QString _displayUnit;
    int32_t _displayUnitTag = Inches;
    int32_t _gridDivisions = 0;
    float _gridSpacing = 0;
    bool _showsMargin = false;
    bool _snapsToGrid = false;
    bool _showsGrid = false;
    Color _gridColor;
    bool _snapsToGuides = true;
    bool _showsGuides = true;
    Color _guideColor;
    QPointer<TemplateDocument> _myParent;
    QVariantList _hGuides;
    QVariantList _vGuides;
};
