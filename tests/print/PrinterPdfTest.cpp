#include "print/ZvPrinter.h"
#include <QPrinter>
#include <gtest/gtest.h>
TEST(Scratch, Pdf)
{
    QPrinter dev(QPrinter::HighResolution);
    TZvPrinter p(&dev);
    p.SetOutputFileName("/nonexistent/dir/x.pdf");
    EXPECT_THROW(p.BeginDoc(), EZvPrintError);
    EXPECT_FALSE(p.Printing());
    p.SetOutputFileName("/tmp/zv1.pdf");
    ASSERT_TRUE(p.BeginDoc());
    p.Canvas().TextOut(0, u"Hello", 1, 1);
    p.NextPage(zvLandscape);
    p.Canvas().TextOut(0, u"World", 1, 1);
    p.NextPage(zvPortrait);
    p.Canvas().TextOut(0, u"Third", 1, 1);
    p.EndDoc();
}
