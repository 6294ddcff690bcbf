// The form model behaves as a person at the keyboard and mouse would see it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tolm/form.h"
#include "tolm/host_error.h"

namespace tolm {
namespace {

// A small dialog: a label, a code field limited to 5 characters, a name field and
// an OK button, with every event written to a log.
class DialogTest : public ::testing::Test {
protected:
    DialogTest()
        : label(form.AddControl("lblCode", ControlKind::Label, {210, 150, 1335, 285}, 0)),
          code(form.AddControl("txtCode", ControlKind::TextBox, {1710, 120, 3285, 345}, 1)),
          ok(form.AddControl("cmdOK", ControlKind::Button, {2280, 2340, 1125, 375}, 3)),
          name(form.AddControl("txtName", ControlKind::TextBox, {1710, 540, 3285, 345}, 2)) {
        code.SetMaxLength(5);
        form.Load = [this] { events.push_back("Load"); };
        form.Activate = [this] { events.push_back("Activate"); };
        form.Unloaded = [this] { events.push_back("Unloaded"); };
        for (FormControl* control : {&code, &name, &ok}) {
            control->GotFocus = [this, control] { events.push_back("GotFocus " + control->Name()); };
            control->LostFocus = [this, control] { events.push_back("LostFocus " + control->Name()); };
            control->Change = [this, control] { events.push_back("Change " + control->Name()); };
        }
        ok.Click = [this] { events.push_back("Click cmdOK"); };
    }

    int32_t ErrorOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const HostError& error) {
            return error.Number();
        }
        return 0;
    }

    Form form{"frmTest"};
    FormControl& label;
    FormControl& code;
    FormControl& ok;
    FormControl& name;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST_F(DialogTest, ModalShowLoadsActivatesAndFocusesTheFirstControlInTabOrder) {
    form.BeginModal();
    EXPECT_TRUE(form.IsLoaded());
    EXPECT_EQ(events, (Events{"Load", "Activate", "GotFocus txtCode"}));
    EXPECT_EQ(form.TabOrder(), (std::vector<FormControl*>{&code, &name, &ok}));

    events.clear();
    name.SetFocus();
    code.PressKey(KeyTab);
    code.PressKey(KeyTab);  // wraps round to the first
    code.PressKey(KeyTab, 1);
    EXPECT_EQ(events, (Events{"LostFocus txtCode", "GotFocus txtName", "LostFocus txtName", "GotFocus cmdOK",
                              "LostFocus cmdOK", "GotFocus txtCode", "LostFocus txtCode", "GotFocus cmdOK"}));

    events.clear();
    form.Unload();
    form.Unload();
    EXPECT_EQ(events, Events{"Unloaded"});
    EXPECT_TRUE(form.IsUnloaded());
}

TEST_F(DialogTest, ALoadHandlerThatPlacesTheFocusKeepsIt) {
    form.Load = [this] { name.SetFocus(); };
    form.BeginModal();
    EXPECT_EQ(form.ActiveControl(), &name);
}

TEST_F(DialogTest, OnlyVisibleEnabledControlsTakeTheFocus) {
    ok.SetEnabled(false);
    EXPECT_EQ(ErrorOf([&] { ok.SetFocus(); }), err::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([&] { label.SetFocus(); }), err::InvalidProcedureCall);
    name.SetVisible(false);
    EXPECT_EQ(form.TabOrder(), std::vector<FormControl*>{&code});
    EXPECT_EQ(form.ActiveControl(), nullptr);
    code.SetFocus();
    code.SetFocus();  // already there: no second GotFocus
    EXPECT_EQ(events, Events{"GotFocus txtCode"});
}

TEST_F(DialogTest, AClickTakesTheFocusBeforeItRunsAndOnlyOnAnEnabledButton) {
    code.SetFocus();
    events.clear();
    ok.PerformClick();
    EXPECT_EQ(events, (Events{"LostFocus txtCode", "GotFocus cmdOK", "Click cmdOK"}));
    events.clear();
    ok.SetEnabled(false);
    ok.PerformClick();
    ok.SetEnabled(true);
    ok.SetVisible(false);
    ok.PerformClick();
    EXPECT_TRUE(events.empty());
}

TEST_F(DialogTest, KeyPressCanSwallowOrChangeACharacter) {
    std::vector<int16_t> seen;
    code.KeyPress = [&](int16_t& key) {
        seen.push_back(key);
        if (key == ' ' || key == '.') key = 0;
        if (key >= 'a' && key <= 'z') key = static_cast<int16_t>(key - 'a' + 'A');
    };
    code.TypeText("a b.1");
    EXPECT_EQ(code.Text(), "AB1");
    EXPECT_EQ(seen, (std::vector<int16_t>{'a', ' ', 'b', '.', '1'}));
    EXPECT_EQ(std::count(events.begin(), events.end(), "Change txtCode"), 3);
}

TEST_F(DialogTest, WithKeyPreviewTheFormSeesKeysFirst) {
    std::vector<std::string> order;
    form.KeyPress = [&](int16_t& key) {
        order.push_back("form " + std::to_string(key));
        if (key == 'x') key = 0;
    };
    name.KeyPress = [&](int16_t& key) { order.push_back("control " + std::to_string(key)); };
    name.TypeText("ax");
    EXPECT_EQ(order, (Events{"control 97", "control 120"}));  // no preview yet
    order.clear();
    form.SetKeyPreview(true);
    name.TypeText("ax");
    EXPECT_EQ(order, (Events{"form 97", "control 97", "form 120"}));
    EXPECT_EQ(name.Text(), "axa");

    std::vector<int16_t> keyDowns;
    form.KeyDown = [&](int16_t& key, int16_t) {
        if (key == KeyF1) key = 0;
    };
    name.KeyDown = [&](int16_t& key, int16_t) { keyDowns.push_back(key); };
    name.SetFocus();
    name.PressKey(KeyF1);
    name.PressKey(KeyReturn);
    EXPECT_EQ(keyDowns, std::vector<int16_t>{KeyReturn});
    form.KeyDown = [](int16_t& key, int16_t) { key = 0; };  // a swallowed Tab moves nothing
    name.PressKey(KeyTab);
    EXPECT_EQ(form.ActiveControl(), &name);
}

TEST_F(DialogTest, MaxLengthCountsCharactersNotBytes) {
    std::vector<int16_t> seen;
    code.KeyPress = [&](int16_t& key) { seen.push_back(key); };
    code.TypeText("汇率类型名称");
    EXPECT_EQ(code.Text(), "汇率类型名");
    EXPECT_EQ(seen.front(), 0x6C47);

    name.KeyPress = [&](int16_t& key) { seen.push_back(key); };
    seen.clear();
    name.TypeText("한😀");  // beyond 0x7FFF: KeyPress gets -1, the text gets the real character
    EXPECT_EQ(seen, (std::vector<int16_t>{-1, -1}));
    EXPECT_EQ(name.Text(), "한😀");

    name.KeyPress = [](int16_t& key) {
        if (key < 0) key = 0;
    };
    name.TypeText("名😀a");
    EXPECT_EQ(name.Text(), "한😀名a");
}

TEST_F(DialogTest, SetTextCutsToMaxLengthAndRaisesChangeOnlyOnADifference) {
    code.SetText("美元汇率类型X");
    EXPECT_EQ(code.Text(), "美元汇率类");
    code.SetText("美元汇率类型Y");  // cuts to the same text
    code.SetText("美元汇率类");
    EXPECT_EQ(events, Events{"Change txtCode"});
    code.SetMaxLength(0);
    code.SetText(std::string("ab\xFF"));  // malformed bytes do not survive
    EXPECT_EQ(code.Text(), "ab\xEF\xBF\xBD");
}

TEST_F(DialogTest, EditingKeysWorkOnTheSelectionAndTheLastCharacter) {
    code.SetText("12汇");
    code.TypeKey(KeyBackspace);
    EXPECT_EQ(code.Text(), "12");
    code.SetSelection(0, 2);
    code.TypeKey('7');
    EXPECT_EQ(code.Text(), "7");
    code.TypeKey(KeyReturn);  // control characters type nothing in a single-line box
    code.TypeKey(22);
    EXPECT_EQ(code.Text(), "7");
    code.TypeText("8901234");
    EXPECT_EQ(code.Text(), "78901");
    code.SetSelection(1, 4);
    code.TypeKey(KeyBackspace);
    EXPECT_EQ(code.Text(), "7");

    name.SetMultiLine(true);
    name.TypeText("a\rb\nc\r\nd");
    EXPECT_EQ(name.Text(), "a\r\nb\r\nc\r\nd");
    code.TypeText("\n");
    EXPECT_EQ(code.Text(), "7");
}

TEST_F(DialogTest, LockedAndDisabledBoxesIgnoreTyping) {
    int presses = 0;
    code.KeyPress = [&](int16_t&) { ++presses; };
    code.SetLocked(true);
    code.TypeText("12");
    code.SetFocus();
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(code.Text(), "");
    EXPECT_TRUE(code.HasFocus());
    code.SetLocked(false);
    code.SetEnabled(false);
    code.TypeKey('3');
    EXPECT_EQ(code.Text(), "");
}

TEST_F(DialogTest, AChangeHandlerMaySetTheTextItself) {
    // The precision field never stays empty: clearing it shows "0" at once.
    name.Change = [this] {
        events.push_back("Change " + name.Text());
        if (name.Text().empty()) name.SetText("0");
    };
    name.TypeKey('5');
    name.TypeKey(KeyBackspace);
    EXPECT_EQ(name.Text(), "0");
    EXPECT_EQ(events, (Events{"Change 5", "Change ", "Change 0"}));
}

TEST_F(DialogTest, ControlNamesAreUniqueAndLookedUp) {
    EXPECT_EQ(&form.Control("TXTNAME"), &name);
    EXPECT_EQ(ErrorOf([&] { form.AddControl("txtCode", ControlKind::TextBox, {}, 9); }), err::DuplicateKey);
    EXPECT_EQ(ErrorOf([&] { form.Control("txtMissing"); }), err::ObjectNotFound);
    EXPECT_EQ(form.Controls().size(), 4u);
}

}  // namespace
}  // namespace tolm
