// The print options dialog, the preview window and the print action as a user meets them.
#include "PrintTestSupport.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "print/PreviewForm.h"
#include "print/PrintAction.h"
#include "print/PrintForm.h"
#include "print/ZvPreview.h"
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using namespace printtest;

namespace {

std::array<bool, 4> NavEnabled(const TfrmPreview &w)
{
    return {w.ToolButtonFirst->isEnabled(), w.ToolButtonPrev->isEnabled(), w.ToolButtonNext->isEnabled(),
            w.ToolButtonLast->isEnabled()};
}

void FillPages(TZvPreview &p, int Pages)
{
    for (int n = 1; n < Pages; ++n)
        p.NewPage();
    p.FirstPage();
}

} // namespace

TEST(PrintWindows, PreviewWindowShowsThePageAndItsNavigation)
{
    struct Case {
        int Pages;
        QString Label;
        std::array<bool, 4> Enabled;
    } cases[] = {
        {3, "Page 1 of 3", {false, false, true, true}},
        {1, "Page 1 of 1", {false, false, false, false}},
    };
    for (const Case &c : cases) {
        TfrmPreview window;
        FillPages(*window.PrintPreview, c.Pages);
        window.show();
        EXPECT_EQ(window.Label1->text(), c.Label);
        EXPECT_EQ(NavEnabled(window), c.Enabled) << c.Pages;
        window.close();
    }
    TfrmPreview window;
    FillPages(*window.PrintPreview, 3);
    window.show();
    EXPECT_EQ(window.windowTitle(), " Print Preview");
    window.ToolButtonNext->click();
    EXPECT_EQ(window.Label1->text(), "Page 2 of 3");
    EXPECT_EQ(NavEnabled(window), (std::array<bool, 4>{true, true, true, true}));
    window.ToolButtonLast->click();
    EXPECT_EQ(window.Label1->text(), "Page 3 of 3");
    EXPECT_EQ(NavEnabled(window), (std::array<bool, 4>{true, true, false, false}));
    window.ToolButtonPrev->click();
    window.ToolButtonFirst->click();
    EXPECT_EQ(window.PrintPreview->CurrentPage(), 1);
    const int before = window.PrintPreview->Zoom();
    window.ToolButtonZoomIn->click();
    EXPECT_EQ(window.PrintPreview->Zoom(), before + 10);
    window.ToolButtonZoomOut->click();
    EXPECT_EQ(window.PrintPreview->Zoom(), before);
    EXPECT_EQ(window.ToolButtonFirst->toolTip(), "First page");
    EXPECT_EQ(window.ToolButtonClose->toolTip(), "Exit preview");
    window.ToolButtonClose->click();
    EXPECT_FALSE(window.isVisible());
}

TEST(PrintWindows, PreviewWindowPrintsAllPagesOnThePdfPrinter)
{
    QTemporaryDir dir;
    QPrinter device(QPrinter::HighResolution);
    device.setResolution(150);
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(dir.path() + "/window.pdf");
    TfrmPreview window(nullptr, &device);
    TZvPreview &p = *window.PrintPreview;
    for (int n = 1; n <= 3; ++n) {
        if (n > 1)
            p.NewPage();
        p.Canvas().TextOut(20, 30, u"Window page " + ToWideString(QString::number(n)), zvuMillimetres);
    }
    window.show();
    window.ToolButtonPrint->click();
    EXPECT_EQ(PdfPageSizes(device.outputFileName()).size(), 3u);
    EXPECT_TRUE(PdfText(device.outputFileName(), 3).contains("Window page 3"));
    // A range through the same preview: pages 2 to 3.
    ASSERT_TRUE(p.PrintRange(2, 3));
    EXPECT_EQ(PdfPageSizes(device.outputFileName()).size(), 2u);
    EXPECT_TRUE(PdfText(device.outputFileName(), 1).contains("Window page 2"));
}

TEST(PrintWindows, PrintDialogControls)
{
    TfrmPrint dialog;
    EXPECT_EQ(dialog.windowTitle(), "Print, preview and options");
    EXPECT_EQ(dialog.EditTop->text(), "10");
    EXPECT_TRUE(dialog.CheckBoxLineNos->isChecked());
    EXPECT_TRUE(dialog.CheckBoxWordWrap->isChecked());
    EXPECT_EQ(dialog.LabelFontName->text(), "Courier New");
    EXPECT_EQ(dialog.LabelFontSize->text(), "Size: " + QString::number(dialog.FontDialogFont().Size()));

    // The orientation picture turns: 30 x 49 becomes 49 x 30, moved down.
    const QRect portrait = dialog.Shape1->geometry();
    dialog.RadioLandscape->click();
    const QRect landscape = dialog.Shape1->geometry();
    EXPECT_EQ(landscape.width(), portrait.height());
    EXPECT_EQ(landscape.height(), portrait.width());
    EXPECT_GT(landscape.top(), portrait.top());
    EXPECT_EQ(dialog.OrientationIndex(), 1);

    EXPECT_TRUE(dialog.FontDialogOptions().testFlag(QFontDialog::MonospacedFonts));
    dialog.CheckBoxMonospace->click();
    EXPECT_FALSE(dialog.FontDialogOptions().testFlag(QFontDialog::MonospacedFonts));
    dialog.CheckBoxMonospace->click();
    EXPECT_TRUE(dialog.FontDialogOptions().testFlag(QFontDialog::MonospacedFonts));

    QFontDialog::FontDialogOptions seen;
    dialog.RunFontDialog = [&](const QFont &, QFontDialog::FontDialogOptions o, QFont &chosen) {
        seen = o;
        chosen = QFont("Liberation Mono");
        chosen.setPointSize(14);
        return true;
    };
    dialog.ButtonFont->click();
    EXPECT_TRUE(seen.testFlag(QFontDialog::MonospacedFonts));
    EXPECT_EQ(dialog.LabelFontName->text(), "Liberation Mono");
    EXPECT_EQ(dialog.LabelFontSize->text(), "Size: 14");
    dialog.RunFontDialog = [](const QFont &, QFontDialog::FontDialogOptions, QFont &) { return false; };
    dialog.ButtonFont->click();
    EXPECT_EQ(dialog.LabelFontSize->text(), "Size: 14") << "Cancel changes nothing";

    struct Button {
        QPushButton *B;
        int Result;
    } buttons[] = {{dialog.BitBtn2, 1}, {dialog.ButtonPreview, 4}, {dialog.BitBtn1, 2}};
    for (const Button &b : buttons) {
        dialog.show();
        b.B->click();
        EXPECT_EQ(dialog.result(), b.Result);
    }
}

namespace {

// A 150-line page: a few long lines among short ones.
std::vector<WideString> HtmlLines()
{
    std::vector<WideString> lines;
    for (int i = 0; i < 150; ++i) {
        QString line;
        if (i == 0)
            line = "<html>";
        else if (i % 40 == 20)
            line = "<p class=\"long\">" + QString("word%1 ").arg(i).repeated(30) + "</p>";
        else
            line = QString("\t<li>item %1</li>").arg(i);
        lines.push_back(ToWideString(line));
    }
    return lines;
}

struct TActionRun {
    QTemporaryDir Dir;
    QPrinter Device{QPrinter::HighResolution};
    TPrintAction Action{nullptr, &Device};
    std::vector<WideString> Lines = HtmlLines();
    TPrintDocument Document;
    QString File;
    TActionRun()
    {
        Device.setResolution(300);
        File = Dir.path() + "/action.pdf";
        Device.setOutputFormat(QPrinter::PdfFormat);
        Device.setOutputFileName(File);
        Document.Caption = u"index.html*";
        Document.MainCaption = u"Quillmar main window";
        Document.LineCount = int(Lines.size());
        Document.Line = [this](int i) { return Lines[size_t(i)]; };
        Action.PrintDialog().FontDialogFont().SetName(u"Liberation Mono");
        Action.PrintDialog().FontDialogFont().SetSize(10);
    }
};

} // namespace

TEST(PrintAction, PrintsNumberedWrappedLinesWithHeaderAndFooter)
{
    TActionRun run;
    int dialogs = 0;
    run.Action.RunModal = [&](QDialog &d) {
        EXPECT_EQ(&d, &run.Action.PrintDialog());
        ++dialogs;
        return 1;
    };
    run.Action.Execute(run.Document);
    EXPECT_EQ(dialogs, 1);
    if (qEnvironmentVariableIsSet("QUILLMAR_KEEP_PDF"))
        QFile::copy(run.File, qEnvironmentVariable("QUILLMAR_KEEP_PDF"));
    EXPECT_EQ(run.Action.PrintDialog().LabelFileName->text(), "index.html");
    const auto sizes = PdfPageSizes(run.File);
    ASSERT_EQ(sizes.size(), 3u);
    const QString all = PdfText(run.File);
    EXPECT_TRUE(all.contains(QRegularExpression("\\n\\s*7 \\s*<li>item 6</li>"))) << all.left(400).toStdString();
    EXPECT_TRUE(all.contains("  <li>item 6</li>")) << "a tab prints as two blanks";
    EXPECT_TRUE(PdfText(run.File, 2).contains("Page 2 of 3"));
    EXPECT_TRUE(PdfText(run.File, 1).contains("Page 1 of 3"));
    EXPECT_TRUE(all.contains("index.html"));
    EXPECT_TRUE(all.contains("Quillmar main window"));
    // Line 21 is long: its remainders follow on lines of their own, indented past the numbers.
    const QStringList rows = all.split('\n');
    int at = -1;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].contains(QRegularExpression("^\\s*21 <p class")))
            at = i;
    ASSERT_GE(at, 0);
    const QString next = rows[at + 1];
    const int number = rows[at].indexOf("21 ") + 3, indent = next.indexOf("word");
    EXPECT_GE(indent, number) << next.toStdString();
    EXPECT_TRUE(next.trimmed().startsWith("word"));
    EXPECT_TRUE(all.contains("</p>"));
}

TEST(PrintAction, PreviewThenPrint)
{
    TActionRun run;
    std::vector<int> answers{4, 1};
    std::vector<QString> seen;
    run.Action.RunModal = [&](QDialog &d) {
        if (auto *preview = dynamic_cast<TfrmPreview *>(&d)) {
            preview->show();
            seen.push_back(preview->Label1->text());
            EXPECT_FALSE(preview->ToolButtonPrev->isEnabled());
            EXPECT_TRUE(preview->ToolButtonNext->isEnabled());
            EXPECT_EQ(preview->PrintPreview->Title(), u"Quillmar - index.html");
            preview->close();
            return 0;
        }
        const int r = answers.front();
        answers.erase(answers.begin());
        return r;
    };
    run.Action.Execute(run.Document);
    EXPECT_EQ(seen, std::vector<QString>{"Page 1 of 3"});
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(PdfPageSizes(run.File).size(), 3u);
}

TEST(PrintAction, CancelLandscapeAndBadMargins)
{
    TActionRun run;
    run.Action.RunModal = [](QDialog &) { return 2; };
    run.Action.Execute(run.Document);
    EXPECT_FALSE(QFile::exists(run.File)) << "a cancelled dialog prints nothing";

    TScriptedPrompter prompter;
    TPrompterScope scope(prompter);
    TfrmPrint &dialog = run.Action.PrintDialog();
    dialog.SetOrientationIndex(1);
    dialog.EditTop->setText("15");
    dialog.EditBottom->setText("x1");
    dialog.EditLeft->setText("30");
    TfrmPreview window(nullptr, &run.Device);
    ASSERT_TRUE(run.Action.FillPreview(*window.PrintPreview, run.Document));
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].Text, u"Non numeric entry in margin details");
    EXPECT_EQ(prompter.Asked()[0].Kind, TMsgDlgType::mtWarning);
    TZvPreview &p = *window.PrintPreview;
    EXPECT_EQ(p.Margins().Top().Value(), 1500);
    EXPECT_EQ(p.Margins().Bottom().Value(), 2000) << "the field in error and those after it keep their values";
    EXPECT_EQ(p.Margins().Left().Value(), 2000);
    EXPECT_EQ(p.Orientation(), zvLandscape);
    EXPECT_EQ(p.PaperWidth(), 29700);
    EXPECT_EQ(p.Header().Captions(0).Caption(), u"index.html");
    EXPECT_EQ(p.Header().Captions(1).Caption(), u"{DATE} {TIME}");
    EXPECT_EQ(p.Footer().Captions(1).Caption(), u"Quillmar main window");
    EXPECT_GT(p.PageCount(), 1);

    // A font too large for the page is reported and nothing is printed.
    prompter.Clear();
    dialog.FontDialogFont().SetSize(900);
    TfrmPreview big(nullptr, &run.Device);
    EXPECT_FALSE(run.Action.FillPreview(*big.PrintPreview, run.Document));
    ASSERT_EQ(prompter.Asked().size(), 2u); // the margin warning, then the layout error
    EXPECT_EQ(prompter.Asked()[1].Kind, TMsgDlgType::mtError);
}

TEST(PrintWindows, PreviewWindowShowsPaperWithTextOnGrey)
{
    TActionRun run;
    TfrmPreview window(nullptr, &run.Device);
    ASSERT_TRUE(run.Action.FillPreview(*window.PrintPreview, run.Document));
    window.resize(900, 700);
    window.show();
    QApplication::processEvents();
    const QImage shot = window.grab().toImage();
    if (qEnvironmentVariableIsSet("QUILLMAR_SCREENSHOT"))
        shot.save(qEnvironmentVariable("QUILLMAR_SCREENSHOT"));
    EXPECT_EQ(window.Label1->text(), "Page 1 of 3");
    // The paper sits in the middle of the grey ground, white with dark text on it.
    const QRect paper = window.PrintPreview->PaperImage().PageRect().translated(
        window.PrintPreview->PaperImage().mapTo(&window, QPoint(0, 0)));
    ASSERT_TRUE(QRect(QPoint(0, 0), shot.size()).contains(paper.center()));
    EXPECT_EQ(QColor(shot.pixel(window.PrintPreview->mapTo(&window, QPoint(3, window.PrintPreview->height() / 2)))),
              QColor(0x80, 0x80, 0x80));
    int white = 0, dark = 0;
    for (int y = paper.top() + 2; y < paper.bottom() - 2; ++y)
        for (int x = paper.left() + 2; x < paper.right() - 2; ++x) {
            const int g = qGray(shot.pixel(x, y));
            white += g > 240;
            dark += g < 100;
        }
    EXPECT_GT(white, paper.width() * paper.height() / 2);
    EXPECT_GT(dark, 200) << "the text of the page is drawn";
    EXPECT_LE(paper.height(), window.PrintPreview->viewport()->height() + 10) << "opened fitted to the window";
}

TEST(PrintWindows, PrintDialogLaysItsControlsOutInside)
{
    TfrmPrint dialog;
    dialog.show();
    QApplication::processEvents();
    if (qEnvironmentVariableIsSet("QUILLMAR_SCREENSHOT"))
        dialog.grab().save(qEnvironmentVariable("QUILLMAR_SCREENSHOT"));
    // Every control lies within the dialog and the buttons do not overlap.
    for (QWidget *w : dialog.findChildren<QWidget *>())
        if (w->parentWidget() == &dialog) {
            EXPECT_TRUE(dialog.rect().contains(w->geometry())) << w->metaObject()->className();
        }
    EXPECT_FALSE(dialog.BitBtn2->geometry().intersects(dialog.ButtonPreview->geometry()));
    EXPECT_FALSE(dialog.ButtonPreview->geometry().intersects(dialog.BitBtn1->geometry()));
    EXPECT_FALSE(dialog.GroupBox2->geometry().intersects(dialog.GroupBox1->geometry()));
}

TEST(PrintWindows, ClicksOnThePaperZoom)
{
    TfrmPreview window;
    window.resize(700, 600);
    window.show();
    QApplication::processEvents();
    TZvPaperImage &paper = window.PrintPreview->PaperImage();
    const int before = window.PrintPreview->Zoom();
    auto click = [&](Qt::MouseButton b) {
        const QPointF at = paper.PageRect().center();
        QMouseEvent e(QEvent::MouseButtonPress, at, paper.mapToGlobal(at), b, b, Qt::NoModifier);
        QCoreApplication::sendEvent(&paper, &e);
    };
    click(Qt::LeftButton);
    EXPECT_EQ(window.PrintPreview->Zoom(), before + 10);
    click(Qt::RightButton);
    click(Qt::RightButton);
    EXPECT_EQ(window.PrintPreview->Zoom(), before - 10);
}

namespace {

// What a preview cursor shows: "+" or "-" for a magnifier with that sign in its lens (black bars
// across the lens's middle, upright for "+"), "arrow", or "other".
std::string ZoomCursorSign(const QCursor &Cursor)
{
    if (Cursor.shape() == Qt::ArrowCursor)
        return "arrow";
    if (Cursor.shape() != Qt::BitmapCursor || Cursor.hotSpot() != QPoint(12, 12))
        return "other";
    const QImage picture = Cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    if (picture.size() != QSize(32, 32))
        return "other";
    auto black = [&](int x, int y) {
        const QColor c = picture.pixelColor(x, y);
        return c.alpha() == 255 && qGray(c.rgb()) < 64;
    };
    auto light = [&](int x, int y) {
        const QColor c = picture.pixelColor(x, y);
        return c.alpha() > 0 && qGray(c.rgb()) > 192;
    };
    // The ring of the lens around the middle, and its handle towards the lower right.
    const bool magnifier = black(12, 3) && black(3, 12) && black(20, 12) && black(24, 24) && light(12, 6);
    const bool across = black(8, 11) && black(11, 11) && black(15, 12);
    if (!magnifier || !across)
        return "other";
    if (black(11, 8) && black(12, 15))
        return "+";
    return light(11, 8) && light(12, 15) ? "-" : "other";
}

} // namespace

TEST(PrintWindows, ClickingThePaperShowsAZoomInAndAZoomOutMagnifier)
{
    TfrmPreview window;
    window.resize(700, 600);
    window.show();
    QApplication::processEvents();
    TZvPaperImage &paper = window.PrintPreview->PaperImage();
    const QPoint at = paper.PageRect().center();
    // The mouse comes onto the paper through the window system, as a user's does.
    const QPoint before = QCursor::pos();
    QCursor::setPos(paper.mapToGlobal(at));
    QApplication::processEvents();
    ASSERT_TRUE(window.PrintPreview->underMouse());
    EXPECT_EQ(ZoomCursorSign(paper.cursor()), "arrow");
    auto click = [&](Qt::MouseButton b) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(at), paper.mapToGlobal(QPointF(at)), b, b, Qt::NoModifier);
        QCoreApplication::sendEvent(&paper, &e);
    };
    struct Step {
        Qt::MouseButton Button;
        const char *Sign;
    } steps[] = {{Qt::LeftButton, "+"}, {Qt::RightButton, "-"}, {Qt::RightButton, "-"}, {Qt::LeftButton, "+"}};
    int zoom = window.PrintPreview->Zoom();
    for (const Step &s : steps) {
        click(s.Button);
        zoom += s.Button == Qt::LeftButton ? 10 : -10;
        EXPECT_EQ(window.PrintPreview->Zoom(), zoom);
        EXPECT_EQ(ZoomCursorSign(paper.cursor()), s.Sign);
    }
    QCursor::setPos(before);
    QApplication::processEvents();
}

TEST(PrintWindows, PreviewCursorsByKindAndOnlyUnderTheMouse)
{
    for (const auto &[kind, sign] : {std::pair{0, "arrow"}, std::pair{1, "+"}, std::pair{2, "-"}}) {
        TZvPreview preview;
        preview.SetCursorKind(kind);
        EXPECT_EQ(preview.CursorKind(), kind);
        EXPECT_EQ(ZoomCursorSign(preview.cursor()), sign) << kind;
    }
    // Zooming by the tool buttons, with the mouse elsewhere, leaves the cursor alone.
    TfrmPreview window;
    window.resize(700, 600);
    window.show();
    const QPoint before = QCursor::pos();
    QCursor::setPos(window.frameGeometry().bottomRight() + QPoint(50, 50));
    QApplication::processEvents();
    ASSERT_FALSE(window.PrintPreview->underMouse());
    window.ToolButtonZoomIn->click();
    window.ToolButtonZoomOut->click();
    EXPECT_EQ(ZoomCursorSign(window.PrintPreview->PaperImage().cursor()), "arrow");
    QCursor::setPos(before);
    QApplication::processEvents();
}

TEST(PrintAction, LongWordsLinksAndQuotesStayInsideTheRightMarginOnPaper)
{
    TActionRun run;
    const QString word = QString("abcdefghij").repeated(16);
    run.Lines.clear();
    for (const QString &line :
         {"<p title=\"" + word + "\">text</p>", "var message = 'a quoted " + word + " message' + name;",
          "<a href=\"https://www.example.org/" + word + ".html\">link</a>",
          QString("\t<li>one two three four five six seven eight nine ten eleven twelve thirteen</li> ").repeated(3)})
        run.Lines.push_back(ToWideString(line));
    run.Document.LineCount = int(run.Lines.size());
    run.Action.RunModal = [](QDialog &) { return 1; };
    run.Action.Execute(run.Document);
    ASSERT_EQ(PdfPageSizes(run.File).size(), 1u);
    // Every letter of the long words is on the paper.
    const QString text = PdfText(run.File).remove(QRegularExpression("\\s"));
    EXPECT_EQ(text.count("abcdefghij"), 3 * 16) << text.toStdString();
    // No ink right of the right margin (10 mm from the edge of the A4 sheet).
    QTemporaryDir dir;
    const int dpi = 100;
    const QImage page = PdfPageImage(run.File, 1, dpi, dir.path());
    ASSERT_FALSE(page.isNull());
    const QRect ink = InkBox(page);
    const int margin = int(std::lround((210.0 - 10.0) / 25.4 * dpi));
    EXPECT_LE(ink.right(), margin + 1) << "ink reaches " << ink.right() << ", the margin is at " << margin;
    EXPECT_GT(ink.right(), margin - 40) << "the lines are filled up to the margin";
}
