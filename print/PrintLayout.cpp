#include "print/PrintLayout.h"
#include "print/ZvPreview.h"
#include "platform/QtConvert.h"
#include <QChar>
#include <QFontMetricsF>
#include <QPrinter>
#include <algorithm>
#include <cmath>

namespace {

bool IsBreakChar(char16_t c)
{
    return c == u'\t' || c == u' ' || c == u'-' || c == u'.' || c == u'=' || c == u'>';
}

bool IsQuote(char16_t c)
{
    return c == u'"' || c == u'\'';
}

const WideString kContinuation = u"     ";
const WideString kNoIndent;

} // namespace

size_t FittingLength(const WideString &Text, int32_t Reserve, int32_t WrapWidth, const TWidthMeasure &Measure)
{
    auto fits = [&](size_t n) { return Measure(Text.substr(0, n)) + Reserve < WrapWidth; };
    const size_t len = Text.size();
    // The longest fitting prefix, found by doubling and halving: widths grow with the prefix,
    // so this gives what cutting one character at a time from the end gives, at a fraction of
    // the measuring on very long lines.
    size_t lo = 0, hi = 0; // fits(lo) (or lo = 0), !fits(hi)
    if (len <= 512) {
        if (fits(len))
            return len;
        hi = len;
    } else {
        size_t k = 64;
        while (k < len && fits(k)) {
            lo = k;
            k *= 2;
        }
        if (k >= len) {
            if (fits(len))
                return len;
            hi = len;
        } else {
            hi = k;
        }
    }
    while (hi - lo > 1) {
        const size_t mid = lo + (hi - lo) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid;
    }
    return (lo == 0 && !fits(0)) ? 0 : lo;
}

size_t FirstWordBreak(const WideString &Text, size_t M)
{
    const size_t n = Text.size();
    size_t col = 1, linePos = 1, breakPos = 0; // 1-based positions
    char16_t quote = u' ';
    size_t pos = 0;
    while (pos < n) {
        const char16_t c = Text[pos];
        if (IsBreakChar(c)) {
            if (quote == u' ')
                breakPos = pos + 1;
        } else if (IsQuote(c)) {
            if (c == quote)
                quote = u' ';
            else if (quote == u' ')
                quote = c;
        }
        ++pos;
        ++col;
        if (quote == u' ' && col > M && breakPos > linePos) {
            // Break after breakPos; the break counts only when text follows beyond the break
            // characters right after it.
            size_t next = pos + 1; // 1-based scan position
            if (!IsQuote(c))
                while (next <= n && (IsBreakChar(Text[next - 1]) || Text[next - 1] == u'\r' || Text[next - 1] == u'\n'))
                    ++next;
            return next < n ? breakPos : 0;
        }
    }
    return 0;
}

void WrapLine(const WideString &Text, const TWrapSettings &S, const TWidthMeasure &Measure,
              std::vector<WideString> &Pieces)
{
    WideString text = Text;
    bool numbered = true;
    for (;;) {
        // A continuation stands behind five blanks: what must fit is the piece as it is printed,
        // indent and all. A rest that fits so is the last piece; otherwise the piece is cut to
        // fit with the room of the numbers kept free beside it as well.
        const bool continuation = S.LineNumbers && !numbered;
        const WideString &indent = continuation ? kContinuation : kNoIndent;
        const TWidthMeasure asPrinted = [&](const WideString &Piece) { return Measure(indent + Piece); };
        const size_t whole = FittingLength(text, 0, S.WrapWidth, asPrinted);
        if (whole >= text.size()) {
            Pieces.push_back(indent + text);
            return;
        }
        size_t m = whole;
        if (continuation) {
            const TWidthMeasure cutWidth = [&](const WideString &Piece) {
                return std::max(Measure(Piece) + S.NumberReserve, asPrinted(Piece));
            };
            m = FittingLength(text.substr(0, whole), 0, S.WrapWidth, cutWidth);
        }
        if (m == 0)
            throw EPrintLayoutError(
                "Not one character fits between the margins: choose a smaller font or smaller margins.");
        size_t cut = FirstWordBreak(text, m);
        if (cut == 0 || cut > m) {
            // No break from the word wrap within the width: break before the last ",", " ", "."
            // or "=" up to the fitting length. Without one, a line the word wrap found no break
            // in at all is cut ten characters before the fitting length (or halfway); a word
            // whose only break lies past the width (a long word, or a quoted text the word wrap
            // does not break inside) is broken at the width, so nothing runs past the margin.
            size_t p = 0;
            for (size_t q = m; q >= 2; --q)
                if (const char16_t c = text[q - 1]; c == u',' || c == u' ' || c == u'.' || c == u'=') {
                    p = q;
                    break;
                }
            if (p == 0 && cut > m)
                cut = m;
            else {
                if (p == 0)
                    p = m > 10 ? m - 10 : m / 2;
                cut = p > 1 ? p - 1 : 1; // every piece takes at least one character
            }
        }
        // A cut by length never parts the two halves of a character beyond the Basic Multilingual
        // Plane (an emoji, say): printed apart, each half would show as a stray sign.
        if (QChar::isHighSurrogate(text[cut - 1]) && cut < text.size() && QChar::isLowSurrogate(text[cut]))
            cut = cut > 1 ? cut - 1 : cut + 1;
        // The blanks at a wrap end the piece before it; a continuation does not start with them.
        const size_t restStart = text.find_first_not_of(u' ', cut);
        Pieces.push_back(indent + text.substr(0, cut));
        if (restStart == WideString::npos)
            return;
        text.erase(0, restStart);
        numbered = false;
    }
}

WideString PrintedLine(const WideString &Line, int Index, bool LineNumbers)
{
    WideString text;
    if (LineNumbers) {
        std::string number = std::to_string(Index + 1);
        if (number.size() < 4)
            number.insert(0, 4 - number.size(), ' ');
        text.assign(number.begin(), number.end());
        text += u' ';
    }
    text.reserve(text.size() + Line.size());
    for (char16_t c : Line) {
        if (c == u'\t')
            text += u"  ";
        else
            text += c;
    }
    return text;
}

void LayOutText(TZvPreview &Preview, int LineCount, const std::function<WideString(int)> &Line,
                const TTextLayoutOptions &Options)
{
    const int32_t s = Options.FontSize;
    const float lh = s >= 1 ? float(s) * 1.2f / 72.0f * 25.4f : float(-s) / 72.0f * 25.4f;
    if (!(lh > 0))
        throw EPrintLayoutError("The font has no height: choose another font.");
    const Extended available = Preview.AvailablePageHeight().AsMillimetres();
    const long n = long(std::trunc((available - lh) / lh));
    if (n < 1)
        throw EPrintLayoutError("The font is too large for the page: not one line fits between the margins.");
    TZvCanvas &canvas = Preview.Canvas();
    const int32_t resolution = Preview.ZvPrinter().PixelsPerInchX();
    TWrapSettings wrap;
    wrap.WrapWidth = Preview.AvailablePageWidth().AsPixels(resolution);
    wrap.LineNumbers = Options.LineNumbers;
    // A text is measured as the preview shows it (the canvas measures at the screen's resolution)
    // and as the printer draws it (the font made at the printer's resolution); the wider of the
    // two counts. The font's pixel size is rounded at each resolution, so on screen a 10-point
    // font can come out a fortieth narrower than on paper: measured on screen only, a full line
    // would run that much past the right margin of the printed page.
    const int32_t resolutionY = Preview.ZvPrinter().PixelsPerInchY();
    const QFontMetricsF printed(canvas.Font().ToQFont(resolutionY > 0 ? resolutionY : resolution));
    const double printedToX = resolutionY > 0 ? double(resolution) / resolutionY : 1.0;
    TWidthMeasure measure = [&](const WideString &Text) {
        const double onPaper = printed.horizontalAdvance(ToQString(Text)) * printedToX;
        return std::max(canvas.TextWidth(Text).AsPixels(resolution), int32_t(std::ceil(onPaper)));
    };
    wrap.NumberReserve = measure(u"9999 ");

    const Extended top = Preview.Margins().Top().AsMillimetres();
    const Extended left = Preview.Margins().Left().AsMillimetres();
    Extended y = top + lh;
    long onPage = 0;
    std::vector<WideString> pieces;
    Preview.BeginUpdate();
    struct TEnd {
        TZvPreview &P;
        ~TEnd() { P.EndUpdate(); }
    } end{Preview};
    bool pending = false; // a piece was written and the page is full
    for (int i = 0; i < LineCount; ++i) {
        const WideString text = PrintedLine(Line(i), i, Options.LineNumbers);
        pieces.clear();
        if (Options.WordWrap)
            WrapLine(text, wrap, measure, pieces);
        else { // clipped at the right margin, as much of it as fits (whole characters)
            size_t fits = FittingLength(text, 0, wrap.WrapWidth, measure);
            if (fits > 0 && fits < text.size() && QChar::isHighSurrogate(text[fits - 1]))
                --fits;
            pieces.push_back(text.substr(0, fits));
        }
        for (const WideString &piece : pieces) {
            if (pending) {
                // Only a piece that follows starts the next page: no empty page at the end.
                Preview.NewPage();
                onPage = 0;
                y = top + lh;
                pending = false;
            }
            y += lh;
            canvas.TextOut(left, y, piece, zvuMillimetres);
            if (++onPage >= n)
                pending = true;
        }
    }
}
