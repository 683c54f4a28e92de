#include "controls/TreeNTDelegate.h"
#include "controls/TreeNT.h"
#include "controls/TreeNTModel.h"
#include "platform/Graphics.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace {

constexpr int GlyphSize = 16;
constexpr int TextPadding = 3;
constexpr int ImageSize = 16;

QFont NodeQFont(const TNodeFont &F, const QFont &Base)
{
    QFont Font = Base;
    if (!F.GetName().empty())
        Font.setFamily(ToQString(F.GetName()));
    if (F.GetHeight() != 0)
        Font.setPixelSize(F.GetHeight() < 0 ? -F.GetHeight() : F.GetHeight());
    Font.setBold(F.GetStyle() & TNodeFont::fsBold);
    Font.setItalic(F.GetStyle() & TNodeFont::fsItalic);
    Font.setUnderline(F.GetStyle() & TNodeFont::fsUnderline);
    Font.setStrikeOut(F.GetStyle() & TNodeFont::fsStrikeOut);
    if (F.GetPitch() == 2)
        Font.setFixedPitch(true);
    return Font;
}

} // namespace

TTreeNTDelegate::TTreeNTDelegate(TTreeNT &Tree) : QStyledItemDelegate(&Tree), FTree(Tree)
{
}

int TTreeNTDelegate::GlyphWidth() const
{
    return FTree.HasOption(toCheckSupport) || !FTree.GetStateImages().isEmpty() ? GlyphSize + 2 : 0;
}

namespace {

constexpr int ButtonSize = 9;

bool HasKids(const TTreeNTNode *Node)
{
    return Node->GetCount() > 0 || Node->GetHasChildren();
}

// Dotted line as the lines of a tree are drawn: every other pixel.
void DottedLine(QPainter *Painter, int X1, int Y1, int X2, int Y2)
{
    if (Y1 == Y2) {
        for (int X = X1 + ((X1 + Y1) & 1); X <= X2; X += 2)
            Painter->drawPoint(X, Y1);
    } else {
        for (int Y = Y1 + ((X1 + Y1) & 1); Y <= Y2; Y += 2)
            Painter->drawPoint(X1, Y);
    }
}

} // namespace

QRect TTreeNTDelegate::ButtonRect(const QRect &ItemRect, const QModelIndex &Index) const
{
    TTreeNTNode *Node = FTree.Model()->NodeFromIndex(Index);
    if (!Node || !FTree.HasOption(toShowButtons) || !HasKids(Node) ||
        (!Node->GetParent() && !FTree.HasOption(toShowRoot)))
        return {};
    const int Indent = FTree.indentation();
    const int CenterX = ItemRect.left() - Indent + Indent / 2;
    const int CenterY = ItemRect.top() + ItemRect.height() / 2;
    return QRect(CenterX - ButtonSize / 2, CenterY - ButtonSize / 2, ButtonSize, ButtonSize);
}

// One column per level left of the item; a node's own column holds its button and the line to
// its label, each ancestor's column the line down to that ancestor's next sibling.
void TTreeNTDelegate::PaintBranches(QPainter *Painter, const QRect &Rect, const QModelIndex &Index) const
{
    TTreeNTNode *Node = FTree.Model()->NodeFromIndex(Index);
    if (!Node)
        return;
    const int Indent = FTree.indentation();
    const QRect Item = FTree.visualRect(Index);
    const int Top = Rect.top();
    const int Bottom = Rect.bottom();
    const int MidY = Top + Rect.height() / 2;
    const QPalette &Palette = FTree.palette();
    Painter->save();
    Painter->fillRect(Rect, ColorToQColor(FTree.GetColor(), Palette));
    if (FTree.HasOption(toShowLines)) {
        Painter->setPen(Palette.color(QPalette::Disabled, QPalette::Text));
        // Column of the node at depth D (top level 0) ends at the item's left edge.
        auto ColumnCenter = [&](int D) { return Item.left() - (Node->GetLevel() - D) * Indent - Indent / 2; };
        const bool RootLines = FTree.HasOption(toShowRoot);
        if (Node->GetParent() || RootLines) {
            const int X = ColumnCenter(Node->GetLevel());
            const bool First = !Node->GetParent() && !Node->GetPrevSibling();
            DottedLine(Painter, X, First ? MidY : Top, X, Node->GetNextSibling() ? Bottom : MidY);
            DottedLine(Painter, X, MidY, Item.left() - 1, MidY);
        }
        for (const TTreeNTNode *A = Node->GetParent(); A; A = A->GetParent()) {
            if (!A->GetNextSibling() || (!A->GetParent() && !RootLines))
                continue;
            const int X = ColumnCenter(A->GetLevel());
            DottedLine(Painter, X, Top, X, Bottom);
        }
    }
    const QRect Button = ButtonRect(Item, Index);
    if (!Button.isEmpty()) {
        Painter->setPen(Palette.color(QPalette::Dark));
        Painter->setBrush(ColorToQColor(FTree.GetColor(), Palette));
        Painter->drawRect(Button.adjusted(0, 0, -1, -1));
        Painter->setPen(Palette.color(QPalette::Text));
        const int CY = Button.top() + ButtonSize / 2;
        const int CX = Button.left() + ButtonSize / 2;
        Painter->drawLine(Button.left() + 2, CY, Button.right() - 2, CY);
        if (!Node->GetExpanded())
            Painter->drawLine(CX, Button.top() + 2, CX, Button.bottom() - 2);
    }
    Painter->restore();
}

int TTreeNTDelegate::LabelOffset() const
{
    return GlyphWidth() + (FTree.GetImages().isEmpty() ? 0 : ImageSize + 2);
}

QRect TTreeNTDelegate::GlyphRect(const QRect &ItemRect) const
{
    return QRect(ItemRect.left() + 1, ItemRect.top() + (ItemRect.height() - GlyphSize) / 2, GlyphSize, GlyphSize);
}

QSize TTreeNTDelegate::sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const
{
    QSize Size = QStyledItemDelegate::sizeHint(Option, Index);
    Size.rwidth() += LabelOffset();
    if (TTreeNTNode *Node = FTree.Model()->NodeFromIndex(Index)) {
        if (Node->HasOwnFont() && !Node->GetParentFont()) {
            const QFontMetrics Metrics(NodeQFont(Node->GetFont(), Option.font));
            Size.setWidth(std::max(Size.width(), Metrics.horizontalAdvance(ToQString(Node->GetText())) + GlyphWidth() +
                                                     2 * TextPadding));
            Size.setHeight(std::max(Size.height(), Metrics.height() + 2));
        }
    }
    if (FTree.ItemHeightSetting() > 0)
        Size.setHeight(FTree.ItemHeightSetting());
    Size.setHeight(std::max(Size.height(), GlyphWidth() > 0 ? GlyphSize + 2 : 0));
    // Items of several heights span that many rows.
    if (TTreeNTNode *Node = FTree.Model()->NodeFromIndex(Index); Node && Node->GetIntegralHeight() > 1)
        Size.rheight() *= std::min(Node->GetIntegralHeight(), 32);
    return Size;
}

QWidget *TTreeNTDelegate::createEditor(QWidget *Parent, const QStyleOptionViewItem &Option,
                                       const QModelIndex &Index) const
{
    QWidget *Editor = QStyledItemDelegate::createEditor(Parent, Option, Index);
    // The label editor's keys reach the tree's key event first.
    if (Editor)
        Editor->installEventFilter(&FTree);
    TTreeNTNode *Node = FTree.Model()->NodeFromIndex(Index);
    if (Editor && Node && !Node->GetParentFont() && Node->HasOwnFont())
        Editor->setFont(NodeQFont(Node->GetFont(), Option.font));
    return Editor;
}

void TTreeNTDelegate::paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const
{
    TTreeNTNode *Node = FTree.Model()->NodeFromIndex(Index);
    if (!Node) {
        QStyledItemDelegate::paint(Painter, Option, Index);
        return;
    }
    const bool Focused = FTree.hasFocus();
    bool Selected = Node->GetStateSelected();
    if (Selected && !Focused && FTree.HasOption(toHideSelection) && !FTree.IsDragging())
        Selected = false;
    uint16_t States = 0;
    if (Node->GetCheckState() == csChecked || Node->GetCheckState() == csPartly)
        States |= nsChecked;
    if (!Node->GetEnabled())
        States |= nsDisabled;
    if (Node->GetFocused() || FTree.GetSelected() == Node)
        States |= nsFocused;
    if (FTree.GetHotNode() == Node)
        States |= nsHot;
    if (Selected)
        States |= nsSelected;
    bool OwnerDraw = false;
    if (FTree.OnBeforeItemPaint)
        RunGuarded([&] { FTree.OnBeforeItemPaint(&FTree, Node, Option.rect, States, OwnerDraw); });
    if (OwnerDraw)
        return;

    const QPalette &Palette = Option.palette;
    const bool DropTarget = FTree.GetDropTarget() == Node;
    TColor Back;
    bool Highlighted = false;
    if (Selected) {
        if (FTree.IsDragging())
            Back = DropTarget ? FTree.GetColorDropSelected() : FTree.GetColorSelected();
        else if (Focused)
            Back = FTree.GetColorSelected();
        else
            Back = FTree.GetColorUnfocusedSelected();
        Highlighted = Focused;
    } else if (DropTarget) {
        Back = FTree.GetColorSelected();
        Highlighted = true;
    } else {
        Back = Node->GetColor();
    }

    QFont Font = Option.font;
    TColor TextColor = FTree.GetFont().GetColor();
    if (!Node->GetParentFont() && Node->HasOwnFont()) {
        Font = NodeQFont(Node->GetFont(), Option.font);
        if (!Selected)
            TextColor = Node->GetFont().GetColor();
    }
    QColor Pen = ColorToQColor(TextColor, Palette);
    if (Highlighted)
        Pen = Palette.color(QPalette::HighlightedText);
    else if (FTree.HasOption(toHotTrack) && FTree.GetHotNode() == Node)
        Pen = Palette.color(QPalette::Link);
    if (FTree.HasOption(toHotTrack) && FTree.GetHotNode() == Node)
        Font.setUnderline(true);

    Painter->save();
    QRect Rect = Option.rect;
    const QList<QIcon> &StateImages = FTree.GetStateImages();
    if (!StateImages.isEmpty()) {
        // Own state images replace the check glyphs; index 0 is never shown.
        const int Glyph = Node->GetStateIndex();
        if (Glyph > 0 && Glyph < StateImages.size())
            StateImages[Glyph].paint(Painter, GlyphRect(Rect));
        Rect.setLeft(Rect.left() + GlyphWidth());
    } else if (FTree.HasOption(toCheckSupport)) {
        const int Glyph = Node->GetStateIndex();
        if (Glyph >= cgUnchecked && Glyph <= cgRadioOnDisabled) {
            QStyleOptionButton Box;
            Box.rect = GlyphRect(Rect);
            Box.state = QStyle::State_None;
            const bool Disabled = Glyph == cgUncheckedDisabled || Glyph == cgCheckedDisabled ||
                                  Glyph == cgRadioOffDisabled || Glyph == cgRadioOnDisabled;
            if (!Disabled)
                Box.state |= QStyle::State_Enabled;
            const bool On =
                Glyph == cgChecked || Glyph == cgCheckedDisabled || Glyph == cgRadioOn || Glyph == cgRadioOnDisabled;
            Box.state |= On ? QStyle::State_On : QStyle::State_Off;
            if (Glyph == cgCheckedDisabled && Node->GetCheckState() == csPartly)
                Box.state = (Box.state & ~QStyle::State_On) | QStyle::State_NoChange | QStyle::State_Enabled;
            const bool Radio = Glyph >= cgRadioOff;
            QStyle *Style = FTree.style();
            Style->drawPrimitive(Radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, &Box, Painter,
                                 &FTree);
        }
        Rect.setLeft(Rect.left() + GlyphWidth());
    }
    const QList<QIcon> &Images = FTree.GetImages();
    if (!Images.isEmpty()) {
        if (Selected ? bool(FTree.OnGetSelectedIndex) : bool(FTree.OnGetImageIndex))
            RunGuarded([&] { (Selected ? FTree.OnGetSelectedIndex : FTree.OnGetImageIndex)(&FTree, Node); });
        const int Image = Selected ? Node->GetSelectedIndex() : Node->GetImageIndex();
        const QRect IconRect(Rect.left() + 1, Rect.top() + (Rect.height() - ImageSize) / 2, ImageSize, ImageSize);
        if (Image >= 0 && Image < Images.size())
            Images[Image].paint(Painter, IconRect);
        const int Overlay = Node->GetOverlayIndex();
        if (Overlay >= 0 && Overlay < Images.size())
            Images[Overlay].paint(Painter, IconRect);
        Rect.setLeft(Rect.left() + ImageSize + 2);
    }
    const QString Text = ToQString(Node->GetText());
    const QFontMetrics Metrics(Font, Painter->device());
    // Fractional advances are rounded up, so that a label that fits is never cut.
    const int TextWidth = int(std::ceil(QFontMetricsF(Font, Painter->device()).horizontalAdvance(Text)));
    const bool Fits = TextWidth + 2 * TextPadding <= Rect.width();
    QRect Label = Rect;
    if (!FTree.HasOption(toFullRowSelect))
        Label.setWidth(std::min(Rect.width(), TextWidth + 2 * TextPadding));
    if (Selected || DropTarget || !Node->GetParentColor())
        Painter->fillRect(Label, ColorToQColor(Back, Palette));
    if (Node->GetStateSelected() && Focused && FTree.GetSelected() == Node) {
        QStyleOptionFocusRect FocusOption;
        FocusOption.rect = Label;
        FocusOption.state = QStyle::State_HasFocus;
        FTree.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &FocusOption, Painter, &FTree);
    }
    Painter->setFont(Font);
    Painter->setPen(Pen);
    Painter->drawText(Label.adjusted(TextPadding, 0, FTree.HasOption(toFullRowSelect) ? 0 : TextPadding, 0),
                      Qt::AlignVCenter | Qt::AlignLeft | Qt::TextDontClip,
                      Fits ? Text : Metrics.elidedText(Text, Qt::ElideRight, Label.width() - 2 * TextPadding));
    Painter->restore();
    if (FTree.OnAfterItemPaint)
        RunGuarded([&] { FTree.OnAfterItemPaint(&FTree, Node, Option.rect, States); });
}
