#pragma once
// Qt item model over the node core: one column, the node pointer as each index's internal
// pointer. It listens to the core: single insertions, removals and sorts become the
// matching row and layout signals; everything inside an update bracket becomes one reset.
#include "controls/CustomTreeNT.h"
#include <QAbstractItemModel>

class TTreeNTModel : public QAbstractItemModel, public TTreeNTListener {
    Q_OBJECT
public:
    enum { NodeRole = Qt::UserRole + 1 };

    explicit TTreeNTModel(TCustomTreeNT &Tree, QObject *Parent = nullptr);
    ~TTreeNTModel() override;

    TCustomTreeNT &Tree() const { return FTree; }
    TTreeNTNode *NodeFromIndex(const QModelIndex &Index) const;
    QModelIndex IndexFromNode(const TTreeNTNode *Node) const;
    int ResetCount() const { return FResetCount; }
    // True between the begin and end signals of a structural change.
    bool InChange() const { return FInChange > 0; }

    QModelIndex index(int Row, int Column, const QModelIndex &Parent = {}) const override;
    QModelIndex parent(const QModelIndex &Child) const override;
    int rowCount(const QModelIndex &Parent = {}) const override;
    int columnCount(const QModelIndex &Parent = {}) const override;
    bool hasChildren(const QModelIndex &Parent = {}) const override;
    QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &Index, const QVariant &Value, int Role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &Index) const override;

    // TTreeNTListener
    void RowsInserting(TTreeNTNode *Parent, int Row) override;
    void RowsInserted() override;
    void RowRemoving(TTreeNTNode *Node) override;
    void RowRemoved() override;
    void LayoutChanging(TTreeNTNode *Parent) override;
    void LayoutChanged(TTreeNTNode *Parent) override;
    void ResetBegin() override;
    void ResetEnd() override;
    void NodeChanged(TTreeNTNode *Node) override;
    void ExpandRequest(TTreeNTNode *Node, bool Expand) override;
    void CaretChanged(TTreeNTNode *Node) override;
    void RedrawSwitch(bool On) override;

    // Label edits: asked before an edit starts, and the text an edit produced.
    std::function<bool(TTreeNTNode *)> CanEdit;
    std::function<void(TTreeNTNode *, WideString &)> Edited;
    // Text of the item tooltip (plain text), empty for none.
    std::function<QString(TTreeNTNode *)> TipText;

signals:
    void expandRequested(const QModelIndex &Index, bool Expand);
    void caretChanged(const QModelIndex &Index);
    void redrawSwitched(bool On);
    void repaintAll();
    void resetDone();

private:
    TCustomTreeNT &FTree;
    QModelIndexList FLayoutOld;
    QList<TTreeNTNode *> FLayoutNodes;
    int FResetCount = 0;
    int FInChange = 0;
};
