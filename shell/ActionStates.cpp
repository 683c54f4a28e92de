#include "shell/ActionStates.h"

#include <initializer_list>

WideString UndoKindName(uint8_t Kind)
{
    static const char16_t *const names[12] = {
        u"",
        u"text insertion",
        u"text deletion",
        u"backspace",
        u"line delete",
        u"text replacement",
        u"text movement",
        u"text copying",
        u"cursor movement",
        u"text overwrite",
        u"text indentation",
        u"// comment",
    };
    const unsigned k = Kind % 128u;
    return k < 12 ? names[k] : u"";
}

TActionStates ComputeActionStates(const TActionStateInput &In)
{
    TActionStates r;
    auto set = [&r](std::initializer_list<const char *> Names, bool Value) {
        for (const char *n : Names)
            r.Enabled[n] = Value;
    };
    set({"FileNewAction", "FileOpenAction"}, true);

    const bool projects = In.ProjectCount > 0;
    set({"ActionProjClose", "ActionProjAddActiveFile", "ActionProjAddAll", "ActionProjRemoveFile", "ActionProjToggle"},
        projects);
    set({"ActionProjNew", "ActionProjOpen"}, !projects);
    set({"ActionProjSetJSParent"}, projects && In.ProjectJSFileSelected);

    if (In.TabCount > 0) {
        set({"FileCloseAction", "FileCloseAllAction", "FileSaveAsAction", "PrintAction", "FTPAction",
             "SearchFindAction", "SearchNextAction", "HTMLSyntaxAction", "JavascriptSyntaxAction", "BothSyntaxAction",
             "NoSyntaxAction", "ShowEditorCmdsAction", "ShowCodeTreeAction", "CheckSyntaxAction"},
            true);
        set({"Javascript1", "HTML1", "SearchReplaceAction"}, !In.ReadOnly);
        set({"TreeViewExpandAction"}, !In.TreeExpanded);
        set({"TreeViewCollapseAction"}, In.TreeExpanded);
        set({"ViewInBrowserAction"}, !In.NoBrowser);
        set({"Nexteditortab1"}, In.TabCount >= 2);
        set({"EditUndoAction"}, In.CanUndo);
        r.UndoHint = In.CanUndo ? u"Undo " + UndoKindName(In.UndoKind) : WideString();
        set({"EditRedoAction"}, In.CanRedo);
        r.RedoHint = In.CanRedo ? u"Redo " + UndoKindName(In.RedoKind) : WideString();
        r.EditMode = In.ReadOnly ? u"Read only" : In.Inserting ? u"Insert" : u"Overwrite";
        set({"FileSaveAction", "FileSaveAllAction"}, In.Modified);
        set({"EditCopyAction", "EncHTMLEncAction", "EncURLEncAction", "EncURLDecAction", "EncEscapeJSAction",
             "CommentselectedLines1", "Uncommentselectedlines1"},
            In.SelAvail);
        set({"EditCutAction"}, !In.ReadOnly && In.SelAvail);
        set({"EditPasteAction"}, !In.ReadOnly && In.ClipboardHasText);
    } else {
        set({"ViewInBrowserAction",
             "Javascript1",
             "HTML1",
             "CheckSyntaxAction",
             "SearchFindAction",
             "SearchNextAction",
             "SearchReplaceAction",
             "HTMLSyntaxAction",
             "JavascriptSyntaxAction",
             "BothSyntaxAction",
             "NoSyntaxAction",
             "EditCopyAction",
             "EditCutAction",
             "EditPasteAction",
             "EditUndoAction",
             "EditRedoAction",
             "ShowEditorCmdsAction",
             "ShowCodeTreeAction",
             "Nexteditortab1",
             "FileCloseAction",
             "FileCloseAllAction",
             "FileSaveAction",
             "FileSaveAsAction",
             "FileSaveAllAction",
             "PrintAction",
             "FTPAction",
             "TreeViewExpandAction",
             "TreeViewCollapseAction",
             "ActionProjAddActiveFile",
             "ActionProjAddAll"},
            false);
        r.ClearAll = true;
    }
    return r;
}
