// File > Print runs the print action on the active tab's text.
#include "MainWindowSupport.h"
#include "print/PrintAction.h"
#include "print/PrintForm.h"
#include "print/ZvPrinter.h"
#include <QAction>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>

using namespace mwtest;

TEST(PrintMenu, PrintsTheActiveTabThroughThePrintDialog)
{
    TWindowFixture f;
    const QString page = f.Put(QStringLiteral("page.html"), "<html>\n<body>\n\tHello printer\n</body>\n</html>\n");
    f.Window->OpenFile(W(page), false, false, WideString());
    QAction *print = f.Window->Action(QStringLiteral("PrintAction"));
    ASSERT_NE(print, nullptr);
    EXPECT_TRUE(f.Window->Menu(QStringLiteral("File1"))->actions().contains(print));

    QPrinter &device = ZvGlobalPrinter();
    const QString pdf = f.File(QStringLiteral("out.pdf"));
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(pdf);
    QString shownName;
    f.Window->Printing().RunModal = [&](QDialog &Dialog) {
        if (auto *d = dynamic_cast<TfrmPrint *>(&Dialog))
            shownName = d->LabelFileName->text();
        return 1;
    };
    print->trigger();
    device.setOutputFileName(QString());
    EXPECT_TRUE(shownName.endsWith(QStringLiteral("page.html"))) << shownName.toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("   3   Hello printer"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Page 1 of 1")));
    EXPECT_TRUE(out.contains(f.Window->windowTitle())) << "the footer shows the main window's caption";
    // The title, and so the footer, names the same version as the about box and the new-file skeleton.
    EXPECT_TRUE(out.contains(QStringLiteral("Quillmar V1.16, Javascript Authoring Tool"))) << out.toStdString();
}
