#pragma once
// What the transfer benchmarks share: the sendfile server helper on loopback, a stream that counts
// what it is given without keeping it, and paired, interleaved timing of our client against
// libcurl in the same process.
#include "net/WSocket.h"
#include "platform/Classes.h"
#include "tests/net/ServerProcess.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <curl/curl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// A file of Size bytes in a temporary folder, served by the sendfile helper in Mode ("http" or
// "ftp") on a free loopback port.
struct TSendfileServer {
    QTemporaryDir Dir;
    std::string File;
    std::unique_ptr<ServerProcess> Server;
    int Port = 0;

    TSendfileServer(const char *Mode, size_t Size)
    {
        File = Dir.path().toStdString() + "/big.bin";
        {
            std::ofstream Out(File, std::ios::binary);
            const std::string Block = PatternBytes(1 << 20, 7);
            for (size_t I = 0; I < Size; I += Block.size())
                Out.write(Block.data(), static_cast<std::streamsize>(std::min(Block.size(), Size - I)));
        }
        Port = UnusedPort();
        Server = std::make_unique<ServerProcess>(
            QStringLiteral(QUILLMAR_BENCH_SENDFILE_SERVER),
            QStringList{Mode, QString::number(Port), QString::fromStdString(File)}, Port);
    }
};

// Bytes that libcurl fetched from Url, counted and dropped; -1 on failure. Extra sets options.
inline int64_t CurlFetch(const std::string &Url, const std::function<void(CURL *)> &Extra = nullptr)
{
    CURL *C = curl_easy_init();
    int64_t Got = 0;
    curl_easy_setopt(C, CURLOPT_URL, Url.c_str());
    curl_easy_setopt(C, CURLOPT_WRITEFUNCTION, +[](char *, size_t Size, size_t Count, void *User) -> size_t {
        *static_cast<int64_t *>(User) += static_cast<int64_t>(Size * Count);
        return Size * Count;
    });
    curl_easy_setopt(C, CURLOPT_WRITEDATA, &Got);
    if (Extra)
        Extra(C);
    const CURLcode Rc = curl_easy_perform(C);
    curl_easy_cleanup(C);
    return Rc == CURLE_OK ? Got : -1;
}

struct TPairedRatio {
    double Ours = 0, Theirs = 0; // medians, ms
    double Ratio = 0, Low = 0, High = 0; // median, smallest and largest of ours/theirs per pair
};

// Runs Ours and Theirs in Pairs pairs, alternating which goes first, after one warm-up run each.
inline TPairedRatio PairedRuns(const std::function<void()> &Ours, const std::function<void()> &Theirs, int Pairs)
{
    auto TimeMs = [](const std::function<void()> &F) {
        const auto T0 = std::chrono::steady_clock::now();
        F();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - T0).count();
    };
    Ours();
    Theirs();
    std::vector<double> O, T, R;
    for (int I = 0; I < Pairs; ++I) {
        double A, B;
        if (I % 2 == 0) {
            A = TimeMs(Ours);
            B = TimeMs(Theirs);
        } else {
            B = TimeMs(Theirs);
            A = TimeMs(Ours);
        }
        O.push_back(A);
        T.push_back(B);
        R.push_back(A / B);
    }
    auto Median = [](std::vector<double> V) {
        std::sort(V.begin(), V.end());
        return V[V.size() / 2];
    };
    TPairedRatio Result;
    Result.Ours = Median(O);
    Result.Theirs = Median(T);
    Result.Ratio = Median(R);
    Result.Low = *std::min_element(R.begin(), R.end());
    Result.High = *std::max_element(R.begin(), R.end());
    return Result;
}

inline void PrintPairedRatio(const char *Label, const TPairedRatio &R, int Pairs)
{
    std::printf("%-34s ours %8.1f ms  libcurl %8.1f ms  ratio %.2f (range %.2f-%.2f, %d pairs)\n", Label, R.Ours,
                R.Theirs, R.Ratio, R.Low, R.High, Pairs);
}

} // namespace nettest
