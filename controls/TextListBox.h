#pragma once
// A list box of text lines whose horizontal scroll range always fits its widest line, tab
// stops included. The findings list of the main window is one. Its lines are reached through
// Items(), a TStrings, so code without widgets (the script checker) can clear, count and add
// lines.
#include "platform/StringList.h"
#include <QHash>
#include <QListView>
#include <any>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class TTextListBox;
class TextListModel;
class TextListDelegate;

// Distance in pixels between tab stops for a TabWidth given in quarters of the width of "0":
// round(ZeroWidth * TabWidth / 4), halves to even. Zero when TabWidth is 0 or less.
int TabStopPixels(int ZeroWidth, int TabWidth);

// The list box's lines as a TStrings.
class TListBoxStrings final : public TStrings {
public:
    explicit TListBoxStrings(TTextListBox &Owner) : FOwner(Owner) {}

    int Count() const override;
    const AnsiString &Get(int Index) const override;
    TObject *GetObject(int Index) const override;
    void PutObject(int Index, TObject *AObject) override;
    void Insert(int Index, const AnsiString &S) override;
    void Delete(int Index) override;
    void Clear() override;
    // A sorted list box puts the line in its place.
    int Add(const AnsiString &S) override;

protected:
    void SetUpdateState(bool Updating) override;

private:
    TTextListBox &FOwner;
};

class TTextListBox : public QListView {
public:
    explicit TTextListBox(QWidget *Parent = nullptr);
    ~TTextListBox() override;

    TStrings &Items() { return *FItems; }
    const TStrings &Items() const { return *FItems; }

    // Tab stops every TabWidth quarters of the width of "0"; 0 or less expands tabs the
    // default way.
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int Value);
    // Lines added to a sorted list go to their place (compared without case).
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    // Row height in pixels; 0 follows the font.
    int ItemHeight() const;
    void SetItemHeight(int Value);
    // A value kept with line Index, moved and removed with it (the findings list keeps each finding's
    // record there); empty when none was set.
    const std::any &ItemData(int Index) const;
    void SetItemData(int Index, std::any Data);

    // Current line, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    // First fully or partly visible line (0 when empty).
    int TopIndex() const;
    void SetTopIndex(int Value);

    // Width of the widest line as last measured, and the measuring itself.
    int MaxWidth() const { return FMaxWidth; }
    int ItemWidth(int Index) const;
    void RecalcMaxWidth();
    // The horizontal extent the view scrolls over (MaxWidth as last applied).
    int HorizontalExtent() const { return FExtent; }

    // Selection changed by the user (mouse or keyboard), or a line clicked.
    std::function<void(TTextListBox &)> OnClick;
    std::function<void(TTextListBox &)> OnDblClick;
    // Before the list handles a key; the handler may accept the event to swallow it.
    std::function<void(TTextListBox &, QKeyEvent &)> OnKeyDown;

protected:
    void SetExtent();
    void changeEvent(QEvent *Event) override;
    void updateGeometries() override;
    void keyPressEvent(QKeyEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;

private:
    friend class TListBoxStrings;
    friend class TextListDelegate;

    int InsertString(int Index, const AnsiString &S);
    void DeleteString(int Index);
    void ResetContent();
    int MeasureText(const QString &Text) const;
    qreal MeasurePlain(const QString &Text) const;
    int TabStop() const;
    void LayoutChanged();

    std::unique_ptr<TListBoxStrings> FItems;
    TextListModel *FModel = nullptr; // owned by this widget (Qt parent)
    TextListDelegate *FDelegate = nullptr; // owned by this widget (Qt parent)
    QFontMetrics FMetrics; // of the current font, kept for measuring many lines
    // Widths of the words measured so far, found by a view of the word (no string made per lookup).
    struct TWordHash {
        using is_transparent = void;
        size_t operator()(std::u16string_view W) const { return std::hash<std::u16string_view>()(W); }
    };
    mutable std::unordered_map<std::u16string, qreal, TWordHash, std::equal_to<>> FWordWidths;
    mutable qreal FSpaceWidth = -1;
    int FMaxWidth = 0;
    int FExtent = 0;
    int FTabWidth = 0;
    int FItemHeight = 0;
    bool FSorted = false;
    int FUpdateCount = 0;
};
