#include "shell/ScriptsMenu.h"

#include "platform/system/ScriptRunner.h"
#include "shell/ResourceInstaller.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

constexpr const char* kHiddenExtensions[] = {"scpt", "app"};

// A folder the walk enters: a real folder that isn't a package.
bool isEnteredFolder(const QFileInfo& info) {
    return info.isDir() && !info.isSymLink() &&
           !ResourceInstaller::isFilePackage(info.absoluteFilePath());
}

void addRunnable(const QFileInfo& info, QList<ScriptsMenu::Item>& items) {
    if (ScriptRunner::kindOfFile(info.absoluteFilePath()) != ScriptRunner::Kind::None)
        items.append({ScriptsMenu::displayName(info.fileName()), info.absoluteFilePath()});
}

void walk(const QString& folder, QList<ScriptsMenu::Item>& items, ScriptsMenu::Contents& root) {
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                   QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo& entry : entries)
        if (!isEnteredFolder(entry))
            addRunnable(entry, items);
    for (const QFileInfo& entry : entries) {
        if (!isEnteredFolder(entry))
            continue;
        // The folder's place comes before the folders inside it.
        const qsizetype index = root.submenus.size();
        root.submenus.append({entry.fileName(), {}});
        QList<ScriptsMenu::Item> inside;
        walk(entry.absoluteFilePath(), inside, root);
        if (inside.isEmpty())
            root.submenus.removeAt(index);
        else
            root.submenus[index].items = std::move(inside);
    }
}

QMenu* addItems(QMenu* menu, const QList<ScriptsMenu::Item>& items,
                const std::function<void(const QString&)>& run) {
    for (const ScriptsMenu::Item& item : items) {
        QAction* action = menu->addAction(item.title);
        action->setData(item.path);
        const QString path = item.path;
        QObject::connect(action, &QAction::triggered, menu, [run, path] { run(path); });
    }
    return menu;
}

} // namespace

ScriptsMenu::Contents ScriptsMenu::scan(const QString& folder) {
    Contents contents;
    if (QFileInfo(folder).isDir())
        walk(folder, contents.items, contents);
    return contents;
}

QString ScriptsMenu::displayName(const QString& path) {
    const QFileInfo info(path);
    for (const char* extension : kHiddenExtensions)
        if (info.suffix() == QLatin1String(extension) && !info.completeBaseName().isEmpty())
            return info.completeBaseName();
    return info.fileName();
}

std::unique_ptr<QMenu> ScriptsMenu::build(const QString& title, const Contents& contents,
                                          const std::function<void(const QString&)>& run) {
    auto root = std::make_unique<QMenu>(title);
    addItems(root.get(), contents.items, run);
    for (const Submenu& submenu : contents.submenus)
        addItems(root->addMenu(submenu.title), submenu.items, run);
    return root;
}
