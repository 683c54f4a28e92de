#pragma once
// The shared name lists of one check run. The file checker owns one set; the parser fills them and the
// later passes read them. Model objects in Functions, GlobalVars and Calls belong to this set.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "checker/FlatIndex.h"
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
    TCheckLine Line;
};

// What the parser learnt of a member given to an object through its prototype (the cross-reference pass
// moves such members into their constructors).
enum TPrototypeKind : uint8_t {
    pkPossible, // a member path read or set on an object that may be an instance ("o.m")
    pkInstance, // a member set through a prototype or on an instance ("C.prototype.m = ...", "o.id = ...")
    pkPath, // a dotted function or object-literal member name ("C.prototype.m")
};

struct TPrototypeRecord {
    TPrototypeKind Kind = pkPath;
    AnsiString Object; // the owner; for a path, the name before its first ".prototype"
    int32_t Scope = -1; // the function the record was made in (index), -1 at top level; paths have -1
    AnsiString Member; // the member; for a path what follows ".prototype." (empty when nothing does)
    TCheckLine Line;
};

// The prototype records of a check, each kept once (the first line it was met on).
class TPrototypeRecords {
public:
    // Adds the record unless an equal one (kind, owner, scope, member) is there.
    void Add(TPrototypeRecord Record);
    int Count() const { return static_cast<int>(FRecords.size()); }
    TPrototypeRecord &operator[](int Index) { return FRecords[static_cast<size_t>(Index)]; }
    const TPrototypeRecord &operator[](int Index) const { return FRecords[static_cast<size_t>(Index)]; }
    // A possible instance record found to be one.
    void MakeInstance(int Index);
    void Clear();

private:
    static size_t Hash(const TPrototypeRecord &R);
    static bool Same(const TPrototypeRecord &A, const TPrototypeRecord &B);
    static std::string Key(const TPrototypeRecord &R);
    // Puts record Number under its present kind, owner, scope and member, unless an equal one is there.
    void Index(uint32_t Number);

    std::vector<TPrototypeRecord> FRecords;
    TFlatIndex FIndex; // the records by what makes them equal
    size_t FIndexed = 0; // places taken in FIndex
    // What records made instances were before: such a record is not added again either.
    std::unordered_set<std::string> FFormerKeys;
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
    TPrototypeRecords PrototypeInstances;
    TLineList DynamicNames; // names and ids given to elements by script
    TNamedList<int32_t> IncludeNames; // the names of the includes with their numbers
    TLineList WithObjects; // the objects of "with" statements, where a name was used inside
};
