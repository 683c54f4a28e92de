// The web text encoders of the Edit menu and the editor's pop-up menu, and the reference windows of
// the View menu and the editor's pop-up menu.
#include "shell/MainWindow.h"

#include "editor/SyntaxEdit.h"
#include "platform/QtConvert.h"
#include "shell/ReferenceWindows.h"
#include "shell/WebUtil.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

void TfrmQuillmarMain::CopyToClipboardUnicode(const WideString &Text)
{
    QApplication::clipboard()->setText(ToQString(Text));
}

void TfrmQuillmarMain::CreateToolsActions()
{
    // Each encoder converts the active editor's selection and leaves the result on the clipboard;
    // the selection itself is not changed.
    auto encoder = [this](WideString (*Convert)(const WideString &)) {
        return [this, Convert] {
            TSyntaxEdit *e = ActiveEditor();
            if (!e || !e->SelAvail())
                return;
            CopyToClipboardUnicode(Convert(e->GetSelText()));
        };
    };
    auto *encoding = new QMenu(QStringLiteral("Encoding HTML, URL ..."), this);
    encoding->setObjectName(QStringLiteral("EditEncMenu"));
    FMenus[QStringLiteral("EditEncMenu")] = encoding;
    QAction *parent = encoding->menuAction();
    parent->setObjectName(QStringLiteral("EditEncAction"));
    parent->setStatusTip(QStringLiteral("Encode (decode) HTML, URL escape Javascript strings"));
    parent->setToolTip(parent->statusTip());
    FActions[QStringLiteral("EditEncAction")] = parent;
    const struct {
        const char *Name, *Caption;
        WideString (*Convert)(const WideString &);
    } encoders[] = {
        {"EncHTMLEncAction", "HTML Encode", &HTMLEncodeWide},
        {"EncURLEncAction", "URL Encode", &URLEncodeWide},
        {"EncURLDecAction", "URL Decode", &URLDecodeWide},
        {"EncEscapeJSAction", "Escape Javascript String", &EscapeJSStringWide},
    };
    for (const auto &c : encoders) {
        QAction *a = AddAction(encoding, QString::fromLatin1(c.Name), QString::fromLatin1(c.Caption), QKeySequence(),
                               encoder(c.Convert));
        a->setStatusTip(QStringLiteral("Result placed on clipboard"));
        a->setToolTip(a->statusTip());
    }
    if (QMenu *edit = Menu(QStringLiteral("Edit1"))) {
        edit->addSeparator();
        edit->addMenu(encoding);
    }
    if (QMenu *popup = Menu(QStringLiteral("PopupMenuActivePage"))) {
        popup->addSeparator();
        popup->addMenu(encoding);
    }

    frmAsciRef = new TfrmAsciRef(this, &CopyToClipboardUnicode);
    frmBuiltinRef = new TfrmBuiltinRef(this);
    frmCodeTree = new TfrmCodeTree(this, [this](const WideString &Text) {
        if (TSyntaxEdit *e = ActiveEditor())
            e->SetSelText(Text);
    });

    // A reference window opens beside the window's right edge, level with the editor tabs.
    auto show = [this](QWidget *Window) {
        return [this, Window] {
            const int top = PageControl1->mapTo(this, QPoint(0, 0)).y() + (frameGeometry().height() - height()) + 11;
            ShowReferenceWindow(*Window, *this, top, PageControl1->height());
        };
    };
    // The reference windows sit where the tips of the day send the user: in the View menu and the
    // editor's pop-up menu, each right after "Show editor commands".
    const struct {
        const char *Name, *Caption;
        QWidget *Window;
    } references[] = {
        {"Ascicodereference1", "Ascii code reference", frmAsciRef},
        {"BuiltinBrowserandDOMreference1", "Builtin, Browser and DOM reference", frmBuiltinRef},
        {"ShowCodeTreeAction", "Show Javascript Code Tree", frmCodeTree},
    };
    QList<QAction *> made;
    for (const auto &r : references)
        made << AddAction(nullptr, QString::fromLatin1(r.Name), QString::fromLatin1(r.Caption), QKeySequence(),
                          show(r.Window));
    for (const char *menu : {"View1", "PopupMenuActivePage"})
        if (QMenu *m = Menu(QString::fromLatin1(menu))) {
            const QList<QAction *> items = m->actions();
            const qsizetype cmds = items.indexOf(Action(QStringLiteral("ShowEditorCmdsAction")));
            QAction *before = cmds >= 0 && cmds + 1 < items.size() ? items[cmds + 1] : nullptr;
            m->insertActions(before, made);
        }
}
