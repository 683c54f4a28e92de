#include "checker/CheckerLists.h"

#include "checker/JSModel.h"

TCheckerLists::~TCheckerLists()
{
    ClearAll();
}

void TCheckerLists::FreeFunctions()
{
    for (int i = 0; i < Functions.Count(); ++i) {
        delete static_cast<TJSFunction *>(Functions.Objects(i));
        Functions.PutObject(i, nullptr);
    }
    Functions.Clear();
}

void TCheckerLists::ClearAll()
{
    FreeFunctions();
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
}
