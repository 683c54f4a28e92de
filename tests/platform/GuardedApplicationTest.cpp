// The application's error boundary: whatever a widget's event handler throws is shown as an
// error box through the prompter, and the program goes on handling events.
#include "platform/Exception.h"
#include "platform/GuardedApplication.h"
#include "platform/LocaleCompare.h"
#include "platform/MessageBoxPrompter.h"
#include "platform/Prompter.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class TThrowingWidget : public QWidget {
public:
    std::function<void()> Throw;
    int KeysHandled = 0;

protected:
    void keyPressEvent(QKeyEvent *) override
    {
        ++KeysHandled;
        if (Throw)
            Throw();
    }
};

void PressKey(QWidget &w, Qt::Key key = Qt::Key_A)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, "a");
    QApplication::sendEvent(&w, &press);
}

} // namespace

TEST(GuardedApplication, TestsRunUnderTheProgramsApplicationClass)
{
    ASSERT_NE(dynamic_cast<TGuardedApplication *>(QCoreApplication::instance()), nullptr);
}

TEST(GuardedApplication, ExceptionsFromKeyHandlersBecomeErrorBoxes)
{
    struct Case {
        const char *Name;
        std::function<void()> Throw;
        WideString Shown;
    };
    const Case cases[] = {
        {"component exception", [] { throw EWriteError("Cannot write \"page.html\": No space left on device"); },
         u"Cannot write \"page.html\": No space left on device"},
        {"standard exception", [] { throw std::runtime_error("vector too long"); }, u"vector too long"},
        {"out of memory", [] { throw std::bad_alloc(); }, u"Out of memory."},
        {"anything else", [] { throw 42; }, u"An unknown error occurred."},
        {"non-ASCII message", [] { throw Exception("Caf\xE9"); }, u"Caf\u00E9"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedPrompter prompter;
        TPrompterScope scope(prompter);
        TThrowingWidget w;
        w.Throw = c.Throw;
        PressKey(w);
        ASSERT_EQ(prompter.Asked().size(), 1u);
        EXPECT_EQ(prompter.Asked()[0].Kind, TMsgDlgType::mtError);
        EXPECT_EQ(prompter.Asked()[0].Text, c.Shown);
        // The widget keeps working: the next key reaches it again.
        w.Throw = nullptr;
        PressKey(w);
        EXPECT_EQ(w.KeysHandled, 2);
        EXPECT_EQ(prompter.Asked().size(), 1u);
    }
}

TEST(GuardedApplication, PostedEventsAreGuardedAndTheLoopGoesOn)
{
    TScriptedPrompter prompter;
    TPrompterScope scope(prompter);
    TThrowingWidget w;
    w.Throw = [] { throw EReadError("Read error"); };
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b"));
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c"));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.KeysHandled, 2);
    ASSERT_EQ(prompter.Asked().size(), 2u);
    EXPECT_EQ(prompter.Asked()[1].Text, u"Read error");
}

TEST(GuardedApplication, TheWindowPrompterShowsTheErrorBox)
{
    TMessageBoxPrompter boxes("Quillmar");
    TPrompterScope scope(boxes);
    TThrowingWidget w;
    w.Throw = [] { throw EWriteError("Stream write error"); };
    QString seenText, seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    // The box is modal: look at it and close it from the event loop it runs.
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenIcon = box->icon();
        box->accept();
    });
    PressKey(w);
    EXPECT_EQ(seenText, "Stream write error");
    EXPECT_EQ(seenTitle, "Quillmar");
    EXPECT_EQ(seenIcon, QMessageBox::Critical);
}

TEST(LocaleCompare, PlainDefaultAndInstalledComparison)
{
    struct Case {
        WideString A, B;
        int Plain;
    };
    const Case cases[] = {
        {u"abc", u"ABC", 0}, {u"abc", u"abd", -1},      {u"b", u"A", 1}, {u"ab", u"abc", -1},
        {u"", u"", 0},       {u"\u00E9", u"\u00C9", 1}, // only ASCII letters fold in the plain comparison
    };
    for (const Case &c : cases)
        EXPECT_EQ(PlainCompareText(c.A, c.B), c.Plain) << std::string(c.A.begin(), c.A.end());

    // The application installed the locale's collation: case never matters, accents still order.
    EXPECT_EQ(LocaleCompareText(u"\u00E9t\u00E9", u"\u00C9T\u00C9"), 0);
    EXPECT_LT(LocaleCompareText(u"apple", u"Banana"), 0);
    const TTextCompare previous = SetLocaleCompareText(nullptr);
    EXPECT_EQ(LocaleCompareText(u"\u00E9", u"\u00C9"), 1);
    EXPECT_EQ(LocaleCompareText(u"apple", u"Banana"), -1);
    SetLocaleCompareText(previous);
    EXPECT_EQ(LocaleCompareText(u"\u00E9", u"\u00C9"), 0);
}
