// The driver types and presses keys as a person would, and the form's handlers and
// editing rules see it as they would on screen. (Its clicks are the form's own
// HandleClick, tested with the form.)
#include "driver/form_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using hub::driver::PressKey;
using hub::driver::TypeKey;
using hub::driver::TypeText;
using tolm::ControlKind;
using tolm::FormControl;
using Log = std::vector<std::string>;

// A code field, a name field and an OK button, in that tab order.
class DriverTest : public ::testing::Test {
protected:
    DriverTest()
        : code(form.AddControl("txtCode", ControlKind::TextBox, {}, 1)),
          ok(form.AddControl("cmdOK", ControlKind::Button, {}, 3)),
          name(form.AddControl("txtName", ControlKind::TextBox, {}, 2)) {
        form.AddControl("lblCode", ControlKind::Label, {}, 0);
        for (FormControl* control : {&code, &name, &ok}) {
            control->GotFocus = [this, control] { log.push_back("GotFocus " + control->Name()); };
            control->Change = [this, control] { log.push_back("Change " + control->Name()); };
        }
    }

    tolm::Form form{"frmTest"};
    FormControl& code;
    FormControl& ok;
    FormControl& name;
    Log log;
};

struct TypingCase {
    const char* what;
    std::string initial;
    int32_t selStart = -1;  // -1: the caret where SetText left it
    int32_t selLength = 0;
    int32_t maxLength = 0;
    bool multiLine = false;
    bool locked = false;
    bool enabled = true;
    std::string typed;
    std::string expected;
    int32_t caret;
};

const TypingCase TypingCases[] = {
    {"goes in at the caret", "ac", 1, 0, 0, false, false, true, "b", "abc", 2},
    {"replaces the selection", "1234", 1, 2, 0, false, false, true, "x", "1x4", 2},
    {"backspace deletes the character before the caret", "12汇", -1, 0, 0, false, false, true, "\b", "12", 2},
    {"backspace deletes the selection", "78901", 1, 4, 0, false, false, true, "\b", "7", 1},
    {"backspace at the start deletes nothing", "ab", 0, 0, 0, false, false, true, "\b", "ab", 0},
    {"control characters type nothing in one line", "7", -1, 0, 0, false, false, true, "\r\n\x16", "7", 1},
    {"line breaks in a multi-line box", "", -1, 0, 0, true, false, true, "a\rb\nc\r\nd", "a\r\nb\r\nc\r\nd", 10},
    {"MaxLength counts characters", "", -1, 0, 5, false, false, true, "汇率类型名称", "汇率类型名", 5},
    {"MaxLength holds with a selection replaced", "12345", 0, 1, 5, false, false, true, "67", "62345", 1},
    {"characters beyond 0x7FFF", "", -1, 0, 0, false, false, true, "한😀", "한😀", 2},
    {"a malformed byte types U+FFFD", "", -1, 0, 0, false, false, true, "a\xFF", "a\xEF\xBF\xBD", 2},
    {"a locked box keeps its text", "x", -1, 0, 0, false, true, true, "12", "x", 1},
    {"a disabled box keeps its text", "x", -1, 0, 0, false, false, false, "12", "x", 1},
};

TEST(DriverTyping, EditsATextBoxByTheEditingRules) {
    for (const TypingCase& c : TypingCases) {
        SCOPED_TRACE(c.what);
        tolm::Form dialog("frmTyping");
        FormControl& box = dialog.AddControl("txtBox", ControlKind::TextBox, {}, 0);
        box.SetText(c.initial);
        if (c.selStart >= 0) box.SetSelection(c.selStart, c.selLength);
        box.SetMaxLength(c.maxLength);
        box.SetMultiLine(c.multiLine);
        box.SetLocked(c.locked);
        box.SetEnabled(c.enabled);
        TypeText(box, c.typed);
        EXPECT_EQ(box.Text(), c.expected);
        EXPECT_EQ(box.SelStart(), c.caret);
        EXPECT_EQ(box.SelLength(), 0);
    }
}

TEST_F(DriverTest, KeyPressHandlersSeeEachCharacterAndMaySwallowOrChangeIt) {
    std::vector<int16_t> seen;
    code.KeyPress = [&](int16_t& key) {
        seen.push_back(key);
        if (key == ' ' || key == -1) key = 0;
        if (key >= 'a' && key <= 'z') key = static_cast<int16_t>(key - 'a' + 'A');
        if (key == '#') key = static_cast<int16_t>(0xD55C);  // a negative code carries a 16-bit character
    };
    TypeText(code, "a b😀#");
    EXPECT_EQ(code.Text(), "AB한");
    EXPECT_EQ(seen, (std::vector<int16_t>{'a', ' ', 'b', -1, '#'}));
    EXPECT_EQ(std::count(log.begin(), log.end(), "Change txtCode"), 3);

    TypeKey(code, tolm::KeyBackspace);
    TypeKey(code, 'c');
    EXPECT_EQ(code.Text(), "ABC");
    TypeKey(name, -1);  // says only that some character came: nothing to type
    EXPECT_EQ(name.Text(), "");
}

TEST_F(DriverTest, WithKeyPreviewTheFormSeesKeysFirstAndItsSwallowIsFinal) {
    Log order;
    form.KeyPress = [&](int16_t& key) {
        order.push_back("form " + std::string(1, static_cast<char>(key)));
        if (key == 'x') key = 0;
    };
    name.KeyPress = [&](int16_t& key) { order.push_back("control " + std::string(1, static_cast<char>(key))); };
    form.KeyDown = [&](int16_t& key, int16_t) {
        if (key == tolm::KeyF1) key = 0;
    };
    name.KeyDown = [&](int16_t& key, int16_t) { order.push_back("down " + std::to_string(key)); };

    TypeText(name, "ax");
    PressKey(name, tolm::KeyF1);
    EXPECT_EQ(order, (Log{"control a", "control x", "down 112"})) << "no preview yet";
    order.clear();
    form.SetKeyPreview(true);
    TypeText(name, "ax");
    PressKey(name, tolm::KeyF1);
    PressKey(name, tolm::KeyReturn);
    EXPECT_EQ(order, (Log{"form a", "control a", "form x", "down 13"}));
    EXPECT_EQ(name.Text(), "axa");
}

TEST_F(DriverTest, TabMovesTheFocusInTabOrderAndShiftTabBackUnlessSwallowed) {
    name.SetFocus();
    log.clear();
    PressKey(name, tolm::KeyTab);
    PressKey(ok, tolm::KeyTab);  // wraps round to the first
    PressKey(code, tolm::KeyTab, tolm::ShiftMask);
    PressKey(ok, tolm::KeyReturn);
    EXPECT_EQ(log, (Log{"GotFocus cmdOK", "GotFocus txtCode", "GotFocus cmdOK"}));

    form.SetKeyPreview(true);
    form.KeyDown = [](int16_t& key, int16_t) { key = 0; };
    PressKey(ok, tolm::KeyTab);
    EXPECT_EQ(form.ActiveControl(), &ok);
}

}  // namespace
