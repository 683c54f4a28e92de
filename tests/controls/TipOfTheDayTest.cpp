#include "controls/TipOfTheDay.h"
#include "platform/QtConvert.h"
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>

namespace {

std::vector<WideString> MakeTips(int High)
{
    std::vector<WideString> Tips{u""};
    for (int I = 1; I <= High; ++I) {
        const std::string T = "tip " + std::to_string(I);
        Tips.emplace_back(T.begin(), T.end());
    }
    return Tips;
}

} // namespace

// The stepping rules: Next and OK step on and raise the start tip, wrapping past the end
// resets it to 1; Previous never lowers it; a start tip out of range is brought into it.
TEST(TipOfTheDay, SteppingRules)
{
    struct Case {
        int High, Start;
        const char *Keys; // n next, p previous, o OK
        int Current, StartAfter;
        const char *Shown;
    };
    const Case Cases[] = {
        {24, 24, "o", 1, 1, "tip 24"},  {24, 5, "ppo", 4, 5, "tip 3"}, {24, 5, "nnno", 9, 9, "tip 8"},
        {24, 1, "p", 24, 1, "tip 24"},  {24, 23, "nn", 1, 1, "tip 1"}, {24, 23, "nnno", 3, 3, "tip 2"},
        {24, 0, "", 1, 1, "tip 1"}, // bad stored values: clamped
        {24, 99, "", 24, 24, "tip 24"}, {24, -7, "n", 2, 2, "tip 2"},  {1, 1, "nnp", 1, 1, "tip 1"},
        {0, 3, "nnpo", 0, 0, ""}, // no tips at all: nothing to page
    };
    for (const Case &C : Cases) {
        TTipOfTheDayForm Form;
        Form.Tips = MakeTips(C.High);
        Form.StartTip = C.Start;
        Form.FormShow();
        for (const char *K = C.Keys; *K; ++K)
            *K == 'n' ? Form.NextBtnClick() : *K == 'p' ? Form.ButtonPreviousClick() : Form.OKBtnClick();
        EXPECT_EQ(Form.CurrentTip, C.Current) << C.High << "/" << C.Start << " " << C.Keys;
        EXPECT_EQ(Form.StartTip, C.StartAfter) << C.High << "/" << C.Start << " " << C.Keys;
        EXPECT_EQ(Form.Tip->text().toStdString(), C.Shown) << C.High << "/" << C.Start << " " << C.Keys;
        EXPECT_EQ(Form.NextBtn->isEnabled(), C.High >= 1);
    }
}

// Execute shows the window with the start tip and the flag, and hands back where the user
// left them; the window is gone afterwards.
TEST(TipOfTheDay, ExecuteTakesBackStartTipAndFlag)
{
    TTipOfTheDayDlg Dlg;
    Dlg.SetTips(MakeTips(24));
    Dlg.SetStartTip(5);
    Dlg.SetShowOnStartup(true);
    QTimer::singleShot(0, [] {
        TTipOfTheDayForm *Form = TTipOfTheDayDlg::ActiveForm();
        ASSERT_NE(Form, nullptr);
        EXPECT_EQ(Form->windowTitle(), "Tip of the day");
        EXPECT_EQ(Form->Tip->text(), "tip 5");
        EXPECT_TRUE(Form->ShowOnStartup->isChecked());
        QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
        QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
        EXPECT_EQ(Form->Tip->text(), "tip 7");
        QTest::mouseClick(Form->ShowOnStartup, Qt::LeftButton);
        QTest::mouseClick(Form->OKBtn, Qt::LeftButton);
    });
    Dlg.Execute();
    EXPECT_EQ(Dlg.GetStartTip(), 8);
    EXPECT_FALSE(Dlg.GetShowOnStartup());
    EXPECT_EQ(TTipOfTheDayDlg::ActiveForm(), nullptr);
    // Closed without OK: the start tip reached by Next is kept, the flag as the box says.
    QTimer::singleShot(0, [] {
        TTipOfTheDayForm *Form = TTipOfTheDayDlg::ActiveForm();
        EXPECT_FALSE(Form->ShowOnStartup->isChecked());
        QTest::mouseClick(Form->NextBtn, Qt::LeftButton);
        Form->reject();
    });
    Dlg.Execute();
    EXPECT_EQ(Dlg.GetStartTip(), 9);
    EXPECT_FALSE(Dlg.GetShowOnStartup());
}
