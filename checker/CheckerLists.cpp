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

void TCheckerLists::FreeGlobalVars()
{
    for (int i = 0; i < GlobalVars.Count(); ++i) {
        delete static_cast<TJSVariable *>(GlobalVars.Objects(i));
        GlobalVars.PutObject(i, nullptr);
    }
    GlobalVars.Clear();
}

void TCheckerLists::FreeCalls()
{
    Calls.clear();
}

void TCheckerLists::ClearAll()
{
    FreeFunctions();
    FreeGlobalVars();
    FreeCalls();
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
