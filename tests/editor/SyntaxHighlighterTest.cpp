#include "editor/HTMLHighlighter.h"
#include "editor/HighlightAttributes.h"
#include "editor/JavaScriptHighlighter.h"
#include "editor/SyntaxHighlighter.h"
#include "platform/StringList.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

struct FakeEditor : ISyntaxHighlighterClient {
    int Invalidated = 0;
    TSyntaxHighlighter *Destroyed = nullptr;
    void Invalidate() override { ++Invalidated; }
    void HighlighterDestroyed(TSyntaxHighlighter *H) override { Destroyed = H; }
};

TEST(HighlightAttributes, SettersFireOnlyOnChange)
{
    struct Case {
        const char *Name;
        std::function<void(THighlightAttributes &, uint32_t)> Set;
        uint32_t Current;
        uint32_t Other;
    };
    const Case cases[] = {
        {"foreground", [](THighlightAttributes &a, uint32_t v) { a.SetForeground(v); }, HighlightWindowTextColor,
         0x0000FF},
        {"background", [](THighlightAttributes &a, uint32_t v) { a.SetBackground(v); }, HighlightWindowColor, 0xFF0000},
        {"style", [](THighlightAttributes &a, uint32_t v) { a.SetStyle(uint8_t(v)); }, 0, hfsItalic | hfsUnderline},
    };
    for (const Case &c : cases) {
        THighlightAttributes a("x");
        int fired = 0;
        THighlightAttributes *sender = nullptr;
        a.OnChange = [&](THighlightAttributes *s) {
            ++fired;
            sender = s;
        };
        c.Set(a, c.Current);
        EXPECT_EQ(fired, 0) << c.Name;
        c.Set(a, c.Other);
        EXPECT_EQ(fired, 1) << c.Name;
        EXPECT_EQ(sender, &a) << c.Name;
        c.Set(a, c.Other);
        EXPECT_EQ(fired, 1) << c.Name;
    }
}

TEST(HighlightAttributes, AssignCopiesNameWithoutFiring)
{
    THighlightAttributes source("Comment"), target("other");
    source.SetForeground(0x123456);
    source.SetBackground(0x654321);
    source.SetStyle(hfsStrikeOut);
    int fired = 0;
    target.OnChange = [&](THighlightAttributes *) { ++fired; };
    target.Assign(source);
    EXPECT_EQ(target.Name(), "Comment");
    EXPECT_EQ(target.Foreground(), 0x123456u);
    EXPECT_EQ(target.Background(), 0x654321u);
    EXPECT_EQ(target.Style(), hfsStrikeOut);
    EXPECT_EQ(fired, 0);
}

TEST(HighlightAttributes, StoredValue)
{
    THighlightAttributes a("x");
    int fired = 0;
    a.OnChange = [&](THighlightAttributes *) { ++fired; };
    a.LoadFromValue({0xFF, 0, 0, 0, 0x05, 0, 0, 0x80, 0x01, 0, 0, 0});
    EXPECT_EQ(a.Foreground(), 0x0000FFu); // red
    EXPECT_EQ(a.Background(), HighlightWindowColor);
    EXPECT_EQ(a.Style(), hfsBold);
    EXPECT_EQ(fired, 0);
    const THighlightAttributes::TStoredValue expected = {0xFF, 0, 0, 0, 0x05, 0, 0, 0x80, 0x01, 0, 0, 0};
    EXPECT_EQ(a.SaveToValue(), expected);
}

TEST(HighlightAttributes, SystemColoursResolve)
{
    EXPECT_EQ(ResolveHighlightColor(0x00ABCDEF), 0x00ABCDEFu);
    EXPECT_EQ(ResolveHighlightColor(HighlightWindowColor), 0xFFFFFFu);
    EXPECT_EQ(ResolveHighlightColor(HighlightWindowTextColor), 0x000000u);
    SetHighlightColorResolver([](TColor c) { return c == HighlightWindowColor ? 0x202020u : 0xE0E0E0u; });
    EXPECT_EQ(ResolveHighlightColor(HighlightWindowColor), 0x202020u);
    EXPECT_EQ(ResolveHighlightColor(HighlightWindowTextColor), 0xE0E0E0u);
    EXPECT_EQ(ResolveHighlightColor(0x000080), 0x000080u);
    SetHighlightColorResolver(nullptr);
    EXPECT_EQ(ResolveHighlightColor(HighlightWindowColor), 0xFFFFFFu);
}

TEST(SyntaxHighlighter, EditorsAreRepaintedOnAttributeChanges)
{
    FakeEditor a, b;
    auto h = std::make_unique<TJavaScriptHighlighter>();
    h->WindowList().AddEditor(&a);
    h->WindowList().AddEditor(&a);
    h->WindowList().AddEditor(&b);
    EXPECT_EQ(h->WindowList().Count(), 2);

    h->StringAttributes().SetForeground(0x00FF00);
    EXPECT_EQ(a.Invalidated, 1);
    EXPECT_EQ(b.Invalidated, 1);
    h->StringAttributes().SetForeground(0x00FF00); // unchanged: no repaint
    EXPECT_EQ(a.Invalidated, 1);

    h->WindowList().RemoveEditor(&a);
    h->WindowList().RemoveEditor(&a);
    h->KeyAttributes().SetStyle(0);
    EXPECT_EQ(a.Invalidated, 1);
    EXPECT_EQ(b.Invalidated, 2);

    // Assigning an attribute directly repaints nothing by itself.
    THighlightAttributes other("comment");
    other.SetForeground(0x0000FF);
    h->SetCommentAttributes(other);
    EXPECT_EQ(b.Invalidated, 2);

    TSyntaxHighlighter *raw = h.get();
    h.reset();
    EXPECT_EQ(b.Destroyed, raw);
    EXPECT_EQ(a.Destroyed, nullptr);
}

TEST(SyntaxHighlighter, AssignAttributesMatchesNamesIgnoringCase)
{
    FakeEditor editor; // outlives the highlighters
    TJavaScriptHighlighter js;
    THTMLHighlighter html;
    html.WindowList().AddEditor(&editor);
    for (int i = 0; i < js.GetAttribCount(); ++i)
        js.GetAttribute(i)->SetForeground(TColor(0x100 + i));

    html.AssignAttributes(js);
    EXPECT_EQ(editor.Invalidated, 1);
    EXPECT_EQ(html.IdentifierAttributes().Foreground(), js.IdentifierAttributes().Foreground());
    EXPECT_EQ(html.NumberAttributes().Foreground(), js.NumberAttributes().Foreground());
    EXPECT_EQ(html.SpaceAttributes().Foreground(), js.SpaceAttributes().Foreground());
    EXPECT_EQ(html.CommentAttributes().Foreground(), js.CommentAttributes().Foreground());
    EXPECT_EQ(html.CommentAttributes().Style(), hfsItalic);
    EXPECT_EQ(html.SymbolAttributes().Foreground(), js.SymbolAttributes().Foreground());
    EXPECT_EQ(html.StringAttributes().Foreground(), js.StringAttributes().Foreground());
    EXPECT_EQ(html.StringAttributes().Name(), "String");
    // "keyword" and "reserved word" are different names: no copy.
    EXPECT_EQ(html.KeyAttributes().Foreground(), HighlightWindowTextColor);
    EXPECT_EQ(html.KeyAttributes().Style(), 0);
    EXPECT_EQ(html.ScriptAttributes().Foreground(), HighlightWindowTextColor);
}

TEST(SyntaxHighlighter, BaseAnswers)
{
    THTMLHighlighter h;
    EXPECT_FALSE(h.UseUserSettings(0));
    TStringList list;
    list.Add("x");
    h.EnumUserSettings(list);
    EXPECT_EQ(list.Count(), 0);
    h.SetDefaultFilter("Any (*.*)|*.*");
    EXPECT_EQ(h.GetDefaultFilter(), "Any (*.*)|*.*");
    EXPECT_EQ(h.TSyntaxHighlighter::GetIdentChars().count(), 223u); // 33..255
}

// A highlighter claims only what it can do: no other environment's colours can be imported (no
// version is listed and none is taken), and there is no registry to store colours in.
TEST(SyntaxHighlighter, CapabilityClaimsOnlyWhatIsBuilt)
{
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    for (TSyntaxHighlighter *h : {static_cast<TSyntaxHighlighter *>(&html), static_cast<TSyntaxHighlighter *>(&js)}) {
        const std::string name = h->GetLanguageName();
        TStringList versions;
        versions.Add("1.0");
        h->EnumUserSettings(versions);
        const bool imports = versions.Count() > 0 && h->UseUserSettings(0);
        EXPECT_FALSE(imports) << name;
        EXPECT_EQ(h->GetCapability() & 1, imports ? 1 : 0) << name;
        EXPECT_EQ(h->GetCapability() & 2, 0) << name << ": no registry storage here";
        EXPECT_EQ(h->GetCapability(), 0) << name;
    }
}

} // namespace
