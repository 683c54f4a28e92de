// libFuzzer target for the text routines of the network layer: URL splitting (with a base
// path), PosN, the dotted-address test and conversion, and the encoders. The input is split at
// the first 0 byte into a URL and a base path.
#include "net/HttpUrl.h"
#include "net/SocketErrors.h"
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    const char *Text = reinterpret_cast<const char *>(Data);
    const void *Zero = std::memchr(Data, 0, Size);
    const size_t UrlLen = Zero ? static_cast<size_t>(static_cast<const uint8_t *>(Zero) - Data) : Size;
    const AnsiString Url(Text, UrlLen);
    const AnsiString Base = Zero ? AnsiString(Text + UrlLen + 1, Size - UrlLen - 1) : AnsiString();

    AnsiString Proto, User, Pass, Host, Port, Path = Base;
    SplitUrl(Url, Proto, User, Pass, Host, Port, Path);
    for (int N : {-3, -1, 1, 2})
        (void)PosN(Base.substr(0, 2), Url, N);
    if (IsDottedAddress(Url))
        (void)WSocketAddrText(WSocketInetAddr(Url));
    (void)EncodeText(1, Url);
    (void)EncodeText(0, Url.substr(0, 64));
    return 0;
}
