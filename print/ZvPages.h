#pragma once
// Pages of drawing objects with their header and footer, rendered into a cached metafile for
// the screen and printed object by object; the list of pages with its paper size and
// orientation; the paper's shadow.
#include "print/ZvObjects.h"
#include <QPicture>
#include <QSize>
#include <memory>
#include <vector>

class TZvPageList;

class TZvHeader : public TZvHeaderFooter {
public:
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region, int32_t PageNumber) override;
    void PrintOn(TZvPrinter &Printer, int32_t PageNumber) override;
};

class TZvFooter : public TZvHeaderFooter {
public:
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region, int32_t PageNumber) override;
    void PrintOn(TZvPrinter &Printer, int32_t PageNumber) override;
};

class TZvPage {
public:
    ~TZvPage();
    TZvPage(const TZvPage &) = delete;
    TZvPage &operator=(const TZvPage &) = delete;

    TZvHeaderFooter *Header = nullptr;
    TZvHeaderFooter *Footer = nullptr;
    TZvMargins *Margins = nullptr;
    bool ShowHeader = true, ShowFooter = true;

    int32_t PageNumber() const { return FPageNumber; }
    TZvOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TZvOrientation Value);
    TZvValueSize &Size() { return FSize; }
    const TZvValueSize &Size() const { return FSize; }
    int Count() const { return int(FObjects.size()); }
    TZvBaseObject *Objects(int Index) const { return FObjects.at(size_t(Index)).get(); }
    bool OutOfDate() const { return FOutOfDate; }

    void Changed() { FOutOfDate = true; }
    TZvBaseObject &AddObject(std::unique_ptr<TZvBaseObject> Object);
    TZvBaseObject &InsertObject(int Position, std::unique_ptr<TZvBaseObject> Object);
    void DeleteObject(int Index);
    void Clear();
    void Assign(const TZvPage &Other);

    // The screen rendering at the screen's resolution, made afresh when out of date.
    const QPicture &GetMetafile();
    // Pixel size of the rendering.
    QSize MetafileSize() const { return FMetafileSize; }
    // Whether the page had to be rendered.
    bool Refresh();
    void PaintToMetafile(int32_t Resolution);
    void Print(TZvPrinter &Printer);

    std::function<void(TZvPage &Page, int32_t PageNumber, TZvOrientation Orientation)> OnOrientationChanged;

private:
    friend class TZvPageList;
    explicit TZvPage(TZvPageList *Owner);
    TZvPageList *FOwner;
    std::vector<std::unique_ptr<TZvBaseObject>> FObjects;
    TZvOrientation FOrientation = zvPortrait;
    int32_t FPageNumber = 0;
    TZvValueSize FSize;
    // Made anew for every rendering: a QPicture's paint engine does not survive assigning
    // another picture to it.
    std::unique_ptr<QPicture> FMetafile = std::make_unique<QPicture>();
    QSize FMetafileSize;
    bool FOutOfDate = true, FRendering = false;
};

class TZvPageList {
public:
    TZvPageList();
    ~TZvPageList();
    TZvPageList(const TZvPageList &) = delete;
    TZvPageList &operator=(const TZvPageList &) = delete;

    TZvHeaderFooter *Header = nullptr;
    TZvHeaderFooter *Footer = nullptr;
    TZvMargins *Margins = nullptr;

    // 1-based; null outside 1..Count.
    TZvPage *Pages(int32_t Number) const;
    int32_t Count() const { return int32_t(FPages.size()); }
    TZvPage &AddPage();
    void DeletePage(int32_t Number);
    void Clear();
    void Assign(const TZvPageList &Other);
    TZvOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TZvOrientation Value);
    void SetPaperSize(TZvPaperSize Size);
    TZvValueSize &PaperSize() { return FPaperSize; }
    // 0 or 1 the list's orientation, 2 when a page differs from it.
    int PagesOrientation() const;
    void MarkAllOutOfDate();

    TZvNotify OnChange;
    std::function<void(TZvPage &Page, int32_t PageNumber, TZvOrientation Orientation)> OnPageOrientationChanged;

private:
    void Renumber();
    void PaperChanged();
    std::vector<std::unique_ptr<TZvPage>> FPages;
    TZvOrientation FOrientation = zvPortrait;
    TZvValueSize FPaperSize;
};

class TZvShadow {
public:
    int32_t Width() const { return FWidth; }
    void SetWidth(int32_t Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Assign(const TZvShadow &Other);
    TZvNotify OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }
    int32_t FWidth = 5;
    TColor FColor = clBlack;
    bool FVisible = true;
};
