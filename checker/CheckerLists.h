#pragma once
// The shared name lists of one check run. The file checker owns one set; the parser fills them and the
// later passes read them. Model objects in Functions, GlobalVars and Calls belong to this set.
#include <cstdint>
#include <memory>
#include <vector>

#include "checker/JSModel.h"
#include "checker/NamedList.h"
#include "platform/StringList.h"
#include "text/ZSStrUtils.h"

// A call made outside any function: the name called and the call's record.
struct TGlobalCall {
    AnsiString Name;
    std::unique_ptr<TJSFunctionCall> Call;
};

// What a "new" expression gave a variable.
struct TNewRecord {
    AnsiString Variable; // what receives the object
    AnsiString Constructor; // what "new" names
    int32_t Scope = -2; // the function it was made in (index), -2 at top level; the cross-reference pass
                        // puts the constructor's index here once it has found it
    int32_t Line = 0;
};

class TCheckerLists {
public:
    TCheckerLists() = default;
    ~TCheckerLists();
    TCheckerLists(const TCheckerLists &) = delete;
    TCheckerLists &operator=(const TCheckerLists &) = delete;

    // Frees the model and empties every list.
    void ClearAll();

    TRecordList<TJSFunction> Functions;
    TRecordList<TJSVariable> GlobalVars;
    TZSStringList GlobalRefs; // object = line
    TZSStringList OpenedWindows; // object = line
    TZSStringList GlobalHTMLRefs; // object = line
    std::vector<TGlobalCall> Calls; // calls made outside any function
    TZSStringList LabelDefs; // object = line
    TStringList LabelRefs; // object = line
    std::vector<TNewRecord> NewRecords;
    TZSStringList PrototypeInstances; // object = line
    TZSStringList DynamicNames; // object = line
    TStringList IncludeNames; // object = include number (or line for "with" objects)
};
