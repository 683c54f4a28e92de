#include "editor/EditorCommands.h"
#include <iterator>

namespace {
struct TIdentEntry {
    int Command;
    const char *Ident;
};

// Searched in this order.
const TIdentEntry Idents[] = {
    {0, "ecNone"},
    {1, "ecLeft"},
    {2, "ecRight"},
    {3, "ecUp"},
    {4, "ecDown"},
    {5, "ecWordLeft"},
    {6, "ecWordRight"},
    {7, "ecLineStart"},
    {8, "ecLineEnd"},
    {9, "ecPageUp"},
    {10, "ecPageDown"},
    {11, "ecPageLeft"},
    {12, "ecPageRight"},
    {13, "ecPageTop"},
    {14, "ecPageBottom"},
    {15, "ecEditorTop"},
    {16, "ecEditorBottom"},
    {17, "ecGoto"},
    {101, "ecSelectLeft"},
    {102, "ecSelectRight"},
    {103, "ecSelectUp"},
    {104, "ecSelectDown"},
    {105, "ecSelectWordLeft"},
    {106, "ecSelectWordRight"},
    {107, "ecSelectLineStart"},
    {108, "ecSelectLineEnd"},
    {109, "ecSelectPageUp"},
    {110, "ecSelectPageDown"},
    {111, "ecSelectPageLeft"},
    {112, "ecSelectPageRight"},
    {113, "ecSelectPageTop"},
    {114, "ecSelectPageBottom"},
    {115, "ecSelectEditorTop"},
    {116, "ecSelectEditorBottom"},
    {117, "ecSelectGoto"},
    {199, "ecSelectAll"},
    {401, "ecDeleteLastChar"},
    {402, "ecDeleteChar"},
    {403, "ecDeleteWord"},
    {404, "ecDeleteLastWord"},
    {405, "ecDeleteBOL"},
    {406, "ecDeleteEOL"},
    {407, "ecDeleteLine"},
    {408, "ecClearAll"},
    {409, "ecLineBreak"},
    {410, "ecInsertLine"},
    {411, "ecChar"},
    {601, "ecUndo"},
    {602, "ecRedo"},
    {603, "ecCut"},
    {604, "ecCopy"},
    {605, "ecPaste"},
    {606, "ecScrollUp"},
    {607, "ecScrollDown"},
    {608, "ecScrollLeft"},
    {609, "ecScrollRight"},
    {610, "ecInsertMode"},
    {611, "ecOverwriteMode"},
    {612, "ecToggleMode"},
    {613, "ecBlockIndent"},
    {614, "ecBlockUnindent"},
    {615, "ecDelete"},
    {1001, "ecUserFirst"},
    {701, "ecGotoMarker0"},
    {702, "ecGotoMarker1"},
    {703, "ecGotoMarker2"},
    {704, "ecGotoMarker3"},
    {705, "ecGotoMarker4"},
    {706, "ecGotoMarker5"},
    {707, "ecGotoMarker6"},
    {708, "ecGotoMarker7"},
    {709, "ecGotoMarker8"},
    {710, "ecGotoMarker9"},
    {751, "ecToggleMarker0"},
    {752, "ecToggleMarker1"},
    {753, "ecToggleMarker2"},
    {754, "ecToggleMarker3"},
    {755, "ecToggleMarker4"},
    {756, "ecToggleMarker5"},
    {757, "ecToggleMarker6"},
    {758, "ecToggleMarker7"},
    {759, "ecToggleMarker8"},
    {760, "ecToggleMarker9"},
};
} // namespace

bool IdentToEditorCommand(const AnsiString &ident, int &command)
{
    for (const TIdentEntry &e : Idents)
        if (ident == e.Ident) {
            command = e.Command;
            return true;
        }
    return false;
}

bool EditorCommandToIdent(int command, AnsiString &ident)
{
    for (const TIdentEntry &e : Idents)
        if (e.Command == command) {
            ident = e.Ident;
            return true;
        }
    return false;
}

AnsiString EditorCommandToText(int command)
{
    AnsiString ident;
    if (EditorCommandToIdent(command, ident))
        return ident;
    return std::to_string(command);
}

int EditorCommandCount()
{
    return static_cast<int>(std::size(Idents));
}

void EditorCommandAt(int index, int &command, AnsiString &ident)
{
    const TIdentEntry &e = Idents[static_cast<size_t>(index)];
    command = e.Command;
    ident = e.Ident;
}
