#pragma once
// The shared name lists of one check run. The file checker owns one set; the parser fills them and the
// later passes read them. Model objects in Functions, GlobalVars and Calls belong to this set.
#include <cstdint>
#include <memory>
#include <vector>

#include "checker/JSModel.h"
#include "checker/NamedList.h"
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
    TLineList GlobalRefs; // names referred to outside any function
    TLineList OpenedWindows; // variables given the result of "open"
    TLineList GlobalHTMLRefs; // HTML objects referred to outside any function
    std::vector<TGlobalCall> Calls; // calls made outside any function
    TLineList LabelDefs; // labels outside any function
    TLineList LabelRefs; // labels named by "break" and "continue" outside any function
    std::vector<TNewRecord> NewRecords;
    TLineList PrototypeInstances; // "owner.prototypeInstN\member" records (see the cross-reference pass)
    TLineList DynamicNames; // names and ids given to elements by script
    TNamedList<int32_t> IncludeNames; // the names of the includes with their numbers
    TLineList WithObjects; // the objects of "with" statements, where a name was used inside
};
