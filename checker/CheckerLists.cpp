#include "checker/CheckerLists.h"

#include "checker/JSModel.h"

TCheckerLists::~TCheckerLists()
{
    ClearAll();
}

void TCheckerLists::ClearAll()
{
    Functions.Clear();
    GlobalVars.Clear();
    Calls.clear();
    GlobalRefs.Clear();
    OpenedWindows.Clear();
    GlobalHTMLRefs.Clear();
    LabelDefs.Clear();
    LabelRefs.Clear();
    NewRecords.clear();
    PrototypeInstances.Clear();
    DynamicNames.Clear();
    IncludeNames.Clear();
    WithObjects.Clear();
}

std::string TPrototypeRecords::Key(const TPrototypeRecord &R)
{
    // a lookup key only: owner and member are names, which hold no NUL
    return std::to_string(R.Kind) + '\0' + R.Object + '\0' + std::to_string(R.Scope) + '\0' + R.Member;
}

void TPrototypeRecords::Add(TPrototypeRecord Record)
{
    if (FKeys.insert(Key(Record)).second)
        FRecords.push_back(std::move(Record));
}

void TPrototypeRecords::MakeInstance(int Index)
{
    TPrototypeRecord &r = FRecords[static_cast<size_t>(Index)];
    r.Kind = pkInstance;
    FKeys.insert(Key(r));
}

void TPrototypeRecords::Clear()
{
    FRecords.clear();
    FKeys.clear();
}
