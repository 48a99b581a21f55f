#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QMenu;

// The Scripts menu over the user's scripts folder. The folder's own scripts and
// applications come first; every folder below it, however deep, becomes one
// submenu of the root with the scripts directly inside it, in the order of a walk
// that takes each folder's files before its subfolders, both by name. Folders
// with nothing to run give no submenu; applications and other packages are not
// entered, nor are links to folders followed. Names beginning with "." are left
// out.
namespace ScriptsMenu {

struct Item {
    QString title;
    QString path;
};
struct Submenu {
    QString title;
    QList<Item> items;
};
struct Contents {
    QList<Item> items;
    QList<Submenu> submenus;
};

Contents scan(const QString& folder);
// The title shown for a file: its name without the ".scpt" or ".app" extension.
QString displayName(const QString& path);
// The root menu titled `title`; each item runs its file through `run`.
std::unique_ptr<QMenu> build(const QString& title, const Contents& contents,
                             const std::function<void(const QString& path)>& run);

} // namespace ScriptsMenu
