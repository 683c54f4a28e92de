#pragma once
// The document record of one editor tab: which file the tab holds, when that file last changed on
// disk, the parent page of an include tab, the tab's include lists and the navigation tree and
// findings the tab's last check produced. The main window keeps one record per tab and frees it
// with the tab.
#include "checker/FindingRecord.h"
#include "checker/NavTree.h"
#include "controls/TreeNTNodes.h"
#include "platform/StringList.h"
#include "platform/Types.h"

#include <cstdint>
#include <memory>
#include <vector>

class TfrmQuillmarMain;
class TCustomTreeNT;

// A file's modification stamp in nanoseconds since the epoch and its size in bytes, both -1 when
// the file does not exist.
struct TFileStamp {
    int64_t Age = -1;
    int64_t Size = -1;
};
TFileStamp FileStampOf(const WideString &FileName);

class TTarnFile {
public:
    TTarnFile(TfrmQuillmarMain *Main, WideString FileName, WideString ParentName);

    TfrmQuillmarMain *Main = nullptr;
    // The path for a file from disk, "newfile" and a number for a new file, "http: " and the
    // file part of the URL for a fetched include.
    WideString FileName;
    bool Checked = false;
    int64_t FileAge = -1;
    // The file's size when the stamp was taken: a change within one tick of a coarse clock still shows.
    int64_t FileSize = -1;
    // For an include tab, the editor file name of the tab that included it.
    WideString ParentName;
    // Include N is entry N-1; names are unique without regard to case.
    TStringList Includes;
    TStringList ServerIncludes;
    // For the tab of an http include whose fetch failed, the reason the check reported; the tab shows
    // what came back instead, is never taken as the include's text and is marked in its caption.
    // Empty for every other tab.
    AnsiString FetchFailure;
    // The record of each saved findings line (the way back to the text and the explanation of a code).
    std::vector<TFindingRecord> MessageRecords;

    // True when the file's stamp or size now differs from the one taken last (a deleted file
    // counts as changed); false while no stamp was ever taken.
    bool ChangedOnDisk() const;
    void UpdateFileAge();

    void AddInclude(const AnsiString &Name);
    void RemoveInclude(const AnsiString &Name);
    // Entry Index, or "unknown Include file" outside the list.
    AnsiString GetInclude(int Index) const;

    // Keeps the tree as it stands, node data at full width, with the arena that owns the node
    // records (null for a tree that holds no records of a check).
    void SaveTree(TCustomTreeNT &Tree, std::shared_ptr<TNavRecArena> Records);
    // Puts the saved tree back into Tree; returns the arena of its records.
    std::shared_ptr<TNavRecArena> RestoreTree(TCustomTreeNT &Tree) const;
    const std::shared_ptr<TNavRecArena> &TreeRecords() const { return FTreeRecords; }
    int SavedNodeCount() const;

    void SetMessageLines(const TStrings &Lines);
    // The findings lines: the saved ones, or those of the list while the results are live.
    const TStrings &GetMessageLines() const;

    // The results are live while the window's tree and findings list hold them and the record holds no
    // copy of them; EndLive before the copy is saved back (SaveTree, SetMessageLines).
    void SetLive(const TCustomTreeNT &Tree, const TStrings &Lines, std::shared_ptr<TNavRecArena> Records);
    void EndLive();

private:
    TStringList FMessageLines;
    TTreeNTSnapshot FTreeData;
    std::shared_ptr<TNavRecArena> FTreeRecords;
    const TCustomTreeNT *FLiveTree = nullptr;
    const TStrings *FLiveLines = nullptr;
};
