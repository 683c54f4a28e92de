#pragma once
// Name tables of the checker and the searches over them: whether a name belongs to the browser's object
// model, to JavaScript itself or to the server-side objects, and the reduction of a dotted expression to
// the HTML name it refers to.
#include <cstddef>

#include "platform/Types.h"

class IMessageSink;

constexpr size_t kDOMNameCount = 815;
constexpr size_t kSpecialNameCount = 19;
constexpr size_t kServerNameCount = 101;
constexpr size_t kBuiltInObjectCount = 18;
constexpr size_t kAttributeNameCount = 58;
constexpr size_t kPredefinedGlobalCount = 79;
constexpr size_t kMemberSuffixCount = 162;
constexpr size_t kEventPropertyCount = 10;

extern const char *const DOMNames[kDOMNameCount]; // byte order
extern const char *const SpecialNames[kSpecialNameCount];
extern const char *const ServerNames[kServerNameCount]; // order without case
extern const char *const BuiltInObjects[kBuiltInObjectCount];
extern const char *const AttributeNames[kAttributeNameCount];
extern const char *const PredefinedGlobals[kPredefinedGlobalCount]; // byte order
extern const char *const MemberSuffixes[kMemberSuffixCount];
extern const char *const EventProperties[kEventPropertyCount];

bool IsDOMName(const AnsiString &Name); // exact
bool IsSpecialName(const AnsiString &Name); // without case
bool IsServerObjectName(const AnsiString &Name); // without case
bool IsBuiltInObject(const AnsiString &Name); // exact
bool IsPredefinedGlobalName(const AnsiString &Name); // exact

// 1-based position of Word in Text as a whole word, found without case; -1 when absent. Unless
// NoQuoteCheck is set, an occurrence inside a quoted value gives -1.
int FindWord(const AnsiString &Word, const AnsiString &Text, bool NoQuoteCheck);

// Reduces a dotted expression to the HTML name it refers to; Result is empty when every part is a known
// name. With Report, a "[" without "]" gives warning 35 through Sink at the current line.
void HTMLNameOf(const AnsiString &Text, bool Report, AnsiString &Result, IMessageSink *Sink);
