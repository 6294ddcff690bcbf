// The form model: its life cycle, focus, clicks, text rules and change notifications.
// Typing through the model is exercised by the form driver's tests.
#include <gtest/gtest.h>

#include <string>
#include <utility>
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
    form.FocusNext();
    form.Unload();
    form.Unload();
    EXPECT_EQ(events, (Events{"LostFocus txtCode", "GotFocus txtName", "Unloaded"}));
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
    ok.HandleClick();
    EXPECT_EQ(events, (Events{"LostFocus txtCode", "GotFocus cmdOK", "Click cmdOK"}));
    events.clear();
    ok.SetEnabled(false);
    ok.HandleClick();
    ok.SetEnabled(true);
    ok.SetVisible(false);
    ok.HandleClick();
    EXPECT_TRUE(events.empty());
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

TEST_F(DialogTest, AChangeHandlerMaySetTheTextItself) {
    // The precision field never stays empty: clearing it shows "0" at once.
    name.Change = [this] {
        events.push_back("Change " + name.Text());
        if (name.Text().empty()) name.SetText("0");
    };
    name.ApplyCharacter(U'5');
    name.ApplyCharacter(KeyBackspace);
    EXPECT_EQ(name.Text(), "0");
    EXPECT_EQ(events, (Events{"Change 5", "Change ", "Change 0"}));
}

// What a view would read back for each change it is told of.
std::string Seen(const Form& form, const FormControl* control, FormChange change) {
    switch (change) {
        case FormChange::Text:
            return "text " + control->Text();
        case FormChange::Selection:
            return "selection " + std::to_string(control->SelStart()) + "+" + std::to_string(control->SelLength());
        case FormChange::Enabled:
            return "enabled " + control->Name() + (control->Enabled() ? " on" : " off");
        case FormChange::Caption:
            return "caption " + form.Caption();
        case FormChange::Focus:
            return "focus " + (form.ActiveControl() ? form.ActiveControl()->Name() : "none");
        case FormChange::Loaded:
            return "loaded";
        case FormChange::Unloaded:
            return "unloaded";
        default:
            return "other";
    }
}

TEST_F(DialogTest, ObserversHearOfRealChangesOnlyWithTheNewValueInPlaceBeforeTheHandlers) {
    const Subscription subscription = std::as_const(form).Changes().Subscribe(
        [this](const FormControl* control, FormChange change) { events.push_back(Seen(form, control, change)); });
    form.SetCaption("新增汇率类型");
    form.SetCaption("新增汇率类型");
    form.BeginModal();
    code.SetText("12");
    code.SetText("12");
    code.SetSelection(0, 1);
    code.ApplyCharacter(U'9');
    name.SetEnabled(false);
    name.SetEnabled(false);
    form.Unload();
    EXPECT_EQ(events, (Events{"caption 新增汇率类型", "loaded", "Load", "Activate", "focus txtCode",
                              "GotFocus txtCode", "text 12", "selection 2+0", "Change txtCode", "selection 0+1",
                              "text 92", "selection 1+0", "Change txtCode", "enabled txtName off", "focus none",
                              "unloaded", "Unloaded"}));
}

TEST_F(DialogTest, ControlNamesAreUniqueAndLookedUp) {
    EXPECT_EQ(&form.Control("TXTNAME"), &name);
    EXPECT_EQ(ErrorOf([&] { form.AddControl("txtCode", ControlKind::TextBox, {}, 9); }), err::DuplicateKey);
    EXPECT_EQ(ErrorOf([&] { form.Control("txtMissing"); }), err::ObjectNotFound);
    EXPECT_EQ(form.Controls().size(), 4u);
}

}  // namespace
}  // namespace tolm
