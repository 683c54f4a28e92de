// The HTML menu: form controls, tags around the selection, single tags, symbols, and tables,
// lists, images, anchors and colours built from their dialogs.
#include "shell/MainWindow.h"

#include "editor/SyntaxEdit.h"
#include "images/ImageDialog.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/InsertDialogs.h"
#include "shell/InsertFragments.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void TfrmQuillmarMain::CreateInsertHTMLActions()
{
    if (!FInsertTools)
        FInsertTools = new TInsertTools(this);
    QMenu *html = menuBar()->addMenu(QStringLiteral("&HTML"));
    html->setObjectName(QStringLiteral("HTML1"));
    FMenus[QStringLiteral("HTML1")] = html;
    auto subMenu = [this](QMenu *Parent, const char *Name, const QString &Caption) {
        QMenu *m = Parent->addMenu(Caption);
        m->setObjectName(QString::fromLatin1(Name));
        FMenus[QString::fromLatin1(Name)] = m;
        return m;
    };
    auto fragments = [this](QMenu *Menu, std::initializer_list<const char *> Names) {
        for (const char *name : Names) {
            const TFragmentItem *item = FindFragmentItem(HTMLFragmentItems(), name, false);
            AddAction(Menu, QString::fromLatin1(name), ToQString(item->Caption), QKeySequence(),
                      [this, name] { InsertFragment(HTMLFragmentItems(), name); });
        }
    };

    QMenu *io = subMenu(html, "InputOutput1", QStringLiteral("&Input/Output"));
    fragments(io, {"Form1", "input1", "submit1", "reset1", "password1", "hidden1", "fileupload1", "InputButton1",
                   "RadioButton1", "CheckBox1", "OutputTextArea1", "Selectdropdown1"});
    QMenu *text = subMenu(html, "TextFormat1", QStringLiteral("&Text"));
    fragments(text, {"Bold2", "Italic1", "Underline1"});
    text->addSeparator();
    fragments(text, {"Left1", "Right1", "Centre1"});
    QMenu *headings = subMenu(html, "Headings1", QStringLiteral("H&eadings"));
    fragments(headings, {"H11", "H21", "H31", "H41", "H51", "H61"});
    fragments(html, {"ParagraphP1", "PreformatPRE1", "DivDIV1", "SpanSPAN1", "IframeIFRAME1", "Comment2",
                     "Stylestylestyle1", "LinebreakBR1", "HorizontalruleHR1"});
    QMenu *symbols = subMenu(html, "Symbols1", QStringLiteral("S&ymbols"));
    fragments(symbols, {"nonbreakingspace1", "Copyright1", "Trademark1", "Register1", "Ampersand1", "lessthan1",
                        "greaterthan1", "Pound1", "Yen1", "Euro1", "leftquote1", "rightquote1", "Emdash1"});
    html->addSeparator();
    AddAction(html, QStringLiteral("Table1"), QStringLiteral("Ta&ble"), QKeySequence(), [this] { Table1Click(); });
    AddAction(html, QStringLiteral("Lists1"), QStringLiteral("&Lists"), QKeySequence(), [this] { Lists1Click(); });
    AddAction(html, QStringLiteral("Imagenew1"), QStringLiteral("Ima&ge (new)"), QKeySequence(),
              [this] { Imagenew1Click(); });
    AddAction(html, QStringLiteral("AnchorsAHREF1"), QStringLiteral("Anchors <a href . ."), QKeySequence(),
              [this] { AnchorsAHREF1Click(); });

    // Colours: Tag mod 10 the source, Tag div 10 the form.
    const char *const sources[4] = {"&16 colors", "&Web safe colors", "Web &named colors", "&Any color"};
    auto colours = [&](QMenu *Menu, int Form) {
        for (int s = 1; s <= 4; ++s) {
            const int tag = Form * 10 + s;
            QAction *a = AddAction(Menu, QStringLiteral("Fontcolor%1").arg(tag), QString::fromLatin1(sources[s - 1]),
                                   QKeySequence(), [this, tag] { Fontcolor2Click(tag); });
            a->setProperty("Tag", tag);
        }
    };
    html->addSeparator();
    colours(subMenu(html, "FontcolorMenu1", QStringLiteral("&Font color")), 0);
    QMenu *hex = subMenu(html, "Hexcoloronly1", QStringLiteral("He&x color only"));
    colours(subMenu(hex, "insidedoublequotes1", QStringLiteral("inside double quotes")), 1);
    colours(subMenu(hex, "insidesinglequotes1", QStringLiteral("inside single quotes")), 2);
    colours(subMenu(hex, "noquotes1", QStringLiteral("no quotes")), 3);
}

void TfrmQuillmarMain::Table1Click()
{
    if (!InsertTarget() || FInsertTools->RunDialog(*FInsertTools->frmTables) != QDialog::Accepted)
        return;
    TSyntaxEdit *e = InsertTarget();
    if (!e)
        return;
    TBuildStatus status = TBuildStatus::Complete;
    const WideString text = TableText(FInsertTools->frmTables->Fields(), status);
    if (status == TBuildStatus::TooLarge) {
        MessageDlg(TableTooLargeMessage, TMsgDlgType::mtWarning, mbOK);
        return;
    }
    if (status == TBuildStatus::NotNumeric)
        MessageDlg(TableNotCompleteMessage, TMsgDlgType::mtWarning, mbOK);
    TInsertion insertion{text, {}, true};
    ApplyInsertion(*e, insertion);
}

void TfrmQuillmarMain::Lists1Click()
{
    if (!InsertTarget() || FInsertTools->RunDialog(*FInsertTools->frmLists) != QDialog::Accepted)
        return;
    TSyntaxEdit *e = InsertTarget();
    if (!e)
        return;
    TBuildStatus status = TBuildStatus::Complete;
    const std::vector<WideString> pieces = ListPieces(FInsertTools->frmLists->Fields(), status);
    if (status == TBuildStatus::TooLarge) {
        MessageDlg(ListTooLargeMessage, TMsgDlgType::mtWarning, mbOK);
        return;
    }
    e->BeginUpdate();
    struct TEnd {
        TSyntaxEdit *E;
        ~TEnd() { E->EndUpdate(); }
    } end{e};
    for (const WideString &p : pieces)
        ApplyInsertion(*e, TInsertion{p, {}, false});
    if (status == TBuildStatus::NotNumeric)
        MessageDlg(ListNotCompleteMessage, TMsgDlgType::mtWarning, mbOK);
}

void TfrmQuillmarMain::Imagenew1Click()
{
    TImageTagData data;
    if (!InsertTarget() || !FInsertTools->RunImageDialog(data))
        return;
    if (TSyntaxEdit *e = InsertTarget())
        ApplyInsertion(*e, TInsertion{ImageText(ToWideString(data.Src), ToWideString(data.Alt),
                                                ToWideString(data.Width), ToWideString(data.Height), Settings.XHTML),
                                      {},
                                      false});
}

void TfrmQuillmarMain::AnchorsAHREF1Click()
{
    if (!InsertTarget() || FInsertTools->RunDialog(*FInsertTools->frmAnchors) != QDialog::Accepted)
        return;
    if (TSyntaxEdit *e = InsertTarget())
        ApplyInsertion(*e, TInsertion{AnchorText(FInsertTools->frmAnchors->Fields()), {}, false});
}

void TfrmQuillmarMain::Fontcolor2Click(int Tag)
{
    WideString colour;
    if (!InsertTarget() || !FInsertTools->PickColour(Tag % 10, colour) || colour.empty())
        return;
    if (TSyntaxEdit *e = InsertTarget())
        ApplyInsertion(*e, ColourInsertion(Tag, colour, e->GetSelText()));
}
