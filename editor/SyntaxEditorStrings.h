#pragma once
// The editor's line list: a wide string list that tells its editor about every change, so
// the editor can keep its column map, its longest-line measure, its bookmarks and the
// screen in step. Objects[i] holds the highlighter range valid at the start of line i.
#include "text/WideStrings.h"

class TSyntaxEditCore;

class TSyntaxEditorStrings : public TWideStringList {
public:
    explicit TSyntaxEditorStrings(TSyntaxEditCore *editor) : FEditor(editor) {}

    int Add(const WideString &S) override;
    void Insert(int Index, const WideString &S) override;
    void InsertStrings(int Index, const std::vector<WideString> &Lines) override;
    void DeleteRange(int Index, int Count) override;
    void Delete(int Index) override;
    void Clear() override;
    void Put(int Index, const WideString &S) override;
    void SetTextStr(const WideString &Text) override;
    void LoadFromStream(TStream &Stream) override;
    // Both clear the modified marks and, unless eoUndoAfterSave, the undo list once the text is
    // saved (with the clear-on-save flag set); SaveToFile only after the file holds it.
    void SaveToStream(TStream &Stream) override;
    void SaveToFile(const AnsiString &FileName) override;

    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    bool ClearModifiedOnSave() const { return FClearModifiedOnSave; }
    void SetClearModifiedOnSave(bool value) { FClearModifiedOnSave = value; }

    // The highlighter range stored for a line; storing it is not a change of the text.
    intptr_t Range(int Index) const { return reinterpret_cast<intptr_t>(GetObject(Index)); }
    void SetRange(int Index, intptr_t value);

    // While silent, changes reach neither OnChange nor the editor's change handler.
    bool Silent() const { return FSilent > 0; }
    void BeginSilent() { ++FSilent; }
    void EndSilent() { --FSilent; }

protected:
    void Changed() override;
    // A load's lines, without trailing blanks unless the editor keeps them, as Add would take them.
    void AddLoadedLines(TLoadedText &Text) override;

private:
    void TakeSavedState();

    TSyntaxEditCore *FEditor;
    bool FModified = false;
    bool FSavingFile = false;
    bool FClearModifiedOnSave = true;
    int FSilent = 0;
};
