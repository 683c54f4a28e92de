#pragma once
// What the JavaScript and HTML menus insert into an editor, and where they leave the caret.
//
// Fixed fragments live in one table (FragmentItems) keyed by the menu item's name; fragments
// built from a dialog's fields have a builder each. ApplyInsertion puts an insertion into an
// editor: it replaces the selection by the text and then runs the caret steps. Nothing here
// needs a window, so every text and caret rule is tested on a bare editor.
#include "editor/EditorCommands.h"
#include "platform/Types.h"

#include <vector>

class TSyntaxEditCore;

// One step that places the caret after the text went in. CaretX and CaretY are the caret as
// the previous step left it; "start" is where the inserted text began.
enum class TCaretOp : uint8_t {
    None, // end of the steps
    FromCaret, // move to (CaretX + X, CaretY + DY), the column not below 0
    AtColumn, // move to (X, CaretY + DY)
    FromStart, // move to (start column + X, CaretY + DY)
    FromLineEnd, // move to (length of line CaretY + DY, plus X, CaretY + DY)
    Command, // run the editor command X
    SelectRight, // select from the caret to (CaretX + X, CaretY)
};

struct TCaretStep {
    TCaretOp Op = TCaretOp::None;
    int X = 0;
    int DY = 0;
};

// Which setting of XHTML a table row is for.
enum class TMarkupForm : uint8_t { Any, XHTML, HTML };

// A fixed menu fragment: Before + selection + After when it wraps the selection, Before alone
// (replacing the selection) when it does not.
struct TFragmentItem {
    const char *Name; // the menu item's (action's) name
    const char16_t *Caption; // the menu caption
    const char16_t *Before;
    const char16_t *After; // null: the fragment replaces the selection
    TCaretStep Steps[3];
    TMarkupForm Form = TMarkupForm::Any;
};

// The rows of one menu (the JavaScript menu or the HTML menu), in menu order; a name may have
// an XHTML row and an HTML row.
const std::vector<TFragmentItem> &JavaScriptFragmentItems();
const std::vector<TFragmentItem> &HTMLFragmentItems();
// The row of Name for the XHTML setting, null when there is none.
const TFragmentItem *FindFragmentItem(const std::vector<TFragmentItem> &Items, const char *Name, bool XHTML);

struct TInsertion {
    WideString Text;
    std::vector<TCaretStep> Steps;
    // Wrap the insertion and the caret steps in the editor's BeginUpdate/EndUpdate.
    bool Update = false;
};

TInsertion InsertionOf(const TFragmentItem &Item, const WideString &Selection);
// Inserts into Editor as described above. A read-only editor is left alone: false.
bool ApplyInsertion(TSyntaxEditCore &Editor, const TInsertion &Insertion);

// ---- texts taken from a menu caption
// The caption with its first "&" removed.
WideString CaptionText(const WideString &Caption);
// The captions of the string, window and frame, document and event items, which are also what
// they insert; the String functions are Tags 1 to 19.
extern const char16_t *const StringFunctionCaptions[19];
extern const char16_t *const WindowFunctionCaptions[3];
extern const char16_t *const DocumentFunctionCaptions[2];
extern const char16_t *const EventCaptions[10];

// ---- JavaScript fragments built from values
// The function header: the author line names the user, the computer (or that it stands
// alone) and the date; "fname" is selected afterwards.
TInsertion FunctionBlock(const WideString &UserName, const WideString &ComputerName, bool Networked,
                         const WideString &DateTime);

struct TMessageBoxFields {
    bool Alert = true, Confirm = false, Prompt = false;
    WideString Text, DefaultReply;
};
// The texts become JavaScript string literals whose value is the text as typed.
WideString MessageBoxText(const TMessageBoxFields &Fields);
// Text as a JavaScript string literal in double quotes that is also safe inside a page's script
// element: the HTML parser ends a script at "</script" and, after "<!--", treats "<script" as
// nesting, so "</", "<!" and "<script" (in any case) are written with a back slash after the
// "<" ("<\/", "<\!", "<\script"), which leaves the string's value as typed.
WideString ScriptStringLiteral(const WideString &Text);

// ---- HTML fragments built from dialogs
struct TTableFields {
    WideString Rows = u"2", Columns = u"2", Width = u"95", Border = u"1", Padding = u"4", Spacing = u"0";
};
// How building a table or list went: complete; stopped at a count that is not a number (the
// text built so far is used); or refused because it would exceed MaxInsertCells cells or items
// (nothing is built: a slip of the finger must not fill the memory).
enum class TBuildStatus : uint8_t { Complete, NotNumeric, TooLarge };
constexpr int64_t MaxInsertCells = 100000;

WideString TableText(const TTableFields &Fields, TBuildStatus &Status);
extern const char16_t *const TableNotCompleteMessage;
extern const char16_t *const TableTooLargeMessage;

struct TListFields {
    bool Ordered = true;
    WideString OrderedStyle = u"Default", UnorderedStyle = u"Default", Items = u"4";
};
// The list as the pieces it is inserted in; for a count that is not a number the pieces stop
// after the opening tag.
std::vector<WideString> ListPieces(const TListFields &Fields, TBuildStatus &Status);
extern const char16_t *const ListNotCompleteMessage;
extern const char16_t *const ListTooLargeMessage;

enum class TAnchorKind : uint8_t { External, Internal, Bookmark };
struct TAnchorFields {
    TAnchorKind Kind = TAnchorKind::External;
    WideString Text, URL = u"http://", Section = u"#", BkMark;
};
// The fields go in HTML-escaped; a bookmark is closed at once.
WideString AnchorText(const TAnchorFields &Fields);

// The image tag from the image dialog's fields, HTML-escaped; back slashes in the source become
// slashes.
WideString ImageText(const WideString &Src, const WideString &Alt, const WideString &Width, const WideString &Height,
                     bool XHTML);

// The colour items: Tag mod 10 names the source (1 16 colours, 2 web-safe, 3 named, 4 any),
// Tag div 10 the form (0 font tag around the selection, 1 in double quotes, 2 in single
// quotes, 3 bare).
TInsertion ColourInsertion(int Tag, const WideString &Colour, const WideString &Selection);
// "#RRGGBB" of a colour chosen in the colour dialog.
WideString ColourDialogText(int Red, int Green, int Blue);
