#pragma once
// Read access to a compiled help file (.chm): its objects by path, its context map (context
// number to topic) and its title and default topic.
//
// Only the help file this build compiled is opened: its SHA-256 is built into the program
// (QuillmarHelpFileDigest) and any file with other bytes is refused before the help library
// sees it. The library trusts the file's directory and object tables, and no check in front of
// it can cover every way a crafted file leads it out of bounds.
#include "platform/Types.h"

#include <cstdint>
#include <map>
#include <string>

struct chmFile;

// The SHA-256 (lower-case hex) of the help file the build compiled; made by help/HelpDigest.cmake.
extern const char QuillmarHelpFileDigest[];

class TChmFile {
public:
    // Opens Path when it holds exactly the help file of this build (see above).
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
