// libFuzzer target for the project file reader: whatever it reads writes out and reads back to
// the same project, and the second writing is the same bytes.
#include "shell/Project.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TProject First(nullptr, "fuzz.prj");
    First.Parse(std::string(reinterpret_cast<const char *>(Data), Size));
    const std::string Written = First.Format();
    TProject Second(nullptr, "fuzz.prj");
    // Names never hold a line end, so what was written reads back whole.
    if (Second.Parse(Written) != TProjectLoad::Complete)
        std::abort();
    if (Second.Format() != Written || Second.JSParent != First.JSParent || Second.Frameset != First.Frameset ||
        Second.HTMLFiles != First.HTMLFiles || Second.JavascriptFiles != First.JavascriptFiles ||
        Second.OtherFiles != First.OtherFiles)
        std::abort();
    return 0;
}
