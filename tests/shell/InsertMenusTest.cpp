// Every item of the JavaScript and HTML menus on a window's editor: text and caret before, the
// item with its dialog answers, text, caret and selection after, with XHTML on and off. The
// HTML the items insert is checked by xmllint.
#include "tests/shell/MainWindowSupport.h"

#include "images/ImageDialog.h"
#include "shell/InsertDialogs.h"
#include "shell/InsertFragments.h"
#include "editor/SyntaxEditorStrings.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

using namespace mwtest;

namespace {

// Markers in the texts of the table: the caret, and the two ends of the selection.
constexpr char16_t Caret = u'\u2038';
constexpr char16_t SelBegin = u'\u00AB';
constexpr char16_t SelEnd = u'\u00BB';

// Which setting of XHTML a row is for.
enum TForm { Both, XOnly, HOnly };

// The answer the dialogs give (the image dialog and colour pickers included).
struct TAnswers {
    std::function<int(QDialog &)> Dialog = {};
    std::function<bool(TImageTagData &)> Image = {};
    const char16_t *Colour = nullptr; // null: the picker is cancelled
    int Source = 0; // the source the colour item must ask
};

struct TRow {
    const char *Item;
    TForm Form;
    const char16_t *Before;
    const char16_t *After;
    TAnswers Answers = {};
    const char *Message = nullptr; // the warning shown, if any
    bool CompleteElement = false; // with XHTML on the inserted text is one well-formed element
};

template <class D>
std::function<int(QDialog &)> Answer(std::function<void(D &)> Fill, int Result = QDialog::Accepted)
{
    return [Fill, Result](QDialog &Dialog) {
        auto *d = dynamic_cast<D *>(&Dialog);
        if (!d) {
            ADD_FAILURE() << "unexpected dialog " << Dialog.objectName().toStdString();
            return int(QDialog::Rejected);
        }
        if (Fill)
            Fill(*d);
        return Result;
    };
}

std::function<int(QDialog &)> Tables(QString Rows, QString Cols)
{
    return Answer<TfrmTables>([=](TfrmTables &d) {
        d.EditRows->setText(Rows);
        d.EditColumns->setText(Cols);
    });
}

std::function<int(QDialog &)> Lists(bool Ordered, QString Style, QString Items)
{
    return Answer<TfrmLists>([=](TfrmLists &d) {
        (Ordered ? d.RadioButtonOrdered : d.RadioButtonUnordered)->click();
        (Ordered ? d.OrderedComboBox : d.UnorderedComboBox)->setCurrentText(Style);
        d.ItemsEdit->setText(Items);
    });
}

std::function<int(QDialog &)> Anchors(QRadioButton *TfrmAnchors::*Kind, QString Text, QString Target)
{
    return Answer<TfrmAnchors>([=](TfrmAnchors &d) {
        (d.*Kind)->click();
        d.EditAnchorText->setText(Text);
        QLineEdit *edit = Kind == &TfrmAnchors::RadioButtonExternal   ? d.EditURL
                          : Kind == &TfrmAnchors::RadioButtonInternal ? d.EditSection
                                                                      : d.EditBkMark;
        edit->setText(Target);
    });
}

std::function<int(QDialog &)> MessageBox(QRadioButton *TfrmMessageBox::*Kind, QString Text, QString Reply)
{
    return Answer<TfrmMessageBox>([=](TfrmMessageBox &d) {
        (d.*Kind)->click();
        d.MessTextEdit->setText(Text);
        d.DefaultReplyEdit->setText(Reply);
    });
}

std::function<bool(TImageTagData &)> Image(QString Src, QString Alt, QString W, QString H)
{
    return [=](TImageTagData &d) {
        d = TImageTagData{Src, Alt, W, H};
        return true;
    };
}

const WideString Stars = u"// *******************************************************************";

WideString DateText()
{
    return ToWideString(QLocale().toString(QDateTime(QDate(2024, 3, 5), QTime(14, 7)), QLocale::ShortFormat));
}

const WideString TableOpen = u"<table border = \"1\" cellspacing = \"0\" cellpadding = \"4\" width = \"95%\">\r\n";

// The rows with fixed texts; the caption items are added by CaptionRows.
std::vector<TRow> Rows()
{
    static const WideString functionBlock = Stars + u"\r\n// Author: ann (on a stand alone computer)  Date: " +
                                            DateText() + u"\r\n// Input:\r\n// Output:\r\n// Description:\r\n" + Stars +
                                            u"\r\nfunction \u2038\u00ABfname\u00BB()\r\n{\r\n\r\n}\r\n";
    static const WideString table22 = TableOpen +
                                      u"<tr>\r\n  <td>1,1</td>\r\n  <td>1,2</td>\r\n</tr>\r\n"
                                      u"<tr>\r\n  <td>2,1</td>\r\n  <td>2,2</td>\r\n</tr>\r\n</table>\r\n\u2038";
    static const WideString table0 = TableOpen + u"</table>\r\n\u2038";
    static const WideString tableBad = TableOpen + u"<tr>\r\n\u2038";
    static const WideString noscript =
        u"<noscript>\r\n<b>This page is enhanced by JavaScript (or JScript or VBScript). Upgrade to the latest "
        u"version of Netscape Navigator,Opera or Microsoft Internet Explorer.</b><p><p>\r\nIf you are using a "
        u"JavaScript (or VBScript) supported browser, be sure you have enabled JavaScript/VBScript in the "
        u"Preferences/Options dialog box.<p>\r\n</noscript>\r\n\u2038";
    auto std16 = [](const char16_t *C) { return TAnswers{{}, {}, C, csStd16}; };
    auto websafe = [](const char16_t *C) { return TAnswers{{}, {}, C, csWebSafe}; };
    auto names = [](const char16_t *C) { return TAnswers{{}, {}, C, csWebNames}; };
    auto any = [](const char16_t *C) { return TAnswers{{}, {}, C, csAnyColour}; };
    const char *tableWarning = "Table not complete, non numeric entry in table details";
    const char *listWarning = "List not complete, non numeric entry in list items";
    const char *tableTooLarge = "Table not inserted, it would have more than 100000 cells";
    const char *listTooLarge = "List not inserted, it would have more than 100000 items";
    return {
        // ---- JavaScript
        {"SCRIPTBlock1",
         Both,
         u"\u2038",
         u"<script type = \"text/javascript\" language = \"Javascript\">\r\n<!-- Hide from older browsers;\r\n"
         u"\u2038\r\n// end hide -->\r\n</script>\r\n",
         {},
         nullptr,
         true},
        {"SCRIPTBlockrunatserver1", Both, u"x\u2038y",
         u"x<script type = \"text/javascript\" language = \"Javascript\" runat = \"server\">\r\n"
         u"<!-- Hide from older browsers;\r\n\u2038\r\n// end hide -->\r\n</script>\r\ny"},
        {"NOSCRIPTBlock1", Both, u"\u2038", noscript.c_str()},
        {"ifonewaydecision1", Both, u"\u2038", u"  if(\u2038)\r\n  {\r\n    \r\n  }\r\n"},
        {"ifelsetwowaydecision1", Both, u"\u2038", u"  if(\u2038)\r\n  {\r\n\r\n  }\r\n  else\r\n  {\r\n\r\n  }\r\n"},
        {"switchmultiwaydecision1", Both, u"\u2038",
         u"  switch(\u2038) {\r\n    case 1 :\r\n      break;\r\n    case 2 :\r\n      break;\r\n    default :\r\n"
         u"      break;\r\n  }"},
        {"forcountingloop1", Both, u"\u2038", u"  for(\u2038 ; ; )\r\n  {\r\n\r\n  }\r\n"},
        {"whileconditionalloop1", Both, u"\u2038", u"  while(\u2038 )\r\n  {\r\n\r\n  }\r\n"},
        {"dowhileconditionalloop1", Both, u"\u2038", u"  do\r\n  {\r\n\r\n  }\r\n  while(\u2038 );\r\n"},
        {"Equals1", Both, u"a\u2038b", u"a==\u2038b"},
        {"NotEquals1", Both, u"a\u2038b", u"a!=\u2038b"},
        {"LessThan1", Both, u"a\u2038b", u"a<\u2038b"},
        {"GreaterThan1", Both, u"a\u2038b", u"a>\u2038b"},
        {"LessOrEqual1", Both, u"a\u2038b", u"a<=\u2038b"},
        {"GreaterOrEqual1", Both, u"a\u2038b", u"a>=\u2038b"},
        {"And1", Both, u"\u2038\u00ABa\u00BB", u"&&\u2038"},
        {"Or1", Both, u"a\u2038b", u"a||\u2038b"},
        {"Not1", Both, u"a\u2038b", u"a!\u2038b"},
        {"parseInt1", Both, u"\u2038", u"parseInt(sometext);\u2038"},
        {"parseFloat1", Both, u"\u2038", u"parseFloat(sometext);\u2038"},
        {"isNaN1", Both, u"\u2038", u"isNaN(somevalue);\u2038"},
        {"Comment1", Both, u"\u2038\u00ABabc\u00BB", u"/* abc\u2038 */"},
        {"Comment1", Both, u"\u2038", u"/* \u2038 */"},
        {"documentwriteln1", Both, u"\u2038", u"document.writeln()\u2038;"},
        {"functionblock1", Both, u"\u2038", functionBlock.c_str()},
        {"Messageboxalertconfirmprompt1",
         Both,
         u"\u2038",
         u"alert(\"Say \\\"hi\\\"\");\u2038",
         {MessageBox(&TfrmMessageBox::AlertRadioButton, "Say \"hi\"", "")}},
        {"Messageboxalertconfirmprompt1",
         Both,
         u"\u2038",
         u"alert(\"a<\\/script><\\!--<\\Script>\");\u2038",
         {MessageBox(&TfrmMessageBox::AlertRadioButton, "a</script><!--<Script>", "")}},
        {"Messageboxalertconfirmprompt1",
         Both,
         u"\u2038",
         u"confirm(\"Sure?\");\u2038",
         {MessageBox(&TfrmMessageBox::ConfirmRadioButton, "Sure?", "")}},
        {"Messageboxalertconfirmprompt1",
         Both,
         u"\u2038",
         u"prompt(\"Name\", \"ann\");\u2038",
         {MessageBox(&TfrmMessageBox::PromptRadioButton, "Name", "ann")}},
        {"Messageboxalertconfirmprompt1",
         Both,
         u"a\u2038",
         u"a\u2038",
         {Answer<TfrmMessageBox>({}, QDialog::Rejected)}},

        // ---- HTML: input and output
        {"Form1", Both, u"\u2038", u"<form id = \"form1\">\r\n\u2038\r\n</form>\r\n", {}, nullptr, true},
        {"input1", Both, u"ab\u2038",
         u"ab<input type = \"input\" id = \"\u2038\u00ABTextBoxName\u00BB\" size = \"20\">\r\n"},
        {"submit1", Both, u"\u2038",
         u"<input type = \"submit\" id = \"\u2038\u00ABTextBoxName\u00BB\" size = \"20\">\r\n"},
        {"reset1", Both, u"\u2038",
         u"<input type = \"reset\" id = \"\u2038\u00ABTextBoxName\u00BB\" size = \"20\">\r\n"},
        {"password1", Both, u"\u2038",
         u"<input type = \"password\" id = \"\u2038\u00ABTextBoxName\u00BB\" size = \"20\">\r\n"},
        {"hidden1", Both, u"\u2038",
         u"<input type = \"hidden\" id = \"\u2038\u00ABTextBoxName\u00BB\" size = \"20\">\r\n"},
        {"fileupload1", Both, u"\u2038",
         u"<input type = \"file\" id = \"\u2038\u00ABTextBoxName\u00BB\" size = \"20\">\r\n"},
        {"InputButton1", Both, u"\u2038",
         u"<input type = \"button\" value = \"Btn caption\" onclick = \"\u2038\u00ABdoSomething\u00BB();\">\r\n"},
        {"RadioButton1", Both, u"\u2038",
         u"<input type = \"radio\" id = \"\u2038\u00ABRadio_Group\u00BB\" onclick = \"radioClick()\">\r\n"},
        {"CheckBox1", Both, u"\u2038",
         u"<input type = \"checkbox\" id = \"\u2038\u00ABCheckBox1\u00BB\" onclick = \"checkBoxClick()\">\r\n"},
        {"OutputTextArea1",
         Both,
         u"\u2038",
         u"<textarea id = \"\u2038\u00ABTextAreaName\u00BB\" rows = \"5\" cols = \"20\"></textarea>\r\n",
         {},
         nullptr,
         true},
        {"Selectdropdown1", Both, u"\u2038",
         u"<select id = \"\u2038\u00ABDropDown1\u00BB\" size = \"1\">\r\n<option value = \"item 1\">item 1\r\n"
         u"<option value = \"item 2\">item 2\r\n</select>\r\n"},

        // ---- HTML: around the selection
        {"Bold2", Both, u"\u2038\u00ABx\u00BB", u"<b>x</b>\u2038", {}, nullptr, true},
        {"Italic1", Both, u"\u2038", u"<i></i>\u2038", {}, nullptr, true},
        {"Underline1", Both, u"\u2038\u00ABx\u00BB", u"<u>x</u>\u2038", {}, nullptr, true},
        {"Left1", XOnly, u"\u2038\u00ABx\u00BB", u"<div align=\"left\">\u2038x</div>", {}, nullptr, true},
        {"Left1", HOnly, u"\u2038\u00ABx\u00BB", u"<p align = \"left\">\u2038x</p>"},
        {"Right1", XOnly, u"a \u2038\u00ABx\u00BB", u"a <div align=\"right\">\u2038x</div>", {}, nullptr, false},
        {"Right1", HOnly, u"a \u2038\u00ABx\u00BB", u"a <p align = \"right\">\u2038x</p>"},
        {"Centre1", XOnly, u"\u2038\u00ABx\u00BB", u"<div align=\"center\">\u2038x</div>", {}, nullptr, true},
        {"Centre1", HOnly, u"\u2038\u00ABx\u00BB", u"<center>\u2038x</center>"},
        {"H11", Both, u"\u2038", u"<h1>\u2038</h1>", {}, nullptr, true},
        {"H21", Both, u"\u2038", u"<h2>\u2038</h2>", {}, nullptr, true},
        {"H31", Both, u"\u2038\u00ABtitle\u00BB", u"<h3>title\u2038</h3>", {}, nullptr, true},
        {"H41", Both, u"\u2038", u"<h4>\u2038</h4>", {}, nullptr, true},
        {"H51", Both, u"\u2038", u"<h5>\u2038</h5>", {}, nullptr, true},
        {"H61", Both, u"\u2038", u"<h6>\u2038</h6>", {}, nullptr, true},
        {"ParagraphP1", Both, u"\u2038\u00ABx\u00BB", u"<p>x\u2038</p>\r\n", {}, nullptr, true},
        {"PreformatPRE1", Both, u"a\u2038", u"a<pre>\u2038</pre>\r\n"},
        {"DivDIV1", Both, u"\u2038\u00ABx\u00BB", u"<div>x\u2038</div>\r\n", {}, nullptr, true},
        {"SpanSPAN1", Both, u"\u2038\u00ABx\u00BB", u"<span>x\u2038</span>\r\n", {}, nullptr, true},
        {"IframeIFRAME1", Both, u"\u2038", u"<iframe>\u2038</iframe>\r\n", {}, nullptr, true},
        {"Comment2", Both, u"\u2038\u00ABx\u00BB", u"<!-- x\u2038 -->"},
        {"Stylestylestyle1", Both, u"\u2038", u"<style type=\"text/css\">\r\n\u2038</style>\r\n", {}, nullptr, true},
        {"Stylestylestyle1", Both, u"\u2038\u00ABp {}\u00BB", u"<style type=\"text/css\">\r\n\u2038p {}</style>\r\n"},

        // ---- HTML: single tags and symbols
        {"LinebreakBR1", XOnly, u"\u2038", u"<br />\r\n\u2038", {}, nullptr, true},
        {"LinebreakBR1", HOnly, u"\u2038", u"<br>\r\n\u2038"},
        {"HorizontalruleHR1", XOnly, u"\u2038", u"<hr />\r\n\u2038", {}, nullptr, true},
        {"HorizontalruleHR1", HOnly, u"\u2038", u"<hr>\r\n\u2038"},
        {"nonbreakingspace1", Both, u"\u2038", u"&nbsp;\u2038"},
        {"Copyright1", Both, u"\u2038", u"&copy;\u2038"},
        {"Trademark1", Both, u"\u2038", u"&#153;\u2038"},
        {"Register1", Both, u"\u2038", u"&reg;\u2038"},
        {"Ampersand1", Both, u"\u2038", u"&amp;\u2038"},
        {"lessthan1", Both, u"\u2038", u"&lt;\u2038"},
        {"greaterthan1", Both, u"\u2038", u"&gt;\u2038"},
        {"Pound1", Both, u"\u2038", u"&pound;\u2038"},
        {"Yen1", Both, u"\u2038", u"&yen;\u2038"},
        {"Euro1", Both, u"\u2038", u"&euro;\u2038"},
        {"leftquote1", Both, u"\u2038", u"&#147;\u2038"},
        {"rightquote1", Both, u"\u2038", u"&#148;\u2038"},
        {"Emdash1", Both, u"\u2038", u"&#151;\u2038"},

        // ---- HTML: from dialogs
        {"Table1", Both, u"\u2038", table22.c_str(), {Tables("2", "2")}, nullptr, true},
        {"Table1", Both, u"\u2038", table0.c_str(), {Tables("0", "2")}, nullptr, true},
        {"Table1", Both, u"\u2038", tableBad.c_str(), {Tables("2", "abc")}, tableWarning},
        {"Table1", Both, u"a\u2038", u"a\u2038", {Answer<TfrmTables>({}, QDialog::Rejected)}},
        {"Table1", Both, u"a\u2038", u"a\u2038", {Tables("1000", "1000")}, tableTooLarge},
        {"Table1", Both, u"a\u2038", u"a\u2038", {Tables("2000000000", "0")}, tableTooLarge},
        {"Lists1",
         Both,
         u"\u2038",
         u"<ol>\r\n  <li>item 1</li>\r\n  <li>item 2</li>\r\n  <li>item 3</li>\r\n  <li>item 4</li>\r\n</ol>\r\n\u2038",
         {Lists(true, "Default", "4")},
         nullptr,
         true},
        {"Lists1",
         Both,
         u"\u2038",
         u"<ol type = \"a\">\r\n  <li>item 1</li>\r\n  <li>item 2</li>\r\n  <li>item 3</li>\r\n</ol>\r\n\u2038",
         {Lists(true, "a,b,c", "3")},
         nullptr,
         true},
        {"Lists1",
         Both,
         u"\u2038",
         u"<ul type = \"circle\">\r\n  <li>item 1</li>\r\n</ul>\r\n\u2038",
         {Lists(false, "Circle", "1")},
         nullptr,
         true},
        {"Lists1", Both, u"\u2038", u"<ul>\r\n</ul>\r\n\u2038", {Lists(false, "Default", "0")}, nullptr, true},
        {"Lists1", Both, u"\u2038", u"<ol>\r\n\u2038", {Lists(true, "Default", "four")}, listWarning},
        {"Lists1", Both, u"\u2038", u"\u2038", {Answer<TfrmLists>({}, QDialog::Rejected)}},
        {"Lists1", Both, u"\u2038", u"\u2038", {Lists(false, "Disc", "100001")}, listTooLarge},
        {"Imagenew1",
         XOnly,
         u"\u2038",
         u"<img src = \"C:/img/a.gif\" width = \"10\" height = \"20\" alt = \"pic\" />\r\n\u2038",
         {{}, Image("C:\\img\\a.gif", "pic", "10", "20")},
         nullptr,
         true},
        {"Imagenew1",
         HOnly,
         u"\u2038",
         u"<img src = \"C:/img/a.gif\" width = 10 height = 20 alt = \"pic\">\r\n\u2038",
         {{}, Image("C:\\img\\a.gif", "pic", "10", "20")}},
        {"Imagenew1", Both, u"\u2038", u"\u2038", {{}, [](TImageTagData &) { return false; }}},
        {"AnchorsAHREF1",
         Both,
         u"\u2038",
         u"<a href = \"http://x.org/\">Home</a>\r\n\u2038",
         {Anchors(&TfrmAnchors::RadioButtonExternal, "Home", "http://x.org/")},
         nullptr,
         true},
        {"AnchorsAHREF1",
         Both,
         u"\u2038",
         u"<a href = \"#top\">Up</a>\r\n\u2038",
         {Anchors(&TfrmAnchors::RadioButtonInternal, "Up", "#top")},
         nullptr,
         true},
        {"AnchorsAHREF1",
         Both,
         u"\u2038",
         u"<a id = \"top\"></a>\r\n\u2038",
         {Anchors(&TfrmAnchors::RadioButtonBkMark, "", "top")},
         nullptr,
         true},
        {"AnchorsAHREF1", Both, u"\u2038", u"\u2038", {Answer<TfrmAnchors>({}, QDialog::Rejected)}},

        // ---- HTML: colours (Tag mod 10 the source, div 10 the form)
        {"Fontcolor1", Both, u"\u2038\u00ABx\u00BB", u"<font color = \"#FF0000\">x\u2038</font>\r\n", std16(u"#FF0000"),
         nullptr, true},
        {"Fontcolor2", Both, u"\u2038", u"<font color = \"#336699\">\u2038</font>\r\n", websafe(u"#336699"), nullptr,
         true},
        {"Fontcolor3", Both, u"\u2038", u"<font color = \"navy\">\u2038</font>\r\n", names(u"navy"), nullptr, true},
        {"Fontcolor4", Both, u"\u2038", u"<font color = \"#FF0000\">\u2038</font>\r\n", any(u"#FF0000"), nullptr, true},
        {"Fontcolor4", Both, u"a\u2038", u"a\u2038", any(nullptr)},
        {"Fontcolor11", Both, u"\u2038", u"\"#FF0000\"\u2038", std16(u"#FF0000")},
        {"Fontcolor12", Both, u"\u2038", u"\"#336699\"\u2038", websafe(u"#336699")},
        {"Fontcolor13", Both, u"\u2038", u"\"navy\"\u2038", names(u"navy")},
        {"Fontcolor14", Both, u"\u2038", u"\"#00FF00\"\u2038", any(u"#00FF00")},
        {"Fontcolor21", Both, u"\u2038", u"'#FF0000'\u2038", std16(u"#FF0000")},
        {"Fontcolor22", Both, u"\u2038", u"'#336699'\u2038", websafe(u"#336699")},
        {"Fontcolor23", Both, u"\u2038", u"'navy'\u2038", names(u"navy")},
        {"Fontcolor24", Both, u"\u2038", u"'#00FF00'\u2038", any(u"#00FF00")},
        {"Fontcolor31", Both, u"\u2038", u"#FF0000\u2038", std16(u"#FF0000")},
        {"Fontcolor32", Both, u"\u2038", u"#336699\u2038", websafe(u"#336699")},
        {"Fontcolor33", Both, u"\u2038", u"navy\u2038", names(u"navy")},
        {"Fontcolor34", Both, u"\u2038", u"#00FF00\u2038", any(u"#00FF00")},
        {"Fontcolor33", Both, u"\u2038", u"\u2038", names(nullptr)},
    };
}

// The items whose caption is what they insert.
std::vector<TRow> CaptionRows()
{
    static std::vector<WideString> afters;
    const struct {
        const char *Prefix;
        std::vector<const char16_t *> Texts;
    } groups[] = {
        {"StringFunction",
         {u".length;", u".anchor();", u".link();", u".big();", u".small();", u".blink();", u".bold();", u".italics();",
          u".strike();", u".sub();", u".sup();", u".fontcolor();", u".fontsize();", u".charAt();", u".indexOf();",
          u".lastindexof();", u".substring();", u".toUpperCase();", u".toLowerCase();"}},
        {"WindowFunction", {u".name();", u".close();", u".setTimeout( , );"}},
        {"DocumentFunction", {u".clear();", u".close();"}},
        {"Event",
         {u"onBlur =", u"onClick =", u"onChange =", u"onFocus =", u"onLoad =", u"onMouseout =", u"onMouseover =",
          u"onSelect =", u"onSubmit =", u"onUnload ="}},
    };
    static std::vector<std::string> names;
    if (afters.empty()) {
        for (const auto &g : groups)
            for (size_t i = 0; i < g.Texts.size(); ++i) {
                afters.push_back(u"s" + WideString(g.Texts[i]) + u"\u2038");
                names.push_back(g.Prefix + std::to_string(i + 1));
            }
    }
    std::vector<TRow> rows;
    for (size_t i = 0; i < afters.size(); ++i)
        rows.push_back({names[i].c_str(), Both, u"s\u2038", afters[i].c_str()});
    return rows;
}

// The editor's text with the markers where the caret and the selection are.
WideString Shown(TSyntaxEdit &E)
{
    const TTextPoint caret = E.GetCaretXY();
    TTextPoint b = E.BlockBegin(), e = E.BlockEnd();
    if (e.Y < b.Y || (e.Y == b.Y && e.X < b.X))
        std::swap(b, e);
    const bool sel = E.SelAvail();
    WideString r;
    const int count = std::max(E.LineCount(), caret.Y + 1);
    for (int y = 0; y < count; ++y) {
        WideString line = E.LineText(y);
        const int width = std::max<int>(int(line.size()), caret.Y == y ? caret.X : 0);
        line.resize(size_t(width), u' ');
        for (int x = 0; x <= width; ++x) {
            if (sel && e.Y == y && e.X == x)
                r += SelEnd;
            if (caret.Y == y && caret.X == x)
                r += Caret;
            if (sel && b.Y == y && b.X == x)
                r += SelBegin;
            if (x < width)
                r += line[size_t(x)];
        }
        if (y + 1 < count)
            r += u"\r\n";
    }
    return r;
}

// Puts Text (with markers) into the editor.
void Prepare(TSyntaxEdit &E, const WideString &Text)
{
    WideString plain;
    TTextPoint p{0, 0}, caret{0, 0}, b{-1, -1}, e{-1, -1};
    for (size_t i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i];
        if (c == Caret) {
            caret = p;
        } else if (c == SelBegin) {
            b = p;
        } else if (c == SelEnd) {
            e = p;
        } else {
            plain += c;
            if (c == u'\n')
                p = {0, p.Y + 1};
            else if (c != u'\r')
                ++p.X;
        }
    }
    E.Lines().SetTextStr(plain);
    if (b.X >= 0) {
        E.MoveCaretTo(b);
        E.SelectTo(e);
    } else {
        E.MoveCaretTo(caret);
    }
}

WideString Plain(const WideString &Text)
{
    WideString r;
    for (char16_t c : Text)
        if (c != Caret && c != SelBegin && c != SelEnd)
            r += c;
    return r;
}

struct TInsertFixture : TWindowFixture {
    TInsertFixture()
    {
        Window->FileNewActionExecute();
        TInsertTools &t = Window->InsertTools();
        t.UserName = u"ann";
        t.ComputerName = u"box";
        t.Clock = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7)); };
        t.RunDialog = [this](QDialog &D) {
            ++Shown;
            return Current.Dialog ? Current.Dialog(D) : int(QDialog::Rejected);
        };
        t.RunImageDialog = [this](TImageTagData &D) {
            ++Shown;
            return Current.Image ? Current.Image(D) : false;
        };
        t.PickColour = [this](int Source, WideString &Colour) {
            ++Shown;
            AskedSource = Source;
            if (!Current.Colour)
                return false;
            Colour = Current.Colour;
            return true;
        };
    }
    TSyntaxEdit &Editor() { return *Window->ActiveEditor(); }
    void Trigger(const char *Item)
    {
        QAction *a = Window->Action(QString::fromLatin1(Item));
        ASSERT_NE(a, nullptr) << Item;
        a->trigger();
    }
    TAnswers Current;
    int Shown = 0;
    int AskedSource = 0;
};

std::vector<TRow> AllRows()
{
    std::vector<TRow> rows = Rows();
    for (TRow &r : CaptionRows())
        rows.push_back(r);
    return rows;
}

// The names of every action under a menu, its submenus included.
void CollectActions(QMenu *Menu, std::set<std::string> &Names)
{
    for (QAction *a : Menu->actions()) {
        if (a->menu())
            CollectActions(a->menu(), Names);
        else if (!a->isSeparator())
            Names.insert(a->objectName().toStdString());
    }
}

TEST(InsertMenus, EveryItemInsertsItsTextAndPlacesTheCaret)
{
    TInsertFixture f;
    std::set<std::string> covered;
    for (const bool xhtml : {false, true}) {
        f.Window->Settings.XHTML = xhtml;
        for (const TRow &row : AllRows()) {
            if ((row.Form == XOnly && !xhtml) || (row.Form == HOnly && xhtml))
                continue;
            covered.insert(row.Item);
            SCOPED_TRACE(std::string(row.Item) + (xhtml ? " (XHTML)" : " (HTML)") + " before " + Narrow(row.Before));
            Prepare(f.Editor(), row.Before);
            ASSERT_EQ(Narrow(Shown(f.Editor())), Narrow(row.Before)) << "the test's own setup";
            f.Current = row.Answers;
            f.AskedSource = 0;
            f.Prompts->Clear();
            f.Trigger(row.Item);
            EXPECT_EQ(Narrow(Shown(f.Editor())), Narrow(row.After));
            if (row.Answers.Source) {
                EXPECT_EQ(f.AskedSource, row.Answers.Source);
            }
            const std::vector<std::string> prompts = f.PromptTexts();
            if (row.Message) {
                ASSERT_EQ(prompts.size(), 1u);
                EXPECT_EQ(prompts[0], row.Message);
                EXPECT_EQ(f.Prompts->Asked()[0].Kind, TMsgDlgType::mtWarning);
            } else {
                EXPECT_TRUE(prompts.empty());
            }
        }
    }
    // The table covers every item of both menus.
    std::set<std::string> items;
    CollectActions(f.Window->Menu(QStringLiteral("Javascript1")), items);
    CollectActions(f.Window->Menu(QStringLiteral("HTML1")), items);
    EXPECT_EQ(items, covered);
}

TEST(InsertMenus, ReadOnlyEditorTakesNothingAndTheMenusAreDisabled)
{
    TInsertFixture f;
    f.Editor().SetOptions(f.Editor().Options() | eoReadOnly);
    f.Window->RefreshActionStates();
    EXPECT_FALSE(f.Window->Menu(QStringLiteral("Javascript1"))->isEnabled());
    EXPECT_FALSE(f.Window->Menu(QStringLiteral("HTML1"))->isEnabled());
    for (const TRow &row : AllRows()) {
        SCOPED_TRACE(row.Item);
        f.Editor().Lines().SetTextStr(u"keep");
        f.Current = row.Answers;
        f.Trigger(row.Item);
        EXPECT_EQ(Narrow(Plain(Shown(f.Editor()))), "keep");
    }
    EXPECT_EQ(f.Shown, 0) << "no dialog is offered for a read-only editor";
}

TEST(InsertMenus, FunctionHeaderNamesTheNetworkedComputerAndTypingReplacesTheName)
{
    const WideString header = FunctionBlock(u"ann", u"box", true, u"1/2/24 3:04 PM").Text;
    EXPECT_EQ(Narrow(header.substr(0, header.find(u"\r\n// Input:"))),
              Narrow(Stars + u"\r\n// Author: ann (on a networked computer - box) Date: 1/2/24 3:04 PM"));
    TInsertFixture f;
    Prepare(f.Editor(), u"\u2038");
    f.Trigger("functionblock1");
    f.Editor().KeyPress(u'g');
    EXPECT_EQ(Narrow(f.Editor().LineText(6)), "function g()");
}

TEST(InsertMenus, CaptionItemInsertsItsCaptionWithoutTheAccelerator)
{
    TInsertFixture f;
    f.Window->Action(QStringLiteral("StringFunction18"))->setText(QStringLiteral(".to&UpperCase();"));
    Prepare(f.Editor(), u"s\u2038");
    f.Trigger("StringFunction18");
    EXPECT_EQ(Narrow(Shown(f.Editor())), "s.toUpperCase();\u2038");
    EXPECT_EQ(Narrow(CaptionText(u"a&&b")), "a&b");
}

TEST(InsertMenus, DialogsKeepTheirValuesAndEnableTheFieldsOfTheirChoice)
{
    TInsertFixture f;
    TInsertTools &t = f.Window->InsertTools();
    TfrmMessageBox &m = *t.frmMessageBox;
    EXPECT_TRUE(m.AlertRadioButton->isChecked());
    EXPECT_FALSE(m.DefaultReplyEdit->isEnabled());
    EXPECT_FALSE(m.DefaultReplyLabel->isEnabled());
    f.Current.Dialog = MessageBox(&TfrmMessageBox::PromptRadioButton, "Name", "ann");
    Prepare(f.Editor(), u"\u2038");
    f.Trigger("Messageboxalertconfirmprompt1");
    EXPECT_TRUE(m.PromptRadioButton->isChecked());
    EXPECT_TRUE(m.DefaultReplyEdit->isEnabled());
    EXPECT_EQ(m.DefaultReplyEdit->text(), QStringLiteral("ann"));
    m.ConfirmRadioButton->click();
    EXPECT_FALSE(m.DefaultReplyEdit->isEnabled());

    TfrmLists &l = *t.frmLists;
    EXPECT_TRUE(l.OrderedComboBox->isEnabled());
    EXPECT_FALSE(l.UnorderedComboBox->isEnabled());
    f.Current.Dialog = Lists(false, "Square", "2");
    f.Trigger("Lists1");
    EXPECT_FALSE(l.OrderedComboBox->isEnabled());
    EXPECT_TRUE(l.UnorderedComboBox->isEnabled());
    EXPECT_EQ(l.ItemsEdit->text(), QStringLiteral("2"));

    TfrmAnchors &a = *t.frmAnchors;
    EXPECT_TRUE(a.RadioButtonExternal->isChecked());
    const struct {
        QRadioButton *TfrmAnchors::*Kind;
        bool Text, URL, Section, BkMark;
    } rules[] = {
        {&TfrmAnchors::RadioButtonInternal, true, false, true, false},
        {&TfrmAnchors::RadioButtonBkMark, false, false, false, true},
        {&TfrmAnchors::RadioButtonExternal, true, true, false, false},
    };
    for (const auto &r : rules) {
        (a.*r.Kind)->click();
        EXPECT_EQ(a.EditAnchorText->isEnabled(), r.Text);
        EXPECT_EQ(a.EditURL->isEnabled(), r.URL);
        EXPECT_EQ(a.EditSection->isEnabled(), r.Section);
        EXPECT_EQ(a.EditBkMark->isEnabled(), r.BkMark);
    }
    EXPECT_EQ(a.EditURL->text(), QStringLiteral("http://"));
    EXPECT_EQ(a.EditSection->text(), QStringLiteral("#"));

    TfrmTables &tb = *t.frmTables;
    const TTableFields d = tb.Fields();
    EXPECT_EQ(
        Narrow(d.Rows + u"," + d.Columns + u"," + d.Width + u"," + d.Border + u"," + d.Padding + u"," + d.Spacing),
        "2,2,95,1,4,0");
}

TEST(InsertMenus, UserFillsTheShownDialogsWithKeysAndButtons)
{
    // The dialogs as the program shows them: modal, over the window's centre.
    TWindowFixture f;
    f.Window->FileNewActionExecute();
    f.Window->setGeometry(100, 100, 800, 600);
    f.Window->show();
    TInsertTools &t = f.Window->InsertTools();
    QPoint centre;
    QTimer::singleShot(0, [&] {
        TfrmTables &d = *t.frmTables;
        centre = d.frameGeometry().center();
        d.EditRows->selectAll();
        QTest::keyClicks(d.EditRows, QStringLiteral("1"));
        d.EditColumns->selectAll();
        QTest::keyClicks(d.EditColumns, QStringLiteral("3"));
        QTest::mouseClick(d.BitBtnOk, Qt::LeftButton);
    });
    f.Window->Action(QStringLiteral("Table1"))->trigger();
    EXPECT_EQ(
        Narrow(f.Window->ActiveEditor()->Lines().GetTextStr()),
        Narrow(TableOpen + u"<tr>\r\n  <td>1,1</td>\r\n  <td>1,2</td>\r\n  <td>1,3</td>\r\n</tr>\r\n</table>\r\n\r\n"));
    EXPECT_LE((centre - f.Window->frameGeometry().center()).manhattanLength(), 4);

    QTimer::singleShot(0, [&] {
        QTest::keyClicks(t.frmMessageBox->MessTextEdit, QStringLiteral("x"));
        QTest::keyClick(t.frmMessageBox, Qt::Key_Escape);
    });
    f.Window->Action(QStringLiteral("Messageboxalertconfirmprompt1"))->trigger();
    EXPECT_EQ(f.Window->ActiveEditor()->LineCount(), 8) << "a cancelled dialog inserts nothing";
}

TEST(InsertMenus, ColourDialogGivesUpperCaseHex)
{
    EXPECT_EQ(Narrow(ColourDialogText(255, 0, 0)), "#FF0000");
    EXPECT_EQ(Narrow(ColourDialogText(10, 171, 1)), "#0AAB01");
}

// The errors xmllint reports for Text (empty when it passes).
QString Lint(const QString &Path, const QByteArray &Text, const QStringList &Arguments)
{
    QFile file(Path);
    file.open(QIODevice::WriteOnly);
    file.write(Text);
    file.close();
    QProcess p;
    p.start(QStringLiteral("xmllint"), Arguments + QStringList{Path});
    if (!p.waitForFinished(30000))
        return QStringLiteral("xmllint did not run");
    const QString errors = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode() == 0 ? errors : errors + QStringLiteral(" (exit code %1)").arg(p.exitCode());
}

TEST(InsertMenus, InsertedHTMLPassesXmllint)
{
    TInsertFixture f;
    const QString path = f.File(QStringLiteral("fragment.html"));
    int checked = 0;
    for (const bool xhtml : {false, true}) {
        f.Window->Settings.XHTML = xhtml;
        bool html = false;
        for (const TRow &row : Rows()) {
            html = html || std::string(row.Item) == "Form1";
            const bool markup = html || std::string(row.Item).find("SCRIPT") != std::string::npos;
            if (!markup || (row.Form == XOnly && !xhtml) || (row.Form == HOnly && xhtml))
                continue;
            SCOPED_TRACE(std::string(row.Item) + (xhtml ? " (XHTML)" : " (HTML)") + " gives " + Narrow(row.After));
            const QByteArray text = ToQString(Plain(row.After)).toUtf8();
            const QByteArray page =
                "<!DOCTYPE html>\n<html><head><title>t</title></head><body>\n" + text + "\n</body></html>\n";
            EXPECT_EQ(Lint(path, page, {QStringLiteral("--html"), QStringLiteral("--noout")}), QString());
            if (xhtml && row.CompleteElement) {
                EXPECT_EQ(Lint(path, text, {QStringLiteral("--noout")}), QString());
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

// Runs Program with Arguments; its standard output, and the complaints it wrote (empty when none).
QString RunForOutput(const QString &Program, const QStringList &Arguments, QString &Errors)
{
    QProcess p;
    p.start(Program, Arguments);
    if (!p.waitForFinished(30000)) {
        Errors = Program + QStringLiteral(" did not run");
        return QString();
    }
    Errors = QString::fromUtf8(p.readAllStandardError());
    if (p.exitCode() != 0)
        Errors += QStringLiteral(" (exit code %1)").arg(p.exitCode());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Texts a user may well type into the dialogs' fields, each of which broke the markup or the
// script when it went in as typed.
const QString HostileTexts[] = {
    QStringLiteral("Elephants \"painting\""),
    QStringLiteral("<home>"),
    QStringLiteral("a.php?x=1&y=2&amp;z"),
    QStringLiteral("It's \"fine\" \\ ok?"),
    QStringLiteral("</a><script>alert(1)</script><a>"),
    QStringLiteral("&lt;b&gt; typed as it reads"),
    QStringLiteral("'; x=\""),
    QString::fromUtf8("Gr\u00fc\u00dfe \u2013 5 \u20ac \u2713"),
};

// The HTML dialogs: whatever is typed, the page parses cleanly and a parser reads back exactly
// the typed text as the attribute's value or the element's text.
TEST(InsertMenus, TypedMarkupCharactersStayTextInTheInsertedTags)
{
    TInsertFixture f;
    const QString path = f.File(QStringLiteral("typed.html"));
    struct TCase {
        const char *Item;
        std::function<void(const QString &)> Fill;
        // XPath of each value and what it must read for the typed text
        std::vector<std::pair<QString, std::function<QString(const QString &)>>> Reads;
    };
    const auto same = [](const QString &T) { return T; };
    const auto none = [](const QString &) { return QString(); };
    const std::vector<TCase> cases = {
        {"Imagenew1",
         [&](const QString &T) { f.Current = {{}, Image(T, T, QStringLiteral("10"), QStringLiteral("20"))}; },
         {{QStringLiteral("//img/@src"), [](const QString &T) { return QString(T).replace(QLatin1Char('\\'), QLatin1Char('/')); }},
          {QStringLiteral("//img/@alt"), same}}},
        {"AnchorsAHREF1",
         [&](const QString &T) { f.Current = {Anchors(&TfrmAnchors::RadioButtonExternal, T, T)}; },
         {{QStringLiteral("//a/@href"), same}, {QStringLiteral("//a"), same}}},
        {"AnchorsAHREF1",
         [&](const QString &T) { f.Current = {Anchors(&TfrmAnchors::RadioButtonInternal, T, T)}; },
         {{QStringLiteral("//a/@href"), same}, {QStringLiteral("//a"), same}}},
        // The bookmark is closed: the paragraph after it is not part of the anchor.
        {"AnchorsAHREF1",
         [&](const QString &T) { f.Current = {Anchors(&TfrmAnchors::RadioButtonBkMark, QString(), T)}; },
         {{QStringLiteral("//a/@id"), same}, {QStringLiteral("//a"), none}}},
        {"Table1",
         [&](const QString &T) {
             f.Current = {Answer<TfrmTables>([T](TfrmTables &d) {
                 d.EditRows->setText(QStringLiteral("1"));
                 d.EditColumns->setText(QStringLiteral("1"));
                 d.EditBorder->setText(T);
                 d.EditWidth->setText(T);
             })};
         },
         {{QStringLiteral("//table/@border"), same}, {QStringLiteral("//table/@width"), [](const QString &T) { return T + QLatin1Char('%'); }}}},
    };
    for (const bool xhtml : {false, true}) {
        f.Window->Settings.XHTML = xhtml;
        for (const TCase &c : cases) {
            for (const QString &typed : HostileTexts) {
                SCOPED_TRACE(std::string(c.Item) + (xhtml ? " (XHTML) " : " (HTML) ") + typed.toStdString());
                Prepare(f.Editor(), u"\u2038");
                c.Fill(typed);
                f.Trigger(c.Item);
                const QByteArray inserted = ToQString(f.Editor().Lines().GetTextStr()).toUtf8();
                ASSERT_FALSE(inserted.trimmed().isEmpty());
                WriteBytes(path, "<!DOCTYPE html>\n<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                 "charset=utf-8\"><title>t</title></head><body>\n" +
                                     inserted.toStdString() + "<p>after</p>\n</body></html>\n");
                QString errors;
                RunForOutput(QStringLiteral("xmllint"), {QStringLiteral("--html"), QStringLiteral("--noout"), path}, errors);
                EXPECT_EQ(errors, QString()) << inserted.toStdString();
                for (const auto &[xpath, expected] : c.Reads) {
                    QString read = RunForOutput(QStringLiteral("xmllint"),
                                       {QStringLiteral("--html"), QStringLiteral("--xpath"),
                                        QStringLiteral("string(%1)").arg(xpath), path},
                                       errors);
                    if (read.endsWith(QLatin1Char('\n')))
                        read.chop(1);
                    EXPECT_EQ(read, expected(typed)) << xpath.toStdString() << " in " << inserted.toStdString();
                }
            }
        }
    }
}

// The message boxes: the script runs and hands each box exactly the typed texts.
TEST(InsertMenus, TypedQuotesAndBackSlashesStayTextInTheMessageBoxScript)
{
    TInsertFixture f;
    QString script = QStringLiteral("const seen = [];\n"
                                    "function alert(m) { seen.push(['alert', m]); }\n"
                                    "function confirm(m) { seen.push(['confirm', m]); }\n"
                                    "function prompt(m, d) { seen.push(['prompt', m, d]); }\n");
    QJsonArray expected;
    QRadioButton *TfrmMessageBox::*const kinds[] = {&TfrmMessageBox::AlertRadioButton,
                                                   &TfrmMessageBox::ConfirmRadioButton,
                                                   &TfrmMessageBox::PromptRadioButton};
    const char *const names[] = {"alert", "confirm", "prompt"};
    for (const QString &typed : HostileTexts) {
        for (int k = 0; k < 3; ++k) {
            const QString reply = QStringLiteral("\\") + typed + QStringLiteral("\"");
            Prepare(f.Editor(), u"\u2038");
            f.Current = {MessageBox(kinds[k], typed, reply)};
            f.Trigger("Messageboxalertconfirmprompt1");
            script += ToQString(f.Editor().Lines().GetTextStr()) + QLatin1Char('\n');
            QJsonArray call{QString::fromLatin1(names[k]), typed};
            if (k == 2)
                call.append(reply);
            expected.append(call);
        }
    }
    // Texts a line edit cannot hold but the builder is given all the same.
    for (const WideString &text : {WideString(u"two\r\nlines\n"), WideString(u"\u2028 \U0001F600 \t\u0001")}) {
        TMessageBoxFields fields;
        fields.Text = text;
        script += ToQString(MessageBoxText(fields)) + QLatin1Char('\n');
        expected.append(QJsonArray{QStringLiteral("alert"), ToQString(text)});
    }
    script += QStringLiteral("process.stdout.write(JSON.stringify(seen));\n");
    const QString path = f.File(QStringLiteral("boxes.js"));
    WriteBytes(path, script.toStdString());
    QString errors;
    const QString out = RunForOutput(QStringLiteral("node"), {path}, errors);
    EXPECT_EQ(errors, QString()) << script.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(out.toUtf8()).array(), expected) << script.toStdString();
}


// What a browser makes of each page: the script elements its HTML parser finds (by htmlparser2
// and by the script-data rules of the HTML standard) and what each does when run.
QJsonArray ScriptElementsOf(const QStringList &Pages)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NODE_PATH"), QStringLiteral("/usr/share/nodejs"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("node"), QStringList{QStringLiteral(QUILLMAR_SOURCE_DIR "/tests/shell/script_elements.js")} + Pages);
    if (!p.waitForFinished(120000)) {
        ADD_FAILURE() << "node did not run";
        return {};
    }
    const QByteArray errors = p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 0) << errors.toStdString();
    const QJsonArray results = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    EXPECT_EQ(results.size(), Pages.size()) << errors.toStdString();
    return results;
}

// A message text holding markup must not end the page's script or make it swallow the page: the
// inserted code stays the one script element's text, runs, and hands each box the typed text.
TEST(InsertMenus, MarkupInMessageTextsStaysInsideTheScriptElement)
{
    TInsertFixture f;
    const QString path = f.File(QStringLiteral("boxes.html"));
    const QString typedTexts[] = {
        QStringLiteral("</script><script>alert(1)</script>"),
        QStringLiteral("a </SCRIPT > b"),
        QStringLiteral("x</script"),
        QStringLiteral("<!--<script>"),
        QStringLiteral("<!-- comment -->"),
        QStringLiteral("<ScRiPt src=x>"),
        QStringLiteral("-->"),
        QStringLiteral("<\\/script> and <\\!-- typed with back slashes"),
        QStringLiteral("</b> < / <! <s <scrip"),
    };
    std::vector<QString> texts(std::begin(typedTexts), std::end(typedTexts));
    texts.insert(texts.end(), std::begin(HostileTexts), std::end(HostileTexts));
    // The page's script around the inserted code: the script block of the menu (with its
    // comment that hides the code from old browsers), a bare script, and one whose "<!--" is
    // never closed (where a "<script" in a string would nest and hide the end tag).
    const struct {
        const char *Name;
        const char *Prepare; // null: the script block item makes the script
    } shapes[] = {
        {"script block item", nullptr},
        {"bare script", "<script>\r\n\u2038\r\n</script>\r\n"},
        {"unclosed comment", "<script>\r\n<!--\r\n\u2038\r\n</script>\r\n"},
    };
    QRadioButton *TfrmMessageBox::*const kinds[] = {&TfrmMessageBox::AlertRadioButton,
                                                   &TfrmMessageBox::ConfirmRadioButton,
                                                   &TfrmMessageBox::PromptRadioButton};
    struct TPage {
        std::string Trace;
        QString Inserted, Code, Typed, Reply;
    };
    std::vector<TPage> pages;
    QStringList paths;
    for (const auto &shape : shapes) {
        for (const QString &typed : texts) {
            TPage page{std::string(shape.Name) + ": " + typed.toStdString(), {}, {}, typed,
                       QStringLiteral("</") + typed + QStringLiteral("\\")};
            SCOPED_TRACE(page.Trace);
            if (shape.Prepare) {
                Prepare(f.Editor(), ToWideString(QString::fromUtf8(shape.Prepare)));
            } else {
                Prepare(f.Editor(), u"\u2038");
                f.Trigger("SCRIPTBlock1");
            }
            for (auto kind : kinds) {
                f.Current = {MessageBox(kind, typed, page.Reply)};
                f.Trigger("Messageboxalertconfirmprompt1");
            }
            page.Inserted = ToQString(f.Editor().Lines().GetTextStr());
            const QString &inserted = page.Inserted;
            const qsizetype open = inserted.indexOf(QLatin1Char('>'), inserted.indexOf(QStringLiteral("<script"))) + 1;
            const qsizetype close = inserted.lastIndexOf(QStringLiteral("</script>"));
            ASSERT_GT(open, 0);
            ASSERT_GT(close, open);
            page.Code = inserted.mid(open, close - open).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            paths << f.File(QStringLiteral("boxes%1.html").arg(pages.size()));
            WriteBytes(paths.back(), ("<!DOCTYPE html>\n<html><head><title>t</title></head><body>\n" + inserted +
                                      "<p>after</p>\n</body></html>\n")
                                         .toStdString());
            pages.push_back(page);
        }
    }
    const QJsonArray results = ScriptElementsOf(paths);
    for (size_t i = 0; i < pages.size() && i < size_t(results.size()); ++i) {
        const TPage &page = pages[i];
        SCOPED_TRACE(page.Trace);
        const QJsonObject seen = results[qsizetype(i)].toObject();
        const QJsonArray one{page.Code};
        EXPECT_EQ(seen.value(QStringLiteral("htmlparser2")).toArray(), one) << page.Inserted.toStdString();
        EXPECT_EQ(seen.value(QStringLiteral("browser")).toArray(), one) << page.Inserted.toStdString();
        const QJsonArray calls{QJsonArray{QStringLiteral("alert"), page.Typed},
                               QJsonArray{QStringLiteral("confirm"), page.Typed},
                               QJsonArray{QStringLiteral("prompt"), page.Typed, page.Reply}};
        // One script, which made these calls. (Appended, since a braced QJsonArray of one QJsonArray
        // is a copy to one compiler and a nesting to another.)
        QJsonArray runs;
        runs.append(calls);
        EXPECT_EQ(seen.value(QStringLiteral("runs")).toArray(), runs) << page.Inserted.toStdString();
    }
}

// The same through the dialog as the user sees it: the text typed into its field, OK clicked.
TEST(InsertMenus, TypedEndOfScriptInTheShownMessageDialogKeepsThePageScriptWhole)
{
    TWindowFixture f;
    f.Window->FileNewActionExecute();
    f.Window->show();
    f.Window->Action(QStringLiteral("SCRIPTBlock1"))->trigger();
    TfrmMessageBox &d = *f.Window->InsertTools().frmMessageBox;
    const QString typed = QStringLiteral("Bye </script><!--<script>");
    QTimer::singleShot(0, [&] {
        QTest::keyClicks(d.MessTextEdit, typed);
        QTest::mouseClick(d.BitBtnOk, Qt::LeftButton);
    });
    f.Window->Action(QStringLiteral("Messageboxalertconfirmprompt1"))->trigger();
    const QString inserted = ToQString(f.Window->ActiveEditor()->Lines().GetTextStr());
    const QString path = f.File(QStringLiteral("typed.html"));
    WriteBytes(path, ("<!DOCTYPE html>\n<html><body>\n" + inserted + "<p>after</p>\n</body></html>\n").toStdString());
    const QJsonObject seen = ScriptElementsOf({path}).at(0).toObject();
    EXPECT_EQ(seen.value(QStringLiteral("htmlparser2")).toArray().size(), 1) << inserted.toStdString();
    EXPECT_EQ(seen.value(QStringLiteral("browser")).toArray().size(), 1) << inserted.toStdString();
    QJsonArray calls, runs; // appended: see above
    calls.append(QJsonArray{QStringLiteral("alert"), typed});
    runs.append(calls);
    EXPECT_EQ(seen.value(QStringLiteral("runs")).toArray(), runs) << inserted.toStdString();
}

} // namespace
