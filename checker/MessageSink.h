#pragma once
// Where the lexer, the symbol model and the name tables send their findings. The parser implements it;
// tests give a recording fake.
#include <string>

#include "checker/CheckLine.h"

enum TFindingSeverity : int { sevHint = 0, sevWarning = 1, sevError = 2, sevPlain = 3 };
enum TFinding : int; // the findings of fixed text (Findings.h)

// Where a finding lies when the reporter means the line being read.
inline constexpr TCheckLine kCurrentLine{-1};

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    // kCurrentLine means "the current line".
    virtual void AddMessage(const std::string &Text, int Severity, int Code, TCheckLine Line) = 0;
    // A finding of fixed text, with the code and severity of its entry.
    void AddFinding(TFinding F, TCheckLine Line);
    // A finding about Name ("%1" in its text).
    void AddFinding(TFinding F, const std::string &Name, TCheckLine Line);
    // A finding with two values ("%1" and "%2" in its text).
    void AddFinding(TFinding F, const std::string &First, const std::string &Second, TCheckLine Line);
    // The same with another severity, where one text is graded by where it occurs.
    void AddFinding(TFinding F, TCheckLine Line, int Severity);
};
