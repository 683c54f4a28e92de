#pragma once
// Small helpers shared by the tree tests: outline strings of a tree and building a tree
// from one.
#include "controls/CustomTreeNT.h"
#include <string>

namespace treetest {

inline std::string Narrow(const WideString &S)
{
    std::string Out;
    for (char16_t C : S)
        Out += C < 0x80 ? char(C) : '?';
    return Out;
}

inline WideString Wide(const std::string &S)
{
    return WideString(S.begin(), S.end());
}

// "A(b,c),D": texts in order, children in parentheses.
inline std::string Outline(const TTreeNTNode *Parent)
{
    std::string Out;
    for (int I = 0; I < Parent->GetCount(); ++I) {
        const TTreeNTNode *Node = Parent->GetItem(I);
        if (I > 0)
            Out += ',';
        Out += Narrow(Node->GetText());
        if (Node->GetCount() > 0)
            Out += "(" + Outline(Node) + ")";
    }
    return Out;
}

inline std::string Outline(TCustomTreeNT &Tree)
{
    return Outline(Tree.Items().GetRoot());
}

// Builds nodes from an outline string as Outline writes it.
inline void Build(TCustomTreeNT &Tree, const std::string &Text)
{
    TTreeNTNode *Parent = nullptr;
    TTreeNTNode *Last = nullptr;
    std::string Name;
    auto Flush = [&] {
        if (!Name.empty())
            Last = Tree.Items().AddChild(Parent, Wide(Name));
        Name.clear();
    };
    for (char C : Text) {
        if (C == '(') {
            Flush();
            Parent = Last;
        } else if (C == ')') {
            Flush();
            Last = Parent;
            Parent = Parent ? Parent->GetParent() : nullptr;
        } else if (C == ',') {
            Flush();
        } else {
            Name += C;
        }
    }
    Flush();
}

// The node whose text is Name (first in flat order).
inline TTreeNTNode *Find(TCustomTreeNT &Tree, const std::string &Name)
{
    for (int I = 0; I < Tree.Items().GetCount(); ++I)
        if (Narrow(Tree.Items().GetNodeFromIndex(I)->GetText()) == Name)
            return Tree.Items().GetNodeFromIndex(I);
    return nullptr;
}

// Texts of the selection list in its order, comma-separated.
inline std::string SelectionText(TCustomTreeNT &Tree)
{
    std::string Out;
    for (TTreeNTNode *Node : Tree.Items().GetSelectionList()) {
        if (!Out.empty())
            Out += ',';
        Out += Narrow(Node->GetText());
    }
    return Out;
}

} // namespace treetest
