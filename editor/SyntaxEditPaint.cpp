// Painting of the editor control: the gutter with line numbers and bookmark glyphs, the
// lines through the highlighter's tokens or plainly, the selection, the marked line, the
// control-character marks, the right margin and the caret.
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include <QPainter>
#include <climits>

namespace {
constexpr QChar BlankMark(0x2219);  // a blank when control characters are shown
constexpr QChar TabMark(0x2192);    // a tab when control characters are shown
constexpr QChar EndMark(0x00B6);    // the end of a line when control characters are shown

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
    if (BookMarkOptions().GlyphsVisible) {
        for (int i = 0; i < 10; ++i) {
            const TBookmark &b = Bookmark(i);
            if (b.IsSet && b.Y >= first && b.Y <= last)
                DrawBookmarkGlyph(p, i, BookMarkOptions().LeftMargin, (b.Y + TopOffset()) * lh, lh);
        }
    }
    p.restore();
}

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
    const QColor ink = Qc(clWindowText);
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
    const bool showControls = HasOption(eoShowControlChars);
    const bool endMark = showControls && !HasOption(eoScrollPastEOL);
    const QColor selFg = Qc(FSelectedColor.Foreground()), selBg = Qc(FSelectedColor.Background());
    const QColor markFg = Qc(FMarkColor.Foreground()), markBg = Qc(FMarkColor.Background());
    const int colFrom = std::max(0, (area.left() - xStart) / cw);
    const int colTo = std::max(0, (area.right() - xStart) / cw + 1);

    int y = (first + TopOffset()) * lh;
    bool lineScanned = true;
    for (int j = first; j <= last; ++j, y += lh) {
        const WideString &line = Lines().Get(j);
        const int length = static_cast<int>(line.size());
        const TColumnMap &map = MapOf(j);
        const int idxFrom = std::min(length, map.ColumnToCharIndex(colFrom));
        const int idxTo = std::min(length, map.ColumnToCharIndex(colTo) + 1);
        int s0 = INT_MAX, s1 = INT_MAX;
        const bool onSelection = selectionShown && j >= selStart.Y && j <= selEnd.Y;
        if (onSelection) {
            s0 = j == selStart.Y ? map.ColumnToCharIndex(selStart.X) : 0;
            s1 = j == selEnd.Y ? map.ColumnToCharIndex(selEnd.X) : INT_MAX;
        }
        const bool marked = j == MarkLine();

        // Writes characters [from, to) of the line in the given colours.
        auto writeRun = [&](int from, int to, const QColor &fg, const QColor &bg, uint8_t style) {
            from = std::max(from, idxFrom);
            to = std::min(to, idxTo);
            if (from >= to)
                return;
            const int x0 = xStart + map.CharIndexToColumn(from) * cw;
            const int x1 = xStart + map.CharIndexToColumn(to) * cw;
            p.fillRect(QRect(x0, y, x1 - x0, lh), bg);
            p.setFont(Styled(FPaintFont, style));
            p.setPen(fg);
            QString piece;
            int pieceX = x0;
            auto flush = [&](int nextX) {
                if (!piece.isEmpty())
                    p.drawText(pieceX, y + FAscent, piece);
                piece.clear();
                pieceX = nextX;
            };
            for (int i = from; i < to; ++i) {
                const WideChar c = line[static_cast<size_t>(i)];
                if (c == u'\t') {
                    const int tx0 = xStart + map.CharIndexToColumn(i) * cw;
                    const int tx1 = xStart + map.CharIndexToColumn(i + 1) * cw;
                    flush(tx1);
                    if (showControls)
                        p.drawText(QRect(tx0, y, tx1 - tx0, lh), Qt::AlignCenter, QString(TabMark));
                    continue;
                }
                if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && TColumnMap::IsPairTail(line, static_cast<size_t>(i) + 1)) {
                    // A pair is one character in its own cell: a glyph from a fallback font
                    // must not shift the cells after it.
                    const int cx0 = xStart + map.CharIndexToColumn(i) * cw;
                    ++i;
                    flush(xStart + map.CharIndexToColumn(i + 1) * cw);
                    p.drawText(cx0, y + FAscent, QString::fromUtf16(&line[static_cast<size_t>(i) - 1], 2));
                    continue;
                }
                if (c == u' ' && showControls)
                    piece += BlankMark;
                else
                    piece += c < 32 ? QChar(u' ') : QChar(c);
            }
            flush(x1);
        };
        // Writes one token, split where the selection starts and ends.
        auto writeToken = [&](int start, int len, const QColor &fg, const QColor &bg, uint8_t style) {
            const int end = start + len;
            if (end <= idxFrom || start >= idxTo)
                return;
            if (marked) {
                writeRun(start, end, markFg, markBg, style);
                return;
            }
            if (!onSelection) {
                writeRun(start, end, fg, bg, style);
                return;
            }
            writeRun(start, std::min(end, s0), fg, bg, style);
            writeRun(std::max(start, s0), std::min(end, s1), selFg, selBg, style);
            writeRun(std::max(start, s1), end, fg, bg, style);
        };

        if (hl && !lineScanned)
            hl->SetRange(static_cast<int32_t>(Lines().Range(j))); // the line above stopped early
        lineScanned = true;
        if (hl) {
            hl->SetLine(line, false);
            TTokenInfo token;
            // Past the visible part the scan goes on only for the range the next line
            // starts in, and not at all when that is known already.
            const bool nextKnown = j + 1 >= count || j + 1 <= ValidRangeLine();
            while (!hl->GetEol()) {
                if (hl->GetTokenPos() >= idxTo && nextKnown) {
                    lineScanned = false;
                    break;
                }
                if (hl->GetTokenEnd() > idxFrom && hl->GetTokenPos() < idxTo) {
                    hl->GetTokenInfo(token);
                    writeToken(token.Start, token.Length, Qc(token.Foreground), Qc(token.Background), token.Style);
                }
                hl->Next();
            }
        } else {
            writeToken(0, length, ink, back, 0);
        }

        int x = xStart + map.DisplayLength() * cw;
        QColor brush = back;
        if (marked)
            brush = markBg;
        else if (onSelection && j < selEnd.Y)
            brush = selBg;
        if (endMark) {
            const QRect cell(x, y, cw, lh);
            if (cell.intersects(area)) {
                p.fillRect(cell, brush);
                p.setFont(FPaintFont);
                p.setPen(marked ? markFg : (onSelection && length < s1) ? selFg : ink);
                p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, QString(EndMark));
            }
            x += cw;
        }
        if (x <= area.right())
            p.fillRect(QRect(QPoint(std::max(x, area.left()), y), QPoint(area.right(), y + lh - 1)), brush);
        marginLine(y, y + lh - 1);
        if (hl && lineScanned && j + 1 < count)
            Lines().SetRange(j + 1, hl->GetRange());
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
