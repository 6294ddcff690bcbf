// The class registry file as registering libraries and the loader use it.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/temp_dir.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace {

using hub::test::ReadFile;
using hub::test::TempDir;
using hub::test::WriteFile;
using tolm::ClassRegistration;
using tolm::ClassRegistryFile;

ClassRegistration Class(const std::string& name, const std::string& help = {}, const std::string& library = "/opt/lib/libA.so") {
    return ClassRegistration{"LibA." + name, "{" + name + "-ID}", help, library};
}

class ClassRegistryFileTest : public ::testing::Test {
protected:
    TempDir m_dir;
    std::filesystem::path m_path = m_dir / "classes.json";
    ClassRegistryFile m_registry{m_path};
};

TEST_F(ClassRegistryFileTest, RegisteringTwiceLeavesOneEntryPerClassWithTheNewestDetails) {
    m_registry.Register({Class("First", "old help"), Class("Second")});
    ClassRegistration renewed = Class("First", "new help", "/opt/lib/libB.so");
    renewed.progId = "liba.FIRST";
    m_registry.Register({renewed, Class("Second")});

    std::vector<ClassRegistration> classes = m_registry.Load();
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0], renewed) << "a re-registered class keeps its place and takes the new details";
    EXPECT_EQ(classes[1], Class("Second"));
}

TEST_F(ClassRegistryFileTest, AMissingFileHoldsNoClassesAndReadingOrRemovingDoesNotCreateIt) {
    EXPECT_TRUE(m_registry.Load().empty());
    EXPECT_FALSE(m_registry.Find("LibA.First").has_value());
    EXPECT_EQ(m_registry.Unregister({"LibA.First"}), 0);
    EXPECT_FALSE(std::filesystem::exists(m_path));
}

TEST_F(ClassRegistryFileTest, ClassesAreFoundAndRemovedWithoutRegardToLetterCase) {
    m_registry.Register({Class("First", "first help"), Class("Second"), Class("Third")});

    std::optional<ClassRegistration> found = m_registry.Find("liba.first");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->progId, "LibA.First");
    EXPECT_EQ(found->helpString, "first help");
    EXPECT_FALSE(m_registry.Find("LibA.Fourth").has_value());

    EXPECT_EQ(m_registry.Unregister({"LIBA.SECOND", "LibA.Missing"}), 1);
    std::vector<ClassRegistration> classes = m_registry.Load();
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].progId, "LibA.First");
    EXPECT_EQ(classes[1].progId, "LibA.Third");
}

TEST_F(ClassRegistryFileTest, TheDocumentHasTheDocumentedShapeAndKeepsChineseText) {
    m_registry.Register({Class("First", "汇率类"), Class("Second")});

    nlohmann::json document = nlohmann::json::parse(ReadFile(m_path));
    EXPECT_EQ(document["version"], 1);
    ASSERT_EQ(document["classes"].size(), 2u);
    EXPECT_EQ(document["classes"][0]["progId"], "LibA.First");
    EXPECT_EQ(document["classes"][0]["classId"], "{First-ID}");
    EXPECT_EQ(document["classes"][0]["helpString"], "汇率类");
    EXPECT_EQ(document["classes"][0]["library"], "/opt/lib/libA.so");
    EXPECT_EQ(m_registry.Find("LibA.First")->helpString, "汇率类");
}

TEST_F(ClassRegistryFileTest, RegisteringCreatesMissingFoldersAndLeavesNoTemporaryFiles) {
    ClassRegistryFile nested(m_dir / "config" / "tolm" / "classes.json");
    nested.Register({Class("First")});
    nested.Register({Class("Second")});

    EXPECT_EQ(nested.Load().size(), 2u);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir / "config" / "tolm")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"classes.json", "classes.json.lock"}));
}

TEST_F(ClassRegistryFileTest, AClassWithoutANameIsRefusedAndNothingIsWritten) {
    ClassRegistration nameless = Class("First");
    nameless.progId.clear();
    EXPECT_THROW(m_registry.Register({Class("Second"), nameless}), tolm::HostError);
    EXPECT_FALSE(std::filesystem::exists(m_path));
}

// Whatever Register accepts, Load must read back: one bad entry written would make
// the whole registry damaged and every class of every library uncreatable.
TEST_F(ClassRegistryFileTest, EntriesTheReaderWouldRefuseAreNeverWritten) {
    m_registry.Register({Class("Kept")});
    const std::string before = ReadFile(m_path);

    ClassRegistration noLibrary = Class("NoLibrary", "", "");
    ClassRegistration badName = Class("Bad");
    badName.progId = "LibA.\xFF\xFE";
    ClassRegistration badLibrary = Class("BadLibrary", "", "/opt/lib/lib\xC3.so");
    for (const ClassRegistration& entry : {noLibrary, badName, badLibrary}) {
        try {
            m_registry.Register({Class("Other"), entry});
            ADD_FAILURE() << entry.progId << " was accepted";
        } catch (const tolm::HostError& error) {
            EXPECT_EQ(error.Number(), tolm::err::InvalidProcedureCall);
            EXPECT_NE(error.Description().find(m_path.string()), std::string::npos) << error.Description();
            EXPECT_NE(error.Description().find(entry == noLibrary ? "empty \"library\"" : "not UTF-8"),
                      std::string::npos)
                << error.Description();
        }
        EXPECT_EQ(ReadFile(m_path), before) << "nothing of a refused call is written";
    }
    ASSERT_EQ(m_registry.Load().size(), 1u);
    EXPECT_TRUE(m_registry.Find("LibA.Kept").has_value());

    // A help string is only shown, so text that is not UTF-8 is mended, not refused.
    m_registry.Register({Class("OldHelp", "\xB6\xD4")});
    EXPECT_EQ(m_registry.Load().size(), 2u);
}

struct DamagedCase {
    const char* what;
    const char* content;
    const char* reason;
};

class DamagedRegistryTest : public ClassRegistryFileTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedRegistryTest, IsReportedNamingTheFileAndIsNeverOverwritten) {
    const DamagedCase& damage = GetParam();
    WriteFile(m_path, damage.content);

    for (auto operation : {+[](const ClassRegistryFile& r) { r.Load(); },
                           +[](const ClassRegistryFile& r) { r.Find("LibA.First"); },
                           +[](const ClassRegistryFile& r) { r.Register({Class("First")}); },
                           +[](const ClassRegistryFile& r) { r.Unregister({"LibA.First"}); }}) {
        try {
            operation(m_registry);
            ADD_FAILURE() << damage.what << ": no error";
        } catch (const tolm::HostError& error) {
            EXPECT_EQ(error.Number(), tolm::err::RegistryDamaged) << damage.what;
            EXPECT_NE(error.Description().find("The class registry " + m_path.string() + " is damaged: "),
                      std::string::npos)
                << error.Description();
            EXPECT_NE(error.Description().find(damage.reason), std::string::npos) << error.Description();
        }
    }
    EXPECT_EQ(ReadFile(m_path), damage.content) << "a damaged registry is left for a person to repair";
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedRegistryTest,
    ::testing::Values(
        DamagedCase{"empty file", "", "empty"},
        DamagedCase{"cut off", R"({"version":1,"classes":[{"progId":"LibA.First")", "not a JSON document"},
        DamagedCase{"array document", "[]", "not an object"},
        DamagedCase{"no version", R"({"classes":[]})", "no format version"},
        DamagedCase{"future version", R"({"version":2,"classes":[]})", "version 2"},
        DamagedCase{"no class list", R"({"version":1,"classes":{}})", "no list of classes"},
        DamagedCase{"entry not an object", R"({"version":1,"classes":["LibA.First"]})", "class entry 1"},
        DamagedCase{"name not text",
                    R"({"version":1,"classes":[{"progId":5,"classId":"{x}","library":"/l.so"}]})", "progId"},
        DamagedCase{"no library",
                    R"({"version":1,"classes":[{"progId":"LibA.First","classId":"{x}"}]})", "library"},
        DamagedCase{"class twice",
                    R"({"version":1,"classes":[{"progId":"LibA.First","classId":"{x}","library":"/l.so"},
                                               {"progId":"liba.first","classId":"{y}","library":"/m.so"}]})",
                    "registered twice"}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

TEST_F(ClassRegistryFileTest, AFolderWhereTheFileShouldBeIsDamageNotACrash) {
    std::filesystem::create_directories(m_path);
    try {
        m_registry.Load();
        FAIL() << "no error";
    } catch (const tolm::HostError& error) {
        EXPECT_EQ(error.Number(), tolm::err::RegistryDamaged);
    }
}

TEST_F(ClassRegistryFileTest, RegistrationsOfManyProcessesAtOnceAreAllKept) {
    constexpr int Writers = 8;
    std::vector<pid_t> children;
    for (int i = 0; i < Writers; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                for (int round = 0; round < 5; ++round) {
                    m_registry.Register({Class("Writer" + std::to_string(i) + "_" + std::to_string(round))});
                }
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
        children.push_back(pid);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(m_registry.Load().size(), static_cast<size_t>(Writers * 5)) << "a registration was lost";
}

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ClassRegistryDefaultPath, FollowsTheRegistryVariableThenTheConfigFolderThenHome) {
    ScopedEnvironment home("HOME", "/home/accountant");
    {
        ScopedEnvironment registry("TOLM_REGISTRY", "/srv/tolm/registry.json");
        ScopedEnvironment config("XDG_CONFIG_HOME", "/etc/xdg-user");
        EXPECT_EQ(ClassRegistryFile::DefaultPath(), "/srv/tolm/registry.json");
    }
    {
        ScopedEnvironment registry("TOLM_REGISTRY", nullptr);
        ScopedEnvironment config("XDG_CONFIG_HOME", "/etc/xdg-user");
        EXPECT_EQ(ClassRegistryFile::DefaultPath(), "/etc/xdg-user/tolm/classes.json");
    }
    {
        ScopedEnvironment registry("TOLM_REGISTRY", "");
        ScopedEnvironment config("XDG_CONFIG_HOME", "relative/ignored");
        EXPECT_EQ(ClassRegistryFile::DefaultPath(), "/home/accountant/.config/tolm/classes.json");
    }
}

}  // namespace
