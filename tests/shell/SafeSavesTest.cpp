// Saves that must never cost the user's text, met as a user meets them: the real window offscreen,
// keys pressed on whatever has the focus, questions answered through the prompter. A save that fails
// after its bytes are written keeps the tab modified with its undo history, on every route that
// saves; Save As and Save ask before they write over a file nobody chose to replace; every answer
// acts on the tab it was asked about.
#include "tests/shell/MainWindowSupport.h"

#include "platform/AtomicSave.h"

#include <QAction>
#include <QApplication>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mwtest;

namespace safesaves {

// A prompter that lets the test act while a question is on screen (as another program or a second
// start would), then answers as the scripted prompter does.
class TActingPrompter : public TScriptedPrompter {
public:
    std::function<void(const TPrompt &)> WhileAsked;
    int Ask(const TPrompt &Prompt) override
    {
        if (WhileAsked)
            WhileAsked(Prompt);
        return TScriptedPrompter::Ask(Prompt);
    }
};

// A shown, active window whose first showing made the new file in tab 0; no undo after save, so
// a save that clears the undo history shows.
struct TSaveWindow : TWindowFixture {
    TSaveWindow()
    {
        Scope.reset();
        Prompts = std::make_unique<TActingPrompter>();
        Scope = std::make_unique<TPrompterScope>(*Prompts);
        Window->Settings.CheckOpen = false;
        Window->Settings.UndoAfterSave = false;
        Window->show();
        QApplication::setActiveWindow(Window.get());
        QApplication::processEvents();
        Window->RecheckDisk = false;
    }
    ~TSaveWindow()
    {
        TAtomicSave::SetFaultHook(nullptr);
        Window->hide();
    }

    TActingPrompter &Acting() { return static_cast<TActingPrompter &>(*Prompts); }

    // File > Open answered with Path; the new tab has the keyboard.
    int Open(const QString &Path)
    {
        Answers.push_back({{Path}});
        Window->Action(QStringLiteral("FileOpenAction"))->trigger();
        QApplication::processEvents();
        return Window->FileName2Tab(W(Path));
    }

    void Press(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Key, Modifiers);
        QApplication::processEvents();
    }

    // a.html and b.html opened, "1" and "2" typed at their starts; b is the active tab.
    struct TTwoPages {
        QString A;
        int TabA;
        QString B;
        int TabB;
    };
    TTwoPages OpenTwoTyped()
    {
        TTwoPages p;
        p.A = Put(QStringLiteral("a.html"), "a\n");
        p.B = Put(QStringLiteral("b.html"), "b\n");
        p.TabA = Open(p.A);
        TypeText(QStringLiteral("1"));
        p.TabB = Open(p.B);
        TypeText(QStringLiteral("2"));
        return p;
    }

    void TypeText(const QString &Text)
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClicks(focus, Text);
        QApplication::processEvents();
    }

    void Trigger(const char *Action)
    {
        Window->Action(QLatin1String(Action))->trigger();
        QApplication::processEvents();
    }

    // What the user sees of tab Index once the window is idle: its caption and whether Save is on.
    QString Caption(int Index)
    {
        Window->RefreshActionStates();
        return Window->TabCaption(Index);
    }
    bool SaveEnabled()
    {
        Window->RefreshActionStates();
        return Window->Action(QStringLiteral("FileSaveAction"))->isEnabled();
    }

    size_t ErrorCount() const
    {
        size_t n = 0;
        for (const TPrompt &p : Prompts->Asked())
            n += p.Kind == TMsgDlgType::mtError;
        return n;
    }
    size_t Count(const std::string &Text) const
    {
        size_t n = 0;
        for (const std::string &t : PromptTexts())
            n += t == Text;
        return n;
    }
    const TPrompt *Find(const std::string &Text) const
    {
        for (const TPrompt &p : Prompts->Asked())
            if (Narrow(p.Text) == Text)
                return &p;
        return nullptr;
    }

    // Every save fails at Step with Err until Lift.
    void Fail(TAtomicSave::TStep Step, int Err)
    {
        TAtomicSave::SetFaultHook([Step, Err](TAtomicSave::TStep S, int64_t) { return S == Step ? Err : 0; });
    }
    void Lift() { TAtomicSave::SetFaultHook(nullptr); }
};

std::string ChangedText(const QString &Path)
{
    return "File: " + Path.toStdString() +
           " has been changed by another application since Quillmar last read or saved it. Do you want to "
           "overwrite it?";
}

std::string ReplaceText(const QString &Path)
{
    return Path.toStdString() + " already exists. Do you want to replace it?";
}

// Another program writes the file: new content, and a stamp that cannot be the one the tab took.
void WriteElsewhere(const QString &Path, const std::string &Bytes)
{
    WriteBytes(Path, Bytes);
    struct timespec stamps[2] = {{0, UTIME_OMIT}, {1000, 0}};
    ::utimensat(AT_FDCWD, Path.toLocal8Bit().constData(), stamps, 0);
}

} // namespace safesaves

using namespace safesaves;

TEST(SafeSaves, ASaveThatFailsAtAnyStepKeepsTheTabModifiedWithItsUndo)
{
    struct Case {
        const char *Name;
        bool HardLinked; // saved in place: the file has a second name
        TAtomicSave::TStep Step;
        int Err;
    };
    const Case cases[] = {
        {"write", false, TAtomicSave::TStep::Write, ENOSPC},
        {"sync", false, TAtomicSave::TStep::Sync, EIO},
        {"rename (an immutable file)", false, TAtomicSave::TStep::Rename, EPERM},
        {"in place: allocate", true, TAtomicSave::TStep::Allocate, ENOSPC},
        {"in place: overwrite", true, TAtomicSave::TStep::Overwrite, EIO},
        {"in place: sync", true, TAtomicSave::TStep::Sync, EIO},
    };
    const std::string old = "<p>old</p>\n";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TSaveWindow f;
        const QString page = f.Put(QStringLiteral("page.html"), old);
        const QString link = f.File(QStringLiteral("link.html"));
        if (c.HardLinked) {
            ASSERT_EQ(::link(page.toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0);
        }
        const int tab = f.Open(page);
        ASSERT_GE(tab, 0);
        f.Press(Qt::Key_End, Qt::ControlModifier);
        f.Press(Qt::Key_Up);
        f.Press(Qt::Key_End);
        f.TypeText(QStringLiteral(" new"));
        ASSERT_EQ(Narrow(f.Editor(tab).LineText(0)), "<p>old</p> new");
        f.Fail(c.Step, c.Err);

        // Save: the error, the file as it was, the tab still modified.
        f.Press(Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(f.ErrorCount(), 1u);
        EXPECT_EQ(ReadBytes(page), old);
        EXPECT_EQ(f.Caption(tab), QStringLiteral("page.html*"));
        EXPECT_TRUE(f.SaveEnabled());

        // Ctrl+F4 asks again; Yes fails again and the tab stays.
        f.Prompts->Answer(mrYes);
        f.Press(Qt::Key_F4, Qt::ControlModifier);
        EXPECT_EQ(f.Count("File: page.html, has changed. Save now?"), 1u);
        EXPECT_EQ(f.ErrorCount(), 2u);
        ASSERT_EQ(f.Window->TabCount(), 2);

        // Exit asks again; its failed save keeps the window and the tab not yet passed.
        f.Prompts->Answer(mrYes);
        f.Trigger("Exit1");
        EXPECT_EQ(f.Count("File: page.html, has changed. Save now?"), 2u);
        EXPECT_EQ(f.ErrorCount(), 3u);
        EXPECT_TRUE(f.Window->isVisible());
        ASSERT_EQ(f.Window->TabCount(), 2);
        EXPECT_EQ(ReadBytes(page), old);

        // Undo brings back the text before the edit.
        f.Window->Tab(tab)->Editor->setFocus();
        for (int i = 0; i < 8 && f.Editor(tab).LineText(0) != u"<p>old</p>"; ++i)
            f.Press(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Narrow(f.Editor(tab).LineText(0)), "<p>old</p>");

        // With the fault lifted the same keys save.
        f.Lift();
        f.TypeText(QStringLiteral("!"));
        f.Press(Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(ReadBytes(page), "<p>old</p>!\n");
        if (c.HardLinked) {
            EXPECT_EQ(ReadBytes(link), "<p>old</p>!\n");
        }
        EXPECT_EQ(f.Caption(tab), QStringLiteral("page.html"));
        EXPECT_FALSE(f.SaveEnabled());
        EXPECT_FALSE(f.Editor(tab).CanUndo());
        EXPECT_EQ(f.ErrorCount(), 3u);
    }
}

TEST(SafeSaves, AFailedSaveAsKeepsTheOldNameAndTheText)
{
    TSaveWindow f;
    f.TypeText(QStringLiteral("draft"));
    const QString target = f.File(QStringLiteral("draft.html"));
    f.Fail(TAtomicSave::TStep::Rename, EIO);
    f.Answers.push_back({{target}, 1});
    f.Trigger("FileSaveAsAction");
    EXPECT_EQ(f.ErrorCount(), 1u);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(f.Caption(0), QStringLiteral("newfile1*"));
    EXPECT_TRUE(f.Editor(0).FileName().empty());
    EXPECT_TRUE(f.Editor(0).CanUndo());

    f.Lift();
    f.Answers.push_back({{target}, 1});
    f.Trigger("FileSaveAsAction");
    EXPECT_EQ(ReadBytes(target), "draft\n");
    EXPECT_EQ(f.Caption(0), QStringLiteral("draft.html"));
}

TEST(SafeSaves, SaveAllReportsAFailedSaveAndStillSavesTheOthers)
{
    TSaveWindow f;
    const auto [a, ta, b, tb] = f.OpenTwoTyped();
    // Only b's save fails (it is saved first: the walk goes from the last tab).
    int saves = 0;
    TAtomicSave::SetFaultHook([&](TAtomicSave::TStep Step, int64_t) {
        return Step == TAtomicSave::TStep::Sync && saves++ == 0 ? EIO : 0;
    });
    f.Trigger("FileSaveAllAction");
    EXPECT_EQ(f.ErrorCount(), 1u);
    EXPECT_EQ(ReadBytes(b), "b\n");
    EXPECT_EQ(f.Caption(tb), QStringLiteral("b.html*"));
    EXPECT_EQ(ReadBytes(a), "1a\n");
    EXPECT_EQ(f.Caption(ta), QStringLiteral("a.html"));
}

TEST(SafeSaves, NoBrowserShowsAFileWhoseSaveFailedOrWasDeclined)
{
    TSaveWindow f;
    QStringList shown;
    f.Window->LaunchBrowser = [&](const QString &, const QString &Target, QString &) {
        shown << Target;
        return true;
    };
    f.Window->Settings.NoBrowser = false;
    f.Window->Settings.DefaultBrowser = true;
    f.Window->Settings.OfferOtherBr = false;
    f.Window->Settings.ViewFile = true;
    const QString page = f.Put(QStringLiteral("page.html"), "old\n");
    const int tab = f.Open(page);
    f.TypeText(QStringLiteral("new "));

    struct Case {
        const char *Name;
        bool AutoSave;
        std::vector<int> Answers; // to the questions the preview asks
        bool Fails;
    };
    const Case cases[] = {
        {"saved before viewing, failed", true, {}, true},
        {"asked, Yes, failed", false, {mrYes}, true},
        {"asked, Yes, another program's change not overwritten", false, {mrYes, mrNo}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        f.Window->Settings.AutoSaveOnView = c.AutoSave;
        if (c.Fails)
            f.Fail(TAtomicSave::TStep::Rename, EIO);
        else
            WriteElsewhere(page, "elsewhere\n");
        for (int a : c.Answers)
            f.Prompts->Answer(a);
        f.Window->RefreshActionStates();
        f.Press(Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
        f.Lift();
        EXPECT_TRUE(shown.isEmpty());
        EXPECT_EQ(f.Caption(tab), QStringLiteral("page.html*"));
    }
    // Saved, it is shown.
    f.Window->Settings.AutoSaveOnView = true;
    f.Prompts->Answer(mrYes);
    f.Press(Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(ReadBytes(page), "new old\n");
    EXPECT_EQ(shown, QStringList{page});
}

TEST(SafeSaves, SaveAsAsksBeforeReplacingAnExistingFile)
{
    TSaveWindow f;
    const QString b = f.Put(QStringLiteral("b.html"), "b's own text\n");
    f.TypeText(QStringLiteral("mine"));
    struct Case {
        const char *Name;
        QString Chosen; // ".html" is added to a name typed without it (filter 1)
    };
    const QString typed = QFileInfo(b).path() + QStringLiteral("/b");
    for (const Case &c : {Case{"the file's full name", b}, Case{"typed without its extension", typed}}) {
        SCOPED_TRACE(c.Name);
        f.Prompts->Answer(mrNo);
        f.Answers.push_back({{c.Chosen}, 1});
        f.Trigger("FileSaveAsAction");
        ASSERT_EQ(f.PromptTexts().back(), ReplaceText(b));
        EXPECT_EQ(f.Prompts->Asked().back().DefaultResult, mrNo);
        EXPECT_EQ(ReadBytes(b), "b's own text\n");
        EXPECT_EQ(f.Caption(0), QStringLiteral("newfile1*"));
        EXPECT_TRUE(f.Editor(0).FileName().empty());
    }
    f.Prompts->Answer(mrYes);
    f.Answers.push_back({{typed}, 1});
    f.Trigger("FileSaveAsAction");
    EXPECT_EQ(ReadBytes(b), "mine\n");
    EXPECT_EQ(f.Caption(0), QStringLiteral("b.html"));
    // A name no file has yet is not asked about.
    const size_t asked = f.PromptTexts().size();
    const QString c = QFileInfo(b).path() + QStringLiteral("/c.html");
    f.Answers.push_back({{c}, 1});
    f.Trigger("FileSaveAsAction");
    EXPECT_EQ(f.PromptTexts().size(), asked);
    EXPECT_EQ(ReadBytes(c), "mine\n");
}

TEST(SafeSaves, EverySaveAsksBeforeWritingOverAnotherProgramsChange)
{
    TSaveWindow f;
    const auto [a, ta, b, tb] = f.OpenTwoTyped();

    // Save right after the change: No keeps the other program's text and the tab modified; Yes saves.
    WriteElsewhere(b, "b from elsewhere\n");
    f.Prompts->Answer(mrNo);
    f.Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(f.PromptTexts().back(), ChangedText(b));
    EXPECT_EQ(f.Prompts->Asked().back().DefaultResult, mrNo);
    EXPECT_EQ(ReadBytes(b), "b from elsewhere\n");
    EXPECT_EQ(f.Caption(tb), QStringLiteral("b.html*"));
    f.Prompts->Answer(mrYes);
    f.Press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadBytes(b), "2b\n");
    EXPECT_EQ(f.Caption(tb), QStringLiteral("b.html"));
    // Our own save is no outside change.
    f.TypeText(QStringLiteral("3"));
    const size_t asked = f.PromptTexts().size();
    f.Press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(f.PromptTexts().size(), asked);
    EXPECT_EQ(ReadBytes(b), "23b\n");

    // Save All reaches a tab in the background: declined, then accepted. The same size and an
    // earlier stamp is a change too.
    WriteElsewhere(a, "x\n");
    f.TypeText(QStringLiteral("5"));
    f.Prompts->Answer(mrNo);
    f.Caption(tb);
    f.Trigger("FileSaveAllAction");
    EXPECT_EQ(f.PromptTexts().back(), ChangedText(a));
    EXPECT_EQ(ReadBytes(a), "x\n");
    EXPECT_EQ(ReadBytes(b), "235b\n");
    EXPECT_EQ(f.Caption(ta), QStringLiteral("a.html*"));
    f.TypeText(QStringLiteral("6"));
    f.Prompts->Answer(mrYes);
    f.Caption(tb);
    f.Trigger("FileSaveAllAction");
    EXPECT_EQ(ReadBytes(a), "1a\n");

    // The exit walk: Yes to saving, No to overwriting keeps the file, the tab and the window.
    f.Window->SetActivePage(ta);
    f.Window->Tab(ta)->Editor->setFocus();
    f.TypeText(QStringLiteral("4"));
    WriteElsewhere(a, "a again elsewhere\n");
    f.Prompts->Answer(mrYes);
    f.Prompts->Answer(mrNo);
    f.Trigger("Exit1");
    EXPECT_EQ(f.PromptTexts().back(), ChangedText(a));
    EXPECT_EQ(ReadBytes(a), "a again elsewhere\n");
    EXPECT_TRUE(f.Window->isVisible());
    EXPECT_EQ(f.Window->TabCount(), 2); // the new file and a; b was unmodified and closed
    // Yes and Yes: saved and closed.
    f.Prompts->Answer(mrYes);
    f.Prompts->Answer(mrYes);
    f.Trigger("Exit1");
    EXPECT_EQ(ReadBytes(a), "14a\n");
    EXPECT_EQ(f.Window->TabCount(), 0);
}

TEST(SafeSaves, APromptsAnswerActsOnTheTabItAskedAbout)
{
    // A second start hands a file over while the close or exit question about b.html is on screen.
    for (const char *route : {"close", "exit"}) {
        for (int answer : {mrYes, mrNo}) {
            SCOPED_TRACE(std::string(route) + (answer == mrYes ? ", Yes" : ", No"));
            TSaveWindow f;
            const QString b = f.Put(QStringLiteral("b.html"), "b\n");
            const std::string mixed = "one\r\ntwo\nthree\r\n";
            const QString c = f.Put(QStringLiteral("c.html"), mixed);
            f.Open(b);
            f.TypeText(QStringLiteral("typed "));
            int tabsWhileAsked = -1;
            f.Acting().WhileAsked = [&](const TPrompt &Prompt) {
                if (Narrow(Prompt.Text) != "File: b.html, has changed. Save now?")
                    return;
                f.Window->HandOverOpen(c);
                tabsWhileAsked = f.Window->TabCount();
            };
            f.Prompts->Answer(answer);
            if (std::string(route) == "close")
                f.Press(Qt::Key_F4, Qt::ControlModifier);
            else
                f.Trigger("Exit1");
            f.Acting().WhileAsked = nullptr;
            EXPECT_EQ(tabsWhileAsked, 2) << "nothing opens behind the question";
            EXPECT_EQ(ReadBytes(b), answer == mrYes ? "typed b\n" : "b\n");
            EXPECT_EQ(ReadBytes(c), mixed);
            EXPECT_EQ(f.Window->FileName2Tab(W(b)), -1);
            if (std::string(route) == "close") {
                // The handed-over file opens once the question is answered.
                EXPECT_TRUE(QTest::qWaitFor([&] { return f.Window->FileName2Tab(W(c)) >= 0; }, 10000));
                EXPECT_FALSE(f.Editor(f.Window->FileName2Tab(W(c))).GetModified());
            } else {
                EXPECT_FALSE(f.Window->isVisible());
            }
            EXPECT_EQ(ReadBytes(c), mixed);
        }
    }
}

TEST(SafeSaves, SavePromptsNameTheFileAsWritten)
{
    TSaveWindow f;
    const QString page = f.Put(QStringLiteral("a&b.html"), "x\n");
    const int tab = f.Open(page);
    f.TypeText(QStringLiteral("y"));
    EXPECT_EQ(f.Caption(tab), QStringLiteral("a&&b.html*")); // one "&" on the tab bar
    f.Prompts->Answer(mrCancel);
    f.Press(Qt::Key_F4, Qt::ControlModifier);
    f.Prompts->Answer(mrCancel);
    f.Trigger("Exit1");
    EXPECT_EQ(f.Count("File: a&b.html, has changed. Save now?"), 2u);
    EXPECT_EQ(f.Window->TabCount(), 2);
}
