// The project's lists and its file format; nothing here needs the window.
#include "shell/Project.h"

#include "platform/AtomicSave.h"
#include "platform/Exception.h"
#include "platform/QtConvert.h"
#include "shell/TarnFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>

namespace {

AnsiString LowerExtension(const AnsiString &Name)
{
    // The extension belongs to the name after the last folder separator.
    const size_t slash = Name.rfind('/');
    const size_t dot = Name.rfind('.');
    if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash))
        return AnsiString();
    return ToLocalPath(FromLocalPath(Name.substr(dot)).toLower());
}

int DigitValue(char C, bool Hex)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (Hex && C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (Hex && C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

// Splits the bytes into lines ended by CR LF, LF or a lone CR; a last line without an end
// counts.
std::vector<std::string> SplitLines(const std::string &Bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    const size_t n = Bytes.size();
    size_t i = 0;
    while (i < n) {
        const char c = Bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(Bytes.substr(start, i - start));
            i += (c == '\r' && i + 1 < n && Bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.push_back(Bytes.substr(start));
    return lines;
}

} // namespace

bool SameProjectName(const AnsiString &A, const AnsiString &B)
{
    if (A.size() == B.size() && A == B)
        return true;
    return FromLocalPath(A).compare(FromLocalPath(B), Qt::CaseInsensitive) == 0;
}

TProjectList ProjectListOf(const AnsiString &Name)
{
    const AnsiString ext = LowerExtension(Name);
    if (ext.find(".htm") != AnsiString::npos)
        return TProjectList::HTML;
    if (ext == ".js")
        return TProjectList::Javascript;
    return TProjectList::Other;
}

int ReadProjectCount(const AnsiString &Line)
{
    size_t i = 0;
    const size_t n = Line.size();
    while (i < n && Line[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (Line[i] == '-' || Line[i] == '+')) {
        negative = Line[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (Line[i] == '$' || Line[i] == 'x' || Line[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && Line[i] == '0' && (Line[i + 1] == 'x' || Line[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    long long value = 0;
    for (; i < n; ++i) {
        const int d = DigitValue(Line[i], hex);
        if (d < 0)
            break;
        value = value * (hex ? 16 : 10) + d;
        if (value > INT_MAX)
            value = static_cast<long long>(INT_MAX) + 1; // saturates; keeps the loop cheap
    }
    if (negative)
        return value > INT_MAX ? INT_MIN : -static_cast<int>(value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

TProject::TProject(TfrmQuillmarMain *AMain, AnsiString AFileName) : Main(AMain), FileName(std::move(AFileName))
{
}

std::string TProject::Format() const
{
    std::string out;
    auto line = [&out](const std::string &S) {
        out += S;
        out += "\r\n";
    };
    line(Frameset ? "Frames" : "NotFrames");
    for (const std::vector<AnsiString> *list : {&HTMLFiles, &JavascriptFiles, &OtherFiles}) {
        line(std::to_string(list->size()));
        for (const AnsiString &name : *list)
            line(name);
    }
    line(JSParent);
    return out;
}

TProjectLoad TProject::Parse(const std::string &Bytes)
{
    HTMLFiles.clear();
    JavascriptFiles.clear();
    OtherFiles.clear();
    const std::vector<std::string> lines = SplitLines(Bytes);
    size_t next = 0;
    bool truncated = false;
    // A missing line reads as empty text, and the file is then known to have ended early.
    auto read = [&]() -> std::string {
        if (next < lines.size())
            return lines[next++];
        truncated = true;
        return std::string();
    };
    Frameset = read() == "Frames";
    for (std::vector<AnsiString> *list : {&HTMLFiles, &JavascriptFiles, &OtherFiles}) {
        const int count = ReadProjectCount(read());
        // A count larger than the file stops at its end: no empty names are made up.
        for (int i = 0; i < count && !truncated; ++i) {
            if (next >= lines.size()) {
                truncated = true;
                break;
            }
            list->push_back(lines[next++]);
        }
    }
    JSParent = read();
    return truncated ? TProjectLoad::Truncated : TProjectLoad::Complete;
}

TProjectLoad TProject::LoadFromFile()
{
    QFile file(FromLocalPath(FileName));
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError("Cannot open project file " + FileName + ": " + ToLocalPath(file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EReadError("Cannot read project file " + FileName + ": " + ToLocalPath(file.errorString()));
    return Parse(bytes.toStdString());
}

void TProject::SaveToFile() const
{
    const std::string bytes = Format();
    TAtomicSave::SaveFile(FileName, bytes.data(), bytes.size());
}

AnsiString TProject::DisplayName() const
{
    return ToLocalPath(QFileInfo(FromLocalPath(FileName)).fileName());
}

std::vector<AnsiString> &TProject::ListFor(const AnsiString &Name)
{
    switch (ProjectListOf(Name)) {
    case TProjectList::HTML: return HTMLFiles;
    case TProjectList::Javascript: return JavascriptFiles;
    case TProjectList::Other: break;
    }
    return OtherFiles;
}

namespace {

bool AddUnique(std::vector<AnsiString> &List, const AnsiString &Name)
{
    for (const AnsiString &s : List)
        if (SameProjectName(s, Name))
            return false;
    List.push_back(Name);
    return true;
}

void RemoveFirst(std::vector<AnsiString> &List, const AnsiString &Name)
{
    auto it = std::find_if(List.begin(), List.end(), [&](const AnsiString &s) { return SameProjectName(s, Name); });
    if (it != List.end())
        List.erase(it);
}

} // namespace

void TProject::AddFile(const AnsiString &Name)
{
    if (Name.empty())
        return;
    switch (ProjectListOf(Name)) {
    case TProjectList::HTML: AddHTMLFile(Name); break;
    case TProjectList::Javascript: AddJavascriptFile(Name); break;
    case TProjectList::Other: AddOtherFile(Name); break;
    }
}

void TProject::AddHTMLFile(const AnsiString &Name)
{
    AddUnique(HTMLFiles, Name);
}

void TProject::AddOtherFile(const AnsiString &Name)
{
    AddUnique(OtherFiles, Name);
}

void TProject::AddJavascriptFile(const AnsiString &Name)
{
    AddUnique(JavascriptFiles, Name);
    if (TTarnFile *parent = ParentRecord())
        parent->AddInclude(Name);
}

void TProject::RemoveHTMLFile(const AnsiString &Name)
{
    RemoveFirst(HTMLFiles, Name);
}

void TProject::RemoveOtherFile(const AnsiString &Name)
{
    RemoveFirst(OtherFiles, Name);
}

void TProject::RemoveJavascriptFile(const AnsiString &Name)
{
    RemoveFirst(JavascriptFiles, Name);
    if (TTarnFile *parent = ParentRecord())
        parent->RemoveInclude(Name);
}
