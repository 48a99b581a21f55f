#pragma once

#include <QString>
#include <QtPlugin>
#include <memory>
#include <vector>

class QWidget;

// One pane shown in the preferences window.
class SS_PreferencePaneProtocol {
public:
    virtual ~SS_PreferencePaneProtocol() = default;
    // The pane's view, made on first use and kept; null when it can't be made.
    virtual QWidget* mainView() = 0;
    virtual QString paneToolTip() = 0;
    virtual bool allowsHorizontalResizing() = 0;
    virtual bool allowsVerticalResizing() = 0;
};

// The root object of a pane plug-in: its principal class's class operation
// `preferencePanes`. The bundle's information entries ("CFBundleIdentifier",
// "NSPrincipalClass", "NSPrefPaneIconLabel", ...) are the plug-in's metadata.
class PreferencePaneBundle {
public:
    virtual ~PreferencePaneBundle() = default;
    virtual std::vector<std::unique_ptr<SS_PreferencePaneProtocol>> preferencePanes() = 0;
};

#define PreferencePaneBundle_iid "com.varnsoft.lumisk.PreferencePaneBundle/1.0"
Q_DECLARE_INTERFACE(PreferencePaneBundle, PreferencePaneBundle_iid)
