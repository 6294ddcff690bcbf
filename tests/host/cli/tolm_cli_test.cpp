// The tolm command line, run as a person or a script runs it.
#include <map>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace {

using hub::test::ProcessResult;
using hub::test::RunProcess;
using hub::test::TempDir;
using hub::test::WriteFile;

class TolmCliTest : public ::testing::Test {
protected:
    ProcessResult Tolm(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--registry", m_registry.string()});
        return RunProcess(TOLM_CLI_PATH, arguments, m_dir.Path());
    }

    TempDir m_dir;
    std::filesystem::path m_registry = m_dir / "config" / "classes.json";
};

TEST_F(TolmCliTest, AnEmptyRegistryListsNoClasses) {
    ProcessResult human = Tolm({"--lang", "en", "classes"});
    EXPECT_EQ(human.exitCode, 0) << human.err;
    EXPECT_NE(human.out.find("No classes are registered"), std::string::npos) << human.out;

    ProcessResult json = Tolm({"--json", "classes"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::array());
}

#ifdef TOLM_PLUGIN_PATH

TEST_F(TolmCliTest, ThePlugInIsRegisteredIntoTheChosenRegistryAndItsClassesListed) {
    ProcessResult registered = Tolm({"--lang", "en", "register", TOLM_PLUGIN_PATH});
    ASSERT_EQ(registered.exitCode, 0) << registered.err;
    EXPECT_NE(registered.out.find("Registered 5 classes"), std::string::npos) << registered.out;
    ProcessResult again = Tolm({"register", TOLM_PLUGIN_PATH});
    ASSERT_EQ(again.exitCode, 0) << again.err << "registering twice is harmless";

    ProcessResult listed = Tolm({"classes", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    nlohmann::json classes = nlohmann::json::parse(listed.out);
    ASSERT_TRUE(classes.is_array());
    ASSERT_EQ(classes.size(), 5u) << listed.out;

    const std::map<std::string, std::string> expectedHelp{
        {"TolmBaseQelPlugin.CExRateBaseListEvent",
         "This is BaseListEvents Interface Class, made by TOLMQELPLUGINSWIZAED"},
        {"TolmBaseQelPlugin.CExRateTypeListEvent",
         "This is BaseListEvents Interface Class, made by TOLMQELPLUGINSWIZAED"},
        {"TolmBaseQelPlugin.CExRateBillEdit", "This is BillEvent Interface Class, made by TOLMQELPLUGINSWIZAED"},
        {"TolmBaseQelPlugin.CLogListEvent", "This is ListEvents Interface Class, made by TOLMQELPLUGINSWIZAED"},
        {"TolmBaseQelPlugin.CExRateType", ""},
    };
    std::map<std::string, std::string> actualHelp;
    for (const auto& entry : classes) {
        actualHelp[entry.at("progId").get<std::string>()] = entry.at("helpString").get<std::string>();
        EXPECT_TRUE(std::filesystem::equivalent(entry.at("library").get<std::string>(), TOLM_PLUGIN_PATH));
        EXPECT_FALSE(entry.at("classId").get<std::string>().empty());
    }
    EXPECT_EQ(actualHelp, expectedHelp);

    ProcessResult human = Tolm({"classes"});
    EXPECT_NE(human.out.find("This is BillEvent Interface Class, made by TOLMQELPLUGINSWIZAED"), std::string::npos)
        << human.out;
}

#endif

TEST_F(TolmCliTest, HostErrorsArePrintedAsTolmMessagesWithExitCodeOne) {
    ProcessResult missing = Tolm({"register", (m_dir / "libMissing.so").string()});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.rfind("tolm: Cannot load the library ", 0), 0u) << missing.err;
    EXPECT_TRUE(missing.out.empty());

    std::filesystem::create_directories(m_registry.parent_path());
    WriteFile(m_registry, "{ damaged");
    ProcessResult damaged = Tolm({"classes"});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_EQ(damaged.err, "tolm: The class registry " + m_registry.string() +
                               " is damaged: it is not a JSON document\n");
}

TEST_F(TolmCliTest, UnregisteringADeletedLibraryForgetsItsClasses) {
    const std::string gone = (m_dir / "libGone.so").string();
    std::filesystem::create_directories(m_registry.parent_path());
    WriteFile(m_registry, R"({"version":1,"classes":[
        {"progId":"Gone.CFirst","classId":"{1}","helpString":"","library":")" + gone + R"("},
        {"progId":"Kept.CSecond","classId":"{2}","helpString":"","library":"/opt/libKept.so"}]})");

    ProcessResult forgotten = Tolm({"unregister", gone});
    EXPECT_EQ(forgotten.exitCode, 0) << forgotten.err;
    nlohmann::json left = nlohmann::json::parse(Tolm({"--json", "classes"}).out);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].at("progId"), "Kept.CSecond");

    ProcessResult nothing = Tolm({"--lang", "en", "unregister", gone});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_NE(nothing.err.find("does not exist"), std::string::npos) << nothing.err;
}

TEST_F(TolmCliTest, CommandLineMistakesAreRefusedByTheParser) {
    ProcessResult unknown = Tolm({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2) << "a usage error";
    EXPECT_NE(unknown.err.find("frobnicate"), std::string::npos) << unknown.err;

    ProcessResult none = Tolm({});
    EXPECT_EQ(none.exitCode, 2);

    ProcessResult language = Tolm({"--lang", "fr", "classes"});
    EXPECT_EQ(language.exitCode, 2);
    EXPECT_NE(language.err.find("--lang"), std::string::npos) << language.err;
    EXPECT_TRUE(language.out.empty()) << "nothing ran";
    EXPECT_EQ(Tolm({"--lang", "cht", "classes"}).exitCode, 0);

    ProcessResult both = Tolm({"--yes", "--no", "classes"});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_NE(both.err.find("excludes"), std::string::npos) << both.err;

    ProcessResult noLibrary = Tolm({"register"});
    EXPECT_EQ(noLibrary.exitCode, 2);

    ProcessResult help = Tolm({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"register", "unregister", "classes"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
}

}  // namespace
