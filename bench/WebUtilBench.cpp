// HTML-encodes a megabyte of mixed page text (markup, blank runs, line breaks, Latin-1 and other
// characters) with the Edit menu's encoder. Aim: under 100 ms.
#include "bench/BenchSupport.h"
#include "shell/WebUtil.h"

#include <cstdio>

int main()
{
    WideString text;
    const WideString piece = u"<p class=\"x\">Caf\u00E9  \u03A9 &amp;   text</p>\r\n";
    while (text.size() < (1u << 20))
        text += piece;
    size_t size = 0;
    const double seconds = bench::BestSeconds([&] { size = HTMLEncodeWide(text).size(); }, 5);
    std::printf("HTML encode of %zu characters: %.1f ms (aim: under 100 ms), %zu characters out\n", text.size(),
                seconds * 1000, size);
    return 0;
}
