#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QPageLayout>
#include <QString>
#include <QVariantMap>

// Page set-up of a document: paper, orientation, margins, scaling, centring
// and the printer's own settings. The paper size is as oriented (wider than
// tall in landscape), all lengths in points.
class LUMISK_PLATFORM_EXPORT PrintInfo {
public:
    enum class Orientation : qint32 { Portrait = 0, Landscape = 1 };

    // The defaults of a new print operation: US Letter portrait, margins
    // 72 points left and right and 90 top and bottom, scaling 1, centred.
    PrintInfo() = default;

    const QString& paperName() const { return _paperName; }
    void setPaperName(const QString& name) { _paperName = name; }
    Size paperSize() const { return _paperSize; }
    void setPaperSize(Size size) { _paperSize = size; }
    Orientation orientation() const { return _orientation; }
    // Changing the orientation turns the paper size to match it.
    void setOrientation(Orientation orientation);

    float leftMargin() const { return _leftMargin; }
    float rightMargin() const { return _rightMargin; }
    float topMargin() const { return _topMargin; }
    float bottomMargin() const { return _bottomMargin; }
    void setLeftMargin(float m) { _leftMargin = m; }
    void setRightMargin(float m) { _rightMargin = m; }
    void setTopMargin(float m) { _topMargin = m; }
    void setBottomMargin(float m) { _bottomMargin = m; }
    // No margins: the page is the whole paper.
    void clearMargins() { _leftMargin = _rightMargin = _topMargin = _bottomMargin = 0; }

    float scalingFactor() const { return _scaling; }
    void setScalingFactor(float scaling) { _scaling = scaling; }
    bool isHorizontallyCentered() const { return _horizontallyCentered; }
    void setHorizontallyCentered(bool centred) { _horizontallyCentered = centred; }
    bool isVerticallyCentered() const { return _verticallyCentered; }
    void setVerticallyCentered(bool centred) { _verticallyCentered = centred; }

    // Property-list values of the printer (copies, resolution, ...).
    const QVariantMap& printSettings() const { return _printSettings; }
    void setPrintSettings(const QVariantMap& settings) { _printSettings = settings; }

    QPageLayout toPageLayout() const;
    // Takes paper, orientation and margins; keeps scaling, centring and settings.
    void setFromPageLayout(const QPageLayout& layout);
    static PrintInfo fromPageLayout(const QPageLayout& layout);

    // The process-wide page set-up that documents start from (main thread):
    // the default printer's paper, or without a printer the paper of the
    // user's region.
    static PrintInfo& sharedPrintInfo();

    friend bool operator==(const PrintInfo&, const PrintInfo&) = default;

private:
    QString _paperName = QStringLiteral("Letter");
    Size _paperSize{612, 792};
    Orientation _orientation = Orientation::Portrait;
    float _leftMargin = 72;
    float _rightMargin = 72;
    float _topMargin = 90;
    float _bottomMargin = 90;
    float _scaling = 1;
    bool _horizontallyCentered = true;
    bool _verticallyCentered = true;
    QVariantMap _printSettings;
};
