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

size_t TPrototypeRecords::Hash(const TPrototypeRecord &R)
{
    const std::hash<std::string_view> text;
    size_t h = text(R.Object);
    h = h * 31 + text(R.Member);
    return h * 31 + (size_t(R.Kind) << 32) + size_t(uint32_t(R.Scope));
}

bool TPrototypeRecords::Same(const TPrototypeRecord &A, const TPrototypeRecord &B)
{
    return A.Kind == B.Kind && A.Scope == B.Scope && A.Object == B.Object && A.Member == B.Member;
}

void TPrototypeRecords::Index(uint32_t Number)
{
    if (FIndex.TooSmallFor(FIndexed + 1)) {
        FIndex.Reset(FIndexed + 1);
        FIndexed = 0;
        for (uint32_t i = 0; i < FRecords.size(); ++i) // the others, under what they are now
            if (i != Number &&
                FIndex.Insert(Hash(FRecords[i]), i, [&](uint32_t J) { return Same(FRecords[J], FRecords[i]); }))
                ++FIndexed;
    }
    const TPrototypeRecord &r = FRecords[Number];
    if (FIndex.Insert(Hash(r), Number, [&](uint32_t J) { return J != Number && Same(FRecords[J], r); }))
        ++FIndexed;
}

void TPrototypeRecords::Add(TPrototypeRecord Record)
{
    const int equal =
        FIndex.Find(Hash(Record), [&](uint32_t J) { return Same(FRecords[J], Record); });
    if (equal >= 0 || (!FFormerKeys.empty() && FFormerKeys.count(Key(Record))))
        return;
    FRecords.push_back(std::move(Record));
    Index(static_cast<uint32_t>(FRecords.size() - 1));
}

void TPrototypeRecords::MakeInstance(int Index)
{
    TPrototypeRecord &r = FRecords[static_cast<size_t>(Index)];
    if (r.Kind == pkInstance)
        return;
    FFormerKeys.insert(Key(r));
    r.Kind = pkInstance;
    this->Index(static_cast<uint32_t>(Index)); // an equal instance record may be there: then it stands for both
}

void TPrototypeRecords::Clear()
{
    FRecords.clear();
    FIndex.Clear();
    FIndexed = 0;
    FFormerKeys.clear();
}
