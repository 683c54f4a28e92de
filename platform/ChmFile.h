#pragma once
// Read access to a compiled help file (.chm): its objects by path, its context map (context
// number to topic) and its title and default topic. Everything read from the file is checked
// against the sizes it really has; a damaged file gives missing entries, never a crash.
#include "platform/Types.h"

#include <cstdint>
#include <map>
#include <string>

struct chmFile;

class TChmFile {
public:
    explicit TChmFile(const AnsiString &Path);
    ~TChmFile();
    TChmFile(const TChmFile &) = delete;
    TChmFile &operator=(const TChmFile &) = delete;

    bool IsOpen() const { return FFile != nullptr; }
    const AnsiString &Path() const { return FPath; }
    // Reads the object at ObjectPath ("/topics/a.htm"; letter case does not matter). False when
    // there is none or it is larger than MaxObjectSize.
    bool Read(const AnsiString &ObjectPath, std::string &Bytes) const;
    bool Exists(const AnsiString &ObjectPath) const;
    // The topic a context number opens ("/topics/a.htm"), empty when the number is not mapped
    // or its topic is not in the file.
    AnsiString TopicOfContext(uint32_t Context) const;
    // Every mapped context number with its topic as the map names it.
    const std::map<uint32_t, AnsiString> &ContextMap() const { return FContexts; }
    // The object a topic name of the map stands for (see TopicOfContext), empty when none.
    AnsiString ResolveTopic(const AnsiString &Name) const;
    const AnsiString &Title() const { return FTitle; }
    // "/index.htm"; empty when the file names none.
    const AnsiString &DefaultTopic() const { return FDefaultTopic; }

    static constexpr uint64_t MaxObjectSize = 64u << 20;

private:
    void ReadSystem();
    void ReadContextMap();

    AnsiString FPath;
    struct chmFile *FFile = nullptr;
    std::map<uint32_t, AnsiString> FContexts;
    AnsiString FTitle;
    AnsiString FDefaultTopic;
};
