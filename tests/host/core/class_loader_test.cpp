// Loading plug-in classes by name, as the client does when it opens a window.
#include "core/class_loader.h"

#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "tolm/host_error.h"
#include "tolm/plugin_abi.h"
#include "tolm/registry.h"

namespace {

using hub::ClassLoader;
using hub::test::TempDir;
using hub::test::ReadFile;
using hub::test::WriteFile;
using tolm::ClassRegistration;
using tolm::ClassRegistryFile;
using tolm::HostError;

// Runs `action` and returns the HostError it raised (failing the test when none).
template <class F>
HostError ErrorOf(F&& action) {
    try {
        action();
    } catch (const HostError& error) {
        return error;
    }
    ADD_FAILURE() << "no HostError was raised";
    return HostError(0, "");
}

class ClassLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TOLM_REGISTRY")) m_oldRegistry = old;
        ::setenv("TOLM_REGISTRY", m_registryPath.c_str(), 1);
    }
    void TearDown() override {
        tolm::ComponentRegistry::Instance().SetResolver(nullptr);
        if (m_oldRegistry) {
            ::setenv("TOLM_REGISTRY", m_oldRegistry->c_str(), 1);
        } else {
            ::unsetenv("TOLM_REGISTRY");
        }
    }

    void RegisterByHand(const std::string& progId, const std::string& classId, const std::string& library) {
        ClassRegistryFile(m_registryPath).Register({ClassRegistration{progId, classId, "", library}});
    }

    TempDir m_dir;
    std::filesystem::path m_registryPath = m_dir / "classes.json";
    ClassLoader m_loader{m_registryPath};
    std::optional<std::string> m_oldRegistry;
};

#ifdef TOLM_PLUGIN_PATH

constexpr const char* PluginPath = TOLM_PLUGIN_PATH;

TEST_F(ClassLoaderTest, ThePlugInRegistersItsFiveClassesAndEachIsCreatedByName) {
    std::vector<ClassRegistration> registered = m_loader.RegisterLibrary(PluginPath);
    ASSERT_EQ(registered.size(), 5u);
    for (const auto& registration : registered) {
        EXPECT_TRUE(std::filesystem::equivalent(registration.library, PluginPath)) << registration.library;
    }

    EXPECT_NE(std::dynamic_pointer_cast<tolm::IBaseListEventsClass>(
                  m_loader.CreateInstance("TolmBaseQelPlugin.CExRateBaseListEvent")),
              nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<tolm::IBaseListEventsClass>(
                  m_loader.CreateInstance("TolmBaseQelPlugin.CExRateTypeListEvent")),
              nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<tolm::IBillEventClass>(
                  m_loader.CreateInstance("TolmBaseQelPlugin.CExRateBillEdit")),
              nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<tolm::IListEventsClass>(
                  m_loader.CreateInstance("TolmBaseQelPlugin.CLogListEvent")),
              nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<tolm::IExRateTypeClass>(
                  m_loader.CreateInstance("tolmbaseqelplugin.cexratetype")),
              nullptr)
        << "class names are matched without regard to letter case";

    auto first = m_loader.CreateInstance("TolmBaseQelPlugin.CExRateType");
    auto second = m_loader.CreateInstance("TolmBaseQelPlugin.CExRateType");
    EXPECT_NE(first, second) << "every creation is a new object";
}

TEST_F(ClassLoaderTest, InstalledTheLoaderServesCreateObjectForPlugInClasses) {
    m_loader.RegisterLibrary(PluginPath);
    m_loader.Install();

    EXPECT_NE(tolm::CreateObject<tolm::IExRateTypeClass>("TolmBaseQelPlugin.CExRateType"), nullptr);
    HostError wrongInterface =
        ErrorOf([] { tolm::CreateObject<tolm::IBillEventClass>("TolmBaseQelPlugin.CExRateType"); });
    EXPECT_EQ(wrongInterface.Number(), tolm::err::CannotCreateComponent);
    HostError unknown = ErrorOf([] { tolm::CreateObject<tolm::Object>("TolmBaseQelPlugin.CNoSuchClass"); });
    EXPECT_EQ(unknown.Number(), tolm::err::CannotCreateComponent);
    EXPECT_NE(unknown.Description().find("TolmBaseQelPlugin.CNoSuchClass"), std::string::npos);
}

TEST_F(ClassLoaderTest, RegisteringTwiceIsHarmlessAndUnregisteringRemovesEveryClass) {
    m_loader.RegisterLibrary(PluginPath);
    m_loader.RegisterLibrary(PluginPath);
    RegisterByHand("Other.CKept", "{kept}", "/opt/other/libOther.so");
    EXPECT_EQ(ClassRegistryFile(m_registryPath).Load().size(), 6u);

    std::vector<ClassRegistration> removed = m_loader.UnregisterLibrary(PluginPath);
    EXPECT_EQ(removed.size(), 5u);
    std::vector<ClassRegistration> left = ClassRegistryFile(m_registryPath).Load();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].progId, "Other.CKept");

    HostError error = ErrorOf([&] { m_loader.CreateInstance("TolmBaseQelPlugin.CExRateType"); });
    EXPECT_EQ(error.Number(), tolm::err::CannotCreateComponent);
    EXPECT_EQ(error.Description(), "Class TolmBaseQelPlugin.CExRateType is not registered");
}

TEST_F(ClassLoaderTest, ObjectsOutliveTheLoaderThatCreatedThem) {
    m_loader.RegisterLibrary(PluginPath);
    std::shared_ptr<tolm::Object> instance;
    {
        ClassLoader shortLived(m_registryPath);
        instance = shortLived.CreateInstance("TolmBaseQelPlugin.CExRateBaseListEvent");
    }
    // The object's destructor is code of the library: it must still be there.
    instance.reset();
    EXPECT_NE(m_loader.CreateInstance("TolmBaseQelPlugin.CExRateBaseListEvent"), nullptr);
}

TEST_F(ClassLoaderTest, ADamagedRegistryIsNamedAsTheCauseWhenThePlugInCannotRegister) {
    WriteFile(m_registryPath, "{\"version\": 1, \"classes\": [");
    HostError error = ErrorOf([&] { m_loader.RegisterLibrary(PluginPath); });
    EXPECT_EQ(error.Number(), tolm::err::RegistryDamaged);
    EXPECT_NE(error.Description().find(m_registryPath.string()), std::string::npos);
}

TEST_F(ClassLoaderTest, ALoaderOnAnotherRegistryRefusesToRegisterWhereThePlugInWouldNotWrite) {
    ClassLoader elsewhere(m_dir / "other.json");
    HostError error = ErrorOf([&] { elsewhere.RegisterLibrary(PluginPath); });
    EXPECT_EQ(error.Number(), tolm::err::InvalidProcedureCall);
    EXPECT_FALSE(std::filesystem::exists(m_registryPath));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "other.json"));
}

TEST_F(ClassLoaderTest, TheSystemRegistryServesTheInstalledPlugInFromItsOwnFolder) {
    const std::filesystem::path installed = m_dir / "lib" / "tolm";
    std::filesystem::create_directories(installed);
    // The plug-in's own registration, moved to the system registry with its library
    // named from there.
    std::vector<ClassRegistration> classes = m_loader.RegisterLibrary(PluginPath);
    std::filesystem::remove(m_registryPath);
    for (auto& registration : classes) {
        registration.library = std::filesystem::relative(PluginPath, installed).string();
    }
    ClassRegistryFile(installed / "classes.json").Register(classes);
    const ClassLoader loader(m_registryPath, installed / "classes.json");

    const auto found = loader.Find("tolmbaseqelplugin.cexratetype");
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(found->library, PluginPath)) << found->library;
    EXPECT_NE(std::dynamic_pointer_cast<tolm::IExRateTypeClass>(loader.CreateInstance("TolmBaseQelPlugin.CExRateType")),
              nullptr);
    EXPECT_FALSE(std::filesystem::exists(m_registryPath)) << "nothing is registered for the person";
}

#else
TEST(ClassLoaderPlugIn, NotBuilt) {
    GTEST_SKIP() << "the plug-in target is not part of this build";
}
#endif

TEST_F(ClassLoaderTest, ThePersonsRegistrationOfAClassComesBeforeTheSystems) {
    const std::filesystem::path system = m_dir / "system" / "classes.json";
    std::filesystem::create_directories(system.parent_path());
    ClassRegistryFile(system).Register({ClassRegistration{"Shared.CClass", "{system}", "", "libShared.so"},
                                        ClassRegistration{"System.COnly", "{only}", "", "/opt/libOnly.so"}});
    RegisterByHand("shared.cclass", "{own}", "/home/me/libShared.so");
    const ClassLoader loader(m_registryPath, system);

    EXPECT_EQ(loader.Find("Shared.CClass")->classId, "{own}");
    EXPECT_EQ(loader.Find("System.COnly")->library, "/opt/libOnly.so") << "an absolute path stays as it is";
    EXPECT_FALSE(loader.Find("Other.CNone").has_value());
    std::vector<std::string> listed;
    for (const auto& registration : loader.Classes()) listed.push_back(registration.classId);
    EXPECT_EQ(listed, (std::vector<std::string>{"{own}", "{only}"}));
}

TEST_F(ClassLoaderTest, AnUnknownClassIsNotRegistered) {
    RegisterByHand("Other.CKnown", "{known}", TOLM_TEST_REFUSING_LIBRARY);

    HostError error = ErrorOf([&] { m_loader.CreateInstance("Other.CUnknown"); });
    EXPECT_EQ(error.Number(), tolm::err::CannotCreateComponent);
    EXPECT_EQ(error.Description(), "Class Other.CUnknown is not registered");
    EXPECT_EQ(m_loader.TryCreateInstance("Other.CUnknown"), nullptr);
}

TEST_F(ClassLoaderTest, LibrariesLackingEntryPointsAreRefusedNamingLibraryAndEntry) {
    HostError none = ErrorOf([&] { m_loader.RegisterLibrary(TOLM_TEST_NO_ENTRY_POINTS); });
    EXPECT_EQ(none.Number(), tolm::err::EntryPointNotFound);
    EXPECT_NE(none.Description().find("DllRegisterServer"), std::string::npos) << none.Description();
    EXPECT_NE(none.Description().find(std::filesystem::path(TOLM_TEST_NO_ENTRY_POINTS).filename().string()),
              std::string::npos)
        << none.Description();

    HostError half = ErrorOf([&] { m_loader.RegisterLibrary(TOLM_TEST_REGISTER_ONLY); });
    EXPECT_EQ(half.Number(), tolm::err::EntryPointNotFound);
    EXPECT_NE(half.Description().find("DllUnregisterServer"), std::string::npos) << half.Description();

    EXPECT_FALSE(std::filesystem::exists(m_registryPath)) << "a refused library registers nothing";

    // A class registered by hand for such a library cannot be created either.
    RegisterByHand("Broken.CHalf", "{half}", TOLM_TEST_REGISTER_ONLY);
    EXPECT_EQ(ErrorOf([&] { m_loader.CreateInstance("Broken.CHalf"); }).Number(), tolm::err::EntryPointNotFound);
}

TEST_F(ClassLoaderTest, APathThatIsNoLibraryCannotBeLoaded) {
    const std::string missing = (m_dir / "nowhere" / "libMissing.so").string();
    HostError error = ErrorOf([&] { m_loader.RegisterLibrary(missing); });
    EXPECT_EQ(error.Number(), tolm::err::LibraryLoad);
    EXPECT_NE(error.Description().find(missing), std::string::npos) << error.Description();

    WriteFile(m_dir / "libText.so", "not a shared object\n");
    EXPECT_EQ(ErrorOf([&] { m_loader.RegisterLibrary(m_dir / "libText.so"); }).Number(), tolm::err::LibraryLoad);

    RegisterByHand("Gone.CClass", "{gone}", missing);
    EXPECT_EQ(ErrorOf([&] { m_loader.CreateInstance("Gone.CClass"); }).Number(), tolm::err::LibraryLoad);
}

TEST_F(ClassLoaderTest, ARefusingLibraryReportsItsResultAndItsOwnErrors) {
    HostError failed = ErrorOf([&] { m_loader.RegisterLibrary(TOLM_TEST_REFUSING_LIBRARY); });
    EXPECT_EQ(failed.Number(), tolm::E_FAIL);
    EXPECT_NE(failed.Description().find("DllRegisterServer"), std::string::npos) << failed.Description();
    EXPECT_NE(failed.Description().find("0x80004005"), std::string::npos) << failed.Description();

    HostError thrown = ErrorOf([&] { m_loader.UnregisterLibrary(TOLM_TEST_REFUSING_LIBRARY); });
    EXPECT_EQ(thrown.Number(), tolm::err::AccessDenied) << "an error raised by the library keeps its identity";
    EXPECT_EQ(thrown.Description(), "Unregistering is not allowed here");

    RegisterByHand("Refusing.CUnknown", "{not-provided}", TOLM_TEST_REFUSING_LIBRARY);
    HostError refused = ErrorOf([&] { m_loader.CreateInstance("Refusing.CUnknown"); });
    EXPECT_EQ(refused.Number(), tolm::err::CannotCreateComponent);
    EXPECT_NE(refused.Description().find("{not-provided}"), std::string::npos) << refused.Description();

    RegisterByHand("Refusing.CEmpty", "{00000000-0000-0000-0000-0000000000E0}", TOLM_TEST_REFUSING_LIBRARY);
    EXPECT_EQ(ErrorOf([&] { m_loader.CreateInstance("Refusing.CEmpty"); }).Number(),
              tolm::err::CannotCreateComponent);
}

// The library could only say that it failed; the host names the cause before it runs.
TEST_F(ClassLoaderTest, ARegistryThatCannotBeWrittenIsNamedBeforeTheLibraryRuns) {
    WriteFile(m_dir / "blocker", "a file where the registry's folder should be\n");
    const std::filesystem::path unreachable = m_dir / "blocker" / "tolm" / "classes.json";
    ::setenv("TOLM_REGISTRY", unreachable.c_str(), 1);
    ClassLoader loader(unreachable);

    HostError error = ErrorOf([&] { loader.RegisterLibrary(TOLM_TEST_REFUSING_LIBRARY); });
    EXPECT_EQ(error.Number(), tolm::err::PathFileAccess) << error.Description();
    EXPECT_NE(error.Description().find("create the folder of the class registry"), std::string::npos)
        << error.Description();
    EXPECT_NE(error.Description().find((m_dir / "blocker").string()), std::string::npos) << error.Description();

    // A damaged registry is named too, rather than the library's bare result code.
    WriteFile(m_registryPath, "{\"version\": 1, \"classes\": [");
    ::setenv("TOLM_REGISTRY", m_registryPath.c_str(), 1);
    HostError damaged = ErrorOf([&] { m_loader.RegisterLibrary(TOLM_TEST_REFUSING_LIBRARY); });
    EXPECT_EQ(damaged.Number(), tolm::err::RegistryDamaged) << damaged.Description();
    EXPECT_EQ(ReadFile(m_registryPath), "{\"version\": 1, \"classes\": [") << "left for a person to repair";
}

}  // namespace
