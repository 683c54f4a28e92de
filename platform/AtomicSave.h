#pragma once
// Saving a file the user owns so that a failure never costs the old content.
//
// The new bytes go to a temporary file beside the target (a short name, so a file name near the
// system's limit still saves), which is synced, given the old file's mode and owner and renamed
// over the target. A symbolic link is followed, also a dangling one, whose target is created.
// Two cases write into the existing file instead, because a rename would change what the file
// is: a file with more than one hard link (a new file would split the links), and a writable
// file in a folder that refuses new files. Then the new size is allocated before anything is
// overwritten, the old content is kept in the user's cache folder until the new one is synced
// (and written back if writing fails), and only then is the file cut to its new length.
//
// A file without write permission is never replaced: the save fails with the system's reason.
// Every failure throws EFCreateError or EWriteError with the text
//     Cannot save file "<name>". <the system's reason>
// and leaves the file exactly as it was.
#include "platform/Classes.h"
#include "platform/Types.h"

#include <functional>
#include <memory>

class TAtomicSave {
public:
    // Checks the target and opens where the bytes go. Throws EFCreateError on failure.
    explicit TAtomicSave(const AnsiString &FileName);
    // Without Commit, the new bytes are thrown away and the file stays as it was.
    ~TAtomicSave();
    TAtomicSave(const TAtomicSave &) = delete;
    TAtomicSave &operator=(const TAtomicSave &) = delete;

    // Where the caller writes the new content. A write that fails throws EWriteError with the
    // message above.
    TStream &Stream();
    // Makes the new content the file's. Throws EWriteError (file as it was) on failure.
    void Commit();

    // The whole save in one call: Write puts the new content into the stream, then it is made the
    // file's. Whatever fails (Write included) leaves the file as it was and goes on to the caller.
    static void SaveFile(const AnsiString &FileName, const std::function<void(TStream &)> &Write);
    static void SaveFile(const AnsiString &FileName, const void *Data, size_t Size);

    // The file that is written (symbolic links followed).
    const AnsiString &Target() const { return FTarget; }
    // True when the save writes into the existing file (hard links, or a folder that refuses
    // new files) instead of renaming a new file over it.
    bool InPlace() const { return FInPlace; }

    // Steps at which a test can make the save fail as if the system had refused.
    enum class TStep { Create, Write, Sync, Rename, Allocate, Backup, Overwrite };
    // The hook returns an errno value to fail the step with, or 0 to let it run. Offset is the
    // byte position of a Write or Overwrite. Tests only; nullptr removes it.
    using TFaultHook = std::function<int(TStep Step, int64_t Offset)>;
    static void SetFaultHook(TFaultHook Hook);

    // "Cannot save file "<name>". <reason>"
    static AnsiString ErrorText(const AnsiString &FileName, int Err);

private:
    class TSaveStream;

    void CommitRename();
    void CommitInPlace();
    [[noreturn]] void Fail(int Err) const;

    AnsiString FFileName; // as the caller named it (for messages)
    AnsiString FTarget; // the file written
    AnsiString FTemp; // the temporary file beside the target (rename mode)
    bool FExists = false;
    bool FInPlace = false;
    bool FCommitted = false;
    int FFd = -1;
    std::unique_ptr<TSaveStream> FStream;
};
