// The printer on PDF output: sheets and their orientation for one, two and four pages a sheet,
// where each page lands on its sheet, what each kind of drawing object prints, and failed starts.
#include "PrintTestSupport.h"
#include "platform/QtConvert.h"
#include "print/ZvObjects.h"
#include "print/ZvPrinter.h"
#include <QPrinter>

using namespace printtest;

namespace {

constexpr Extended kA4W = 21000 / 2540.0L, kA4H = 29700 / 2540.0L; // inches

struct TPdfPrinter {
    QTemporaryDir Dir;
    QPrinter Device{QPrinter::HighResolution};
    TZvPrinter Printer{&Device};
    QString File;
    explicit TPdfPrinter(const QString &Name = "out.pdf")
    {
        Device.setResolution(300);
        File = Dir.path() + "/" + Name;
        Printer.SetOutputFileName(File);
    }
};

// Prints pages of the given orientations, calling Draw(page index) on each.
template <typename F>
void PrintPages(TZvPrinter &P, TZvPagesPerSheet PerSheet, const std::vector<TZvOrientation> &Pages, F Draw)
{
    P.SetPagesPerSheet(PerSheet);
    P.SetOrientation(Pages.front());
    ASSERT_TRUE(P.BeginDoc());
    for (size_t i = 0; i < Pages.size(); ++i) {
        Draw(int(i));
        if (i + 1 < Pages.size())
            P.NextPage(Pages[i + 1]);
    }
    P.EndDoc();
}

} // namespace

TEST(Printer, SheetsFollowPagesPerSheetAndOrientation)
{
    const auto P = zvPortrait, L = zvLandscape;
    struct Case {
        TZvPagesPerSheet PerSheet;
        std::vector<TZvOrientation> Pages;
        std::vector<bool> SheetLandscape;
    } cases[] = {
        {zvOnePage, {P, L, P}, {false, true, false}},  {zvOnePage, {L, L}, {true, true}},
        {zvTwoPage, {P, P, P}, {true, true}},          {zvTwoPage, {L, L, L, L}, {false, false}},
        {zvFourPage, {P, P, P, P, P}, {false, false}}, {zvFourPage, {P, P, P, P, L, L}, {false, true}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "pages per sheet " << int(c.PerSheet) << ", " << c.Pages.size() << " pages");
        TPdfPrinter pdf;
        PrintPages(pdf.Printer, c.PerSheet, c.Pages, [&](int i) {
            pdf.Printer.Canvas().TextOut(0, u"Page " + ToWideString(QString::number(i + 1)), 1, 1);
        });
        const auto sizes = PdfPageSizes(pdf.File);
        ASSERT_EQ(sizes.size(), c.SheetLandscape.size());
        for (size_t s = 0; s < sizes.size(); ++s)
            EXPECT_EQ(IsLandscape(sizes[s]), c.SheetLandscape[s]) << "sheet " << s + 1;
        // Whatever was turned for the run, the device is back in the document's orientation.
        EXPECT_EQ(pdf.Printer.Orientation(), c.Pages.back());
        EXPECT_FALSE(pdf.Printer.Printing());
    }
}

TEST(Printer, EachPageOfASharedSheetInksOnlyItsPlaceAtItsScale)
{
    // Page k of the sheet is filled black edge to edge; the rest of the sheet stays white.
    struct Case {
        TZvPagesPerSheet PerSheet;
        int Pages, InkedPage;
        QRectF Expected; // fractions of the sheet
    } cases[] = {
        {zvFourPage, 4, 0, {0, 0, 0.5, 0.5}},   {zvFourPage, 4, 1, {0.5, 0, 0.5, 0.5}},
        {zvFourPage, 4, 2, {0, 0.5, 0.5, 0.5}}, {zvFourPage, 4, 3, {0.5, 0.5, 0.5, 0.5}},
        {zvTwoPage, 2, 0, {0, 0, 0.5, 1}},      {zvTwoPage, 2, 1, {0.5, 0, 0.5, 1}},
        {zvOnePage, 1, 0, {0, 0, 1, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "pages per sheet " << int(c.PerSheet) << ", page " << c.InkedPage + 1);
        TPdfPrinter pdf;
        PrintPages(pdf.Printer, c.PerSheet, std::vector<TZvOrientation>(size_t(c.Pages), zvPortrait), [&](int i) {
            if (i != c.InkedPage)
                return;
            pdf.Printer.Canvas().Brush().SetColor(clBlack);
            pdf.Printer.Canvas().Brush().SetStyle(bsSolid);
            pdf.Printer.Canvas().FillRect(0, 0, kA4W, kA4H);
        });
        const QImage sheet = PdfPageImage(pdf.File, 1, 40, pdf.Dir.path());
        ASSERT_FALSE(sheet.isNull());
        const QRect ink = InkBox(sheet);
        const double W = sheet.width(), H = sheet.height();
        EXPECT_NEAR(ink.left(), c.Expected.left() * W, 2);
        EXPECT_NEAR(ink.top(), c.Expected.top() * H, 2);
        EXPECT_NEAR(ink.width(), c.Expected.width() * W, 2);
        EXPECT_NEAR(ink.height(), c.Expected.height() * H, 2);
    }
}

TEST(Printer, TextPrintsAtTheSheetScaleOnEveryCall)
{
    auto inkWidths = [](TZvPagesPerSheet PerSheet) {
        TPdfPrinter pdf;
        PrintPages(pdf.Printer, PerSheet, {zvPortrait}, [&](int) {
            TZvPrinterCanvas &c = pdf.Printer.Canvas();
            c.Font().SetSize(72);
            c.TextOut(0, u"MMMM", 0.5L, 0.5L);
            c.TextOut(0, u"MMMM", 0.5L, 3.0L);
        });
        const QImage sheet = PdfPageImage(pdf.File, 1, 50, pdf.Dir.path());
        const int split = int(sheet.height() * (PerSheet == zvFourPage ? 1.75 : 3.5) / 11.69);
        return std::pair(InkBox(sheet.copy(0, 0, sheet.width(), split)).width(),
                         InkBox(sheet.copy(0, split, sheet.width(), sheet.height() - split)).width());
    };
    const auto [full1, full2] = inkWidths(zvOnePage);
    const auto [quarter1, quarter2] = inkWidths(zvFourPage);
    EXPECT_GT(full1, 100);
    EXPECT_EQ(full1, full2);
    EXPECT_NEAR(quarter1, full1 / 2.0, 3);
    EXPECT_NEAR(quarter2, quarter1, 1);
}

TEST(Printer, DevicePenCountsWidthInQuarterPoints)
{
    TZvPrinterCanvas c;
    struct Case {
        int32_t Width;
        int32_t Resolution;
        Extended Scale;
        TColor Color;
        bool Geometric;
        double DeviceWidth;
    } cases[] = {
        {1, 600, 0.5L, clBlack, false, 1},   {2, 600, 0.5L, clBlack, false, 1}, // 2 x 0.5 is not more than one
        {8, 600, 1, clBlack, true, 17}, // round(8 x 600 / 72 / 4)
        {8, 600, 0.5L, clBlack, true, 8}, // round(8.33) at half size
        {8, 600, 1, clWindowText, false, 1}, // system colours stay thin
    };
    for (const Case &k : cases) {
        c.Attach(nullptr, k.Resolution, k.Resolution, 0, 0, zvColor, k.Scale);
        c.Pen().SetWidth(k.Width);
        c.Pen().SetColor(k.Color);
        const QPen pen = c.DevicePen();
        EXPECT_EQ(!pen.isCosmetic(), k.Geometric) << k.Width;
        EXPECT_DOUBLE_EQ(pen.widthF(), k.DeviceWidth) << k.Width;
        if (k.Geometric) {
            EXPECT_EQ(pen.capStyle(), Qt::SquareCap);
        }
    }
}

TEST(Printer, EveryObjectKindPrintsOnOneTwoAndFourPagesASheet)
{
    auto makePage = [] {
        std::vector<std::unique_ptr<TZvBaseObject>> objects;
        auto text = std::make_unique<TZvTextObject>();
        text->Left = 2000;
        text->Top = 2000;
        text->Text = u"Plain text line";
        text->Font.Name = u"Arial";
        text->Font.Size = 12;
        objects.push_back(std::move(text));
        auto red = std::make_unique<TZvTextObject>();
        red->Left = 2000;
        red->Top = 3000;
        red->Text = u"Red text line";
        red->Font.Name = u"Arial";
        red->Font.Size = 12;
        red->Font.Color = zvRed;
        objects.push_back(std::move(red));
        auto hidden = std::make_unique<TZvTextObject>();
        hidden->Left = 2000;
        hidden->Top = 4000;
        hidden->Text = u"Hidden words";
        hidden->Font.Name = u"Arial";
        hidden->Font.Size = 12;
        hidden->Visible = false;
        objects.push_back(std::move(hidden));
        auto box = std::make_unique<TZvTextBoxObject>();
        box->Left = 2000, box->Top = 5000, box->Right = 12000, box->Bottom = 8000;
        box->Text = u"Boxed words wrap inside the box";
        box->Font.Name = u"Arial";
        box->Font.Size = 12;
        objects.push_back(std::move(box));
        auto line = std::make_unique<TZvLineObject>();
        line->Left = 2000, line->Top = 9000, line->Right = 18000, line->Bottom = 9000;
        line->Pen.Width = 8;
        objects.push_back(std::move(line));
        int32_t x = 2000;
        for (int kind : {zvkEllipse, zvkRectangle, zvkRoundRect, zvkArc, zvkChord, zvkPie}) {
            auto shape = CreateObjectOfKind(kind);
            shape->Left = x, shape->Top = 10000, shape->Right = x + 2000, shape->Bottom = 12000;
            shape->Brush.Color = zvYellow;
            if (auto *c = dynamic_cast<TZvComplexShape *>(shape.get())) {
                c->StartX = x + 2000, c->StartY = 11000, c->EndX = x + 1000, c->EndY = 10000;
            }
            objects.push_back(std::move(shape));
            x += 2500;
        }
        auto frame = std::make_unique<TZvRectangleShape>();
        frame->Left = 2000, frame->Top = 13000, frame->Right = 6000, frame->Bottom = 15000;
        frame->Style = 2;
        objects.push_back(std::move(frame));
        auto picture = std::make_unique<TZvGraphicObject>();
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::black);
        picture->SetBitmap(image);
        picture->Left = 2000, picture->Top = 16000, picture->Right = 6000, picture->Bottom = 18000;
        objects.push_back(std::move(picture));
        return objects;
    };
    struct Case {
        TZvPagesPerSheet PerSheet;
        std::vector<bool> SheetLandscape;
    } cases[] = {
        {zvOnePage, {false, true, false, false}},
        {zvTwoPage, {true, true}},
        {zvFourPage, {false}},
    };
    for (const Case &c : cases) {
        const TZvPagesPerSheet perSheet = c.PerSheet;
        SCOPED_TRACE(int(perSheet));
        TPdfPrinter pdf;
        auto objects = makePage();
        PrintPages(pdf.Printer, perSheet, {zvPortrait, zvLandscape, zvPortrait, zvPortrait}, [&](int) {
            for (auto &o : objects)
                o->Print(pdf.Printer, std::nullopt);
        });
        const QString text = PdfText(pdf.File);
        EXPECT_EQ(text.count("Plain text line"), 4);
        // Coloured text prints as filled outlines, not as text.
        EXPECT_FALSE(text.contains("Red text line"));
        EXPECT_TRUE(text.contains("Boxed words"));
        EXPECT_FALSE(text.contains("Hidden"));
        const auto sizes = PdfPageSizes(pdf.File);
        ASSERT_EQ(sizes.size(), c.SheetLandscape.size());
        for (size_t i = 0; i < sizes.size(); ++i)
            EXPECT_EQ(IsLandscape(sizes[i]), c.SheetLandscape[i]) << "sheet " << i + 1;
        // The black picture is on the paper.
        const QImage sheet = PdfPageImage(pdf.File, 1, 30, pdf.Dir.path());
        EXPECT_FALSE(InkBox(sheet).isEmpty());
    }
}

TEST(Printer, AFailedStartIsReportedAndTheNextPrintWorks)
{
    TPdfPrinter pdf;
    pdf.Printer.SetOutputFileName(pdf.Dir.path() + "/no/such/folder/out.pdf");
    try {
        pdf.Printer.BeginDoc();
        FAIL() << "the start should fail";
    } catch (const EZvPrintError &e) {
        EXPECT_NE(std::string(e.what()).find("no/such/folder/out.pdf"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(pdf.Printer.Printing());
    pdf.Printer.SetOutputFileName(pdf.File);
    PrintPages(pdf.Printer, zvOnePage, {zvPortrait, zvPortrait},
               [&](int) { pdf.Printer.Canvas().TextOut(0, u"Works", 1, 1); });
    EXPECT_EQ(PdfPageSizes(pdf.File).size(), 2u);
    EXPECT_EQ(PdfText(pdf.File).count("Works"), 2);
}

TEST(Printer, PrinterMarginsComeFromTheDeviceGeometry)
{
    QPrinter device(QPrinter::HighResolution);
    device.setResolution(600);
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setPageMargins(QMarginsF(10, 5, 20, 15), QPageLayout::Millimeter);
    TZvPrinter p(&device);
    const auto m = p.PrinterMarginsInches();
    EXPECT_NEAR(double(m[0]), 10 / 25.4, 0.01);
    EXPECT_NEAR(double(m[1]), 5 / 25.4, 0.01);
    EXPECT_NEAR(double(m[2]), 20 / 25.4, 0.01);
    EXPECT_NEAR(double(m[3]), 15 / 25.4, 0.01);
    EXPECT_EQ(p.PixelsPerInchX(), 600);
    EXPECT_NEAR(double(p.PhysicalWidthInches()), 8.27, 0.01);
    p.PrintableWidth();
    EXPECT_NEAR(double(p.PrintableWidth().AsMillimetres()), 210 - 30, 0.1);
}

TEST(Printer, ClipsAndPicturesFollowTheirSubPage)
{
    // Four pages a sheet. Page 4 fills its page black inside a clip of the page's left half;
    // page 2 draws a picture over its whole page.
    TPdfPrinter pdf;
    TZvRectangleShape clipped;
    clipped.Right = 21000, clipped.Bottom = 29700;
    clipped.Style = 1;
    clipped.Brush.Color = clBlack;
    clipped.Clip = true;
    clipped.ClipRect[2] = 10500, clipped.ClipRect[3] = 29700;
    TZvGraphicObject picture;
    QImage black(8, 8, QImage::Format_RGB32);
    black.fill(Qt::black);
    picture.SetBitmap(black);
    picture.Right = 21000, picture.Bottom = 29700;
    PrintPages(pdf.Printer, zvFourPage, {zvPortrait, zvPortrait, zvPortrait, zvPortrait}, [&](int i) {
        if (i == 1)
            picture.Print(pdf.Printer, std::nullopt);
        if (i == 3)
            clipped.Print(pdf.Printer, std::nullopt);
    });
    const QImage sheet = PdfPageImage(pdf.File, 1, 40, pdf.Dir.path());
    const double W = sheet.width(), H = sheet.height();
    const QRect upperRight = InkBox(sheet.copy(int(W / 2), 0, int(W / 2), int(H / 2)));
    EXPECT_NEAR(upperRight.width(), W / 2, 2);
    EXPECT_NEAR(upperRight.height(), H / 2, 2);
    // Below the picture's last row.
    const QRect lowerRight = InkBox(sheet.copy(int(W / 2), int(H / 2) + 3, int(W / 2), int(H / 2) - 3));
    EXPECT_NEAR(lowerRight.left(), 0, 2);
    EXPECT_NEAR(lowerRight.width(), W / 4, 2) << "the clip is a quarter sheet wide, as the page is scaled";
    EXPECT_TRUE(InkBox(sheet.copy(0, 0, int(W / 2), int(H))).isEmpty());
}
