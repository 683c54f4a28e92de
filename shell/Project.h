#pragma once
// A project: the HTML pages, scripts and other files of one site, a frameset flag and the
// script that is the parent of the others, kept in a ".prj" file of CR LF lines:
//   "Frames" or "NotFrames"
//   count of HTML files, then one full path a line
//   count of JavaScript files, then one path a line
//   count of other files, then one path a line
//   the JavaScript parent (an empty line when there is none)
// Paths are kept as the bytes of the file (local 8-bit paths), so a file saved again is the same
// file byte for byte. The window-side operations (opening and closing the files, the tree) are in
// MainWindowProject.cpp.
#include "platform/Types.h"

#include <string>
#include <vector>

class TfrmQuillmarMain;
class TCustomTreeNT;

// Which list a file name goes to, by its extension (from the last ".", lower-cased): one holding
// ".htm" is a page, exactly ".js" a script, anything else (also none) another file.
enum class TProjectList { HTML, Javascript, Other };
TProjectList ProjectListOf(const AnsiString &Name);

// A count line read as the runtime's integer reader does, stopping at the first character that
// does not belong: blanks skipped, optional sign, "$", "x" or "0x" for hexadecimal; 0 without
// digits. Values beyond the int range saturate.
int ReadProjectCount(const AnsiString &Line);

// What reading a project file found.
enum class TProjectLoad {
    Complete, // every line was there
    Truncated, // the file ended before a line it announced; what was there is loaded
};

class TProject {
public:
    TProject(TfrmQuillmarMain *Main, AnsiString FileName);

    TfrmQuillmarMain *Main = nullptr;
    AnsiString FileName;
    bool Frameset = false;
    AnsiString JSParent;
    std::vector<AnsiString> HTMLFiles;
    std::vector<AnsiString> JavascriptFiles;
    std::vector<AnsiString> OtherFiles;

    // The file's bytes and back. Parse clears the lists first.
    std::string Format() const;
    TProjectLoad Parse(const std::string &Bytes);
    // Reads and writes FileName; a file that cannot be read or written raises an Exception.
    TProjectLoad LoadFromFile();
    void SaveToFile() const;

    // The project file's name without folder.
    AnsiString DisplayName() const;

    // The list an extension selects; nothing for an empty name. Adding keeps names unique
    // without regard to case; the JavaScript operations keep the open parent's include list in
    // step.
    void AddFile(const AnsiString &Name);
    void AddHTMLFile(const AnsiString &Name);
    void AddJavascriptFile(const AnsiString &Name);
    void AddOtherFile(const AnsiString &Name);
    void RemoveHTMLFile(const AnsiString &Name);
    void RemoveJavascriptFile(const AnsiString &Name);
    void RemoveOtherFile(const AnsiString &Name);

    // ---- with the window (MainWindowProject.cpp)
    // Takes the name out of its list, then offers to close its editor.
    void RemoveFile(const AnsiString &Name);
    void AddAllOpenFiles();
    void CloseAllFiles();
    void OpenAllFiles();
    void FillTree(TCustomTreeNT &Tree) const;

private:
    std::vector<AnsiString> &ListFor(const AnsiString &Name);
    // The editor record of the parent's tab, null when no parent is set or it is not open.
    class TTarnFile *ParentRecord() const;
};

// Equal without regard to case, as the project compares its names.
bool SameProjectName(const AnsiString &A, const AnsiString &B);
