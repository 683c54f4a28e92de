// Viewport arithmetic of the editor: invalidation in text lines, offsets and top line,
// keeping the caret in view, scroll-bar settings and requests, the scroll hint's place, pixel
// to text positions and the auto-scroll step.
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include <algorithm>
#include <cmath>

namespace {
int FloorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}
} // namespace
// ======================================================================= invalidation

void TSyntaxEditCore::InvalidateLine(int line)
{
    const int top = (line + FTopOffset) * FLineHeight;
    if (top + FLineHeight <= 0 || top >= FClientHeight)
        return;
    ViewInvalidateRect({0, top, FClientWidth, top + FLineHeight});
}

void TSyntaxEditCore::InvalidateLines(int a, int b)
{
    int first = std::min(a, b) + FTopOffset;
    int last = std::max(a, b) + FTopOffset + 1;
    int rows = FVisibleLineCount + (FClientHeight % FLineHeight != 0 ? 1 : 0);
    first = std::max(first, 0);
    last = std::min(last, rows);
    if (first >= last)
        return;
    ViewInvalidateRect({0, first * FLineHeight, FClientWidth, std::min(FClientHeight, last * FLineHeight)});
}

void TSyntaxEditCore::InvalidateFromLine(int line)
{
    int top = std::max(0, (line + FTopOffset) * FLineHeight);
    if (top >= FClientHeight)
        return;
    ViewInvalidateRect({0, top, FClientWidth, FClientHeight});
}

// ======================================================================= viewport

void TSyntaxEditCore::Resize(int clientWidth, int clientHeight)
{
    FClientWidth = std::max(0, clientWidth);
    FClientHeight = std::max(0, clientHeight);
    FVisibleColumns = std::max(0, (FClientWidth - FGutterRight + 1) / FCharWidth);
    FVisibleLineCount = FClientHeight / FLineHeight;
    const int count = LineCount();
    if (count - GetTopLine() + 1 < FVisibleLineCount)
        SetTopLine(count - FVisibleLineCount + 1);
    UpdateScrollBars();
}

int TSyntaxEditCore::ScrollColumns()
{
    if (!FLengthsValid) {
        FLengthCounts.clear();
        const int count = LineCount();
        for (int i = 0; i < count; ++i)
            ++FLengthCounts[DisplayLengthOf(FLines->Get(i))];
        FLengthsValid = true;
    }
    const int longest = FLengthCounts.empty() ? 0 : FLengthCounts.rbegin()->first;
    return static_cast<int>(std::min<int64_t>(int64_t(std::max(FMaxRightChar, longest)) + 1, INT32_MAX / 4));
}

void TSyntaxEditCore::SetLeftOffset(int value)
{
    const int maxPixels = MaxScrollPixels();
    if (maxPixels - FClientWidth + FGutterRight < -value)
        value = -(maxPixels + FGutterRight - FClientWidth);
    if (value > 0)
        value = 0;
    if (value == FLeftOffset)
        return;
    ViewScroll(value - FLeftOffset, 0, {FGutterRight + 1, 0, FClientWidth, FClientHeight});
    FLeftOffset = value;
    ViewUpdateCaret();
    if (FUpdateCount == 0) {
        ViewUpdate();
        UpdateScrollBars();
    }
}

void TSyntaxEditCore::SetTopOffset(int value)
{
    value = std::max(value, FVisibleLineCount - LineCount());
    value = std::min(value, 0);
    if (value == FTopOffset)
        return;
    const int old = FTopOffset;
    FTopOffset = value;
    ViewScroll(0, (value - old) * FLineHeight, {0, 0, FClientWidth, FClientHeight});
    ViewUpdateCaret();
    if (FUpdateCount == 0) {
        ViewUpdate();
        UpdateScrollBars();
    }
}

void TSyntaxEditCore::SetTopLine(int value)
{
    if (value <= 0)
        value = 1;
    if (value == GetTopLine())
        return;
    value = std::min(value, std::max(1, LineCount()));
    SetTopOffset(1 - value);
}

void TSyntaxEditCore::EnsureCaretVisible()
{
    const int firstColumn = -FLeftOffset / FCharWidth;
    if (FCaretX < firstColumn)
        SetLeftOffset(-FCaretX * FCharWidth);
    else if (FCaretX >= FVisibleColumns + firstColumn)
        SetLeftOffset(-(FCaretX - FVisibleColumns + 1) * FCharWidth);
    const int visible = std::max(1, FVisibleLineCount);
    const int top = GetTopLine();
    if (FCaretY < top - 1)
        SetTopLine(FCaretY + 1);
    else if (FCaretY > top + visible - 2)
        SetTopLine(FCaretY - visible + 2);
}

void TSyntaxEditCore::UpdateScrollBars()
{
    if (FUpdateCount > 0 || FClientWidth < 1)
        return;
    const int count = LineCount();
    TScrollBarInfo v, h;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) {
        if (FVisibleLineCount > 0 && FVisibleLineCount < count) {
            constexpr int limit = 65000;
            v.Page = FVisibleLineCount + 1;
            if (count > limit) {
                v.Max = limit;
                FThumbScale = static_cast<float>(count) / limit;
                // The page shrinks with the scale, so the thumb still reaches the last line.
                v.Page = std::max(1, static_cast<int>(std::lround(v.Page / FThumbScale)));
            } else {
                v.Max = count;
                FThumbScale = 1.0f;
            }
            v.Pos = static_cast<int>(std::lround(-FTopOffset / FThumbScale));
        } else {
            FThumbScale = 1.0f;
        }
    }
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) {
        h.Max = MaxScrollPixels();
        h.Page = std::max(0, FClientWidth - FGutterRight + 1);
        h.Pos = -FLeftOffset;
    }
    FVertInfo = v;
    FHorzInfo = h;
    ViewScrollBarsChanged();
}

void TSyntaxEditCore::HScroll(TScrollCode code, int pos)
{
    int value = FLeftOffset;
    switch (code) {
    case scLineUp:
        if (FLeftOffset >= 0)
            return;
        value = FLeftOffset + FCharWidth;
        break;
    case scLineDown:
        if (!(MaxScrollPixels() - FClientWidth + FGutterRight > -FLeftOffset))
            return;
        value = FLeftOffset - FCharWidth;
        break;
    case scPageUp: value = FLeftOffset + FClientWidth - FGutterRight + 1; break;
    case scPageDown: value = FLeftOffset - FClientWidth + FGutterRight + 1; break;
    case scThumbPosition:
    case scThumbTrack: value = -(pos - pos % FCharWidth); break;
    case scTop: value = 0; break;
    case scBottom: value = -MaxScrollPixels(); break;
    default: return;
    }
    SetLeftOffset(value);
}

void TSyntaxEditCore::VScroll(TScrollCode code, int pos)
{
    switch (code) {
    case scLineUp: SetTopOffset(FTopOffset + 1); break;
    case scLineDown: SetTopOffset(FTopOffset - 1); break;
    case scPageUp: SetTopOffset(FTopOffset + FVisibleLineCount); break;
    case scPageDown: SetTopOffset(FTopOffset - FVisibleLineCount); break;
    case scThumbTrack: SetTopOffset(-static_cast<int>(std::lround(static_cast<double>(pos) * FThumbScale))); break;
    case scTop: SetTopOffset(0); break;
    case scBottom: SetTopOffset(-LineCount()); break;
    default: break;
    }
}

TPixelRect TSyntaxEditCore::ScrollHintRect(int pos, int hintWidth, int hintHeight, int scrollBarHeight) const
{
    const int h = scrollBarHeight + 8;
    const int count = std::max(1, LineCount());
    TPixelRect r;
    r.Right = FClientWidth - 2;
    r.Left = r.Right - hintWidth;
    r.Top = h / 2 + static_cast<int>(
                        std::lround(static_cast<double>(FClientHeight - hintHeight - h) * pos * FThumbScale / count));
    r.Bottom = r.Top + hintHeight;
    return r;
}

TTextPoint TSyntaxEditCore::PixelsToTextPos(int x, int y)
{
    // Text starts one pixel right of the gutter's right edge.
    const double column = static_cast<double>(x - FLeftOffset - FGutterRight - 1) / FCharWidth;
    TTextPoint p{static_cast<int>(std::nearbyint(column)), FloorDiv(y, FLineHeight) - FTopOffset};
    if (p.Y >= 0 && p.Y < LineCount()) {
        const TColumnMap &map = MapOf(p.Y);
        const int start = map.WideCharacterStart(p.X);
        if (start != p.X) // between the two cells of a wide character: its nearer edge
            p.X = column < start + 1 ? start : start + 2;
    }
    return p;
}

void TSyntaxEditCore::AutoScrollStep(int cursorX, int cursorY, bool dragTracking)
{
    ++FUpdateCount;
    TTextPoint t;
    {
        TScopeGuard onError([&] { --FUpdateCount; });
        const TPixelRect r{FLineHeight, FLineHeight, FClientWidth - FLineHeight, FClientHeight - FLineHeight};
        if (cursorX < r.Left)
            SetLeftOffset(FLeftOffset + (r.Left - cursorX));
        else if (cursorX > r.Right)
            SetLeftOffset(FLeftOffset - (cursorX - r.Right));
        // One line per tick, and one more for every line height the pointer lies further out.
        if (cursorY < r.Top)
            SetTopOffset(FTopOffset + 1 + (r.Top - cursorY) / FLineHeight);
        else if (cursorY > r.Bottom)
            SetTopOffset(FTopOffset - 1 - (cursorY - r.Bottom) / FLineHeight);
        t = PixelsToTextPos(cursorX, cursorY);
        onError.Dismiss();
    }
    --FUpdateCount;
    if (FUpdateCount == 0) {
        UpdateScrollBars();
        ViewUpdate();
    }
    if (t == GetCaretXY())
        return;
    if (!dragTracking)
        SetBlockEnd(t);
    SetCaretXY(t);
}

bool TSyntaxEditCore::CaretPixelPos(int &x, int &y) const
{
    x = FCaretX * FCharWidth + FGutterRight + FLeftOffset + 1;
    y = (FCaretY + FTopOffset) * FLineHeight;
    return x >= FGutterRight + 1 && x <= FClientWidth && y >= 0 && y <= FClientHeight - FLineHeight;
}
