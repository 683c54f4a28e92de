#pragma once
// Editor command numbers and their identifiers.
#include "platform/Types.h"
#include <cstdint>

using TEditorCommand = uint16_t;

enum : TEditorCommand {
    ecNone = 0,
    ecLeft = 1,
    ecRight = 2,
    ecUp = 3,
    ecDown = 4,
    ecWordLeft = 5,
    ecWordRight = 6,
    ecLineStart = 7,
    ecLineEnd = 8,
    ecPageUp = 9,
    ecPageDown = 10,
    ecPageLeft = 11,
    ecPageRight = 12,
    ecPageTop = 13,
    ecPageBottom = 14,
    ecEditorTop = 15,
    ecEditorBottom = 16,
    ecGoto = 17,
    ecSelection = 100, // added to a caret move gives its selecting twin
    ecSelectLeft = 101,
    ecSelectRight = 102,
    ecSelectUp = 103,
    ecSelectDown = 104,
    ecSelectWordLeft = 105,
    ecSelectWordRight = 106,
    ecSelectLineStart = 107,
    ecSelectLineEnd = 108,
    ecSelectPageUp = 109,
    ecSelectPageDown = 110,
    ecSelectPageLeft = 111,
    ecSelectPageRight = 112,
    ecSelectPageTop = 113,
    ecSelectPageBottom = 114,
    ecSelectEditorTop = 115,
    ecSelectEditorBottom = 116,
    ecSelectGoto = 117,
    ecSelectAll = 199,
    ecDeleteLastChar = 401,
    ecDeleteChar = 402,
    ecDeleteWord = 403,
    ecDeleteLastWord = 404,
    ecDeleteBOL = 405,
    ecDeleteEOL = 406,
    ecDeleteLine = 407,
    ecClearAll = 408,
    ecLineBreak = 409,
    ecInsertLine = 410,
    ecChar = 411,
    ecUndo = 601,
    ecRedo = 602,
    ecCut = 603,
    ecCopy = 604,
    ecPaste = 605,
    ecScrollUp = 606,
    ecScrollDown = 607,
    ecScrollLeft = 608,
    ecScrollRight = 609,
    ecInsertMode = 610,
    ecOverwriteMode = 611,
    ecToggleMode = 612,
    ecBlockIndent = 613,
    ecBlockUnindent = 614,
    ecDelete = 615,
    ecGotoMarker0 = 701,
    ecGotoMarker9 = 710,
    ecToggleMarker0 = 751,
    ecToggleMarker9 = 760,
    ecUserFirst = 1001,
};

// Exact lookups in the identifier table.
bool IdentToEditorCommand(const AnsiString &ident, int &command);
bool EditorCommandToIdent(int command, AnsiString &ident);
// The identifier, or the number in decimal when there is none.
AnsiString EditorCommandToText(int command);
// The identifiers in table order (83 entries).
int EditorCommandCount();
void EditorCommandAt(int index, int &command, AnsiString &ident);
