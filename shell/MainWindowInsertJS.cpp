// The JavaScript menu: script blocks, statements, operators, built-in functions, texts named by
// their menu captions, the function header and message boxes built from their dialog.
#include "shell/MainWindow.h"

#include "editor/SyntaxEdit.h"
#include "platform/QtConvert.h"
#include "shell/InsertDialogs.h"
#include "shell/InsertFragments.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>

TSyntaxEdit *TfrmQuillmarMain::InsertTarget() const
{
    TSyntaxEdit *e = ActiveEditor();
    return e && !e->HasOption(eoReadOnly) ? e : nullptr;
}

void TfrmQuillmarMain::InsertFragment(const std::vector<TFragmentItem> &Items, const char *Name)
{
    TSyntaxEdit *e = InsertTarget();
    const TFragmentItem *item = FindFragmentItem(Items, Name, Settings.XHTML);
    if (e && item)
        ApplyInsertion(*e, InsertionOf(*item, e->GetSelText()));
}

void TfrmQuillmarMain::CreateInsertJSActions()
{
    if (!FInsertTools)
        FInsertTools = new TInsertTools(this);
    QMenu *js = menuBar()->addMenu(QStringLiteral("&Javascript"));
    js->setObjectName(QStringLiteral("Javascript1"));
    FMenus[QStringLiteral("Javascript1")] = js;
    auto subMenu = [this](QMenu *Parent, const char *Name, const QString &Caption) {
        QMenu *m = Parent->addMenu(Caption);
        m->setObjectName(QString::fromLatin1(Name));
        FMenus[QString::fromLatin1(Name)] = m;
        return m;
    };
    auto fragment = [this](QMenu *Menu, const char *Name) {
        const TFragmentItem *item = FindFragmentItem(JavaScriptFragmentItems(), Name, false);
        AddAction(Menu, QString::fromLatin1(Name), ToQString(item->Caption), QKeySequence(),
                  [this, Name] { InsertFragment(JavaScriptFragmentItems(), Name); });
    };
    // Items whose caption is the text they insert.
    auto captions = [this](QMenu *Menu, const char *Prefix, const char16_t *const *Captions, int Count) {
        for (int i = 0; i < Count; ++i) {
            const QString name = QString::fromLatin1(Prefix) + QString::number(i + 1);
            QAction *a = AddAction(Menu, name, ToQString(Captions[i]), QKeySequence(), [this, name] {
                TSyntaxEdit *e = InsertTarget();
                if (QAction *item = Action(name); e && item)
                    ApplyInsertion(*e, TInsertion{CaptionText(ToWideString(item->text())), {}, false});
            });
            a->setProperty("Tag", i + 1);
        }
    };

    fragment(js, "SCRIPTBlock1");
    fragment(js, "SCRIPTBlockrunatserver1");
    fragment(js, "NOSCRIPTBlock1");
    js->addSeparator();
    AddAction(js, QStringLiteral("functionblock1"), QStringLiteral("&function block"), QKeySequence(),
              [this] { functionblock1Click(); });
    js->addSeparator();
    QMenu *statements = subMenu(js, "Statements1", QStringLiteral("S&tatements"));
    for (const char *n : {"ifonewaydecision1", "ifelsetwowaydecision1", "switchmultiwaydecision1", "forcountingloop1",
                          "whileconditionalloop1", "dowhileconditionalloop1"})
        fragment(statements, n);
    QMenu *operators = subMenu(js, "Operators1", QStringLiteral("&Operators"));
    for (const char *n : {"Equals1", "NotEquals1", "LessThan1", "GreaterThan1", "LessOrEqual1", "GreaterOrEqual1",
                          "And1", "Or1", "Not1"})
        fragment(operators, n);
    QMenu *builtIn = subMenu(js, "BuiltInFunctions1", QStringLiteral("&Built-in functions"));
    for (const char *n : {"parseInt1", "parseFloat1", "isNaN1"})
        fragment(builtIn, n);
    captions(subMenu(js, "StringFunctions1", QStringLiteral("S&tring functions")), "StringFunction",
             StringFunctionCaptions, 19);
    captions(subMenu(js, "WindowFunctions1", QStringLiteral("&Window && frame functions")), "WindowFunction",
             WindowFunctionCaptions, 3);
    captions(subMenu(js, "DocumentFunctions1", QStringLiteral("&Document functions")), "DocumentFunction",
             DocumentFunctionCaptions, 2);
    captions(subMenu(js, "Events1", QStringLiteral("&Events")), "Event", EventCaptions, 10);
    js->addSeparator();
    fragment(js, "Comment1");
    fragment(js, "documentwriteln1");
    AddAction(js, QStringLiteral("Messageboxalertconfirmprompt1"),
              QStringLiteral("&Message box (alert, confirm, prompt)"), QKeySequence(),
              [this] { Messageboxalertconfirmprompt1Click(); });
}

void TfrmQuillmarMain::functionblock1Click()
{
    TSyntaxEdit *e = InsertTarget();
    if (!e)
        return;
    const QString date = QLocale().toString(FInsertTools->Clock(), QLocale::ShortFormat);
    ApplyInsertion(
        *e, FunctionBlock(FInsertTools->UserName, FInsertTools->ComputerName, RunsFromNetwork(), ToWideString(date)));
}

void TfrmQuillmarMain::Messageboxalertconfirmprompt1Click()
{
    TSyntaxEdit *e = InsertTarget();
    if (!e)
        return;
    TfrmMessageBox &d = *FInsertTools->frmMessageBox;
    d.RadioButtonClick();
    if (FInsertTools->RunDialog(d) != QDialog::Accepted)
        return;
    if (TSyntaxEdit *target = InsertTarget())
        ApplyInsertion(*target, TInsertion{MessageBoxText(d.Fields()), {}, false});
}
