// Texts the program did not write as markup (tips, file names, URLs, finding explanations) show in
// the real windows as they stand: Qt's guess that a text is markup must not eat "<br />" or turn
// "<b>draft</b>" bold.
#include "tests/shell/MainWindowSupport.h"
#include "ShownText.h"

#include "controls/TextListBox.h"
#include "controls/TipOfTheDay.h"
#include "platform/MessageBoxPrompter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace mwtest;
using shown::ShownText;
using shown::ShownToolTip;

namespace {

// A path a user can really have: the folder "<b>draft<" holds "b>.html".
QString DraftPath(const TWindowFixture &F)
{
    return QDir(F.Dir.path()).canonicalPath() + QStringLiteral("/<b>draft</b>.html");
}

// The tool tip a resting mouse brings up over Point of Widget.
QString ToolTipAt(QWidget &Widget, const QPoint &Point)
{
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, Point, Widget.mapToGlobal(Point));
    QApplication::sendEvent(&Widget, &help);
    return QToolTip::text();
}

} // namespace

TEST(ShownText, TipOfTheDayShowsItsTagsAsWritten)
{
    const QString tip = QString::fromLatin1(TfrmQuillmarMain::Tips[21]);
    ASSERT_TRUE(tip.contains(QStringLiteral("such as <br /> by setting"))) << tip.toStdString();
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.TODIndex = 21;
    QString seen;
    int current = 0;
    WhenModal([&](QWidget &) {
        TTipOfTheDayForm *form = TTipOfTheDayDlg::ActiveForm();
        ASSERT_NE(form, nullptr);
        current = form->CurrentTip;
        seen = ShownText(*form->Tip);
        form->OKBtn->click();
    });
    w.Action(QStringLiteral("ShowTipofDay1"))->trigger();
    EXPECT_EQ(current, 21);
    EXPECT_EQ(seen.toStdString(), tip.toStdString());
}

TEST(ShownText, TheWindowsMessageBoxNamesAFileAsItStands)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    TMessageBoxPrompter boxes(QStringLiteral("Quillmar"), &w);
    TPrompterScope scope(boxes);
    w.show();
    const QString path = DraftPath(f);
    QString seen;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool shown = false;
    WhenModal([&](QWidget &Modal) {
        auto *box = qobject_cast<QMessageBox *>(&Modal);
        ASSERT_NE(box, nullptr);
        shown = true;
        auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        seen = ShownText(*label);
        format = label->textFormat();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    const int tabs = w.TabCount();
    // Opening a file that is not there: the error comes once the call has returned.
    w.OpenFile(W(path), true, false, WideString());
    QApplication::processEvents();
    ASSERT_TRUE(shown);
    EXPECT_EQ(seen.toStdString(), "File '" + path.toStdString() + "' does not exist");
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(w.TabCount(), tabs);
}

TEST(ShownText, StatusPanelAndFindingTipShowTheirTextAsItStands)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    const QString path = DraftPath(f);
    ASSERT_TRUE(QDir(f.Dir.path()).mkdir(QStringLiteral("<b>draft<")));
    WriteBytes(path, "<html>\r\n<script type=\"text/javascript\">\r\nvar s = 1;\r\n");
    w.resize(900, 600);
    w.show();
    const int tabs = w.TabCount();
    w.OpenFile(W(path), true, false, WideString()); // checked on opening
    ASSERT_EQ(w.TabCount(), tabs + 1);
    QApplication::processEvents();

    // The finding of the missing </script>, explained in its tool tip.
    int row = -1;
    for (int i = 0; i < w.ErrorList->Items().Count(); ++i)
        if (w.ErrorList->Items().Strings(i).find("</script> tag missing") != std::string::npos)
            row = i;
    ASSERT_GE(row, 0);
    const QRect findingRect = w.ErrorList->visualRect(w.ErrorList->model()->index(row, 0));

    const struct {
        const char *What;
        QString Shown, Expected;
    } cases[] = {
        {"status panel", ShownText(*w.findChild<QLabel *>(QStringLiteral("StatusPanel2"))), path},
        {"finding tip", ShownToolTip(ToolTipAt(*w.ErrorList->viewport(), findingRect.center())),
         TfrmQuillmarMain::FindingHint(42)},
    };
    EXPECT_TRUE(TfrmQuillmarMain::FindingHint(42).contains(QStringLiteral("<script>")));
    for (const auto &c : cases)
        EXPECT_EQ(c.Shown.toStdString(), c.Expected.toStdString()) << c.What;
}
