#include "platform/Prompter.h"
#include <gtest/gtest.h>

TEST(Prompter, ScriptedAnswersThenDefaultsAndRecordsEveryPrompt)
{
    TScriptedPrompter scripted;
    TPrompterScope scope(scripted);
    scripted.Answer(mrNo);
    EXPECT_EQ(MessageDlg(u"Save?", TMsgDlgType::mtConfirmation, mbYesNoCancel), mrNo);
    EXPECT_EQ(MessageDlg(u"Save?", TMsgDlgType::mtConfirmation, mbYesNoCancel), mrYes);
    EXPECT_EQ(MessageDlg(u"Go on?", TMsgDlgType::mtWarning, mbOKCancel, mrCancel), mrCancel);
    ShowError(u"Broken");
    ASSERT_EQ(scripted.Asked().size(), 4u);
    EXPECT_EQ(scripted.Asked()[3].Text, u"Broken");
    EXPECT_EQ(scripted.Asked()[3].Kind, TMsgDlgType::mtError);
}

TEST(Prompter, ScopePutsThePreviousPrompterBack)
{
    TScriptedPrompter outer, inner;
    TPrompterScope a(outer);
    {
        TPrompterScope b(inner);
        ShowMessage(u"inner");
    }
    ShowMessage(u"outer");
    EXPECT_EQ(inner.Asked().size(), 1u);
    EXPECT_EQ(outer.Asked().size(), 1u);
}
