#pragma once
// Key bindings of the editor: each maps a virtual key with its shift state to a command.
#include "editor/EditorCommands.h"
#include "platform/Exception.h"
#include "platform/VirtualKeys.h"
#include <memory>
#include <vector>

QUILLMAR_EXCEPTION(EKeyException, Exception);

class TKeyStrokes;

class TKeyStroke {
public:
    explicit TKeyStroke(TKeyStrokes *collection) : FCollection(collection) {}

    uint16_t Key = 0;
    TShiftState Shift = 0;
    TEditorCommand Command = ecNone;

    TShortCut GetShortCut() const { return ShortCut(Key, Shift); }
    // Raises "Shortcut already exists" when another binding of the collection has it.
    void SetShortCut(TShortCut value);
    void Assign(const TKeyStroke &source);
    // "ecUndo - Ctrl+Z"
    AnsiString DisplayText() const;
    int Index() const;

private:
    TKeyStrokes *FCollection;
};

class TKeyStrokes {
public:
    TKeyStrokes() = default;
    TKeyStrokes(const TKeyStrokes &) = delete;
    TKeyStrokes &operator=(const TKeyStrokes &) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TKeyStroke &Items(int index) { return *FItems.at(static_cast<size_t>(index)); }
    const TKeyStroke &Items(int index) const { return *FItems.at(static_cast<size_t>(index)); }
    int IndexOf(const TKeyStroke *item) const;
    TKeyStroke &Add();
    // Adds a binding directly (duplicates allowed: the first one wins in lookups).
    TKeyStroke &Add(uint16_t key, TShiftState shift, TEditorCommand command);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    void Assign(const TKeyStrokes &source);
    int FindKey(uint16_t key, TShiftState shift) const;
    int FindShortCut(TShortCut shortCut) const;
    // The 75 default bindings.
    void ResetDefaults();

private:
    std::vector<std::unique_ptr<TKeyStroke>> FItems;
};
