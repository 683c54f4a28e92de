#pragma once
// The shared name lists of one check run. The file checker owns one set; the parser fills them and the
// later passes read them. Model objects in Functions, GlobalVars and Calls belong to this set.
#include "text/ZSStrUtils.h"
#include "platform/StringList.h"

#include <cstdint>
#include <vector>

// What a "new" expression gave a variable.
struct TNewRecord {
    AnsiString Variable;    // what receives the object
    AnsiString Constructor; // what "new" names
    int32_t Scope = -2;     // the function it was made in (index), -2 at top level; the cross-reference pass
                            // puts the constructor's index here once it has found it
    int32_t Line = 0;
};

class TCheckerLists {
public:
    TCheckerLists() = default;
    ~TCheckerLists();
    TCheckerLists(const TCheckerLists &) = delete;
    TCheckerLists &operator=(const TCheckerLists &) = delete;

    void FreeFunctions();  // frees and clears Functions
    void FreeGlobalVars(); // frees and clears GlobalVars
    void FreeCalls();      // frees and clears Calls
    // Frees the model and empties every list.
    void ClearAll();

    TZSStringList Functions;       // name -> TJSFunction, owned
    TZSStringList GlobalVars;      // name -> TJSVariable, owned
    TZSStringList GlobalRefs;      // object = line
    TZSStringList OpenedWindows;   // object = line
    TZSStringList GlobalHTMLRefs;  // object = line
    TStringList Calls;             // name -> TJSFunctionCall, owned
    TZSStringList LabelDefs;       // object = line
    TStringList LabelRefs;         // object = line
    std::vector<TNewRecord> NewRecords;
    TZSStringList PrototypeInstances; // object = line
    TZSStringList DynamicNames;    // object = line
    TStringList IncludeNames;      // object = include number (or line for "with" objects)
};
