#pragma once
// INI files with the classic profile rules: "[Section]" headers and "Key=Value" lines,
// sections and keys matched without regard to case, values trimmed of blanks and tabs, no
// escaping and no quoting. The file is UTF-8; a line that is not valid UTF-8 is read as
// Windows-1252, so older files still read.
//
// The whole file is read once when the object is made; reads and writes then work on the
// lines in memory and UpdateFile writes them back in one go (to a file beside the target,
// renamed over it). Every line the program does not touch keeps its bytes: comments, blank
// lines, malformed lines, unknown keys and sections, a byte-order mark and the line-break
// style all survive. Writing a value into an existing key rewrites only the value part of
// its line; a new key goes after the last key of its section; a new section goes at the end.
// Nothing is ever removed unless DeleteKey or EraseSection asks for it.
//
// Where a section or key appears twice, the first one is read and written; later ones are
// kept as they are.
#include "platform/Exception.h"
#include "platform/Types.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

QUILLMAR_EXCEPTION(EIniFileException, Exception);

class TIniFile {
public:
    // Reads FileName (a path in the system's file-name bytes). A missing file reads as empty.
    // A file that exists but cannot be read, or is larger than MaxFileSize, also reads as
    // empty, and UpdateFile then refuses to replace it (its contents would be lost).
    explicit TIniFile(const AnsiString &FileName);
    // The settings in Text, as a file holding those bytes would give them (FileName empty).
    static TIniFile FromText(const std::string &Text);

    static constexpr std::int64_t MaxFileSize = 16 * 1024 * 1024;

    const AnsiString &FileName() const { return FFileName; }
    // True when the file could not be read although it exists (see the constructor).
    bool ReadFailed() const { return FReadFailed; }

    // The trimmed value of the first Ident of the first Section, or Default when either is
    // missing.
    WideString ReadString(const WideString &Section, const WideString &Ident, const WideString &Default) const;
    // A decimal number, or "0x" followed by hexadecimal digits (up to 32 bits, read as a
    // signed 32-bit value); anything else, also a number out of range, gives Default.
    int ReadInteger(const WideString &Section, const WideString &Ident, int Default) const;
    // Any non-zero number is true; a value that is no number gives Default.
    bool ReadBool(const WideString &Section, const WideString &Ident, bool Default) const;

    // Line breaks in a value would break the file into further lines (and could forge keys
    // or sections), so each CR and LF of Value is written as a blank.
    // A section or key name that would not read back as itself is refused with
    // EIniFileException "Invalid section name "..."" / "Invalid key name "..."" and nothing
    // is written: empty names, blanks at either end, line breaks, "]" in any name, and in a key
    // "=" or a leading "[" or ";".
    void WriteString(const WideString &Section, const WideString &Ident, const WideString &Value);
    static bool IsValidSectionName(const WideString &Name);
    static bool IsValidKeyName(const WideString &Name);
    void WriteInteger(const WideString &Section, const WideString &Ident, int Value);
    // Written as "1" or "0".
    void WriteBool(const WideString &Section, const WideString &Ident, bool Value);

    bool SectionExists(const WideString &Section) const;
    bool ValueExists(const WideString &Section, const WideString &Ident) const;
    // Names of the keys of a section (first occurrence of each), in file order.
    std::vector<WideString> ReadSection(const WideString &Section) const;
    // Names of the sections (first occurrence of each), in file order.
    std::vector<WideString> ReadSections() const;

    void DeleteKey(const WideString &Section, const WideString &Ident);
    // Removes the first section of that name with its header and every line up to the next
    // section.
    void EraseSection(const WideString &Section);

    // True when something was written since the file was read or last saved.
    bool Modified() const { return FModified; }
    // Writes the file when it was modified or does not exist yet; an unchanged existing file
    // is not touched. Throws EIniFileException "Unable to write to <file>" on failure.
    void UpdateFile();

    // The file's contents as they would be written now.
    std::string Text() const;

    // The integer rule of ReadInteger on one already trimmed text; false when it is no number.
    static bool ParseInteger(const WideString &Text, int &Value);

private:
    enum class TLineKind { Other, Header, Key };
    struct TLine {
        std::string Raw; // bytes of the line without its line break
        std::string Break; // "\r\n", "\n", or empty for a last line without one
        TLineKind Kind = TLineKind::Other;
        WideString Name; // section or key name as written (trimmed)
        std::u16string Folded; // Name case-folded, for lookups
        std::size_t ValueStart = 0; // Key: offset of the value in Raw (after '=' and blanks)
    };
    struct TSectionIndex {
        std::size_t Header; // line index of the header
        std::size_t End; // one past the section's last line
        std::unordered_map<std::u16string, std::size_t> Keys; // first line of each key
        std::size_t LastKey; // line after which a new key goes
    };

    void Parse(const std::string &Bytes);
    void Reindex();
    static void Classify(TLine &Line);
    const TSectionIndex *FindSection(const WideString &Section) const;
    const TLine *FindKey(const WideString &Section, const WideString &Ident) const;

    AnsiString FFileName;
    bool FReadFailed = false;
    bool FModified = false;
    bool FBom = false;
    std::string FBreak; // the file's line-break style ("\n" for a new file)
    std::vector<TLine> FLines;
    std::vector<TSectionIndex> FSections; // first occurrence of each section name, file order
    std::unordered_map<std::u16string, std::size_t> FSectionByName; // into FSections
};
