#pragma once
// Where the lexer, the symbol model and the name tables send their findings. The parser implements it;
// tests give a recording fake.
#include <string>

enum TFindingSeverity : int { sevHint = 0, sevWarning = 1, sevError = 2, sevPlain = 3 };

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    // Line -1 means "the current line"; a negative line is include-encoded.
    virtual void AddMessage(const std::string &Text, int Severity, int Code, int Line) = 0;
};
