// The Edit, Search and View menus: clipboard and undo, find and replace through the find dialog,
// search again, the highlighter of the active tab, the editor-commands window.
#include "shell/MainWindow.h"

#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxEdit.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "editor/KeyStrokes.h"
#include "shell/EditorCmds.h"
#include "shell/FindDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>

void TfrmQuillmarMain::CreateEditActions()
{
    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    FMenus[QStringLiteral("Edit1")] = edit;
    // The editor binds these keys itself; the shortcuts reach the actions when the focus is elsewhere.
    auto onEditor = [this](void (TSyntaxEditCore::*Operation)()) {
        return [this, Operation] {
            if (TSyntaxEdit *e = ActiveEditor())
                (e->*Operation)();
        };
    };
    AddAction(edit, QStringLiteral("EditUndoAction"), QStringLiteral("&Undo"), QKeySequence(QStringLiteral("Ctrl+Z")),
              onEditor(&TSyntaxEditCore::Undo));
    AddAction(edit, QStringLiteral("EditRedoAction"), QStringLiteral("&Redo"),
              QKeySequence(QStringLiteral("Shift+Ctrl+Z")), onEditor(&TSyntaxEditCore::Redo));
    edit->addSeparator();
    AddAction(edit, QStringLiteral("EditCutAction"), QStringLiteral("Cu&t"), QKeySequence(QStringLiteral("Ctrl+X")),
              onEditor(&TSyntaxEditCore::CutToClipboard));
    AddAction(edit, QStringLiteral("EditCopyAction"), QStringLiteral("&Copy"), QKeySequence(QStringLiteral("Ctrl+C")),
              onEditor(&TSyntaxEditCore::CopyToClipboard));
    AddAction(edit, QStringLiteral("EditPasteAction"), QStringLiteral("&Paste"), QKeySequence(QStringLiteral("Ctrl+V")),
              onEditor(&TSyntaxEditCore::PasteFromClipboard));

    QMenu *search = menuBar()->addMenu(QStringLiteral("&Search"));
    search->setObjectName(QStringLiteral("Search1"));
    FMenus[QStringLiteral("Search1")] = search;
    AddAction(search, QStringLiteral("SearchFindAction"), QStringLiteral("Find..."),
              QKeySequence(QStringLiteral("Ctrl+F")), [this] { SearchFindActionExecute(0); });
    AddAction(search, QStringLiteral("SearchReplaceAction"), QStringLiteral("Replace..."),
              QKeySequence(QStringLiteral("Ctrl+R")), [this] { SearchFindActionExecute(1); });
    AddAction(search, QStringLiteral("SearchNextAction"), QStringLiteral("Search again"),
              QKeySequence(QStringLiteral("F3")), [this] { SearchNextActionExecute(); });

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    FMenus[QStringLiteral("View1")] = view;
    auto *group = new QActionGroup(this);
    const struct {
        const char *Name, *Caption;
        THighlightChoice Choice;
    } choices[] = {
        {"HTMLSyntaxAction", "HTML Syntax highlighting", THighlightChoice::HTML},
        {"JavascriptSyntaxAction", "Javascript Syntax highlighting", THighlightChoice::Javascript},
        {"BothSyntaxAction", "Both HTML and Javascript Syntax highlighting", THighlightChoice::Both},
        {"NoSyntaxAction", "No Syntax highlighting", THighlightChoice::None},
    };
    for (const auto &c : choices) {
        const THighlightChoice choice = c.Choice;
        QAction *a = AddAction(view, QString::fromLatin1(c.Name), QString::fromLatin1(c.Caption), QKeySequence(),
                               [this, choice] { ChooseHighlighter(choice); });
        a->setCheckable(true);
        group->addAction(a);
    }
    CheckHighlighterItem();
    view->addSeparator();
    AddAction(view, QStringLiteral("ShowEditorCmdsAction"), QStringLiteral("Show editor commands"), QKeySequence(),
              [this] { ShowEditorCmdsActionExecute(); });
    AddAction(view, QStringLiteral("Nexteditortab1"), QStringLiteral("Next editor tab\tCtrl+Tab"), QKeySequence(),
              [this] { SelectNextTab(); });

    // The editors' pop-up menu offers the edit actions too.
    if (QMenu *popup = Menu(QStringLiteral("PopupMenuActivePage"))) {
        popup->addSeparator();
        for (const char *name : {"EditUndoAction", "EditRedoAction", "EditCutAction", "EditCopyAction",
                                 "EditPasteAction", "SearchFindAction", "ShowEditorCmdsAction"})
            popup->addAction(Action(QString::fromLatin1(name)));
    }
    FFindDialog = new TSyntaxFindDialog(this);
    FEditorCmds = new TfrmEditorCmds(this);
    RunFindDialog = [](TSyntaxFindDialog &Dialog) { return Dialog.exec(); };
}

// ============================================================================ search

void TfrmQuillmarMain::SearchFindActionExecute(int Tag)
{
    TSyntaxEdit *editor = ActiveEditor();
    if (!editor)
        return;
    TSyntaxFindDialog &d = *FFindDialog;
    (Tag == 0 ? d.SearchRadioButton : d.ReplaceRadioButton)->setChecked(true);
    if (editor->SelAvail()) {
        d.SetFindText(ToQString(editor->GetSelText()));
        d.SelectedRadioButton->setChecked(true);
    } else {
        d.GlobalRadioButton->setChecked(true);
        TTextPoint begin, end;
        WideString word;
        const TTextPoint caret = editor->GetCaretXY();
        editor->GetWordAtPos(caret, begin, word, end);
        if (!word.empty() && caret.X >= begin.X && caret.X <= end.X)
            d.SetFindText(ToQString(word));
    }
    d.Activate();
    const int result = RunFindDialog ? RunFindDialog(d) : QDialog::Rejected;
    if (result == QDialog::Rejected)
        return;
    FFindOptions = FindOptionWord(d.Choices(result));
    const WideString text = ToWideString(d.FindText());
    if (editor->SearchReplace(text, ToWideString(d.NewText()), FFindOptions) == 0)
        MessageDlg(u"No further occurence of '" + text + u"' found.", TMsgDlgType::mtInformation, mbOK);
}

void TfrmQuillmarMain::SearchNextActionExecute()
{
    TSyntaxEdit *editor = ActiveEditor();
    if (!editor)
        return;
    if (FFindDialog->FindText().isEmpty()) {
        SearchFindActionExecute(0);
        return;
    }
    const WideString text = ToWideString(FFindDialog->FindText());
    // On from the caret through the whole text, whatever the last search's origin and scope.
    if (editor->SearchReplace(text, ToWideString(FFindDialog->NewText()), FFindOptions & 0xFEFD) == 0)
        MessageDlg(u"No further occurence of '" + text + u"' found.", TMsgDlgType::mtInformation, mbOK);
}

void TfrmQuillmarMain::SyntaxEditReplaceText(const WideString &Search, TReplaceAction &Action)
{
    switch (MessageDlg(u"Replace this occurrence of \"" + Search + u"\"", TMsgDlgType::mtConfirmation,
                       mbYes | mbNo | mbCancel | mbYesToAll)) {
    case mrYes: Action = raReplace; break;
    case mrNo: Action = raSkip; break;
    case mrYesToAll:
    case mrAll: Action = raReplaceAll; break;
    default: Action = raCancel; break;
    }
}

// ============================================================================ view

std::optional<TfrmQuillmarMain::THighlightChoice> TfrmQuillmarMain::HighlightChoiceFor(const WideString &FileName)
{
    // The extension of the name's last part only: a folder called "x.js" says nothing of its files.
    const WideString::size_type slash = FileName.rfind(u'/');
    const WideString::size_type dot = FileName.rfind(u'.');
    if (dot == WideString::npos || (slash != WideString::npos && dot < slash))
        return std::nullopt;
    const QString ext = ToQString(FileName.substr(dot + 1)).toLower();
    if (ext == QLatin1String("js") || ext == QLatin1String("svg"))
        return THighlightChoice::Javascript;
    static const char *const pages[] = {"htm", "html", "shtml", "xhtml", "asp", "aspx", "php", "php3", "php4"};
    for (const char *page : pages)
        if (ext == QLatin1String(page))
            return THighlightChoice::Both;
    return std::nullopt;
}

void TfrmQuillmarMain::ChooseHighlighter(THighlightChoice Choice)
{
    TSyntaxEdit *editor = ActiveEditor();
    if (!editor)
        return;
    SetEditorHighlighter(*editor, Choice);
    Settings.HTMLHighlight = Choice == THighlightChoice::HTML;
    Settings.JavaHighlight = Choice == THighlightChoice::Javascript;
    Settings.BothHighlight = Choice == THighlightChoice::Both;
    Settings.NoHighlight = Choice == THighlightChoice::None;
    CheckHighlighterItem();
}

void TfrmQuillmarMain::SetEditorHighlighter(TSyntaxEdit &Editor, THighlightChoice Choice)
{
    THTMLHighlighter &html = *FHTMLHighlighter;
    switch (Choice) {
    case THighlightChoice::HTML:
        // The HTML highlighter is shared: every tab using it loses the embedded colouring.
        html.SetJavaScriptHighLighter(nullptr);
        Editor.SetHighLighter(&html);
        break;
    case THighlightChoice::Javascript: Editor.SetHighLighter(FJavaScriptHighlighter.get()); break;
    case THighlightChoice::Both:
        // Off first, so the editor registers again and rescans with the changed highlighter.
        Editor.SetHighLighter(nullptr);
        html.SetJavaScriptHighLighter(FJavaScriptHighlighter.get());
        Editor.SetHighLighter(&html);
        break;
    case THighlightChoice::None: Editor.SetHighLighter(nullptr); break;
    }
    Editor.viewport()->update();
}

void TfrmQuillmarMain::HighlightForFile(TSyntaxEdit &Editor, const WideString &FileName)
{
    const std::optional<THighlightChoice> choice = HighlightChoiceFor(FileName);
    if (!choice)
        return;
    SetEditorHighlighter(Editor, *choice);
    if (&Editor == ActiveEditor())
        ShowHighlighterOf(Editor);
}

void TfrmQuillmarMain::ShowHighlighterOf(const TSyntaxEdit &Editor)
{
    TSyntaxHighlighter *h = Editor.HighLighter();
    Settings.BothHighlight = h == FHTMLHighlighter.get() && FHTMLHighlighter->JavaScriptHighLighter();
    Settings.HTMLHighlight = h == FHTMLHighlighter.get() && !FHTMLHighlighter->JavaScriptHighLighter();
    Settings.JavaHighlight = h == FJavaScriptHighlighter.get();
    Settings.NoHighlight = h == nullptr;
    CheckHighlighterItem();
}

void TfrmQuillmarMain::CheckHighlighterItem()
{
    const char *name = Settings.BothHighlight   ? "BothSyntaxAction"
                       : Settings.HTMLHighlight ? "HTMLSyntaxAction"
                       : Settings.JavaHighlight ? "JavascriptSyntaxAction"
                                                : "NoSyntaxAction";
    if (QAction *a = Action(QString::fromLatin1(name)))
        a->setChecked(true);
}

void TfrmQuillmarMain::ShowEditorCmdsActionExecute()
{
    TSyntaxEdit *editor = ActiveEditor();
    if (!editor)
        return;
    // A key the window takes before the editor (File > New on Ctrl+N) shows the window's command.
    FEditorCmds->Fill(editor->Keystrokes(), [this](const TKeyStroke &Stroke) {
        const QAction *action = WindowFirstAction(Stroke.Key, Stroke.Shift);
        return action ? MenuPath(*action) : QString();
    });
    const QRect g = geometry();
    FEditorCmds->setGeometry(g.left() + g.width() - FEditorCmds->width() - 5, g.top() + PageControl1->y() + 11,
                             FEditorCmds->width(), std::max(200, PageControl1->height()));
    FEditorCmds->show();
    FEditorCmds->raise();
}

QString TfrmQuillmarMain::MenuPath(const QAction &Action) const
{
    const QString item = QString(Action.text()).remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
    for (const QAction *top : menuBar()->actions())
        if (const QMenu *menu = top->menu(); menu && menu->actions().contains(&Action))
            return QString(menu->title()).remove(QLatin1Char('&')) + QStringLiteral(" > ") + item;
    return item;
}
