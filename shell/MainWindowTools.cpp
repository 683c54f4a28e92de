// The web text encoders of the Edit menu and the editor's pop-up menu, and the reference windows of
// the Tools menu.
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
    QMenu *tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("Tools1"));
    FMenus[QStringLiteral("Tools1")] = tools;
    AddAction(tools, QStringLiteral("Ascicodereference1"), QStringLiteral("Ascii code reference"), QKeySequence(),
              show(frmAsciRef));
    AddAction(tools, QStringLiteral("BuiltinBrowserandDOMreference1"),
              QStringLiteral("Builtin, Browser and DOM reference"), QKeySequence(), show(frmBuiltinRef));
    AddAction(tools, QStringLiteral("ShowCodeTreeAction"), QStringLiteral("Show Javascript Code Tree"), QKeySequence(),
              show(frmCodeTree));
    if (QMenu *popup = Menu(QStringLiteral("PopupMenuActivePage"))) {
        popup->addAction(Action(QStringLiteral("Ascicodereference1")));
        popup->addAction(Action(QStringLiteral("BuiltinBrowserandDOMreference1")));
    }
}
