#pragma once
// Regular-expression search over UTF-16 text. The pattern is compiled into a deterministic automaton over
// classes of characters; matches are leftmost-longest, as POSIX matchers report them.
//
// Syntax: ( ) grouping, | alternation, * + ? and {n}, {n,}, {n,m} repetition, . any character but a line
// separator, ^ and $ line start and end, [ ] and [^ ] classes with ranges, \p and \P property lists and
// named classes written :name: inside the brackets, the escapes \a \b \f \n \r \t \v and \x \X \u \U with
// up to four hexadecimal digits. Without match case (search flag 1) letters match in either case.
#include <memory>

#include "text/SearchEngine.h"

class TDeadEnds;

class TURESearch : public TSearchEngine {
public:
    explicit TURESearch(TObject *AOwner);
    ~TURESearch() override;

    using TSearchEngine::FindAll;
    using TSearchEngine::FindFirst;
    using TSearchEngine::FindPrepare;

    void Clear() override;
    // Raises ESearchError with the message "Error in regular expression: <pattern>\r<detail>" on a
    // malformed pattern ("Expression is empty." alone for one without any item); nothing stays compiled.
    void FindPrepare(const WideChar *Pattern, int Length, unsigned Flags) override;
    bool FindFirst(const WideChar *Text, int Length, int &Start, int &Stop) override;
    // Matches from left to right without overlapping; after an empty match the search goes on one
    // character further, so no position is reported twice.
    bool FindAll(const WideChar *Text, int Length) override;

    // Number of automaton states of the compiled pattern (0 when none is compiled).
    int StateCount() const;
    // Characters read by the automaton in the last FindFirst or FindAll: the work a search did,
    // which grows linearly with the text for a fixed pattern.
    int64_t StepsTaken() const { return FSteps; }
    // Whether a search may pass over characters that begin nothing sixteen at a time (the default).
    // Off, it reads them one by one: the same matches, more slowly; the tests compare the two.
    void SetBlockScan(bool On) { FBlockScan = On; }

    struct TAutomaton;

private:
    bool Find(const WideChar *Text, int Length, int From, int &Start, int &Stop, TDeadEnds &Dead) const;

    std::unique_ptr<TAutomaton> FAutomaton;
    std::unique_ptr<TAutomaton> FSearchAutomaton;
    mutable int64_t FSteps = 0;
    bool FBlockScan = true;
};
