// Compiled help files through chmlib.
#include "platform/ChmFile.h"

#include <chm_lib.h>

#include <cstring>

namespace {

uint32_t Le32(const std::string &B, size_t At)
{
    return uint32_t(uint8_t(B[At])) | uint32_t(uint8_t(B[At + 1])) << 8 | uint32_t(uint8_t(B[At + 2])) << 16 |
           uint32_t(uint8_t(B[At + 3])) << 24;
}

uint16_t Le16(const std::string &B, size_t At)
{
    return uint16_t(uint8_t(B[At]) | uint8_t(B[At + 1]) << 8);
}

// A text field of #SYSTEM: up to its first NUL.
AnsiString CText(const std::string &B, size_t At, size_t Length)
{
    const std::string field = B.substr(At, Length);
    return field.substr(0, field.find('\0'));
}

AnsiString Rooted(AnsiString Name)
{
    for (char &c : Name)
        if (c == '\\')
            c = '/';
    if (Name.empty() || Name[0] != '/')
        Name = "/" + Name;
    return Name;
}

} // namespace

TChmFile::TChmFile(const AnsiString &Path) : FPath(Path)
{
    FFile = chm_open(Path.c_str());
    if (!FFile)
        return;
    ReadSystem();
    ReadContextMap();
}

TChmFile::~TChmFile()
{
    if (FFile)
        chm_close(FFile);
}

bool TChmFile::Read(const AnsiString &ObjectPath, std::string &Bytes) const
{
    Bytes.clear();
    if (!FFile || ObjectPath.empty() || ObjectPath.size() > CHM_MAX_PATHLEN)
        return false;
    chmUnitInfo ui{};
    if (chm_resolve_object(FFile, ObjectPath.c_str(), &ui) != CHM_RESOLVE_SUCCESS)
        return false;
    if (ui.length > MaxObjectSize)
        return false;
    Bytes.resize(size_t(ui.length));
    if (ui.length == 0)
        return true;
    const LONGINT64 got =
        chm_retrieve_object(FFile, &ui, reinterpret_cast<unsigned char *>(Bytes.data()), 0, LONGINT64(ui.length));
    if (got <= 0) {
        Bytes.clear();
        return false;
    }
    Bytes.resize(size_t(got));
    return true;
}

bool TChmFile::Exists(const AnsiString &ObjectPath) const
{
    if (!FFile || ObjectPath.empty() || ObjectPath.size() > CHM_MAX_PATHLEN)
        return false;
    chmUnitInfo ui{};
    return chm_resolve_object(FFile, ObjectPath.c_str(), &ui) == CHM_RESOLVE_SUCCESS;
}

void TChmFile::ReadSystem()
{
    // A version, then records of code, length and data.
    std::string sys;
    if (!Read("/#SYSTEM", sys) || sys.size() < 4)
        return;
    for (size_t at = 4; at + 4 <= sys.size();) {
        const uint16_t code = Le16(sys, at);
        const size_t length = Le16(sys, at + 2);
        at += 4;
        if (length > sys.size() - at)
            break;
        if (code == 2)
            FDefaultTopic = Rooted(CText(sys, at, length));
        else if (code == 3)
            FTitle = CText(sys, at, length);
        at += length;
    }
    if (FDefaultTopic == "/")
        FDefaultTopic.clear();
}

void TChmFile::ReadContextMap()
{
    // #IVB: the byte length of the pairs, then (context, offset into #STRINGS) pairs.
    std::string ivb, strings;
    if (!Read("/#IVB", ivb) || ivb.size() < 4 || !Read("/#STRINGS", strings))
        return;
    size_t length = Le32(ivb, 0);
    if (length > ivb.size() - 4)
        length = ivb.size() - 4;
    for (size_t at = 4; at + 8 <= 4 + length; at += 8) {
        const uint32_t context = Le32(ivb, at);
        const uint32_t offset = Le32(ivb, at + 4);
        if (offset >= strings.size())
            continue;
        const size_t end = strings.find('\0', offset);
        FContexts[context] = strings.substr(offset, end == std::string::npos ? std::string::npos : end - offset);
    }
}

AnsiString TChmFile::ResolveTopic(const AnsiString &Name) const
{
    AnsiString name = Name;
    // "other.chm::/topic" names a topic of its own file here.
    if (const size_t sep = name.find("::"); sep != AnsiString::npos)
        name.erase(0, sep + 2);
    if (name.empty())
        return AnsiString();
    name = Rooted(name);
    // A map may name the topic by the path it had where the file was compiled: the longest
    // tail of that path that is an object of the file is the topic.
    for (size_t slash = 0; slash != AnsiString::npos; slash = name.find('/', slash + 1)) {
        const AnsiString candidate = name.substr(slash);
        if (candidate.size() > 1 && Exists(candidate))
            return candidate;
    }
    return AnsiString();
}

AnsiString TChmFile::TopicOfContext(uint32_t Context) const
{
    const auto it = FContexts.find(Context);
    return it == FContexts.end() ? AnsiString() : ResolveTopic(it->second);
}
