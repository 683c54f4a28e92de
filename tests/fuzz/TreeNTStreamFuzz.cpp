// libFuzzer target for the two node stream readers. The first input byte picks the form:
// even = binary (the signature is put in front), odd = text. Whatever loads is walked by
// index, snapshotted, restored and written again; a tree we wrote must read back.
#include "controls/CustomTreeNT.h"
#include "platform/Classes.h"
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size == 0)
        return 0;
    TMemoryStream Input;
    const bool Binary = (Data[0] & 1) == 0;
    if (Binary) {
        const uint8_t Signature[5] = {0x0D, 'T', 'N', 'T', 0x0D};
        Input.WriteBuffer(Signature, 5);
    }
    if (Size > 1)
        Input.WriteBuffer(Data + 1, int64_t(Size - 1));
    Input.SetPosition(0);
    TCustomTreeNT Tree;
    Tree.SetOptions(Tree.GetOptions() | toCheckSupport | toMultiSelect);
    Tree.OnLevelError = [](TCustomTreeNT *, int Line, bool &Raise) { Raise = (Line & 1) != 0; };
    try {
        Tree.LoadFromStream(Input);
    } catch (const ETreeNTError &) {
    }
    TTreeNTNodes &Items = Tree.Items();
    if (Items.IsUpdating())
        std::abort();
    const int Count = Items.GetCount();
    for (int I = 0; I < Count; ++I)
        if (Items.GetNodeFromIndex(I)->GetAbsoluteIndex() != I)
            std::abort();
    const TTreeNTSnapshot Snap = Items.Snapshot();
    Items.Restore(Snap);
    if (Items.GetCount() != Count)
        std::abort();
    for (bool Form : {true, false}) {
        TMemoryStream Out;
        Tree.SaveToStream(Out, Form);
        if (!Form)
            continue;
        Out.SetPosition(0);
        TCustomTreeNT Again;
        Again.LoadFromStream(Out); // must not throw
        if (Again.Items().GetCount() != Count)
            std::abort();
    }
    Tree.AlphaSort();
    Items.Clear();
    return 0;
}
