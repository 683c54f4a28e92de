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
