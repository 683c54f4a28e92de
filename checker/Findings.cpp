#include "checker/Findings.h"

#include <iterator>

namespace {

// In the order of TFinding.
const TFindingText kFindings[] = {
    {13, sevWarning, "missing semicolon"},
    {16, sevWarning, "the \"arguments\" property of functions is deprecated"},
    {17, sevWarning, "ECMAScript doesn't allow line terminators between \"throw\" and expression"},
    {18, sevWarning, "catch Id same name as a function parameter"},
    {19, sevWarning, "catch Id same name as a local variable"},
    {20, sevWarning, "catch Id same name as a global variable"},
    {21, sevWarning, "Identifier named \"Var\" is probably meant to be keyword \"var\""},
    {24, sevWarning, "\";\" after \"if (expression)\", \"if\" now redundant"},
    {25, sevWarning, "empty block in \"do . . while\""},
    {26, sevWarning, "should be test for equality \"==\" not assignment \"=\""},
    {26, sevWarning, "should probably be test for equality \"==\" not assignment \"=\""},
    {27, sevWarning, "\";\" after \"while (expression)\", will only loop expression instructions"},
    {28, sevWarning, "\"while\" empty"},
    {29, sevWarning, "\";\" after \"for\", will only loop instructions inside ( )"},
    {30, sevWarning, "empty \"for\" loop body"},
    {31, sevWarning, "preferable to have expression and ++ or -- on same line"},
    {32, sevWarning, "empty array initialiser"},
    {33, sevError, "invalid array index expression"},
    {39, sevWarning, "check number of equals (\"=\") symbols or quotes (' or \")"},
    {41, sevWarning, "</form> tag found without preceding <form> tag (maybe in dynamic HTML)"},
    {42, sevWarning, "</script> tag missing"},
    {43, sevWarning, "</form> tag missing"},
    {44, sevWarning, "HTML comment tag never closed with a \"-->\" tag"},
    {44, sevWarning, "Nested HTML comment tag found, close previous with a \"-->\" tag"},
    {47, sevWarning, "possible HTML closing comment tag \"-->\" found within script"},
    {48, sevWarning, "update expression in \"for\" may not change anything"},
    {49, sevWarning, "space between < and input causes problems with some browsers"},
    {50, sevWarning, "empty block or missing statement in \"if\""},
    {51, sevWarning, "empty block or missing statement in \"else\""},
    {54, sevWarning, "return expression missing or invalid"},
    {57, sevWarning, "\";\" after block not strict ECMA, (but IE allows it!)"},
    {60, sevError, "invalid #'?' character constant"},
    {61, sevError, "invalid exponent part in a decimal literal"},
    {64, sevError, "\\c used with invalid following char, only A - Z"},
    {65, sevError, "\\octal value bigger than 0377"},
    {67, sevError, "missing regular expression constant closing quote"},
    {67, sevError, "missing string constant closing quote"},
    {72, sevError, "\"else\" without an \"if\""},
    {73, sevError, "extra closing block symbol \"}\" found"},
    {74, sevError, "unrecognised symbol found"},
    {75, sevError, "parsing stopped, correct previous error(s)"},
    {77, sevError, "missing symbol or operator between identifiers or literals (or space in identifier)"},
    {78, sevError, "missing identifier or literal between operators"},
    {79, sevError, "missing \".\" between DOM elements or identifiers"},
    {80, sevError, "invalid space between comparison symbols"},
    {81, sevError, "\"!\" is not a relational symbol"},
    {82, sevError, "( expected"},
    {84, sevError, "function parameter expected"},
    {85, sevError, "function name expected"},
    {86, sevError, ") expected"},
    {87, sevError, "\";\" found after function definition"},
    {88, sevError, "\":\" or \"}\" expected in object literal"},
    {89, sevError, "} expected to complete object literal"},
    {91, sevError, "\"label\" statement fail or missing \";\""},
    {92, sevError, "\"continue\" only inside a loop"},
    {93, sevError, "\"break\" only inside a loop or switch"},
    {94, sevError, "nesting too deep, rest of the script not checked"},
    {95, sevError, "\"with\" expression invalid"},
    {96, sevError, "invalid or no statements in \"with\" block"},
    {97, sevError, "\"throw\" expression invalid"},
    {98, sevError, "invalid expression in \"(  )\""},
    {98, sevError, "invalid expression in \"( )\""},
    {99, sevError, "{ expected"},
    {100, sevError, "\"case\" expression fail"},
    {101, sevError, "\":\" expected after case expression"},
    {102, sevError, "\"case\" action statement(s) fail"},
    {103, sevError, "use \"default\" not \"else\" in switch"},
    {104, sevError, "parse switch fail"},
    {105, sevError, "\"}\" missing to end switch statement"},
    {106, sevError, "\"try\" block parse statement fail"},
    {107, sevError, "\"catch\" or \"finally expected\""},
    {108, sevError, "identifier expected"},
    {109, sevWarning, "exception statement fail or empty"},
    {110, sevError, "\"finally\" block statement(s) fail"},
    {111, sevError, "only one \"catch\" permitted in Javascript"},
    {112, sevError, "\"catch\" must be before \"finally\""},
    {113, sevError, "var initialiser expression fail"},
    {114, sevError, "declared variable can only be initialised by assignment (\"=\")"},
    {115, sevError, "invalid character(s) after variable name"},
    {116, sevError, "variable name is a reserved word or DOM object"},
    {117, sevError, "identifier expected after comma"},
    {118, sevError, "no variable declared after \"var\""},
    {118, sevError, "no variable(s) declared after \"var\""},
    {119, sevError, "\"=\" or \"+=\" expected after status/defaultStatus"},
    {120, sevError, "invalid expression following \"=\""},
    {121, sevError, "expression fail in \"if\""},
    {122, sevError, "; expected in \"for\""},
    {123, sevError, "} expected"},
    {124, sevError, "\";\" after \"do\""},
    {125, sevError, "\"while\" expected"},
    {126, sevError, "\"(\" expected after \"while\""},
    {128, sevError, ") expected after expression"},
    {129, sevError, "( expected after \"while\""},
    {129, sevError, "\"(\" expected after \"for\""},
    {130, sevError, "identifier expected after comma in \"for\""},
    {131, sevError, "invalid initialiser in \"for\""},
    {133, sevError, "update expression fail in \"for\""},
    {134, sevError, "identifier expected after \"in\""},
    {135, sevError, "only one variable allowed in \"for .. in\""},
    {136, sevError, "failed all iteration parsing"},
    {137, sevError, "expression expected after comma"},
    {138, sevError, "assignment(=) only to a variable, object property or defaultStatus"},
    {139, sevError, "rhs of assignment(=) missing or invalid"},
    {141, sevError, "invalid statement after ?"},
    {142, sevError, "\";\" not valid in \"? :\""},
    {143, sevError, "\":\" expected"},
    {144, sevError, "invalid statement after :"},
    {155, sevError, "expression expected after \"typeof\""},
    {156, sevError, "unary expr fail"},
    {157, sevError, "\"]\" expected"},
    {158, sevError, "\"new\" fail"},
    {159, sevError, "can't instantiate a \"Math\" object"},
    {160, sevError, "invalid expression after \"[\""},
    {161, sevError, "identifier expected after \".\""},
    {163, sevError, "\",\" or \"]\" expected"},
    {164, sevError, "invalid parameters inside \"( )\""},
    {165, sevError, "invalid expression in DOM parameter"},
    {166, sevError, "invalid expression in DOM [ ]"},
    {168, sevError, "unmatched opening and closing parethesis ( )"},
    {169, sevError, "uneven number of double quotes"},
    {170, sevError, "unmatched opening and closing curly brackets { }"},
    {171, sevError, "<script> or <embed> tag found within <script> section, fix and try again"},
    {172, sevError, "<script> tag found without \"type=text/Javascript\", ignoring script section"},
    {172, sevWarning, "<embed> tag found without \"type=image/svg+xml\", ignoring embed section"},
    {173, sevError, "</script> tag found without preceding <script> tag"},
    {174, sevError, "missing closing quote"},
    {189, sevError, "\"=\" expected following \"id\" or \"name\""},
    {190, sevError, "expression expected after : in object literal"},
    {1, sevHint, "recommended to avoid an identifier name of \"%1\""},
    {55, sevWarning, "function \"%1\" is not strictly a \"constructor\""},
    {53, sevWarning, "function \"%1\" is an object method"},
    {179, sevError, "constructor \"%1\" not found"},
    {179, sevError, "constructor or instance \"%1\" not found"},
    {22, sevWarning, "variable name \"%1\" is a reserved word or DOM object"},
    {22, sevWarning, "function name \"%1\" is a reserved word or DOM property/method"},
    {22, sevWarning, "parameter \"%1\" is a reserved word or DOM object"},
    {167, sevError, "Include File '%1' does not exist"},
    {167, sevError, "Include '%1' not loaded, file unreadable"},
    {180, sevError, "function \"%1\" not found"},
    {183, sevError, "HTML object \"%1\" not found"},
    {145, sevError, "logical OR fail"},
    {146, sevError, "logical AND fail"},
    {147, sevError, "bitwise OR fail"},
    {148, sevError, "bitwise XOR fail"},
    {149, sevError, "bitwise AND fail"},
    {150, sevError, "logical equality or \"in\" fail"},
    {151, sevError, "invalid relational expression"},
    {152, sevError, "shift fail"},
    {153, sevError, "add or subtract fail"},
    {154, sevError, "multiply, divide or modulus fail"},
    {137, sevError, "expression expected after \":\""},
    {127, sevError, "\"while\" expression fail"},
    {130, sevError, "\"while\" (expression) fail"},
    {132, sevError, "continuation expression fail in \"for\""},
    {15, sevWarning, "empty block \"{...}\" in function"},
    {15, sevWarning, "empty block \"{...}\" or missing \"{\" in function"},
    {62, sevError, "\\x used with invalid hex digit in following 2 chars"},
    {63, sevError, "\\u used with invalid hex digit in following 4 chars"},
    {178, sevError, "new object \"%1\" not found"},
    {52, sevWarning, "function name \"%1\" is duplicated in HTML Names"},
    {191, sevError, "Constructor for derived object \"%1\" not found"},
    {177, sevError, "Object method, variable or parameter \"%1\" not found"},
    {177, sevError, "Object method or variable \"%1\" not found"},
    {185, sevError, "Object method or function \"%1\" not found"},
    {180, sevError, "function or method \"%1\" not found, (maybe constructor?)"},
    {181, sevError, "global label \"%1\" not found"},
    {182, sevError, "global var (or function, prototype or object property/method) \"%1\" not found"},
    {45, sevWarning, "HTML object \"%1\" referenced earlier than declaration on line %2"},
    {184, sevError, "\"%1\" not found in local/global vars or HTMLNames"},
    {186, sevError, "\"%1\" not found in local/global vars, parameters, functions or object properties/methods"},
    {185, sevError, "Object method or property \"%1\" not found in \"%2\" or local variables"},
    {187, sevError, "\"%1\" not found in constructor \"%2\" properties"},
    {188, sevError, "event uses \"%1\" not found in HTML Names"},
    {46, sevWarning, "function \"%1\" not called from Javascript or HTML"},
    {192, sevError, "tag not closed within %1 characters, rest ignored"},
    {40, sevWarning, "form name/id \"%1\" is a DOM property/method"},
    {175, sevError, "duplicate form name/id \"%1\" found"},
    {176, sevError, "duplicate object or applet name/id \"%1\" found"},
    {38, sevWarning, "Name and Id attributes have different values \"%1\" & \"%2\""},
    {36, sevWarning, "tag name/id \"%1\" is a DOM property/method"},
    {37, sevWarning, "HTML Name/Id \"%1\" is duplicated"},
    {35, sevWarning, "HTML Name \"%1\" missing \"]\""},
    {59, sevError, "too many includes, include #%1 and later not checked"},
    {59, sevError, "too many includes, include #%1 not checked"},
    {167, sevHint, "Include '%1' not followed, only local files and http:// includes (with includes opened) are checked"},
    {167, sevError, "Include '%1' not loaded"},
    {34, sevWarning, "Include File '%1' has been changed but not saved!"},
    {34, sevWarning, "Include File '%1' not open in editor - disregarded!"},
    {67, sevError, "missing closing quote for %1 constant which began on line %2"},
    {66, sevError, "unterminated %1"},
    {10, sevHint, "unknown escape sequence \"\\%1\", (maybe a correct URL or file path)"},
    {69, sevError, "invalid character (code %1) outside a string or comment"},
    {70, sevError, "duplicate parameter name, \"%1\""},
    {11, sevWarning, "local var \"%1\" already declared on line %2"},
    {68, sevError, "label \"%1\" already declared"},
    {56, sevWarning, "possible duplicate embedded function \"%1\""},
    {12, sevWarning, "local var \"%1\" same name as a function parameter"},
    {71, sevError, "label \"%1\" not found"},
    {83, sevError, "\".arguments\" property only applies to current function name, not %1"},
    {2, sevHint, "recommended to use \"var\" when declaring variables in a function, \"%1\" will be treated as global!"},
    {76, sevError, "on previous lines %1 opening block symbol \"{\" found without matching \"}\""},
    {14, sevWarning, "duplicate function - \"%1\".  Browsers will use the last one without reporting any error!"},
    {23, sevWarning, "global var \"%1\" already declared on line %2"},
    {90, sevError, "global label \"%1\" duplicated"}};

static_assert(std::size(kFindings) == fdCount, "one entry for each finding");

} // namespace

const TFindingText &FindingText(TFinding F)
{
    return kFindings[F];
}

void IMessageSink::AddFinding(TFinding F, TCheckLine Line)
{
    const TFindingText &t = FindingText(F);
    AddMessage(t.Text, t.Severity, t.Code, Line);
}

std::string FindingMessage(TFinding F, const std::string &First, const std::string &Second)
{
    // one pass, so that a value holding "%2" stays as it is
    std::string text;
    for (const char *p = FindingText(F).Text; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            text += p[1] == '1' ? First : Second;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

void IMessageSink::AddFinding(TFinding F, const std::string &Name, TCheckLine Line)
{
    const TFindingText &t = FindingText(F);
    AddMessage(FindingMessage(F, Name), t.Severity, t.Code, Line);
}

void IMessageSink::AddFinding(TFinding F, const std::string &First, const std::string &Second, TCheckLine Line)
{
    const TFindingText &t = FindingText(F);
    AddMessage(FindingMessage(F, First, Second), t.Severity, t.Code, Line);
}

void IMessageSink::AddFinding(TFinding F, TCheckLine Line, int Severity)
{
    const TFindingText &t = FindingText(F);
    AddMessage(t.Text, Severity, t.Code, Line);
}
