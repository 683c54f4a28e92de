#include "controls/TreeNTModel.h"
#include "platform/PlainText.h"
#include "platform/QtConvert.h"

TTreeNTModel::TTreeNTModel(TCustomTreeNT &Tree, QObject *Parent) : QAbstractItemModel(Parent), FTree(Tree)
{
    FTree.SetListener(this);
}

TTreeNTModel::~TTreeNTModel()
{
    if (FTree.GetListener() == this)
        FTree.SetListener(nullptr);
}

TTreeNTNode *TTreeNTModel::NodeFromIndex(const QModelIndex &Index) const
{
    if (!Index.isValid() || Index.model() != this)
        return nullptr;
    return static_cast<TTreeNTNode *>(Index.internalPointer());
}

QModelIndex TTreeNTModel::IndexFromNode(const TTreeNTNode *Node) const
{
    if (!Node || Node == FTree.Items().GetRoot() || !Node->IsInTree())
        return {};
    const int Row = Node->GetIndex();
    if (Row < 0)
        return {};
    return createIndex(Row, 0, const_cast<TTreeNTNode *>(Node));
}

QModelIndex TTreeNTModel::index(int Row, int Column, const QModelIndex &Parent) const
{
    if (Column != 0 || Row < 0 || (Parent.isValid() && Parent.column() != 0))
        return {};
    const TTreeNTNode *P = Parent.isValid() ? NodeFromIndex(Parent) : FTree.Items().GetRoot();
    if (!P || Row >= P->GetCount())
        return {};
    return createIndex(Row, 0, P->GetItem(Row));
}

QModelIndex TTreeNTModel::parent(const QModelIndex &Child) const
{
    const TTreeNTNode *Node = NodeFromIndex(Child);
    if (!Node)
        return {};
    return IndexFromNode(Node->GetParent());
}

int TTreeNTModel::rowCount(const QModelIndex &Parent) const
{
    if (Parent.isValid() && Parent.column() != 0)
        return 0;
    const TTreeNTNode *P = Parent.isValid() ? NodeFromIndex(Parent) : FTree.Items().GetRoot();
    return P ? P->GetCount() : 0;
}

int TTreeNTModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool TTreeNTModel::hasChildren(const QModelIndex &Parent) const
{
    if (!Parent.isValid())
        return FTree.Items().GetRoot()->GetCount() > 0;
    if (Parent.column() != 0)
        return false;
    const TTreeNTNode *Node = NodeFromIndex(Parent);
    return Node && (Node->GetCount() > 0 || Node->GetHasChildren());
}

QVariant TTreeNTModel::data(const QModelIndex &Index, int Role) const
{
    TTreeNTNode *Node = NodeFromIndex(Index);
    if (!Node)
        return {};
    switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return ToQString(Node->GetText());
    // A node's text or hint is data: the tip shows it as it stands.
    case Qt::ToolTipRole: return TipText ? QVariant(PlainToolTip(TipText(Node))) : QVariant();
    case NodeRole: return QVariant::fromValue(static_cast<void *>(Node));
    default: return {};
    }
}

bool TTreeNTModel::setData(const QModelIndex &Index, const QVariant &Value, int Role)
{
    TTreeNTNode *Node = NodeFromIndex(Index);
    if (!Node || Role != Qt::EditRole)
        return false;
    WideString Text = ToWideString(Value.toString());
    if (Edited)
        Edited(Node, Text);
    Node->SetText(Text);
    return true;
}

Qt::ItemFlags TTreeNTModel::flags(const QModelIndex &Index) const
{
    TTreeNTNode *Node = NodeFromIndex(Index);
    if (!Node)
        return Qt::NoItemFlags;
    Qt::ItemFlags Flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (!FTree.HasOption(toReadOnly) && (!CanEdit || CanEdit(Node)))
        Flags |= Qt::ItemIsEditable;
    return Flags;
}

// ---- listener ----

void TTreeNTModel::RowsInserting(TTreeNTNode *Parent, int Row)
{
    ++FInChange;
    beginInsertRows(IndexFromNode(Parent), Row, Row);
}

void TTreeNTModel::RowsInserted()
{
    endInsertRows();
    --FInChange;
}

void TTreeNTModel::RowRemoving(TTreeNTNode *Node)
{
    const int Row = Node->GetIndex();
    ++FInChange;
    beginRemoveRows(IndexFromNode(Node->GetParent()), Row, Row);
}

void TTreeNTModel::RowRemoved()
{
    endRemoveRows();
    --FInChange;
}

void TTreeNTModel::LayoutChanging(TTreeNTNode *Parent)
{
    if (Parent && Parent != FTree.Items().GetRoot())
        emit layoutAboutToBeChanged({QPersistentModelIndex(IndexFromNode(Parent))});
    else
        emit layoutAboutToBeChanged();
    ++FInChange;
    FLayoutOld = persistentIndexList();
    FLayoutNodes.clear();
    for (const QModelIndex &Index : FLayoutOld)
        FLayoutNodes.append(NodeFromIndex(Index));
}

void TTreeNTModel::LayoutChanged(TTreeNTNode *Parent)
{
    QModelIndexList New;
    New.reserve(FLayoutOld.size());
    for (int I = 0; I < FLayoutOld.size(); ++I) {
        TTreeNTNode *Node = FLayoutNodes[I];
        New.append(Node ? createIndex(Node->GetIndex(), FLayoutOld[I].column(), Node) : QModelIndex());
    }
    changePersistentIndexList(FLayoutOld, New);
    FLayoutOld.clear();
    FLayoutNodes.clear();
    --FInChange;
    if (Parent && Parent != FTree.Items().GetRoot())
        emit layoutChanged({QPersistentModelIndex(IndexFromNode(Parent))});
    else
        emit layoutChanged();
}

void TTreeNTModel::ResetBegin()
{
    ++FInChange;
    beginResetModel();
}

void TTreeNTModel::ResetEnd()
{
    endResetModel();
    --FInChange;
    ++FResetCount;
    emit resetDone();
}

void TTreeNTModel::NodeChanged(TTreeNTNode *Node)
{
    if (!Node) {
        emit repaintAll();
        return;
    }
    const QModelIndex Index = IndexFromNode(Node);
    if (Index.isValid())
        emit dataChanged(Index, Index);
}

void TTreeNTModel::ExpandRequest(TTreeNTNode *Node, bool Expand)
{
    const QModelIndex Index = IndexFromNode(Node);
    if (Index.isValid())
        emit expandRequested(Index, Expand);
}

void TTreeNTModel::CaretChanged(TTreeNTNode *Node)
{
    emit caretChanged(IndexFromNode(Node));
}

void TTreeNTModel::RedrawSwitch(bool On)
{
    emit redrawSwitched(On);
}
