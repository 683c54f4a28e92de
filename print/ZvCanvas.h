#pragma once
// The page canvas: a program writes on the preview's pages through it. It draws nothing
// itself; every call records a drawing object on the current page, in 1/100 mm.
#include "print/ZvObjects.h"
#include <QTextDocument>
#include <memory>
#include <vector>

class TZvPage;

class TZvCanvas {
public:
    TZvCanvas();
    ~TZvCanvas();
    TZvCanvas(const TZvCanvas &) = delete;
    TZvCanvas &operator=(const TZvCanvas &) = delete;

    TFont &Font() { return FFont; }
    TBrush &Brush() { return FBrush; }
    TPen &Pen() { return FPen; }
    uint8_t Units = zvuMillimetres;
    uint32_t CopyMode = 0x00CC0020u;
    // Clip settings every recorded object gets.
    bool Clip = false;
    int32_t ClipRect[4] = {0, 0, 0, 0};

    void TextOut(Extended x, Extended y, const WideString &Text, uint8_t Units);
    // Records a text object; ERangeError (and nothing recorded) for a position out of range.
    void TextOutAngle(Extended x, Extended y, const WideString &Text, uint8_t Units, Extended Angle);
    // Moves the object by the origin, stamps it with the current page's number and the canvas's
    // clip, and puts it first on the page (Insert) or last.
    TZvBaseObject &AddObject(bool Insert, std::unique_ptr<TZvBaseObject> Object);
    // The width of the text with Font, measured at the screen's resolution; the same object on
    // every call.
    TZvValue &TextWidth(const WideString &Text);
    void SetOrigin(Extended xInches, Extended yInches)
    {
        FOriginX = xInches;
        FOriginY = yInches;
    }
    Extended OriginX() const { return FOriginX; }
    Extended OriginY() const { return FOriginY; }
    TZvPage *Page() const { return FPage; }
    void SetPage(TZvPage *Page) { FPage = Page; }
    TZvBaseObject *LastObject() const { return FLastObject; }
    int32_t PenX() const { return FPenX; }
    int32_t PenY() const { return FPenY; }

    TZvNotify OnChange;

private:
    TFont FFont;
    TBrush FBrush;
    TPen FPen;
    Extended FOriginX = 0, FOriginY = 0;
    TZvPage *FPage = nullptr;
    TZvBaseObject *FLastObject = nullptr;
    int32_t FPenX = 0, FPenY = 0;
    std::unique_ptr<TZvValueSize> FMeasure;
};

// Rich-text ranges per page: which characters of a rich-text document go on which page.
struct TZvRtfRange {
    int32_t PageNumber = 0;
    int32_t FirstChar = 0, LastChar = 0;
    Extended Margins[4] = {0, 0, 0, 0}; // left, top, right, bottom, inches
};

class TZvRtfInformation {
public:
    std::vector<TZvRtfRange> Ranges;
    QTextDocument *Document = nullptr; // not owned
    // The last range recorded for the page, or null.
    const TZvRtfRange *FindPage(int32_t PageNumber) const;
    void Clear();
    TZvNotify OnClear;
};

// Renders characters First..Last of Document into a page of the given size (inches) inside the
// margins (inches), on a painter of Resolution pixels per inch.
void RenderRichRange(QPainter &Canvas, int32_t Resolution, const QTextDocument &Document, int32_t First,
                     Extended PageHeight, Extended PageWidth, const Extended Margins[4], int32_t Last);
