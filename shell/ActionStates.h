#pragma once
// Which actions the window enables, and what the status bar and the undo hints say, for a given
// state of the active tab and the program. Pure rules: the window gathers the state, applies the
// result to its actions by name, and tests check the rules on made-up states.
#include "platform/Types.h"

#include <cstdint>
#include <map>
#include <string>

struct TActionStateInput {
    int TabCount = 0;
    // The active editor (read only when TabCount > 0).
    bool ReadOnly = false;
    bool Inserting = true;
    bool Modified = false;
    bool SelAvail = false;
    bool CanUndo = false;
    bool CanRedo = false;
    uint8_t UndoKind = 0; // kind of the record Undo would replay
    uint8_t RedoKind = 0;
    bool ClipboardHasText = false;
    bool NoBrowser = true;
    bool TreeExpanded = false;
    int ProjectCount = 0;
    // A node is selected in the project tree and its parent's text is "Javascript Files".
    bool ProjectJSFileSelected = false;
};

struct TActionStates {
    // Action and menu item names to their enabled state; names not listed keep theirs.
    std::map<std::string, bool> Enabled;
    WideString UndoHint, RedoHint;
    // Status panel 1 ("Read only", "Insert", "Overwrite"), empty with no tab.
    WideString EditMode;
    // With no tab: panels 0 to 2, the tree and the findings are emptied.
    bool ClearAll = false;
};

// Name of an undo record kind ("text insertion", ...); the kind is taken modulo 128.
WideString UndoKindName(uint8_t Kind);

TActionStates ComputeActionStates(const TActionStateInput &In);
