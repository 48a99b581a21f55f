#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

class RoduvudeDadevizi;
class ScriptCommand;
class ScriptDispatcher;
class VQFileCatalog;

// Enhancement factors (0.0 to 2.0, 1.0 leaves the photo as it is) in the
// percent that scripts use: -100 to 100.
int percentFromFactor(float factor);
// The percent is held to -100 .. 100 first.
float factorFromPercent(double percent);

// One photo of a catalog document as scripts see it. It names the entry by its
// serial number and holds the document weakly, so it outlives both safely:
// every call finds the entry anew, and once the entry or the document is gone
// the getters answer neutral values (false, 0, the zero rectangle, point or
// size as text), the setters do nothing and the export writes nothing.
//
// A setter that changes the entry queues one "VQFileCatalogPropertyChangedNotify"
// (as soon as possible, coalesced) with the catalog as object; undo and the
// catalog's own notices come from the catalog's attribute setter.
class CatalogEntry {
public:
    // The entry at `index` of the document's catalog; null when there is none.
    static std::shared_ptr<CatalogEntry> initWithEntryInDocument(int index,
                                                                 RoduvudeDadevizi* document);
    CatalogEntry(int serialNumber, RoduvudeDadevizi* document);

    // The scripting keys of the properties.
    static const QStringList& kvcKeys();

    int serialNumber() const { return _serialNumber; }
    QString displayname() const;
    QString pathname() const;
    bool selected() const;
    void setSelected(bool flag);
    bool marked() const;
    void setMarked(bool flag);
    // Percent of the enhancement factors, -100 to 100.
    int saturation() const;
    void setSaturation(int percent);
    int brightness() const;
    void setBrightness(int percent);
    int contrast() const;
    void setContrast(int percent);
    // 0 to 8.
    int sharpness() const;
    void setSharpness(int sharpness);
    // Degrees; only 0, 90, -90, 180, -180, 270 and -270 are taken.
    int rotation() const;
    void setRotation(int degrees);
    // The platform's text forms "{{x, y}, {w, h}}", "{x, y}" and "{w, h}".
    QString crop() const;
    void setCrop(const QString& rect);
    QString offset() const;
    void setOffset(const QString& point);
    // The photo's natural size.
    QString dimensions() const;

    // Writes the photo into an image file through the document's export
    // exporter. Arguments, all optional: "File" (the folder; the desktop folder
    // when missing), "Format", "Quality", "PreserveEXIF", "EmbedColorsync",
    // "CreateThumbnail" and "Replacing" (yes writes over a file of the same
    // name, no leaves it; missing asks). The options stay on the exporter.
    // A write that fails is shown in an alert and set as the command's error.
    void handleExportScriptCommand(ScriptCommand& command);
    // "Export", bound to this object.
    ScriptDispatcher scriptCommands();

private:
    // The entry's index in the live document's catalog; -1 when either is gone.
    int index() const;
    VQFileCatalog* catalog() const;
    int percentOf(int attribute) const;
    void setPercent(int attribute, int percent);
    // Sets the attribute of the entry, if it is still there, and queues the notice.
    void setAttribute(int attribute, const QVariant& value);
    void changed() const;

    int _serialNumber;
    QPointer<RoduvudeDadevizi> _myDocument;
};
