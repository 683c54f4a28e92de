// The tool bar: buttons for the window's own actions, so a button is enabled exactly when its
// menu item is (the state refresh sets the action) and runs the same handler.
#include "shell/MainWindow.h"

#include <QAction>
#include <QIcon>
#include <QToolBar>

// The pictures the program brings along, for desktops whose icon theme lacks a name. A static
// library's resources are registered by hand.
static void InitToolBarIcons()
{
    Q_INIT_RESOURCE(ToolBarIcons);
}

void TfrmQuillmarMain::CreateToolBar()
{
    InitToolBarIcons();
    const struct {
        const char *Action; // null: a separator
        const char *Theme; // the desktop theme's name for the picture
        const char *Bundled; // our own picture in :/icons
    } buttons[] = {
        {"FileNewAction", "document-new", "new"},
        {"FileOpenAction", "document-open", "open"},
        {"FileSaveAction", "document-save", "save"},
        {"FileSaveAllAction", "document-save-all", "saveall"},
        {"PrintAction", "document-print", "print"},
        {nullptr, nullptr, nullptr},
        {"EditCutAction", "edit-cut", "cut"},
        {"EditCopyAction", "edit-copy", "copy"},
        {"EditPasteAction", "edit-paste", "paste"},
        {nullptr, nullptr, nullptr},
        {"EditUndoAction", "edit-undo", "undo"},
        {"EditRedoAction", "edit-redo", "redo"},
        {nullptr, nullptr, nullptr},
        {"SearchFindAction", "edit-find", "find"},
        {nullptr, nullptr, nullptr},
        {"CheckSyntaxAction", "tools-check-spelling", "check"},
        {"ViewInBrowserAction", "internet-web-browser", "browser"},
    };
    auto *bar = addToolBar(QStringLiteral("Tools"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    for (const auto &b : buttons) {
        if (!b.Action) {
            bar->addSeparator();
            continue;
        }
        QAction *action = Action(QString::fromLatin1(b.Action));
        if (!action)
            continue;
        const QIcon bundled(QStringLiteral(":/icons/%1.png").arg(QLatin1String(b.Bundled)));
        action->setIcon(QIcon::fromTheme(QString::fromLatin1(b.Theme), bundled));
        // The menus keep their text-only look.
        action->setIconVisibleInMenu(false);
        bar->addAction(action);
    }
}
