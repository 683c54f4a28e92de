#include "shell/InsertFragments.h"

#include "editor/SyntaxEditCore.h"
#include "platform/CodePage.h"
#include "platform/SysUtils.h"
#include "shell/WebUtil.h"

#include <algorithm>
#include <cstring>

namespace {

using O = TCaretOp;
constexpr TCaretStep Move(O Op, int X, int DY = 0)
{
    return {Op, X, DY};
}
constexpr TCaretStep Cmd(TEditorCommand C)
{
    return {O::Command, int(C), 0};
}
constexpr TCaretStep SelectCols(int N)
{
    return {O::SelectRight, N, 0};
}

const char16_t *const NoScriptText =
    u"<noscript>\r\n<b>This page is enhanced by JavaScript (or JScript or VBScript). Upgrade to the latest version "
    u"of Netscape Navigator,Opera or Microsoft Internet Explorer.</b><p><p>\r\nIf you are using a JavaScript (or "
    u"VBScript) supported browser, be sure you have enabled JavaScript/VBScript in the Preferences/Options dialog "
    u"box.<p>\r\n</noscript>\r\n";

WideString Num(int64_t N)
{
    const AnsiString s = IntToStr(N);
    return WideString(s.begin(), s.end());
}

bool ToInt(const WideString &S, int &Value)
{
    return TryStrToInt(WideToAnsi(S), Value);
}

} // namespace

const char16_t *const StringFunctionCaptions[19] = {
    u".length;",        u".anchor();",    u".link();",        u".big();",         u".small();",
    u".blink();",       u".bold();",      u".italics();",     u".strike();",      u".sub();",
    u".sup();",         u".fontcolor();", u".fontsize();",    u".charAt();",      u".indexOf();",
    u".lastindexof();", u".substring();", u".toUpperCase();", u".toLowerCase();",
};
const char16_t *const WindowFunctionCaptions[3] = {u".name();", u".close();", u".setTimeout( , );"};
const char16_t *const DocumentFunctionCaptions[2] = {u".clear();", u".close();"};
const char16_t *const EventCaptions[10] = {u"onBlur =",   u"onClick =",    u"onChange =",    u"onFocus =",
                                           u"onLoad =",   u"onMouseout =", u"onMouseover =", u"onSelect =",
                                           u"onSubmit =", u"onUnload ="};

const std::vector<TFragmentItem> &JavaScriptFragmentItems()
{
    static const std::vector<TFragmentItem> items = {
        {"SCRIPTBlock1",
         u"<&script> Block",
         u"<script type = \"text/javascript\" language = \"Javascript\">\r\n<!-- Hide from older browsers;\r\n\r\n"
         u"// end hide -->\r\n</script>\r\n",
         nullptr,
         {Move(O::AtColumn, 0, -3)}},
        {"SCRIPTBlockrunatserver1",
         u"<script> Block runat=server",
         u"<script type = \"text/javascript\" language = \"Javascript\" runat = \"server\">\r\n"
         u"<!-- Hide from older browsers;\r\n\r\n// end hide -->\r\n</script>\r\n",
         nullptr,
         {Move(O::AtColumn, 0, -3)}},
        {"NOSCRIPTBlock1", u"<&noscript> Block", NoScriptText, nullptr, {}},
        {"ifonewaydecision1",
         u"&if (one way decision)",
         u"  if()\r\n  {\r\n    \r\n  }\r\n",
         nullptr,
         {Move(O::FromCaret, 0, -4), Cmd(ecLineEnd), Cmd(ecLeft)}},
        {"ifelsetwowaydecision1",
         u"if ... &else (two way decision)",
         u"  if()\r\n  {\r\n\r\n  }\r\n  else\r\n  {\r\n\r\n  }\r\n",
         nullptr,
         {Move(O::FromCaret, 0, -8), Cmd(ecLineEnd), Cmd(ecLeft)}},
        {"switchmultiwaydecision1",
         u"s&witch (multi way decision)",
         u"  switch() {\r\n    case 1 :\r\n      break;\r\n    case 2 :\r\n      break;\r\n    default :\r\n"
         u"      break;\r\n  }",
         nullptr,
         {Move(O::FromCaret, 0, -7), Cmd(ecLineEnd), Move(O::FromCaret, -3)}},
        {"forcountingloop1",
         u"f&or (counting loop)",
         u"  for( ; ; )\r\n  {\r\n\r\n  }\r\n",
         nullptr,
         {Move(O::FromCaret, 0, -4), Cmd(ecLineEnd), Move(O::FromCaret, -6)}},
        {"whileconditionalloop1",
         u"w&hile (conditional loop)",
         u"  while( )\r\n  {\r\n\r\n  }\r\n",
         nullptr,
         {Move(O::FromCaret, 0, -4), Cmd(ecLineEnd), Move(O::FromCaret, -2)}},
        {"dowhileconditionalloop1",
         u"&do ... while (conditional loop)",
         u"  do\r\n  {\r\n\r\n  }\r\n  while( );\r\n",
         nullptr,
         {Cmd(ecUp), Cmd(ecLineEnd), Move(O::FromCaret, -3)}},
        {"Equals1", u"== &Equals", u"==", nullptr, {}},
        {"NotEquals1", u"!= &Not equals", u"!=", nullptr, {}},
        {"LessThan1", u"< &Less than", u"<", nullptr, {}},
        {"GreaterThan1", u"> &Greater than", u">", nullptr, {}},
        {"LessOrEqual1", u"<= Less than &or equal", u"<=", nullptr, {}},
        {"GreaterOrEqual1", u">= Greater than o&r equal", u">=", nullptr, {}},
        {"And1", u"&&&& &And", u"&&", nullptr, {}},
        {"Or1", u"|| O&r", u"||", nullptr, {}},
        {"Not1", u"! No&t", u"!", nullptr, {}},
        {"parseInt1", u"parse&Int()", u"parseInt(sometext);", nullptr, {}},
        {"parseFloat1", u"parse&Float()", u"parseFloat(sometext);", nullptr, {}},
        {"isNaN1", u"is&NaN()", u"isNaN(somevalue);", nullptr, {}},
        {"Comment1", u"Co&mment /*  */", u"/* ", u" */", {Move(O::FromCaret, -3)}},
        {"documentwriteln1", u"document.writeln( );", u"document.writeln();", nullptr, {Cmd(ecLeft)}},
    };
    return items;
}

const std::vector<TFragmentItem> &HTMLFragmentItems()
{
    // Form controls select their placeholder name: start column + offset on the line above.
    static std::vector<WideString> inputTexts;
    static const std::vector<TFragmentItem> items = [] {
        const struct {
            const char *Name;
            const char16_t *Caption, *Type;
        } inputs[] = {
            {"input1", u"&Input (text box)", u"input"},
            {"submit1", u"&Submit", u"submit"},
            {"reset1", u"&Reset", u"reset"},
            {"password1", u"&Password", u"password"},
            {"hidden1", u"&Hidden", u"hidden"},
            {"fileupload1", u"File &upload", u"file"},
        };
        inputTexts.reserve(6);
        std::vector<TFragmentItem> v = {
            {"Form1", u"&Form", u"<form id = \"form1\">\r\n\r\n</form>\r\n", nullptr, {Move(O::AtColumn, 0, -2)}},
        };
        for (const auto &i : inputs) {
            inputTexts.push_back(u"<input type = \"" + WideString(i.Type) +
                                 u"\" id = \"TextBoxName\" size = \"20\">\r\n");
            const int length = int(std::char_traits<char16_t>::length(i.Type));
            v.push_back({i.Name,
                         i.Caption,
                         inputTexts.back().c_str(),
                         nullptr,
                         {Move(O::FromStart, 23 + length, -1), SelectCols(11)}});
        }
        const std::vector<TFragmentItem> rest = {
            {"InputButton1",
             u"&Button",
             u"<input type = \"button\" value = \"Btn caption\" onclick = \"doSomething();\">\r\n",
             nullptr,
             {Move(O::FromStart, 56, -1), SelectCols(11)}},
            {"RadioButton1",
             u"&Radio Button",
             u"<input type = \"radio\" id = \"Radio_Group\" onclick = \"radioClick()\">\r\n",
             nullptr,
             {Move(O::FromStart, 28, -1), SelectCols(11)}},
            {"CheckBox1",
             u"&CheckBox",
             u"<input type = \"checkbox\" id = \"CheckBox1\" onclick = \"checkBoxClick()\">\r\n",
             nullptr,
             {Move(O::FromStart, 31, -1), SelectCols(9)}},
            {"OutputTextArea1",
             u"Text&Area",
             u"<textarea id = \"TextAreaName\" rows = \"5\" cols = \"20\"></textarea>\r\n",
             nullptr,
             {Move(O::FromStart, 16, -1), SelectCols(12)}},
            {"Selectdropdown1",
             u"&Select (dropdown)",
             u"<select id = \"DropDown1\" size = \"1\">\r\n<option value = \"item 1\">item 1\r\n"
             u"<option value = \"item 2\">item 2\r\n</select>\r\n",
             nullptr,
             {Move(O::FromStart, 14, -4), SelectCols(9)}},

            {"Bold2", u"&Bold", u"<b>", u"</b>", {}},
            {"Italic1", u"&Italic", u"<i>", u"</i>", {}},
            {"Underline1", u"&Underline", u"<u>", u"</u>", {}},
            {"Left1", u"&Left", u"<div align=\"left\">", u"</div>", {Move(O::FromStart, 18)}, TMarkupForm::XHTML},
            {"Left1", u"&Left", u"<p align = \"left\">", u"</p>", {Move(O::FromStart, 18)}, TMarkupForm::HTML},
            {"Right1", u"&Right", u"<div align=\"right\">", u"</div>", {Move(O::FromStart, 19)}, TMarkupForm::XHTML},
            {"Right1", u"&Right", u"<p align = \"right\">", u"</p>", {Move(O::FromStart, 19)}, TMarkupForm::HTML},
            {"Centre1", u"&Centre", u"<div align=\"center\">", u"</div>", {Move(O::FromStart, 20)}, TMarkupForm::XHTML},
            {"Centre1", u"&Centre", u"<center>", u"</center>", {Move(O::FromStart, 8)}, TMarkupForm::HTML},
            {"H11", u"H&1", u"<h1>", u"</h1>", {Move(O::FromCaret, -5)}},
            {"H21", u"H&2", u"<h2>", u"</h2>", {Move(O::FromCaret, -5)}},
            {"H31", u"H&3", u"<h3>", u"</h3>", {Move(O::FromCaret, -5)}},
            {"H41", u"H&4", u"<h4>", u"</h4>", {Move(O::FromCaret, -5)}},
            {"H51", u"H&5", u"<h5>", u"</h5>", {Move(O::FromCaret, -5)}},
            {"H61", u"H&6", u"<h6>", u"</h6>", {Move(O::FromCaret, -5)}},
            {"ParagraphP1", u"&Paragraph <p>", u"<p>", u"</p>\r\n", {Move(O::FromLineEnd, -4, -1)}},
            {"PreformatPRE1", u"P&reformat <pre>", u"<pre>", u"</pre>\r\n", {Move(O::FromLineEnd, -6, -1)}},
            {"DivDIV1", u"&Div <div>", u"<div>", u"</div>\r\n", {Move(O::FromLineEnd, -6, -1)}},
            {"SpanSPAN1", u"&Span <span>", u"<span>", u"</span>\r\n", {Move(O::FromLineEnd, -7, -1)}},
            {"IframeIFRAME1", u"&Iframe <iframe>", u"<iframe>", u"</iframe>\r\n", {Move(O::FromLineEnd, -9, -1)}},
            {"Comment2", u"&Comment <!--  -->", u"<!-- ", u" -->", {Move(O::FromCaret, -4)}},
            {"Stylestylestyle1",
             u"Style <style>...</style>",
             u"<style type=\"text/css\">\r\n",
             u"</style>\r\n",
             {Move(O::FromCaret, -8, -1)}},

            {"LinebreakBR1", u"Line brea&k <br>", u"<br />\r\n", nullptr, {}, TMarkupForm::XHTML},
            {"LinebreakBR1", u"Line brea&k <br>", u"<br>\r\n", nullptr, {}, TMarkupForm::HTML},
            {"HorizontalruleHR1", u"Hori&zontal rule <hr>", u"<hr />\r\n", nullptr, {}, TMarkupForm::XHTML},
            {"HorizontalruleHR1", u"Hori&zontal rule <hr>", u"<hr>\r\n", nullptr, {}, TMarkupForm::HTML},

            {"nonbreakingspace1", u"non breaking space", u"&nbsp;", nullptr, {}},
            {"Copyright1", u"Copyright", u"&copy;", nullptr, {}},
            {"Trademark1", u"Trade mark", u"&#153;", nullptr, {}},
            {"Register1", u"Register", u"&reg;", nullptr, {}},
            {"Ampersand1", u"Ampersand", u"&amp;", nullptr, {}},
            {"lessthan1", u"less than", u"&lt;", nullptr, {}},
            {"greaterthan1", u"greater than", u"&gt;", nullptr, {}},
            {"Pound1", u"Pound", u"&pound;", nullptr, {}},
            {"Yen1", u"Yen", u"&yen;", nullptr, {}},
            {"Euro1", u"Euro", u"&euro;", nullptr, {}},
            {"leftquote1", u"left quote", u"&#147;", nullptr, {}},
            {"rightquote1", u"right quote", u"&#148;", nullptr, {}},
            {"Emdash1", u"Em-dash", u"&#151;", nullptr, {}},
        };
        v.insert(v.end(), rest.begin(), rest.end());
        return v;
    }();
    return items;
}

const TFragmentItem *FindFragmentItem(const std::vector<TFragmentItem> &Items, const char *Name, bool XHTML)
{
    for (const TFragmentItem &i : Items)
        if (std::strcmp(i.Name, Name) == 0 && (i.Form == TMarkupForm::Any || (i.Form == TMarkupForm::XHTML) == XHTML))
            return &i;
    return nullptr;
}

TInsertion InsertionOf(const TFragmentItem &Item, const WideString &Selection)
{
    TInsertion r;
    r.Text = Item.Before;
    if (Item.After)
        r.Text += Selection + Item.After;
    for (const TCaretStep &s : Item.Steps)
        if (s.Op != TCaretOp::None)
            r.Steps.push_back(s);
    return r;
}

bool ApplyInsertion(TSyntaxEditCore &Editor, const TInsertion &Insertion)
{
    if (Editor.HasOption(eoReadOnly))
        return false;
    struct TUpdate {
        TSyntaxEditCore *E;
        ~TUpdate()
        {
            if (E)
                E->EndUpdate();
        }
    } update{Insertion.Update ? &Editor : nullptr};
    if (Insertion.Update)
        Editor.BeginUpdate();
    const TTextPoint start = Editor.GetBlockStart();
    Editor.SetSelText(Insertion.Text);
    for (const TCaretStep &s : Insertion.Steps) {
        const TTextPoint c = Editor.GetCaretXY();
        switch (s.Op) {
        case TCaretOp::None: break;
        case TCaretOp::FromCaret: Editor.MoveCaretTo({std::max(0, c.X + s.X), c.Y + s.DY}); break;
        case TCaretOp::AtColumn: Editor.MoveCaretTo({s.X, c.Y + s.DY}); break;
        case TCaretOp::FromStart: Editor.MoveCaretTo({std::max(0, start.X + s.X), c.Y + s.DY}); break;
        case TCaretOp::FromLineEnd: {
            const int line = c.Y + s.DY;
            Editor.MoveCaretTo({std::max(0, int(Editor.LineText(line).size()) + s.X), line});
            break;
        }
        case TCaretOp::Command: Editor.RunEditorCommand(TEditorCommand(s.X), u' '); break;
        case TCaretOp::SelectRight: Editor.SelectTo({c.X + s.X, c.Y}); break;
        }
    }
    return true;
}

WideString CaptionText(const WideString &Caption)
{
    WideString r = Caption;
    const size_t p = r.find(u'&');
    if (p != WideString::npos)
        r.erase(p, 1);
    return r;
}

TInsertion FunctionBlock(const WideString &UserName, const WideString &ComputerName, bool Networked,
                         const WideString &DateTime)
{
    const WideString stars = u"// *******************************************************************";
    TInsertion r;
    r.Text = stars + u"\r\n// Author: " + UserName +
             (Networked ? u" (on a networked computer - " + ComputerName + u")"
                        : WideString(u" (on a stand alone computer) ")) +
             u" Date: " + DateTime + u"\r\n// Input:" + u"\r\n// Output:" + u"\r\n// Description:" + u"\r\n" + stars +
             u"\r\nfunction fname()\r\n{\r\n\r\n}\r\n";
    r.Steps = {Move(O::AtColumn, 9, -4), Move(O::SelectRight, 5)};
    r.Update = true;
    return r;
}

WideString ScriptStringLiteral(const WideString &Text)
{
    // The escaped literal holds "<" only where the text does, and the character after it is the
    // text's next one; a back slash between them changes nothing in the string's value ("\/" is
    // "/", "\!" is "!", "\s" is "s") but hides the sequence from the HTML parser.
    const WideString literal = EscapeJSStringWide(Text, u'"');
    WideString r;
    r.reserve(literal.size() + literal.size() / 8);
    auto startsScript = [&literal](std::size_t At) {
        static const char16_t word[] = u"script";
        for (std::size_t k = 0; k < 6; ++k) {
            const std::size_t i = At + k;
            if (i >= literal.size() || (literal[i] | 0x20) != word[k])
                return false;
        }
        return true;
    };
    for (std::size_t i = 0; i < literal.size(); ++i) {
        r += literal[i];
        if (literal[i] == u'<' && i + 1 < literal.size() &&
            (literal[i + 1] == u'/' || literal[i + 1] == u'!' || startsScript(i + 1)))
            r += u'\\';
    }
    return r;
}

WideString MessageBoxText(const TMessageBoxFields &F)
{
    // The typed texts become string literals whose value is the text, whatever quotes, back
    // slashes or markup it holds; the literals keep the double quotes the fragments always had.
    const WideString text = ScriptStringLiteral(F.Text);
    WideString r;
    if (F.Alert)
        r += u"alert(" + text + u");";
    if (F.Confirm)
        r += u"confirm(" + text + u");";
    if (F.Prompt)
        r += u"prompt(" + text + u", " + ScriptStringLiteral(F.DefaultReply) + u");";
    return r;
}

const char16_t *const TableNotCompleteMessage = u"Table not complete, non numeric entry in table details";
const char16_t *const ListNotCompleteMessage = u"List not complete, non numeric entry in list items";
const char16_t *const TableTooLargeMessage = u"Table not inserted, it would have more than 100000 cells";
const char16_t *const ListTooLargeMessage = u"List not inserted, it would have more than 100000 items";

WideString TableText(const TTableFields &F, TBuildStatus &Status)
{
    int rows = 0, cols = 0;
    if (ToInt(F.Rows, rows) && ToInt(F.Columns, cols) &&
        int64_t(std::max(rows, 0)) * std::max(cols, 1) > MaxInsertCells) {
        Status = TBuildStatus::TooLarge;
        return WideString();
    }
    WideString t = u"<table border = \"" + HTMLEscape(F.Border) + u"\" cellspacing = \"" + HTMLEscape(F.Spacing) +
                   u"\" cellpadding = \"" + HTMLEscape(F.Padding) + u"\" width = \"" + HTMLEscape(F.Width) + u"%\">\r\n";
    Status = TBuildStatus::NotNumeric;
    if (!ToInt(F.Rows, rows))
        return t;
    for (int r = 1; r <= rows; ++r) {
        t += u"<tr>\r\n";
        if (!ToInt(F.Columns, cols))
            return t;
        for (int c = 1; c <= cols; ++c)
            t += u"  <td>" + Num(r) + u"," + Num(c) + u"</td>\r\n";
        t += u"</tr>\r\n";
    }
    t += u"</table>\r\n";
    Status = TBuildStatus::Complete;
    return t;
}

std::vector<WideString> ListPieces(const TListFields &F, TBuildStatus &Status)
{
    int items = 0;
    if (ToInt(F.Items, items) && items > MaxInsertCells) {
        Status = TBuildStatus::TooLarge;
        return {};
    }
    std::vector<WideString> pieces;
    WideString close;
    if (F.Ordered) {
        const WideString &style = F.OrderedStyle;
        pieces.push_back(style.empty() || style[0] == u'D' ? WideString(u"<ol>\r\n")
                                                           : u"<ol type = \"" + HTMLEscape(style.substr(0, 1)) + u"\">\r\n");
        close = u"</ol>\r\n";
    } else {
        WideString lower = F.UnorderedStyle;
        for (char16_t &c : lower)
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
        pieces.push_back(F.UnorderedStyle == u"Default" ? WideString(u"<ul>\r\n")
                                                        : u"<ul type = \"" + HTMLEscape(lower) + u"\">\r\n");
        close = u"</ul>\r\n";
    }
    Status = TBuildStatus::NotNumeric;
    if (!ToInt(F.Items, items))
        return pieces;
    for (int i = 1; i <= items; ++i)
        pieces.push_back(u"  <li>item " + Num(i) + u"</li>" + u"\r\n");
    pieces.push_back(close);
    Status = TBuildStatus::Complete;
    return pieces;
}

WideString AnchorText(const TAnchorFields &F)
{
    // The fields are what the user typed: markup characters in them stay text. A bookmark is an
    // element of its own, closed at once, so that it does not swallow the text after it.
    switch (F.Kind) {
    case TAnchorKind::External: return u"<a href = \"" + HTMLEscape(F.URL) + u"\">" + HTMLEscape(F.Text) + u"</a>\r\n";
    case TAnchorKind::Internal:
        return u"<a href = \"" + HTMLEscape(F.Section) + u"\">" + HTMLEscape(F.Text) + u"</a>\r\n";
    case TAnchorKind::Bookmark: return u"<a id = \"" + HTMLEscape(F.BkMark) + u"\"></a>\r\n";
    }
    return WideString();
}

WideString ImageText(const WideString &Src, const WideString &Alt, const WideString &Width, const WideString &Height,
                     bool XHTML)
{
    WideString src = Src;
    std::replace(src.begin(), src.end(), u'\\', u'/');
    // XHTML wants every attribute value quoted; plain HTML keeps the bare numbers.
    const WideString q = XHTML ? u"\"" : u"";
    return u"<img src = \"" + HTMLEscape(src) + u"\" width = " + q + HTMLEscape(Width) + q + u" height = " + q +
           HTMLEscape(Height) + q + u" alt = \"" + HTMLEscape(Alt) + (XHTML ? u"\" />\r\n" : u"\">\r\n");
}

TInsertion ColourInsertion(int Tag, const WideString &Colour, const WideString &Selection)
{
    TInsertion r;
    switch (Tag / 10) {
    case 0:
        r.Text = u"<font color = \"" + HTMLEscape(Colour) + u"\">" + Selection + u"</font>\r\n";
        r.Steps = {Move(O::FromLineEnd, -7, -1)};
        break;
    case 1: r.Text = u"\"" + Colour + u"\""; break;
    case 2: r.Text = u"'" + Colour + u"'"; break;
    default: r.Text = Colour; break;
    }
    return r;
}

WideString ColourDialogText(int Red, int Green, int Blue)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    WideString r = u"#";
    for (int v : {Red, Green, Blue}) {
        r += digits[(v >> 4) & 15];
        r += digits[v & 15];
    }
    return r;
}
