// Painting of the editor control: the gutter with line numbers and bookmark glyphs, the
// lines through the highlighter's tokens or plainly, the selection, the marked line, the
// control-character marks, the right margin and the caret.
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include <QPainter>
#include <climits>

namespace {
constexpr QChar BlankMark(0x2219); // a blank when control characters are shown
constexpr QChar TabMark(0x2192); // a tab when control characters are shown
constexpr QChar EndMark(0x00B6); // the end of a line when control characters are shown

// Characters that break no line in the editor but would be invisible (or drawn as a blank, like
// other control characters) get a mark of their own, so a vertical tab or form feed read from a
// file can be seen and deleted. 0 for every other character.
QChar InLineBreakMark(WideChar c)
{
    switch (c) {
    case 0x0B: return QChar(0x2193); // vertical tab: downwards arrow
    case 0x0C: return QChar(0x21A1); // form feed: downwards two-headed arrow
    case 0x2028: return QChar(0x21B5); // line separator: downwards arrow with corner leftwards
    case 0x2029: return QChar(0x21B2); // paragraph separator: downwards arrow with tip leftwards
    default: return QChar();
    }
}

QFont Styled(const QFont &base, uint8_t style)
{
    if (style == 0)
        return base;
    QFont f = base;
    f.setBold(style & 1);
    f.setItalic(style & 2);
    f.setUnderline(style & 4);
    f.setStrikeOut(style & 8);
    return f;
}

// A bookmark glyph: a small tag with its digit.
void DrawBookmarkGlyph(QPainter &p, int index, int x, int y, int lineHeight)
{
    const int h = std::min(lineHeight, 16) - 2;
    const int w = 11;
    const QRect r(x, y + (lineHeight - h) / 2, w, h);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x10, 0x40, 0x90));
    p.setBrush(QColor(0x30, 0x78, 0xD0));
    p.drawRoundedRect(r, 2, 2);
    QFont f = p.font();
    f.setPixelSize(std::max(6, h - 3));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, QString::number(index));
    p.restore();
}
} // namespace

void TCustomSyntaxEdit::PaintTo(QPainter &p, const QRect &clip)
{
    PaintGutter(p, clip);
    PaintLines(p, clip);
    if (OnPaint)
        OnPaint(*this, p);
    if (FCaretShown && FCaretBlinkOn) {
        int x = 0, y = 0;
        if (CaretPixelPos(x, y)) {
            const QRect r = CaretRect();
            p.save();
            p.setClipRect(QRect(GutterRight() + 1, 0, viewport()->width(), viewport()->height()));
            p.setCompositionMode(QPainter::CompositionMode_Difference);
            p.fillRect(r, Qt::white);
            p.restore();
        }
    }
}

void TCustomSyntaxEdit::PaintGutter(QPainter &p, const QRect &clip)
{
    const int gr = GutterRight();
    const QRect g = clip.intersected(QRect(0, 0, gr + 1, viewport()->height()));
    if (g.isEmpty())
        return;
    const int lh = LineHeight();
    const QColor gutter = Qc(FGutterColor);
    p.save();
    p.setClipRect(g);
    p.fillRect(QRect(QPoint(std::max(g.left(), gr - 5), g.top()), g.bottomRight()), gutter);
    p.setPen(QPen(Qc(clBtnHighlight), 1));
    p.drawLine(gr - 3, 0, gr - 3, g.bottom());
    p.setPen(QPen(Qc(clBtnShadow), 1));
    p.drawLine(gr - 2, 0, gr - 2, g.bottom());
    p.setPen(QPen(Qc(FColor), 3));
    p.drawLine(gr, 0, gr, g.bottom());

    const int count = LineCount();
    const int first = g.top() / lh - TopOffset();
    const int last = std::min(g.bottom() / lh - TopOffset() + 1, count - 1);
    QRect cell(0, (g.top() / lh) * lh, std::max(0, gr - 5), lh);
    if (HasOption(eoLineNumbers)) {
        p.setFont(FLineNumberFont);
        p.setPen(Qt::black);
        for (int line = first; line <= last; ++line) {
            p.fillRect(cell, gutter);
            p.drawText(cell, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, QString::number(line + 1));
            cell.translate(0, lh);
        }
    }
    if (cell.top() < g.bottom()) {
        cell.setBottom(g.bottom());
        p.fillRect(cell, gutter);
    }
    if (BookMarkOptions().GlyphsVisible()) {
        for (int i = 0; i < 10; ++i) {
            const TBookmark &b = Bookmark(i);
            if (b.IsSet && b.Y >= first && b.Y <= last)
                DrawBookmarkGlyph(p, i, BookMarkOptions().LeftMargin(), (b.Y + TopOffset()) * lh, lh);
        }
    }
    p.restore();
}

namespace {
// What painting the text lines needs of the widget for one paint: geometry, colours, the
// selection and the fonts. One line at a time is painted through WriteRun and WriteToken.
struct TLinePainter {
    QPainter &P;
    QRect Area;
    int Lh, Cw, XStart, Ascent;
    QFont Font;
    QColor Back, Ink, SelFg, SelBg, MarkFg, MarkBg;
    bool ShowControls;
    // The line being painted.
    TWideLine Line = TWideLine();
    const TColumnMap *Map = nullptr;
    int Y = 0, Length = 0, IdxFrom = 0, IdxTo = 0;
    int S0 = INT_MAX, S1 = INT_MAX; // selected characters [S0, S1) of the line
    bool OnSelection = false, Marked = false;

    int X(int index) const { return XStart + Map->CharIndexToColumn(index) * Cw; }

    // Draws one character in its cells from x0 to x1; a wide character's glyph is centred in
    // its two cells.
    void DrawInCells(int x0, int x1, const QString &text)
    {
        int x = x0;
        if (x1 - x0 > Cw) {
            const int advance = P.fontMetrics().horizontalAdvance(text);
            if (advance < x1 - x0)
                x += (x1 - x0 - advance) / 2;
        }
        P.drawText(x, Y + Ascent, text);
    }

    // Writes characters [from, to) of the line in the given colours.
    void WriteRun(int from, int to, const QColor &fg, const QColor &bg, uint8_t style)
    {
        from = std::max(from, IdxFrom);
        to = std::min(to, IdxTo);
        if (from >= to)
            return;
        const TWideLine line = Line;
        const int x0 = X(from), x1 = X(to);
        P.fillRect(QRect(x0, Y, x1 - x0, Lh), bg);
        P.setFont(Styled(Font, style));
        P.setPen(fg);
        QString piece;
        int pieceX = x0;
        auto flush = [&](int nextX) {
            if (!piece.isEmpty())
                P.drawText(pieceX, Y + Ascent, piece);
            piece.clear();
            pieceX = nextX;
        };
        for (int i = from; i < to; ++i) {
            const WideChar c = line[static_cast<size_t>(i)];
            if (c == u'\t') {
                const int tx0 = X(i), tx1 = X(i + 1);
                flush(tx1);
                if (ShowControls)
                    P.drawText(QRect(tx0, Y, tx1 - tx0, Lh), Qt::AlignCenter, QString(TabMark));
                continue;
            }
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < Length &&
                TColumnMap::IsPairTail(line, static_cast<size_t>(i) + 1)) {
                // A pair is one character in its own cell: a glyph from a fallback font must
                // not shift the cells after it.
                const int cx0 = X(i);
                ++i;
                flush(X(i + 1));
                DrawInCells(cx0, X(i + 1), QString::fromUtf16(line.data() + (i - 1), 2));
                continue;
            }
            if (const QChar mark = InLineBreakMark(c); !mark.isNull()) {
                const int cx0 = X(i);
                flush(X(i + 1));
                P.drawText(QRect(cx0, Y, X(i + 1) - cx0, Lh), Qt::AlignCenter, QString(mark));
                continue;
            }
            if (c >= 0x0250) {
                // Beyond Latin the glyph may come from a wider fallback font: it gets its own
                // cell, so the characters after it stay on their columns.
                const int cx0 = X(i);
                flush(X(i + 1));
                DrawInCells(cx0, X(i + 1), QString(QChar(c)));
                continue;
            }
            if (c == u' ' && ShowControls)
                piece += BlankMark;
            else
                piece += c < 32 ? QChar(u' ') : QChar(c);
        }
        flush(x1);
    }

    // Writes one token, split where the selection starts and ends.
    void WriteToken(int start, int len, const QColor &fg, const QColor &bg, uint8_t style)
    {
        const int end = start + len;
        if (end <= IdxFrom || start >= IdxTo)
            return;
        if (Marked) {
            WriteRun(start, end, MarkFg, MarkBg, style);
            return;
        }
        if (!OnSelection) {
            WriteRun(start, end, fg, bg, style);
            return;
        }
        WriteRun(start, std::min(end, S0), fg, bg, style);
        WriteRun(std::max(start, S0), std::min(end, S1), SelFg, SelBg, style);
        WriteRun(std::max(start, S1), end, fg, bg, style);
    }

    // The line's tokens through the highlighter. Past the visible part the scan goes on only
    // for the range the next line starts in, and not at all when that is known already (stored
    // for the next line, or kept with a long line's checkpoints). The result tells whether
    // endRange was found, the range at the line's end. A long line's scan starts at its last
    // checkpoint before the visible part.
    template <class FColor>
    bool WriteTokens(TSyntaxHighlighter &hl, TLineCheckpoints *points, bool nextKnown, int32_t &endRange,
                     FColor colorOf)
    {
        StartLineScan(hl, points, Line, IdxFrom);
        TTokenInfo token;
        while (!hl.GetEol()) {
            if (hl.GetTokenPos() >= IdxTo) {
                if (nextKnown)
                    return false;
                if (points && points->EndKnown()) {
                    endRange = points->EndRange();
                    return true;
                }
            }
            if (hl.GetTokenEnd() > IdxFrom && hl.GetTokenPos() < IdxTo) {
                hl.GetTokenInfo(token);
                WriteToken(token.Start, token.Length, colorOf(token.Foreground), colorOf(token.Background),
                           token.Style);
            }
            if (points)
                points->Note(hl);
            hl.Next();
        }
        endRange = hl.GetRange();
        if (points)
            points->Finished(endRange);
        return true;
    }

    // Right of the text: the end mark (when shown) and the rest of the row in the line's
    // background (the selection's when it runs on to the next line).
    void WriteLineEnd(bool endMark, bool selectionGoesOn)
    {
        int x = XStart + Map->DisplayLength() * Cw;
        const QColor brush = Marked ? MarkBg : selectionGoesOn ? SelBg : Back;
        if (endMark) {
            const QRect cell(x, Y, Cw, Lh);
            if (cell.intersects(Area)) {
                P.fillRect(cell, brush);
                P.setFont(Font);
                P.setPen(Marked ? MarkFg : (OnSelection && Length < S1) ? SelFg : Ink);
                P.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, QString(EndMark));
            }
            x += Cw;
        }
        if (x <= Area.right())
            P.fillRect(QRect(QPoint(std::max(x, Area.left()), Y), QPoint(Area.right(), Y + Lh - 1)), brush);
    }
};
} // namespace

void TCustomSyntaxEdit::PaintLines(QPainter &p, const QRect &clip)
{
    const int lh = LineHeight(), cw = CharWidth();
    const int textLeft = GutterRight() + 1;
    const QRect area = clip.intersected(QRect(textLeft, 0, viewport()->width() - textLeft, viewport()->height()));
    if (area.isEmpty())
        return;
    p.save();
    p.setClipRect(area);
    const int xStart = LeftOffset() + textLeft;
    const int marginX = RightMargin() * cw + xStart;
    const QColor back = Qc(FColor);
    const QPen marginPen(Qc(FMarginColor), 1);
    const int count = LineCount();
    auto marginLine = [&](int top, int bottom) {
        p.setPen(marginPen);
        p.drawLine(marginX, top, marginX, bottom);
    };
    if (count == 0) {
        p.fillRect(area, back);
        marginLine(0, viewport()->height());
        p.restore();
        return;
    }

    const int first = std::max(0, area.top() / lh - TopOffset());
    const int last = std::min(area.bottom() / lh - TopOffset() + 1, count - 1);
    TSyntaxHighlighter *hl = HasOption(eoUseSyntaxHighlighting) ? HighLighter() : nullptr;
    // Storing ranges while painting is not a change of the text.
    Lines().BeginSilent();
    if (hl && first <= last)
        PrepareRanges(first);

    const bool selectionShown = SelAvail() && (!HasOption(eoReadOnly) || HasOption(eoReadOnlySelection)) &&
                                (hasFocus() || !HasOption(eoHideSelection));
    const TTextPoint selStart = MinPoint(BlockBegin(), BlockEnd());
    const TTextPoint selEnd = MaxPoint(BlockBegin(), BlockEnd());
    const bool endMark = HasOption(eoShowControlChars) && !HasOption(eoScrollPastEOL);
    TLinePainter lp{p,
                    area,
                    lh,
                    cw,
                    xStart,
                    FAscent,
                    FPaintFont,
                    back,
                    Qc(clWindowText),
                    Qc(FSelectedColor.Foreground()),
                    Qc(FSelectedColor.Background()),
                    Qc(FMarkColor.Foreground()),
                    Qc(FMarkColor.Background()),
                    HasOption(eoShowControlChars)};
    const int colFrom = std::max(0, (area.left() - xStart) / cw);
    const int colTo = std::max(0, (area.right() - xStart) / cw + 1);

    int y = (first + TopOffset()) * lh;
    for (int j = first; j <= last; ++j, y += lh) {
        const TWideLine line = Lines().Get(j); // painting never changes the lines
        const TColumnMap &map = MapOf(j);
        lp.Line = line;
        lp.Map = &map;
        lp.Y = y;
        lp.Length = static_cast<int>(line.size());
        lp.IdxFrom = std::min(lp.Length, map.ColumnToCharIndex(colFrom));
        lp.IdxTo = std::min(lp.Length, map.ColumnToCharIndex(colTo) + 1);
        lp.OnSelection = selectionShown && j >= selStart.Y && j <= selEnd.Y;
        lp.S0 = lp.S1 = INT_MAX;
        if (lp.OnSelection) {
            lp.S0 = j == selStart.Y ? map.ColumnToCharIndex(selStart.X) : 0;
            lp.S1 = j == selEnd.Y ? map.ColumnToCharIndex(selEnd.X) : INT_MAX;
        }
        lp.Marked = j == MarkLine();

        bool endFound = false;
        int32_t endRange = 0;
        if (hl) {
            // Every line starts in its stored range (valid: stored by the line above, or known).
            hl->SetRange(static_cast<int32_t>(Lines().Range(j)));
            endFound = lp.WriteTokens(*hl, CheckpointsOf(j), j + 1 >= count || j + 1 <= ValidRangeLine(), endRange,
                                      [this](TColor c) { return Qc(c); });
        } else {
            lp.WriteToken(0, lp.Length, lp.Ink, back, 0);
        }
        lp.WriteLineEnd(endMark, lp.OnSelection && j < selEnd.Y);
        marginLine(y, y + lh - 1);
        if (endFound && j + 1 < count)
            Lines().SetRange(j + 1, endRange);
    }
    Lines().EndSilent();
    if (hl)
        SetValidRangeLine(std::max(ValidRangeLine(), last));
    if (y <= area.bottom()) {
        p.fillRect(QRect(QPoint(area.left(), y), area.bottomRight()), back);
        marginLine(y, area.bottom());
    }
    p.restore();
}
