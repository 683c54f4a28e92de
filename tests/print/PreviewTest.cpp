// Pages and the page list, header and footer drawing, and the preview control: zoom, pages,
// paper sizes, fields, and printing ranges on PDF.
#include "PrintTestSupport.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "print/ZvPreview.h"
#include <QCoreApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <gtest/gtest.h>

using namespace printtest;

TEST(ZvPages, ListPaperOrientationAndPages)
{
    TZvPageList list;
    EXPECT_EQ(list.PaperSize().Height().Value(), 29700);
    EXPECT_EQ(list.PaperSize().Width().Value(), 21000);
    TZvPage &one = list.AddPage();
    TZvPage &two = list.AddPage();
    EXPECT_EQ(one.PageNumber(), 1);
    EXPECT_EQ(two.PageNumber(), 2);
    list.SetOrientation(zvLandscape);
    for (TZvPage *p : {&one, &two}) {
        EXPECT_EQ(p->Size().Width().Value(), 29700);
        EXPECT_EQ(p->Size().Height().Value(), 21000);
        EXPECT_EQ(p->Orientation(), zvLandscape);
    }
    EXPECT_EQ(list.PagesOrientation(), 1);
    int turned = 0;
    list.OnPageOrientationChanged = [&](TZvPage &, int32_t n, TZvOrientation o) {
        EXPECT_EQ(n, 2);
        EXPECT_EQ(o, zvPortrait);
        ++turned;
    };
    two.SetOrientation(zvPortrait);
    EXPECT_EQ(turned, 1);
    EXPECT_EQ(two.Size().Height().Value(), 29700) << "the page's own size is swapped";
    EXPECT_EQ(list.PagesOrientation(), 2);
    list.SetPaperSize(TZvPaperSize::Letter);
    EXPECT_EQ(list.PaperSize().Width().Value(), 27940) << "landscape letter";

    EXPECT_EQ(list.Pages(0), nullptr);
    EXPECT_EQ(list.Pages(3), nullptr);
    list.DeletePage(1);
    EXPECT_EQ(list.Pages(1), &two);
    EXPECT_EQ(two.PageNumber(), 1);
    list.DeletePage(1);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ZvPages, ObjectsCloneAndOutOfDate)
{
    TZvPageList list;
    TZvPage &page = list.AddPage();
    page.GetMetafile();
    EXPECT_FALSE(page.OutOfDate());
    auto box = std::make_unique<TZvTextBoxObject>();
    box->Text = u"boxed";
    box->Left = 1, box->Top = 2, box->Right = 3000, box->Bottom = 4000, box->BoxAlignment = 2;
    page.AddObject(std::move(box));
    EXPECT_TRUE(page.OutOfDate());
    EXPECT_TRUE(page.Refresh());
    EXPECT_FALSE(page.Refresh());
    page.Objects(0)->Changed(); // an object's own change reaches its page
    EXPECT_TRUE(page.OutOfDate());
    page.DeleteObject(5);
    page.DeleteObject(-1);
    EXPECT_EQ(page.Count(), 1);

    TZvPage &copy = list.AddPage();
    copy.Assign(page);
    ASSERT_EQ(copy.Count(), 1);
    auto *b = dynamic_cast<TZvTextBoxObject *>(copy.Objects(0));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Text, u"boxed");
    EXPECT_EQ(b->Right, 3000);
    EXPECT_EQ(b->BoxAlignment, 2);
    EXPECT_NE(b, page.Objects(0));

    TZvPage &empty = list.AddPage();
    empty.Refresh();
    empty.Clear();
    EXPECT_TRUE(empty.OutOfDate()) << "clearing an empty page still marks it";
}

TEST(ZvPages, HeaderRuleUnderItsCaptionsAndFooterRuleAboveThem)
{
    TZvPreview preview;
    TZvHeaderFooter &header = preview.Header();
    TZvHeaderFooter &footer = preview.Footer();
    for (TZvHeaderFooter *hf : {&header, &footer}) {
        hf->CaptionLeft().SetCaption(u"Left");
        hf->CaptionRight().SetCaption(u"Page {PAGE} of {NUMPAGES}");
        hf->SetVisible(true);
    }
    TZvPage *page = preview.GetPage(1);
    page->GetMetafile();
    const QSize size = page->MetafileSize();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.drawPicture(0, 0, page->GetMetafile());
    p.end();
    const int r = ScreenPixelsPerInch();
    const int headerRule = preview.Margins().Top().AsPixels(r) + header.Height().AsPixels(r);
    const int footerRule =
        page->Size().Height().AsPixels(r) - preview.Margins().Bottom().AsPixels(r) - footer.Height().AsPixels(r);
    const QRect headerInk = InkBox(image.copy(0, 0, size.width(), headerRule + 2));
    EXPECT_NEAR(headerInk.bottom(), headerRule, 1) << "the header's captions stand on its rule";
    EXPECT_GT(headerInk.top(), preview.Margins().Top().AsPixels(r) - 2);
    const QRect footerInk = InkBox(image.copy(0, footerRule - 1, size.width(), size.height() - footerRule + 1));
    EXPECT_NEAR(footerInk.top(), 1, 1) << "the footer's rule is its top edge";
    EXPECT_LT(footerRule + footerInk.bottom(), size.height() - preview.Margins().Bottom().AsPixels(r) + 2);
    // The rule spans the margins.
    int left = size.width(), right = 0;
    for (int x = 0; x < size.width(); ++x)
        if (qGray(image.pixel(x, headerRule)) < 128)
            left = std::min(left, x), right = std::max(right, x);
    EXPECT_NEAR(left, preview.Margins().Left().AsPixels(r), 1);
    EXPECT_NEAR(right, size.width() - preview.Margins().Right().AsPixels(r), 1);
}

TEST(ZvPreview, FieldsAreReplacedInCaptionsOnly)
{
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 5));
    EXPECT_EQ(ZvReplaceFields(u"Page {PAGE} of {NUMPAGES}", 2, 5, when), u"Page 2 of 5");
    EXPECT_EQ(ZvReplaceFields(u"{DATE} {TIME}", 1, 1, when), u"07-Mar-2026 09:05");
    EXPECT_EQ(ZvReplaceFields(u"{PAGE}{PAGE}/{NUMPAGES}{X}", 3, 12, when), u"33/12{X}");
}

TEST(ZvPreview, ZoomTable)
{
    TZvPreview preview;
    EXPECT_EQ(preview.Zoom(), 20);
    struct Case {
        int32_t Min, Max, Set, Expected;
    } cases[] = {{1, 200, 3, 5}, {10, 200, 500, 200}, {10, 200, 3, 10}, {10, 200, 77, 77}, {10, 150, 150, 150}};
    for (const Case &c : cases) {
        preview.SetMinZoom(c.Min);
        preview.SetMaxZoom(c.Max);
        preview.SetZoom(c.Set);
        EXPECT_EQ(preview.Zoom(), c.Expected) << c.Set;
    }
    preview.SetMinZoom(10);
    preview.SetMaxZoom(200);
    std::vector<std::pair<int, int>> zooms;
    preview.OnZoom = [&](int32_t o, int32_t n) { zooms.emplace_back(o, n); };
    preview.SetZoom(40);
    preview.ZoomStyle = zvVariableZoom;
    preview.ZoomIn();
    EXPECT_EQ(preview.Zoom(), 60);
    preview.SetZoom(40);
    preview.ZoomOut();
    EXPECT_EQ(preview.Zoom(), 20);
    preview.ZoomStyle = zvFixedZoom;
    preview.ZoomIn();
    EXPECT_EQ(preview.Zoom(), 30);
    preview.SetZoom(30);
    EXPECT_EQ(zooms.back(), std::make_pair(20, 30)) << "an unchanged zoom raises nothing";
    // The paper grows with the zoom: 96 pixels an inch at 100 %.
    preview.SetZoom(100);
    EXPECT_EQ(preview.PaperImage().width(), ZvRound(21000 / 2540.0L * 96) + 2 * preview.Gutter());

    preview.SetMinZoom(300);
    EXPECT_EQ(preview.MinZoom(), 200);
    preview.SetMinZoom(10);

    preview.resize(600, 500);
    preview.show();
    preview.ZoomToFit();
    EXPECT_LE(preview.PaperImage().height(), 520);
    EXPECT_EQ(preview.Zoom() % 4, 0);
}

TEST(ZvPreview, PagesUpdatesAndNavigation)
{
    TZvPreview preview;
    EXPECT_EQ(preview.PageCount(), 1);
    EXPECT_EQ(preview.CurrentPage(), 1);
    EXPECT_EQ(preview.GetPage(0), nullptr);
    EXPECT_EQ(preview.GetPage(2), nullptr);
    std::vector<int32_t> changes;
    preview.OnPageChange = [&](int32_t n) { changes.push_back(n); };
    preview.BeginUpdate();
    preview.NewPage();
    EXPECT_EQ(preview.CurrentPage(), 2);
    EXPECT_TRUE(changes.empty());
    preview.NewPage();
    preview.EndUpdate();
    EXPECT_EQ(changes, std::vector<int32_t>{3});
    preview.FirstPage();
    EXPECT_EQ(preview.CurrentPage(), 1);
    preview.PrevPage();
    preview.GotoPage(9);
    preview.GotoPage(0);
    EXPECT_EQ(preview.CurrentPage(), 1) << "pages that are not there change nothing";
    preview.NextPage();
    preview.LastPage();
    EXPECT_EQ(preview.CurrentPage(), 3);
    EXPECT_EQ(preview.Canvas().Page(), preview.GetPage(3));
    preview.Clear();
    EXPECT_EQ(preview.PageCount(), 1);
    EXPECT_EQ(preview.CurrentPage(), 1);
    EXPECT_EQ(preview.Canvas().Page(), preview.GetPage(1));
}

TEST(ZvPreview, PaperSizeOrientationAndAvailableSpace)
{
    TZvPreview preview;
    EXPECT_EQ(preview.PaperSize(), TZvPaperSize::A4);
    preview.SetOrientation(zvLandscape);
    EXPECT_EQ(preview.PaperSize(), TZvPaperSize::A4);
    EXPECT_EQ(preview.PaperWidth(), 29700);
    preview.SetPaperSize(TZvPaperSize::A5);
    EXPECT_EQ(preview.PaperWidth(), 21000);
    EXPECT_EQ(preview.PaperSize(), TZvPaperSize::A5);
    preview.PageList().PaperSize().Height().SetValue(10000);
    EXPECT_EQ(preview.PaperSize(), TZvPaperSize::Custom);

    TZvPreview p2;
    p2.Margins().Top().SetAsMillimetres(10);
    p2.Margins().Bottom().SetAsMillimetres(15);
    EXPECT_EQ(p2.AvailablePageHeight().Value(), 29700 - 2500) << "an invisible header takes no room";
    p2.Header().SetVisible(true);
    const int32_t header = p2.Header().Height().Value();
    EXPECT_GT(header, 0);
    EXPECT_EQ(p2.AvailablePageHeight().Value(), 29700 - 2500 - header);
    EXPECT_EQ(p2.AvailablePageWidth().Value(), 21000 - 4000);

    p2.SetCoordsRelativeTo(fromUserMargins);
    p2.Margins().Left().SetAsMillimetres(20);
    p2.SetCoordsRelativeTo(fromPage);
    p2.SetCoordsRelativeTo(fromUserMargins);
    p2.Canvas().TextOut(0, 0, u"x", zvuMillimetres);
    EXPECT_EQ(p2.GetPage(1)->Objects(0)->Left, 2000);
    EXPECT_EQ(p2.GetPage(1)->Objects(0)->Top, 1000);
}

namespace {

struct TPdfPreview {
    QTemporaryDir Dir;
    QPrinter Device{QPrinter::HighResolution};
    std::unique_ptr<TZvPreview> Preview;
    QString File;
    explicit TPdfPreview(int Pages)
    {
        Device.setResolution(150);
        File = Dir.path() + "/out.pdf";
        Device.setOutputFormat(QPrinter::PdfFormat);
        Device.setOutputFileName(File);
        Preview = std::make_unique<TZvPreview>(nullptr, &Device);
        Preview->Canvas().Font().SetName(u"Liberation Sans");
        for (int n = 1; n <= Pages; ++n) {
            if (n > 1)
                Preview->NewPage();
            Preview->Canvas().TextOut(20, 20, u"Sheet" + ToWideString(QString::number(n)), zvuMillimetres);
        }
    }
    // The page numbers as they follow each other in the PDF.
    std::vector<int> Order()
    {
        std::vector<int> order;
        const QString text = PdfText(File);
        const QRegularExpression re("Sheet(\\d+)");
        for (auto it = re.globalMatch(text); it.hasNext();)
            order.push_back(it.next().captured(1).toInt());
        return order;
    }
};

} // namespace

TEST(ZvPreview, PrintRangesOrderAndCopies)
{
    struct Case {
        const char *Name;
        int Pages, First, Last;
        bool Reverse, Collate;
        int Copies;
        std::vector<int> Expected;
    } cases[] = {
        {"all", 3, 1, 3, false, false, 1, {1, 2, 3}},
        {"reverse", 3, 1, 3, true, false, 1, {3, 2, 1}},
        {"range", 5, 2, 4, false, false, 1, {2, 3, 4}},
        {"clamped", 3, -4, 99, false, false, 1, {1, 2, 3}},
        {"collated copies", 2, 1, 2, false, true, 2, {1, 2, 1, 2}},
        {"uncollated copies", 2, 1, 2, false, false, 2, {1, 1, 2, 2}},
        {"reverse collated", 2, 1, 2, true, true, 2, {2, 1, 2, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TPdfPreview pdf(c.Pages);
        pdf.Preview->ReversePrintOrder = c.Reverse;
        pdf.Preview->PrintCollate = c.Collate;
        pdf.Preview->SetPrintCopies(c.Copies);
        std::vector<std::pair<int, int>> progress;
        pdf.Preview->OnPrintProgress = [&](int32_t done, int32_t total) { progress.emplace_back(done, total); };
        int after = 0;
        pdf.Preview->AfterPrint = [&] { ++after; };
        EXPECT_TRUE(pdf.Preview->PrintRange(c.First, c.Last));
        EXPECT_EQ(pdf.Order(), c.Expected);
        EXPECT_EQ(PdfPageSizes(pdf.File).size(), c.Expected.size())
            << "one sheet a page: the printer advanced n - 1 times";
        ASSERT_EQ(progress.size(), c.Expected.size());
        EXPECT_EQ(progress.back(), std::make_pair(int(c.Expected.size()), int(c.Expected.size())));
        EXPECT_EQ(after, 1);
        EXPECT_EQ(pdf.Preview->PrintCopies(), c.Copies);
    }

    TPdfPreview empty(3);
    EXPECT_FALSE(empty.Preview->PrintRange(3, 2));
    EXPECT_FALSE(empty.Preview->PrintRange(5, 9));
    EXPECT_FALSE(QFile::exists(empty.File)) << "an empty range prints no document";
}

TEST(ZvPreview, MixedOrientationsPrintOnePageASheetEachTurnedItsWay)
{
    TPdfPreview pdf(3);
    pdf.Preview->SetPagesPerSheet(zvFourPage);
    pdf.Preview->GetPage(2)->SetOrientation(zvLandscape);
    EXPECT_EQ(pdf.Preview->PagesOrientation(), 2);
    ASSERT_TRUE(pdf.Preview->Print());
    const auto sizes = PdfPageSizes(pdf.File);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_FALSE(IsLandscape(sizes[0]));
    EXPECT_TRUE(IsLandscape(sizes[1]));
    EXPECT_FALSE(IsLandscape(sizes[2]));

    TPdfPreview four(5);
    four.Preview->SetPagesPerSheet(zvFourPage);
    ASSERT_TRUE(four.Preview->Print());
    EXPECT_EQ(PdfPageSizes(four.File).size(), 2u);
    EXPECT_EQ(four.Order(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(ZvPreview, AFailedStartIsShownAndTheNextPrintWorks)
{
    TScriptedPrompter prompter;
    TPrompterScope scope(prompter);
    TPdfPreview pdf(2);
    pdf.Device.setOutputFileName(pdf.Dir.path() + "/missing/folder/out.pdf");
    int after = 0;
    pdf.Preview->AfterPrint = [&] { ++after; };
    EXPECT_FALSE(pdf.Preview->Print());
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].Kind, TMsgDlgType::mtError);
    EXPECT_NE(prompter.Asked()[0].Text.find(u"missing/folder/out.pdf"), WideString::npos);
    EXPECT_EQ(after, 0);
    pdf.Device.setOutputFileName(pdf.File);
    EXPECT_TRUE(pdf.Preview->Print());
    EXPECT_EQ(pdf.Order(), (std::vector<int>{1, 2}));
    EXPECT_EQ(after, 1);
}

TEST(ZvPreview, TextObjectsPrintTheirStoredTextAndCaptionsTheirFields)
{
    TPdfPreview pdf(2);
    pdf.Preview->Canvas().TextOut(20, 40, u"Stored {PAGE} text", zvuMillimetres);
    pdf.Preview->Header().CaptionRight().SetCaption(u"Page {PAGE} of {NUMPAGES}");
    pdf.Preview->Header().SetVisible(true);
    pdf.Preview->Footer().CaptionCenter().SetCaption(u"Footer words");
    pdf.Preview->Footer().SetVisible(true);
    ASSERT_TRUE(pdf.Preview->Print());
    const QString one = PdfText(pdf.File, 1), two = PdfText(pdf.File, 2);
    EXPECT_TRUE(one.contains("Page 1 of 2"));
    EXPECT_TRUE(two.contains("Page 2 of 2"));
    EXPECT_TRUE(two.contains("Stored {PAGE} text"));
    EXPECT_TRUE(one.contains("Footer words"));
}

namespace {
class TNotifyLog : public QWidget {
public:
    std::vector<int> Messages;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == ZvNotifyEventType()) {
            Messages.push_back(static_cast<TZvNotifyMessage *>(e)->Message);
            return true;
        }
        return QWidget::event(e);
    }
};
} // namespace

TEST(ZvPreview, LinkedControlsHearWhatChanged)
{
    TZvPreview preview;
    TNotifyLog log;
    preview.LinkedControls.push_back(&log);
    QObject notWindowed;
    preview.LinkedControls.push_back(&notWindowed);
    auto messages = [&] {
        QCoreApplication::processEvents();
        auto m = log.Messages;
        log.Messages.clear();
        return m;
    };
    preview.BeginUpdate();
    preview.NewPage();
    preview.SetPagesPerSheet(zvTwoPage);
    preview.EndUpdate();
    EXPECT_EQ(messages(), (std::vector<int>{zvmBeginUpdate, zvmPaperRendered, zvmEndUpdate, zvmPageChanged}))
        << "nothing but the always-posted ones while updating";
    preview.NewPage();
    std::vector<int> m = messages();
    EXPECT_NE(std::find(m.begin(), m.end(), zvmNewPage), m.end());
    EXPECT_NE(std::find(m.begin(), m.end(), zvmPageChanged), m.end());
    preview.SetOrientation(zvLandscape);
    m = messages();
    EXPECT_NE(std::find(m.begin(), m.end(), zvmOrientation), m.end());
    preview.Clear();
    m = messages();
    EXPECT_NE(std::find(m.begin(), m.end(), zvmClear), m.end());

    const int before = ScreenPixelsPerInch();
    TZvNotifyMessage printer(zvmSetPrinterResolution);
    QCoreApplication::sendEvent(&preview, &printer);
    EXPECT_EQ(ScreenPixelsPerInch(), 600);
    TZvNotifyMessage back(zvmSetScreenResolution, before);
    QCoreApplication::sendEvent(&preview, &back);
    EXPECT_EQ(ScreenPixelsPerInch(), before);
}

TEST(ZvPreview, MouseOnThePaperReportsPagePositions)
{
    TZvPreview preview;
    preview.SetZoom(50);
    preview.SetGutter(20);
    std::vector<std::tuple<Qt::MouseButton, int32_t, int32_t>> downs;
    preview.OnPageMouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers, TZvValue &x, TZvValue &y) {
        downs.emplace_back(b, x.Value(), y.Value());
    };
    TZvPaperImage &paper = preview.PaperImage();
    auto press = [&](QPoint p, Qt::MouseButton b) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), paper.mapToGlobal(QPointF(p)), b, b, Qt::NoModifier);
        QCoreApplication::sendEvent(&paper, &e);
    };
    // 48 pixels past the gutter at 50 % are one inch of page.
    press(QPoint(20 + 48, 20 + 96), Qt::LeftButton);
    press(QPoint(5, 5), Qt::LeftButton); // in the gutter: not on the page
    press(QPoint(20 + 24, 21), Qt::RightButton);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0], std::make_tuple(Qt::LeftButton, 2540, 5080));
    EXPECT_EQ(std::get<0>(downs[1]), Qt::RightButton);
    EXPECT_EQ(std::get<1>(downs[1]), 1270);
}

TEST(ZvPreview, AssignCopiesPagesAndSettings)
{
    TZvPreview a, b;
    a.Canvas().TextOut(10, 10, u"first", zvuMillimetres);
    a.NewPage();
    a.Canvas().TextOut(10, 10, u"second", zvuMillimetres);
    a.Header().CaptionLeft().SetCaption(u"head");
    a.Margins().Left().SetValue(1234);
    a.SetPagesPerSheet(zvFourPage);
    a.SetOrientation(zvLandscape);
    b.Assign(a);
    EXPECT_FALSE(b.Updating());
    ASSERT_EQ(b.PageCount(), 2);
    EXPECT_EQ(dynamic_cast<TZvTextObject &>(*b.GetPage(2)->Objects(0)).Text, u"second");
    EXPECT_NE(b.GetPage(2)->Objects(0), a.GetPage(2)->Objects(0));
    EXPECT_EQ(b.Header().CaptionLeft().Caption(), u"head");
    EXPECT_EQ(b.Margins().Left().Value(), 1234);
    EXPECT_EQ(b.PagesPerSheet(), zvFourPage);
    EXPECT_EQ(b.Orientation(), zvLandscape);
    EXPECT_EQ(b.PaperWidth(), 29700);
    EXPECT_EQ(b.CurrentPage(), 2);
}

TEST(ZvPreview, DragsOverThePaperAskThePage)
{
    TZvPreview preview;
    preview.SetZoom(50);
    preview.SetGutter(20);
    preview.resize(400, 400);
    preview.show();
    QCoreApplication::processEvents();
    TZvPaperImage &paper = preview.PaperImage();
    QMimeData data;
    data.setText(QStringLiteral("x"));
    std::vector<int32_t> over, dropped;
    preview.OnPageDragOver = [&](QObject *, TZvValue &x, TZvValue &, QEvent::Type, bool &accept) {
        over.push_back(x.Value());
        accept = true;
    };
    preview.OnPageDragDrop = [&](QObject *, TZvValue &x, TZvValue &y) {
        dropped.push_back(x.Value());
        dropped.push_back(y.Value());
    };
    QDragEnterEvent move(QPoint(20 + 48, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&paper, &move);
    EXPECT_TRUE(move.isAccepted());
    QDragEnterEvent outside(QPoint(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&paper, &outside);
    EXPECT_FALSE(outside.isAccepted()) << "the gutter is not the page";
    QDropEvent drop(QPointF(20 + 24, 20 + 48), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&paper, &drop);
    EXPECT_EQ(over, std::vector<int32_t>{2540});
    EXPECT_EQ(dropped, (std::vector<int32_t>{1270, 2540}));
}
