// tolm types, type, menu types and help types, run as a script would run them.
#include "tolm_company_fixture.h"

namespace {

using hub::test::ProcessResult;

class TypeCommands : public hub::test::TolmCompany {
protected:
    void SetUp() override { Init(false); }
};

TEST_F(TypeCommands, NewTypesAreTypedIntoTheDialogAndRefusalsStopTheCommand) {
    ProcessResult saved = Tolm({"--lang", "en", "type", "new", "--code", "M-1", "--name", "Month end", "--digits", "3"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const nlohmann::json types = TolmJson({"types"});
    EXPECT_EQ(types.back()["FNumber"], "M-1");
    EXPECT_EQ(types.back()["FDigits"], 3);

    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"type", "new", "--code", "A_1", "--name", "x"}, "The character \"_\" cannot be typed into Code."},
        {{"type", "new", "--code", "05", "--name", "A\tB", "--digits", "4"}, "A tab cannot be typed into Name."},
        {{"type", "new", "--code", "A2", "--name", "x", "--digits", "11"}, "The rate precision can be at most 10"},
        {{"type", "new", "--code", "m-1", "--name", "y"}, "[m-1] already exists"},
        {{"type", "modify", "1", "--name", "z"}, "Name is read-only"},
        {{"--yes", "type", "delete", "1"}, "cannot be deleted"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--lang", "en"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        ProcessResult refused = Tolm(arguments);
        EXPECT_EQ(refused.exitCode, 1) << c.message;
        EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;
        EXPECT_EQ(refused.err.find("Error number"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(TolmJson({"types"}).size(), types.size()) << "nothing was saved or deleted";
}

TEST_F(TypeCommands, MenuAndHelpShowTheTypeListAsThePlugInShapedIt) {
    const nlohmann::json tools = TolmJson({"menu", "types"});
    int rateSystem = 0;
    for (const auto& tool : tools) {
        if (tool["key"] == "mnuExchangeRateManage") {
            ++rateSystem;
            EXPECT_EQ(tool["caption"], "汇率体系");
            EXPECT_EQ(tool["image"], true);
        }
    }
    EXPECT_EQ(rateSystem, 2) << "in the data menu and on the tool bar";
    ProcessResult help = Tolm({"help", "types"});
    EXPECT_EQ(help.out, "370141\n");
}

}  // namespace
