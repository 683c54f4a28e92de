#pragma once
// What the transfer benchmarks share with the network tests: free ports, server programs on loopback,
// and a stream that counts what it is given without keeping it (as curl -o /dev/null does).
#include "net/WSocket.h"
#include "platform/Classes.h"
#include "tests/net/ServerProcess.h"

namespace nettest {

class TNullStream : public TStream {
public:
    int64_t Read(void *, int64_t) override { return 0; }
    int64_t Write(const void *, int64_t Count) override
    {
        FSize += Count;
        return Count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
    int64_t FSize = 0;
};

} // namespace nettest
