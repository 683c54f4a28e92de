#include "checker/NavTreeMemory.h"

#include <algorithm>

TNavTreeMemory::TNavTreeMemory() = default;
TNavTreeMemory::~TNavTreeMemory() = default;

void TNavTreeMemory::Flatten()
{
    if (!FDirty)
        return;
    FFlat.clear();
    // Iterative pre-order walk: deep trees must not exhaust the stack.
    std::vector<std::pair<Node *, size_t>> stack{{&FRoot, 0}};
    while (!stack.empty()) {
        auto &[node, next] = stack.back();
        if (next < node->Children.size()) {
            Node *child = node->Children[next++].get();
            FFlat.push_back(child);
            stack.emplace_back(child, 0);
        } else {
            stack.pop_back();
        }
    }
    FDirty = false;
}

int TNavTreeMemory::GetCount()
{
    Flatten();
    return static_cast<int>(FFlat.size());
}

TNavNode TNavTreeMemory::GetNodeFromIndex(int Index)
{
    Flatten();
    return Index >= 0 && Index < static_cast<int>(FFlat.size()) ? FFlat[static_cast<size_t>(Index)] : nullptr;
}

TNavTreeMemory::Node *TNavTreeMemory::Insert(Node *Parent, size_t Pos, const AnsiString &Text, void *Data)
{
    auto node = std::make_unique<Node>();
    node->Text = Text;
    node->Data = Data;
    node->Parent = Parent;
    Node *raw = node.get();
    Parent->Children.insert(Parent->Children.begin() +
                                static_cast<std::ptrdiff_t>(std::min(Pos, Parent->Children.size())),
                            std::move(node));
    FDirty = true;
    return raw;
}

TNavNode TNavTreeMemory::AddObject(TNavNode Sibling, const AnsiString &Text, void *Data)
{
    Node *parent = Sibling ? static_cast<Node *>(Sibling)->Parent : &FRoot;
    return Insert(parent, parent->Children.size(), Text, Data);
}

TNavNode TNavTreeMemory::AddFirstObject(TNavNode Sibling, const AnsiString &Text, void *Data)
{
    Node *parent = Sibling ? static_cast<Node *>(Sibling)->Parent : &FRoot;
    return Insert(parent, 0, Text, Data);
}

TNavNode TNavTreeMemory::AddChildObject(TNavNode Parent, const AnsiString &Text, void *Data)
{
    Node *parent = Parent ? static_cast<Node *>(Parent) : &FRoot;
    return Insert(parent, parent->Children.size(), Text, Data);
}

void TNavTreeMemory::Delete(TNavNode Handle)
{
    if (!Handle)
        return;
    Node *node = static_cast<Node *>(Handle);
    auto &siblings = node->Parent->Children;
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto &p) { return p.get() == node; });
    if (it != siblings.end())
        siblings.erase(it);
    FDirty = true;
}

void TNavTreeMemory::Clear()
{
    FRoot.Children.clear();
    FDirty = true;
}

void *TNavTreeMemory::GetData(TNavNode Node_)
{
    return Node_ ? static_cast<Node *>(Node_)->Data : nullptr;
}
void TNavTreeMemory::SetData(TNavNode Node_, void *Data)
{
    if (Node_)
        static_cast<Node *>(Node_)->Data = Data;
}
AnsiString TNavTreeMemory::GetText(TNavNode Node_)
{
    return Node_ ? static_cast<Node *>(Node_)->Text : AnsiString();
}
void TNavTreeMemory::SetText(TNavNode Node_, const AnsiString &Text)
{
    if (Node_)
        static_cast<Node *>(Node_)->Text = Text;
}
TNavNode TNavTreeMemory::GetParent(TNavNode Node_)
{
    if (!Node_)
        return nullptr;
    Node *p = static_cast<Node *>(Node_)->Parent;
    return p == &FRoot ? nullptr : p;
}
TNavNode TNavTreeMemory::GetLastChild(TNavNode Node_)
{
    if (!Node_)
        return nullptr;
    auto &c = static_cast<Node *>(Node_)->Children;
    return c.empty() ? nullptr : c.back().get();
}
int TNavTreeMemory::GetChildCount(TNavNode Node_)
{
    return Node_ ? static_cast<int>(static_cast<Node *>(Node_)->Children.size()) : 0;
}
