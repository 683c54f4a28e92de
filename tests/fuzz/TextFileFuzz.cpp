// Fuzz target for the text-file reader and the regular-expression engine: any bytes load as a text
// file; saving in the encoding it was read in and loading again must give the same lines; the first
// line, read as a pattern, searches every line. Built with -DQUILLMAR_FUZZ=ON (clang, libFuzzer).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/Classes.h"
#include "text/SearchEngine.h"
#include "text/URESearch.h"
#include "text/WideStrings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TMemoryStream in;
    in.Write(Data, int64_t(Size));
    in.SetPosition(0);
    TWideStringList list;
    list.LoadFromStream(in);

    TMemoryStream saved;
    list.SaveToStream(saved);
    saved.SetPosition(0);
    TWideStringList again;
    again.LoadFromStream(saved);
    // What was read is written back in its own form and reads back the same.
    if (list.Saved()) {
        const bool sameForm = again.Encoding() == list.Encoding();
        if (!sameForm || again.Count() != list.Count())
            std::abort();
        for (int i = 0; i < list.Count(); ++i)
            if (again[i] != list[i])
                std::abort();
    }

    if (list.Count() > 0 && !list[0].empty() && list[0].size() < 200) {
        TURESearch engine(nullptr);
        try {
            engine.FindPrepare(list[0], (Size & 1) ? sfMatchCase : 0);
        } catch (const ESearchError &) {
            return 0;
        }
        for (int i = 1; i < list.Count(); ++i) {
            engine.FindAll(list[i]);
            // Matches lie inside the line, in order, without overlapping.
            int previous = 0;
            for (int k = 0; k < engine.Count(); ++k) {
                int s = 0, e = 0;
                engine.GetResult(k, s, e);
                if (s < previous || e < s || e > int(list[i].size()))
                    std::abort();
                previous = e;
            }
        }
    }
    return 0;
}
