#pragma once
// Draws one node: background by the selection and colour rules, the check glyph, the
// node's own font and text colour, and the before/after item paint events.
#include <QStyledItemDelegate>

class TTreeNT;
class TTreeNTNode;

// Node state bits handed to the item paint events.
enum TNodeStateBit : uint16_t {
    nsChecked = 1u << 0,
    nsDisabled = 1u << 2,
    nsFocused = 1u << 7,
    nsGrayed = 1u << 8,
    nsHot = 1u << 9,
    nsIndeterminate = 1u << 10,
    nsMarked = 1u << 11,
    nsSelected = 1u << 12,
};

class TTreeNTDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TTreeNTDelegate(TTreeNT &Tree);

    void paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override;
    QSize sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const override;
    // The label editor gets the node's own font.
    QWidget *createEditor(QWidget *Parent, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override;

    // Width of the check glyph column (0 without check support).
    int GlyphWidth() const;
    // Width in front of the label: check glyph and image.
    int LabelOffset() const;
    // The glyph's rectangle within an item rectangle.
    QRect GlyphRect(const QRect &ItemRect) const;
    // Lines and expand buttons left of a row, in Rect (the row's indentation area), as the
    // options toShowLines, toShowButtons and toShowRoot ask.
    void PaintBranches(QPainter *Painter, const QRect &Rect, const QModelIndex &Index) const;
    // The expand button's square for a row whose item starts at ItemLeft (empty without one).
    QRect ButtonRect(const QRect &ItemRect, const QModelIndex &Index) const;

private:
    TTreeNT &FTree;
};
