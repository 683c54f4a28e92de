#pragma once
// What the file checker needs of the program around it, as narrow interfaces: the document's lines and
// name, the navigation tree's node collection and the main window's include operations. The shell
// implements them over its editor, tree control and tabs; tests implement them with fakes.
#include <cstdint>
#include <vector>

#include "checker/ParserHost.h"
#include "platform/Types.h"

class TWideStrings;

// The document under check: the editor's lines (never read from disk) and its file name.
class ICheckDocument {
public:
    virtual ~ICheckDocument() = default;
    virtual const TWideStrings &Lines() const = 0;
    virtual WideString FileName() const = 0;
};

// The node collection of the navigation tree. A node is an opaque handle; null means "none".
class INavTreeNodes {
public:
    virtual ~INavTreeNodes() = default;
    virtual int GetCount() = 0;
    virtual TNavNode GetNodeFromIndex(int Index) = 0; // flat index, document order
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // As the last sibling of Sibling; with null as the last top-level node.
    virtual TNavNode AddObject(TNavNode Sibling, const AnsiString &Text, void *Data) = 0;
    // As the first sibling of Sibling; with null as the first top-level node.
    virtual TNavNode AddFirstObject(TNavNode Sibling, const AnsiString &Text, void *Data) = 0;
    virtual TNavNode AddChildObject(TNavNode Parent, const AnsiString &Text, void *Data) = 0;
    virtual void Delete(TNavNode Node) = 0; // with its children
    virtual void Clear() = 0;
    virtual void *GetData(TNavNode Node) = 0;
    virtual void SetData(TNavNode Node, void *Data) = 0;
    virtual AnsiString GetText(TNavNode Node) = 0;
    virtual void SetText(TNavNode Node, const AnsiString &Text) = 0;
    virtual TNavNode GetParent(TNavNode Node) = 0;
    virtual TNavNode GetLastChild(TNavNode Node) = 0;
    virtual int GetChildCount(TNavNode Node) = 0;
};

// The current project, as far as a check of its main script reads it.
struct TCheckProject {
    AnsiString JSParent; // the project's main JavaScript file
    std::vector<AnsiString> JavascriptFiles; // the project's JavaScript files, in list order
};

// The main window's side of includes.
class IIncludeHost {
public:
    virtual ~IIncludeHost() = default;
    // Resolves Path (as written in the page, "/" separators) against the document under check into
    // Resolved (always set; canonical absolute when the file exists); opens the file in an include tab or
    // finds its tab. True when that tab's editor holds unsaved changes. The checker keeps the include
    // list itself, so the host does not add to it.
    virtual bool OpenIncludeFile(const AnsiString &Path, AnsiString &Resolved, TCheckLine LineIndex) = 0;
    // Fetches an http:// include (or takes it from the tab that already holds it) as include N of the
    // document FileName. True with its lines; false with the reason, which the checker reports.
    virtual bool LoadHttpIncl(const AnsiString &URL, TCheckLine LineIndex, int32_t N, const AnsiString &FileName,
                              std::vector<AnsiString> &Lines, AnsiString &Error) = 0;
    // Index of the tab whose editor holds Path, -1 when none.
    virtual int FileName2Tab(const AnsiString &Path) = 0;
    // Lines of the editor of tab Index; null when there is no such tab.
    virtual const TWideStrings *TabLines(int Index) = 0;
    // The current (last opened) project; false when no project is open.
    virtual bool CurrentProject(TCheckProject &Project) = 0;
};
