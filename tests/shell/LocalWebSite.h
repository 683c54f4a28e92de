#pragma once
// A folder "web" beside a test window's files, served over HTTP by Python on a free loopback port.
#include "tests/net/ServerProcess.h"
#include "tests/shell/MainWindowSupport.h"

#include <memory>
#include <utility>
#include <vector>

namespace mwtest {

struct TLocalWebSite {
    TLocalWebSite(TWindowFixture &F, const std::vector<std::pair<QString, std::string>> &Files)
    {
        QDir(F.Dir.path()).mkdir(QStringLiteral("web"));
        for (const auto &[name, bytes] : Files)
            F.Put(QStringLiteral("web/") + name, bytes);
        Server = std::make_unique<nettest::ServerProcess>(
            "/usr/bin/python3",
            QStringList{"-m", "http.server", "--bind", "127.0.0.1", "--directory", F.Dir.filePath(QStringLiteral("web")),
                        QString::number(Port)},
            Port);
    }
    bool Ready() const { return Server->Ready(); }
    // "http://127.0.0.1:port"
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(Port); }

    int Port = nettest::UnusedPort();
    std::unique_ptr<nettest::ServerProcess> Server;
};

} // namespace mwtest
