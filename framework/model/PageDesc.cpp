#include "framework/model/PageDesc.h"
#include "framework/Formwell.h"

#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/printing/PrintInfo.h"

#include <array>
#include <optional>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

struct DisplayUnit {
    int32_t tag;
    const char* name;
    const char* abbreviation;
    float pointsPerUnit;
    const char* format;
};

constexpr std::array<DisplayUnit, 4> kDisplayUnits = {{
    {PageDesc::Inches, kDisplayUnitInches, "in", 72.0f, "%1.3f %@"},
    {PageDesc::Centimeters, kDisplayUnitCentimeters, "cm", 28.35f, "%1.2f %@"},
    {PageDesc::Picas, kDisplayUnitPicas, "pc", 12.0f, "%1.2f %@"},
    {PageDesc::Points, kDisplayUnitPoints, "pt", 1.0f, "%1.1f %@"},
}};

const DisplayUnit* unitForTag(int32_t tag) {
    for (const DisplayUnit& unit : kDisplayUnits)
        if (unit.tag == tag)
            return &unit;
    return nullptr;
}

// Unknown names are inches.
const DisplayUnit& unitForName(const QString& name) {
    for (const DisplayUnit& unit : kDisplayUnits)
        if (name == QLatin1String(unit.name))
            return unit;
    return kDisplayUnits[0];
}

// The settings store, or its empty values without a host.
int32_t settingInt(int index) {
    HostServices* host = HostServices::current();
    return host ? host->preferencesIntFor(index) : 0;
}
bool settingBool(int index) {
    HostServices* host = HostServices::current();
    return host && host->preferencesBOOLFor(index);
}
Size settingSize(int index) {
    HostServices* host = HostServices::current();
    return host ? host->preferencesNSSizeFor(index) : kZeroSize;
}

const QVariant* value(const QVariantMap& map, const char* name) {
    const auto it = map.constFind(key(name));
    return it == map.constEnd() ? nullptr : &*it;
}

// "ppu", else "_dpi".
const QVariant* pointsPerUnitValue(const QVariantMap& map) {
    if (const QVariant* v = value(map, kPageDescPointsPerUnitKey))
        return v;
    return value(map, kPageDescOldPointsPerUnitKey);
}

std::optional<Color> colorValue(const QVariantMap& map, const char* name) {
    const QVariant* v = value(map, name);
    if (!v)
        return std::nullopt;
    return Unarchiver::unarchiveValue<Color>(v->toByteArray());
}

} // namespace

PageDescRef PageDesc::newPageDesc() {
    return std::make_shared<PageDesc>(Token{});
}

PageDescRef PageDesc::newPageDescWithRepresentation(const QVariantMap& representation) {
    PageDescRef page = newPageDesc();
    page->initWithRepresentation(representation);
    return page;
}

PageDesc::PageDesc(Token) {
    _gridColor = standardGridColor();
    _guideColor = Color::calibratedRGB(20.0f / 255.0f, 130.0f / 255.0f, 168.0f / 255.0f, 0.5f);

    applyUnitTag(settingInt(PrefTemplatePageDisplayUnits));
    setGridDivisions(settingInt(PrefTemplatePageGridDivisions));

    _autoPageSize = settingBool(PrefTemplatePageSizingMethod);
    Size points;
    if (_autoPageSize) {
        const PrintInfo& info = PrintInfo::sharedPrintInfo();
        points = info.paperSize();
        _name = info.paperName();
    } else {
        const Size size = settingSize(PrefTemplatePageSize);
        points = {size.width * _pointsPerUnit, size.height * _pointsPerUnit};
        _name = QStringLiteral("Custom");
    }
    _width = points.width / _pointsPerUnit;
    _height = points.height / _pointsPerUnit;
}

PageDesc::~PageDesc() = default;

Color PageDesc::standardGridColor() {
    return Color::calibratedWhite(0.8f);
}

void PageDesc::applyUnitTag(int32_t tag) {
    const DisplayUnit* unit = unitForTag(tag);
    if (!unit)
        unit = &kDisplayUnits[0];
    _displayUnit = key(unit->name);
    _displayUnitTag = unit->tag;
    _pointsPerUnit = unit->pointsPerUnit;
}

// Unit, grid and guide settings, each applied through its setter when present.
void PageDesc::applyDisplaySettings(const QVariantMap& rep) {
    if (const QVariant* v = value(rep, kPageDescDisplayUnitKey))
        setDisplayUnit(v->toString());
    if (const QVariant* v = value(rep, kPageDescGridDivisionsKey))
        setGridDivisions(v->toInt());
    if (const QVariant* v = value(rep, kPageDescShowMarginsKey))
        setShowsMargin(v->toBool());
    if (const QVariant* v = value(rep, kPageDescSnapGridKey))
        setSnapsToGrid(v->toBool());
    if (const QVariant* v = value(rep, kPageDescShowGridKey))
        setShowsGrid(v->toBool());
    if (const std::optional<Color> color = colorValue(rep, kPageDescGridColorKey))
        setGridColor(*color);
    if (const QVariant* v = value(rep, kPageDescSnapGuidesKey))
        setSnapsToGuides(v->toBool());
    if (const QVariant* v = value(rep, kPageDescShowGuidesKey))
        setShowsGuides(v->toBool());
    if (const std::optional<Color> color = colorValue(rep, kPageDescGuideColorKey))
        setGuideColor(*color);
}

void PageDesc::initWithRepresentation(const QVariantMap& rep) {
    if (const QVariant* v = pointsPerUnitValue(rep))
        _pointsPerUnit = v->toFloat();
    if (const QVariant* v = value(rep, kPageDescAutoSizeKey))
        _autoPageSize = v->toBool();
    if (const QVariant* v = value(rep, kPageDescHeightKey))
        _height = v->toFloat();
    if (const QVariant* v = value(rep, kPageDescWidthKey))
        _width = v->toFloat();
    if (const QVariant* v = value(rep, kPageDescFlippedKey))
        _flipped = v->toInt() != 0;
    if (const QVariant* v = value(rep, kPageDescNameKey))
        setName(v->toString());
    applyDisplaySettings(rep);
    if (const QVariant* v = value(rep, kPageDescHorizontalGuidesKey))
        _hGuides = v->toList();
    if (const QVariant* v = value(rep, kPageDescVerticalGuidesKey))
        _vGuides = v->toList();
}

QVariantMap PageDesc::dictRepresentation() const {
    QVariantMap rep;
    rep.insert(key(kPageDescPointsPerUnitKey), _pointsPerUnit);
    rep.insert(key(kPageDescAutoSizeKey), _autoPageSize);
    rep.insert(key(kPageDescHeightKey), _height);
    rep.insert(key(kPageDescWidthKey), _width);
    rep.insert(key(kPageDescFlippedKey), _flipped);
    rep.insert(key(kPageDescNameKey), _name);
    rep.insert(key(kPageDescDisplayUnitKey), _displayUnit);
    rep.insert(key(kPageDescGridDivisionsKey), _gridDivisions);
    rep.insert(key(kPageDescShowMarginsKey), _showsMargin);
    rep.insert(key(kPageDescSnapGridKey), _snapsToGrid);
    rep.insert(key(kPageDescShowGridKey), _showsGrid);
    rep.insert(key(kPageDescGridColorKey), Archiver::archivedValue(_gridColor));
    rep.insert(key(kPageDescSnapGuidesKey), _snapsToGuides);
    rep.insert(key(kPageDescShowGuidesKey), _showsGuides);
    rep.insert(key(kPageDescGuideColorKey), Archiver::archivedValue(_guideColor));
    rep.insert(key(kPageDescHorizontalGuidesKey), _hGuides);
    rep.insert(key(kPageDescVerticalGuidesKey), _vGuides);
    return rep;
}

void PageDesc::setDictRepresentation(const QVariantMap& rep) {
    bool registered = false;
    UndoManager* undo = _myParent ? _myParent->undoManager() : nullptr;
    if (undo && (undo->isUndoing() || undo->isRedoing())) {
        std::weak_ptr<PageDesc> weak = weak_from_this();
        undo->registerUndo(this, [weak, old = dictRepresentation()] {
            if (PageDescRef self = weak.lock())
                self->setDictRepresentation(old);
        });
        registered = true;
    }

    bool changed = false;
    const QVariant* ppu = pointsPerUnitValue(rep);
    const float pointsPerUnit = ppu ? ppu->toFloat() : 72.0f;
    if (pointsPerUnit != _pointsPerUnit) {
        _pointsPerUnit = pointsPerUnit;
        changed = true;
    }
    if (const QVariant* v = value(rep, kPageDescAutoSizeKey); v && v->toBool() != _autoPageSize) {
        _autoPageSize = v->toBool();
        changed = true;
    }
    if (const QVariant* v = value(rep, kPageDescHeightKey); v && v->toFloat() != _height) {
        _height = v->toFloat();
        changed = true;
    }
    if (const QVariant* v = value(rep, kPageDescWidthKey); v && v->toFloat() != _width) {
        _width = v->toFloat();
        changed = true;
    }
    if (const QVariant* v = value(rep, kPageDescFlippedKey))
        _flipped = v->toInt() != 0;
    if (const QVariant* v = value(rep, kPageDescNameKey))
        setName(v->toString());
    if (changed)
        dynamicsChanged();

    applyDisplaySettings(rep);

    if (registered)
        undo->setActionName(frameworkString(kPageInfoActionKey));
}

PageDescRef PageDesc::copy() const {
    return newPageDescWithRepresentation(dictRepresentation());
}

bool PageDesc::isEqual(const PageDesc* other) const {
    return other && _pointsPerUnit == other->_pointsPerUnit && _flipped == other->_flipped &&
           _autoPageSize == other->_autoPageSize && _height == other->_height &&
           _width == other->_width && _displayUnitTag == other->_displayUnitTag &&
           _gridDivisions == other->_gridDivisions && _gridSpacing == other->_gridSpacing &&
           _showsMargin == other->_showsMargin && _snapsToGrid == other->_snapsToGrid &&
           _showsGrid == other->_showsGrid && _snapsToGuides == other->_snapsToGuides &&
           _showsGuides == other->_showsGuides && _gridColor == other->_gridColor &&
           _guideColor == other->_guideColor && _name == other->_name;
}

TemplateDocument* PageDesc::parentDocument() const {
    return _myParent;
}

void PageDesc::setParentDocument(TemplateDocument* document) {
    _myParent = document;
    if (document && _autoPageSize) {
        setAutoPageSize(false);
        setAutoPageSize(true);
    }
}

Rect PageDesc::frame() const {
    return {0, 0, _width * _pointsPerUnit, _height * _pointsPerUnit};
}

void PageDesc::setPageSize(Size size) {
    if (size == pageSize())
        return;
    _width = size.width;
    _height = size.height;
    dynamicsChanged();
}

void PageDesc::setPointsPerUnit(float pointsPerUnit) {
    if (pointsPerUnit == _pointsPerUnit)
        return;
    _pointsPerUnit = pointsPerUnit;
    setGridDivisions(_gridDivisions);
}

void PageDesc::setAutoPageSize(bool autoPageSize) {
    if (autoPageSize == _autoPageSize)
        return;
    _autoPageSize = autoPageSize;
    if (!autoPageSize) {
        _name = QString(QLatin1String(""));
        return;
    }
    const PrintInfo& info = _myParent ? _myParent->printInfo() : PrintInfo::sharedPrintInfo();
    const Size paper = info.paperSize();
    setPageSize({paper.width / _pointsPerUnit, paper.height / _pointsPerUnit});
    _name = info.paperName();
}

void PageDesc::setGridDivisions(int32_t divisions) {
    // No divisions would make the spacing infinite.
    if (divisions < 1)
        divisions = 1;
    const float spacing = _pointsPerUnit / float(divisions);
    if (spacing == _gridSpacing)
        return;
    _gridSpacing = spacing;
    _gridDivisions = divisions;
    layoutChanged();
}

void PageDesc::setShowsMargin(bool shows) {
    if (shows == _showsMargin)
        return;
    _showsMargin = shows;
    layoutChanged();
}

void PageDesc::setShowsGrid(bool shows) {
    if (shows == _showsGrid)
        return;
    _showsGrid = shows;
    layoutChanged();
}

void PageDesc::setShowsGuides(bool shows) {
    if (shows == _showsGuides)
        return;
    _showsGuides = shows;
    layoutChanged();
}

void PageDesc::setGridColor(const Color& color) {
    if (color == _gridColor)
        return;
    _gridColor = color;
    layoutChanged();
}

void PageDesc::setGuideColor(const Color& color) {
    if (color == _guideColor)
        return;
    _guideColor = color;
    layoutChanged();
}

void PageDesc::setDisplayUnit(const QString& unit) {
    if (unit == _displayUnit)
        return;
    const Rect points = frame();
    const DisplayUnit& info = unitForName(unit);
    _displayUnit = unit;
    _pointsPerUnit = info.pointsPerUnit;
    _displayUnitTag = info.tag;
    setPageSize({points.width() / _pointsPerUnit, points.height() / _pointsPerUnit});
    setGridDivisions(_gridDivisions);
    NotificationCenter::defaultCenter().postNotificationName(
        key(kPageDescUnitsChangedNotification),
        Notification::Sender(static_cast<const QObject*>(_myParent.data())));
}

QString PageDesc::abbrevDisplayUnit() const {
    const DisplayUnit* unit = unitForTag(_displayUnitTag);
    return unit ? key(unit->abbreviation) : QString(QLatin1String(""));
}

QString PageDesc::convertPointToDisplayUnit(float points) const {
    const DisplayUnit* unit = unitForTag(_displayUnitTag);
    if (!unit)
        return QString(QLatin1String(""));
    const float value = points / _pointsPerUnit;
    return TM_LocalizeDecimalString(
        stringWithFormat(key(unit->format), double(value), key(unit->abbreviation)));
}

float PageDesc::convertDisplayUnitToPoint(float value) const {
    const DisplayUnit* unit = unitForTag(_displayUnitTag);
    return value * (unit ? unit->pointsPerUnit : 72.0f);
}

void PageDesc::dynamicsChanged() {
    post(kPageDescDynamicsChangedNotification);
}

void PageDesc::layoutChanged() {
    post(kPageDescLayoutChangedNotification);
}

void PageDesc::post(const char* name) {
    if (!_myParent)
        return;
    PageDescRef self = weak_from_this().lock();
    if (!self)
        return;
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(key(name), Notification::Sender(std::move(self))),
        NotificationQueue::PostASAP);
}
