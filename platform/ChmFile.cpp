// Compiled help files through chmlib.
#include "platform/ChmFile.h"

#include <chm_lib.h>

#include <QCryptographicHash>

#include <algorithm>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

uint64_t Le64(const std::string &B, size_t At)
{
    return uint64_t(Le32(B, At)) | uint64_t(Le32(B, At + 4)) << 32;
}

// chmlib takes the sizes of the file's directory from its headers and allocates by them: the
// headers are checked against the file's real size first.
bool HeadersAreSound(const AnsiString &Path)
{
    std::ifstream in(Path, std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    const uint64_t size = uint64_t(std::max<std::streamoff>(in.tellg(), 0));
    auto readAt = [&](uint64_t At, size_t Length, std::string &Bytes) {
        if (At > size || Length > size - At)
            return false;
        Bytes.assign(Length, '\0');
        in.seekg(std::streamoff(At));
        return bool(in.read(Bytes.data(), std::streamsize(Length)));
    };
    std::string itsf, itsp;
    if (!readAt(0, 0x58, itsf) || itsf.compare(0, 4, "ITSF") != 0)
        return false;
    const uint64_t headerLength = Le32(itsf, 0x08);
    const uint64_t dirOffset = Le64(itsf, 0x48), dirLength = Le64(itsf, 0x50);
    if (headerLength < 0x58 || headerLength > size || dirLength < 0x54 || dirOffset > size ||
        dirLength > size - dirOffset)
        return false;
    if (!readAt(dirOffset, 0x54, itsp) || itsp.compare(0, 4, "ITSP") != 0)
        return false;
    const uint64_t itspLength = Le32(itsp, 0x08), blockLength = Le32(itsp, 0x10), blocks = Le32(itsp, 0x2C);
    if (itspLength < 0x54 || itspLength > dirLength || blockLength < 0x20 || blockLength > dirLength - itspLength ||
        blocks > (dirLength - itspLength) / blockLength)
        return false;

    // chmlib also divides by values of the compression's control data and reset table as soon
    // as it opens the file: find both in the directory's listing chunks and check them.
    const uint64_t content = Le32(itsf, 0x04) >= 3 && headerLength >= 0x60 && readAt(0x58, 8, itsp)
                                 ? Le64(itsp, 0)
                                 : dirOffset + dirLength;
    std::string control, reset;
    const std::string controlName = "::DataSpace/Storage/MSCompressed/ControlData";
    const std::string resetName =
        "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";
    std::string chunk;
    for (uint64_t b = 0; b < blocks; ++b) {
        if (!readAt(dirOffset + itspLength + b * blockLength, size_t(blockLength), chunk))
            return false;
        if (chunk.compare(0, 4, "PMGL") != 0)
            continue;
        const uint64_t free = Le32(chunk, 4);
        if (free > blockLength - 0x14)
            return false;
        const size_t end = size_t(blockLength - free);
        size_t at = 0x14;
        auto encint = [&](uint64_t &Value) {
            Value = 0;
            for (int n = 0; at < end && n < 9; ++n) {
                const uint8_t c = uint8_t(chunk[at++]);
                Value = Value << 7 | (c & 0x7F);
                if (!(c & 0x80))
                    return true;
            }
            return false;
        };
        while (at < end) {
            uint64_t nameLength = 0, space = 0, start = 0, length = 0;
            if (!encint(nameLength) || nameLength > end - at)
                return false;
            const std::string name = chunk.substr(at, size_t(nameLength));
            at += size_t(nameLength);
            if (!encint(space) || !encint(start) || !encint(length))
                return false;
            if ((name == controlName || name == resetName) &&
                (space != 0 || length > 4096 || !readAt(content + start, size_t(length),
                                                        name == controlName ? control : reset)))
                return false;
        }
    }
    if (control.empty() && reset.empty())
        return true; // nothing compressed
    if (control.size() < 24 || reset.size() < 40 || control.compare(4, 4, "LZXC") != 0)
        return false;
    uint64_t interval = Le32(control, 12), window = Le32(control, 16);
    const uint64_t perReset = Le32(control, 20);
    const uint32_t version = Le32(control, 8);
    if (version == 2) {
        interval *= 0x8000;
        window *= 0x8000;
    } else if (version != 1) {
        return false;
    }
    // Compression windows are powers of two from 32 KB to 2 MB.
    if (window < 0x8000 || window > 0x200000 || (window & (window - 1)) != 0 || interval > 0xFFFFFFFFu ||
        perReset == 0)
        return false;
    const uint64_t perBlock = interval / (window / 2) * perReset;
    const uint32_t blockCount = Le32(reset, 4), tableOffset = Le32(reset, 12);
    // chmlib allocates by the block length: real files use 32 KB blocks and a few per reset.
    return perBlock != 0 && perBlock <= 0x10000 && Le64(reset, 32) != 0 && Le64(reset, 32) <= 0x200000 &&
           blockCount != 0 &&
           tableOffset <= reset.size() && uint64_t(blockCount) * 8 <= reset.size() - tableOffset;
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

// The file behind Fd holds the bytes of the help file this build compiled.
bool IsOurHelpFile(int Fd)
{
    struct stat st{};
    if (::fstat(Fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        uint64_t(st.st_size) > TChmFile::MaxObjectSize)
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(Fd, buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        hash.addData(QByteArrayView(buffer, qsizetype(got)));
    }
    return hash.result().toHex() == QByteArray(QuillmarHelpFileDigest);
}

} // namespace

TChmFile::TChmFile(const AnsiString &Path) : FPath(Path)
{
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    // The library opens the file by name: it is given the very file that was checked (through
    // the descriptor), not whatever the name may point to by then.
    const AnsiString checked = "/proc/self/fd/" + std::to_string(fd);
    if (IsOurHelpFile(fd) && HeadersAreSound(checked))
        FFile = chm_open(checked.c_str());
    ::close(fd);
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
