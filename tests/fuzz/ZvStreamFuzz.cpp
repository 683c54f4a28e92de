// libFuzzer target for the object stream reader. The first input byte picks the format
// version; the rest is read object after object until it ends or is refused. Every object that
// reads is written again, and what we wrote must read back to the same bytes.
#include "print/ZvObjects.h"
#include "print/ZvStream.h"
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size == 0)
        return 0;
    static const Extended Versions[4] = {2.5L, 2.6L, 2.42L, ZvStreamVersion};
    const Extended version = Versions[Data[0] & 3];
    TMemoryStream input;
    if (Size > 1)
        input.WriteBuffer(Data + 1, int64_t(Size - 1));
    input.SetPosition(0);
    while (input.GetPosition() < input.GetSize()) {
        std::unique_ptr<TZvBaseObject> object;
        try {
            object = ZvLoadObject(input, version);
        } catch (const EZvStreamError &) {
            break;
        }
        TMemoryStream once;
        ZvSaveObject(once, *object);
        once.SetPosition(0);
        auto again = ZvLoadObject(once, ZvStreamVersion);
        TMemoryStream twice;
        ZvSaveObject(twice, *again);
        if (twice.Bytes() != once.Bytes())
            std::abort();
    }
    return 0;
}
