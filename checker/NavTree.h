#pragma once
// The navigation tree a check fills: section, include and server-side roots, function and variable
// nodes, and the groups of HTML named objects, events, dynamic HTML names and global variables. Every node
// carries a TNavNodeRec saying what it stands for and on which line; clicking a node moves the editor
// there. Records live in an arena that belongs to one filling of the tree: the shell keeps the arena with
// a tab's saved tree, and a new filling starts a new arena, so a record is freed exactly once and a saved
// tree never points at freed records.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "checker/CheckerHost.h"

// Node kinds (5, 7, 8, 9 and 18 are declared beside the parser's host interface).
enum : uint8_t {
    nkIncludeRoot = 2,
    nkSectionRoot = 3,
    nkGlobalsGroup = 4,
    nkTypedGlobalVar = 6,
    nkHTMLGroup = 10,
    nkForm = 11,
    nkNamedElement = 12,
    nkEventsGroup = 13,
    nkEvent = 14,
    nkDynamicGroup = 17,
    nkConstructor = 19,
    nkAnyKind = 20, // only as an argument of the lookups
};

struct TNavNodeRec {
    AnsiString Name; // the node's text when it was made
    TCheckLine Line; // 0-based editor line, in the document or in one of its includes
    uint8_t Kind = 0;
};

// Owns the records of one filling of the tree. A tree node keeps its record as its data pointer; a record is
// read back only through Find, which knows the records it made, so a node's data that is no record of this
// filling (another tree's, or none) reads as none.
class TNavRecArena {
public:
    TNavNodeRec *New(const AnsiString &Name, TCheckLine Line, uint8_t Kind)
    {
        if (FCount % kChunk == 0)
            AddChunk();
        TNavNodeRec *rec = &FChunks.back()[FCount % kChunk];
        *rec = TNavNodeRec{Name, Line, Kind};
        ++FCount;
        return rec;
    }
    size_t Count() const { return FCount; }
    // The record a node's data pointer holds; null when it is none of this arena's.
    TNavNodeRec *Find(const void *Data) const
    {
        // The chunk that would hold Data is the last one starting at or before it.
        const uintptr_t at = reinterpret_cast<uintptr_t>(Data);
        auto it = std::upper_bound(FStarts.begin(), FStarts.end(), at,
                                   [](uintptr_t A, const TStart &S) { return A < S.Address; });
        if (it == FStarts.begin())
            return nullptr;
        --it;
        const uintptr_t offset = at - it->Address;
        const size_t index = offset / sizeof(TNavNodeRec);
        if (offset % sizeof(TNavNodeRec) != 0 || index >= kChunk || it->Chunk * kChunk + index >= FCount)
            return nullptr;
        return &FChunks[it->Chunk][index];
    }

private:
    // Records are made in chunks, so their addresses stay put and a node's data is told to be one of them
    // by its address alone, without an index of a hundred thousand records.
    static constexpr size_t kChunk = 1024;
    struct TStart {
        uintptr_t Address;
        size_t Chunk;
    };

    void AddChunk()
    {
        FChunks.push_back(std::make_unique<TNavNodeRec[]>(kChunk));
        const TStart start{reinterpret_cast<uintptr_t>(FChunks.back().get()), FChunks.size() - 1};
        FStarts.insert(std::upper_bound(FStarts.begin(), FStarts.end(), start.Address,
                                        [](uintptr_t A, const TStart &S) { return A < S.Address; }),
                       start);
    }

    std::vector<std::unique_ptr<TNavNodeRec[]>> FChunks;
    std::vector<TStart> FStarts; // the chunks by address
    size_t FCount = 0;
};

// Builds the tree of one check run through INavTreeNodes.
class TNavTreeBuilder {
public:
    TNavTreeBuilder();

    void SetOptions(bool TreeGlobals, bool TreeLocals)
    {
        FTreeGlobals = TreeGlobals;
        FTreeLocals = TreeLocals;
    }
    bool TreeGlobals() const { return FTreeGlobals; }
    bool TreeLocals() const { return FTreeLocals; }

    // Empties Tree (null: no tree) and starts a new record arena; the old arena lives on while someone
    // (a tab's saved tree) still holds it.
    void ClearTree(INavTreeNodes *Tree);
    INavTreeNodes *Tree() const { return FTree; }
    std::shared_ptr<TNavRecArena> Records() const { return FArena; }

    // Line arguments: AddRootNode and AddFunctionNode take the 0-based line as stored; the others take
    // the 1-based line and store Line - 1.
    void AddRootNode(const AnsiString &Name, TCheckLine Line, uint8_t Kind);
    TNavNode AddFunctionNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, uint8_t Kind, bool InInclude);
    void AddVariableNode(const AnsiString &Name, TCheckLine Line, TNavNode Parent, uint8_t Kind, bool InInclude,
                         bool ServerPass);
    void AddNamedObjectNode(const AnsiString &Name, TCheckLine Line, uint8_t Kind, int OpenForms);
    void AddDynamicHTMLName(const AnsiString &Name, TCheckLine Line);
    void AddEventNode(const AnsiString &Text, TCheckLine Line);
    void AddConstructorMember(const AnsiString &Name, TCheckLine Line, const AnsiString &Ctor, uint8_t Kind);
    TNavNode FindTreeNode(const AnsiString &Name, uint8_t Kind);
    void DeleteTreeNode(const AnsiString &Name, uint8_t Kind);
    void MarkConstructor(const AnsiString &Name);
    void MarkDerived(const AnsiString &Name);

    TNavNodeRec *Rec(TNavNode Node) const;
    TNavNode CurrentFunctionNode() const { return FCurrentFunction; }
    void ForgetCurrentFunction() { FCurrentFunction = nullptr; }

private:
    TNavNode NewNode(TNavNode Anchor, bool AsChild, const AnsiString &Text, TCheckLine Line, uint8_t Kind);
    TNavNode Group(TNavNode &Ref, bool &Pending, const AnsiString &Text, TCheckLine Line, uint8_t Kind);
    void DeleteNode(TNavNode Node);
    void Forget(TNavNode Node);

    INavTreeNodes *FTree = nullptr;
    std::shared_ptr<TNavRecArena> FArena;
    bool FTreeGlobals = true, FTreeLocals = true;

    TNavNode FCurrentFunction = nullptr, FHTMLGroup = nullptr, FPageGlobals = nullptr, FIncludeGlobals = nullptr,
             FCurrentForm = nullptr, FCurrentInclude = nullptr, FDynamicGroup = nullptr, FEventsGroup = nullptr,
             FCurrentSection = nullptr;
    // Function nodes not yet marked as constructors, by name (text before "("), in document order; valid
    // until a node is added or removed.
    std::unordered_map<AnsiString, std::deque<TNavNode>> FFunctionsByName;
    bool FFunctionIndexValid = false;
    bool FHTMLPending = true, FEventsPending = true, FPageGlobalsPending = true, FIncludeGlobalsPending = true,
         FDynamicPending = true;
};

// Text before the first "(" (the whole text when there is none).
AnsiString NameBeforeParen(const AnsiString &Text);
