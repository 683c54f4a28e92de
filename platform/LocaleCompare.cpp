#include "platform/LocaleCompare.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<TTextCompare> Installed{nullptr};

char16_t FoldAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

} // namespace

int PlainCompareText(const WideString &S1, const WideString &S2)
{
    const size_t n = std::min(S1.size(), S2.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t a = FoldAscii(S1[i]), b = FoldAscii(S2[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

int LocaleCompareText(const WideString &S1, const WideString &S2)
{
    const TTextCompare compare = Installed.load(std::memory_order_acquire);
    const int r = compare ? compare(S1, S2) : PlainCompareText(S1, S2);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

TTextCompare SetLocaleCompareText(TTextCompare Compare)
{
    return Installed.exchange(Compare, std::memory_order_acq_rel);
}
