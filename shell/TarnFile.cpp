#include "shell/TarnFile.h"

#include "controls/CustomTreeNT.h"
#include "platform/QtConvert.h"
#include "platform/SysUtils.h"

#include <sys/stat.h>

TFileStamp FileStampOf(const WideString &FileName)
{
    struct stat st {};
    if (FileName.empty() || ::stat(ToLocalPath(ToQString(FileName)).c_str(), &st) != 0)
        return {};
    return {int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, int64_t(st.st_size)};
}

TTarnFile::TTarnFile(TfrmQuillmarMain *AMain, WideString AFileName, WideString AParentName)
    : Main(AMain), FileName(std::move(AFileName)), ParentName(std::move(AParentName))
{
}

bool TTarnFile::ChangedOnDisk() const
{
    if (FileAge == -1)
        return false;
    const TFileStamp now = FileStampOf(FileName);
    return now.Age != FileAge || now.Size != FileSize;
}

void TTarnFile::UpdateFileAge()
{
    const TFileStamp now = FileStampOf(FileName);
    FileAge = now.Age;
    FileSize = now.Size;
}

void TTarnFile::AddInclude(const AnsiString &Name)
{
    for (int i = 0; i < Includes.Count(); ++i)
        if (SameText(Includes.Strings(i), Name))
            return;
    Includes.Add(Name);
}

void TTarnFile::RemoveInclude(const AnsiString &Name)
{
    for (int i = 0; i < Includes.Count(); ++i)
        if (SameText(Includes.Strings(i), Name)) {
            Includes.Delete(i);
            return;
        }
}

AnsiString TTarnFile::GetInclude(int Index) const
{
    if (Index >= 0 && Index < Includes.Count())
        return Includes.Strings(Index);
    return "unknown Include file";
}

void TTarnFile::SaveTree(TCustomTreeNT &Tree, std::shared_ptr<TNavRecArena> Records)
{
    FTreeData = Tree.Items().Snapshot();
    FTreeRecords = std::move(Records);
}

std::shared_ptr<TNavRecArena> TTarnFile::RestoreTree(TCustomTreeNT &Tree) const
{
    Tree.Items().Restore(FTreeData);
    return FTreeRecords;
}

void TTarnFile::SetMessageLines(const TStrings &Lines)
{
    FMessageLines.Clear();
    for (int i = 0; i < Lines.Count(); ++i)
        FMessageLines.Add(Lines.Strings(i));
}

const TStrings &TTarnFile::GetMessageLines() const
{
    return FLiveLines ? *FLiveLines : FMessageLines;
}

int TTarnFile::SavedNodeCount() const
{
    return FLiveTree ? FLiveTree->Items().GetCount() : static_cast<int>(FTreeData.Nodes.size());
}

void TTarnFile::SetLive(const TCustomTreeNT &Tree, const TStrings &Lines, std::shared_ptr<TNavRecArena> Records)
{
    FLiveTree = &Tree;
    FLiveLines = &Lines;
    FTreeRecords = std::move(Records);
    FTreeData = TTreeNTSnapshot();
    FMessageLines.Clear();
    MessageRecords.clear();
}

void TTarnFile::EndLive()
{
    FLiveTree = nullptr;
    FLiveLines = nullptr;
}
