// Window models tell their observers what changed, once, after the change.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/company_setup.h"
#include "platform/headless_platform.h"
#include "support/test_runtime.h"
#include "windows/bill_window.h"
#include "windows/tool_collection.h"

namespace {

using hub::WindowChange;
using hub::WindowChangeKind;

std::string Describe(const WindowChange& change) {
    static const char* const names[] = {"Caption", "Status",        "Mode",          "Open",
                                        "Field",   "FieldLocked",   "FieldDecimals", "Rows"};
    return std::string(names[static_cast<int>(change.kind)]) + (change.key.empty() ? "" : " " + change.key);
}

TEST(WindowChanges, TheRateEditorTellsEachChangeOnce) {
    auto company = hub::OpenDatabase(":memory:");
    hub::InitCompany(*company, false);
    hub::Runtime runtime(hub::TestRuntimeOptions(std::make_shared<hub::HeadlessPlatform>()));
    auto window = hub::BillWindow::ForNewRate(runtime.LogIn(company, "administrator", "en"), hub::RateListFilter(1));

    std::vector<std::string> told;
    tolm::Subscription subscription =
        window->Changes().Subscribe([&](const WindowChange& change) { told.push_back(Describe(change)); });
    std::string page;
    int32_t index = 0;
    const auto rate = window->GetControl("FExchangeRate", page, index);
    window->SetHeadValue("FBase", tolm::Variant(2), true);  // the currency's name goes with it
    window->SetHeadValue("FBase", tolm::Variant(2), true);  // the same again changes nothing
    window->LockControl(rate, 1, true);
    window->LockControl(rate, 1, true);
    window->SetControlDecimals(rate, 1, 2);
    window->SetStatusText(1, "audited");
    window->SetStatusText(1, "audited");
    window->SetCaption("Exchange rate");
    EXPECT_EQ(told, (std::vector<std::string>{"Field FBase", "Field FBaseProperty", "FieldLocked FExchangeRate",
                                              "FieldDecimals FExchangeRate", "Status 1", "Caption"}));

    told.clear();
    subscription.Reset();
    window->SetCaption("Another");
    EXPECT_TRUE(told.empty()) << "an ended subscription hears nothing";
}

TEST(WindowChanges, AMenuBarTellsWhichToolChanged) {
    hub::ToolCollection tools(hub::ToolCollection::Kind::Global, "");
    std::vector<std::string> told;
    tolm::Subscription subscription = tools.Changes().Subscribe(
        [&](const hub::Tool* tool) { told.push_back(tool != nullptr ? tool->Key() : "<members>"); });
    const auto check = tools.Add("mnuCheck");
    check->SetVisible(false);
    check->SetVisible(false);
    check->SetToolTipText("Audit");
    EXPECT_EQ(told, (std::vector<std::string>{"<members>", "mnuCheck", "mnuCheck"}));
}

}  // namespace
