// libFuzzer target for reading compiled help files: the input is written to a file and opened;
// its title, default topic and context map are read and every mapped topic resolved and read.
// Seed it with the Quillmar.chm the build makes: that file is read whole, and every other input
// must be refused before the help library sees it.
#include "platform/ChmFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    static const std::string path = "/tmp/quillmar-chm-fuzz-" + std::to_string(::getpid()) + ".chm";
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(Data, 1, Size, f);
    std::fclose(f);
    TChmFile file(path);
    std::string bytes;
    if (!file.DefaultTopic().empty())
        file.Read(file.DefaultTopic(), bytes);
    for (const auto &[context, name] : file.ContextMap()) {
        const AnsiString topic = file.TopicOfContext(context);
        if (!topic.empty() && (!file.Exists(topic) || topic[0] != '/'))
            std::abort();
        file.Read(topic, bytes);
        file.ResolveTopic(name + "/../" + name);
    }
    return 0;
}
