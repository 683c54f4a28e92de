#include "editor/KeyStrokes.h"

void TKeyStroke::SetShortCut(TShortCut value)
{
    if (value != 0 && FCollection) {
        const int found = FCollection->FindShortCut(value);
        if (found >= 0 && &FCollection->Items(found) != this)
            throw EKeyException("Shortcut already exists");
    }
    ShortCutToKey(value, Key, Shift);
}

void TKeyStroke::Assign(const TKeyStroke &source)
{
    Key = source.Key;
    Shift = source.Shift;
    Command = source.Command;
}

AnsiString TKeyStroke::DisplayText() const
{
    return EditorCommandToText(Command) + " - " + ShortCutToText(GetShortCut());
}

int TKeyStroke::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

int TKeyStrokes::IndexOf(const TKeyStroke *item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

TKeyStroke &TKeyStrokes::Add()
{
    FItems.push_back(std::make_unique<TKeyStroke>(this));
    return *FItems.back();
}

TKeyStroke &TKeyStrokes::Add(uint16_t key, TShiftState shift, TEditorCommand command)
{
    TKeyStroke &k = Add();
    k.Key = key;
    k.Shift = shift;
    k.Command = command;
    return k;
}

void TKeyStrokes::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    FItems.erase(FItems.begin() + index);
}

void TKeyStrokes::Assign(const TKeyStrokes &source)
{
    if (&source == this)
        return;
    Clear();
    for (const auto &item : source.FItems)
        Add().Assign(*item);
}

int TKeyStrokes::FindKey(uint16_t key, TShiftState shift) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Key == key && FItems[i]->Shift == shift)
            return static_cast<int>(i);
    return -1;
}

int TKeyStrokes::FindShortCut(TShortCut shortCut) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->GetShortCut() == shortCut)
            return static_cast<int>(i);
    return -1;
}

void TKeyStrokes::ResetDefaults()
{
    Clear();
    const TShiftState S = ssShift, C = ssCtrl, A = ssAlt;
    const struct {
        uint16_t Key;
        TShiftState Shift;
        TEditorCommand Command;
    } rows[] = {
        {VK_UP, S, ecSelectUp},
        {VK_UP, 0, ecUp},
        {VK_UP, C, ecScrollUp},
        {VK_DOWN, 0, ecDown},
        {VK_DOWN, S, ecSelectDown},
        {VK_DOWN, C, ecScrollDown},
        {VK_LEFT, 0, ecLeft},
        {VK_LEFT, S, ecSelectLeft},
        {VK_LEFT, C, ecWordLeft},
        {VK_LEFT, S | C, ecSelectWordLeft},
        {VK_RIGHT, 0, ecRight},
        {VK_RIGHT, S, ecSelectRight},
        {VK_RIGHT, C, ecWordRight},
        {VK_RIGHT, S | C, ecSelectWordRight},
        {VK_NEXT, 0, ecPageDown},
        {VK_NEXT, S, ecSelectPageDown},
        {VK_NEXT, C, ecPageBottom},
        {VK_NEXT, S | C, ecSelectPageBottom},
        {VK_PRIOR, 0, ecPageUp},
        {VK_PRIOR, S, ecSelectPageUp},
        {VK_PRIOR, C, ecPageTop},
        {VK_PRIOR, S | C, ecSelectPageTop},
        {VK_HOME, 0, ecLineStart},
        {VK_HOME, S, ecSelectLineStart},
        {VK_HOME, C, ecEditorTop},
        {VK_HOME, S | C, ecSelectEditorTop},
        {VK_END, 0, ecLineEnd},
        {VK_END, S, ecSelectLineEnd},
        {VK_END, C, ecEditorBottom},
        {VK_END, S | C, ecSelectEditorBottom},
        {VK_INSERT, 0, ecToggleMode},
        {'V', C, ecPaste},
        {VK_INSERT, S, ecPaste},
        {VK_DELETE, 0, ecDeleteChar},
        {VK_BACK, 0, ecDeleteLastChar},
        {VK_BACK, C, ecDeleteLastWord},
        {'Z', C, ecUndo},
        {VK_BACK, A, ecUndo},
        {'Z', S | C, ecRedo},
        {VK_BACK, S | A, ecRedo},
        {VK_RETURN, 0, ecLineBreak},
        {'M', C, ecLineBreak},
        {'A', C, ecSelectAll},
        {'C', C, ecCopy},
        {VK_INSERT, C, ecCopy},
        {'X', C, ecCut},
        {VK_DELETE, S, ecCut},
        {'I', S | C, ecBlockIndent},
        {'N', C, ecInsertLine},
        {'T', C, ecDeleteWord},
        {VK_DELETE, C, ecDeleteWord},
        {'U', S | C, ecBlockUnindent},
        {'Y', C, ecDeleteLine},
        {'Y', S | C, ecDeleteEOL},
        {'B', S | C, ecDeleteBOL},
    };
    for (const auto &r : rows)
        Add(r.Key, r.Shift, r.Command);
    for (int i = 0; i <= 9; ++i)
        Add(static_cast<uint16_t>('0' + i), C, static_cast<TEditorCommand>(ecGotoMarker0 + i));
    for (int i = 0; i <= 9; ++i)
        Add(static_cast<uint16_t>('0' + i), S | C, static_cast<TEditorCommand>(ecToggleMarker0 + i));
}
