// The plug-in library as a host meets it: entry points looked up by name, classes
// created through their class objects, registration into the class registry file.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "tolm/plugin_abi.h"
#include "tolm/registry.h"

namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::string> kClassIds{
    {"TolmBaseQelPlugin.CExRateBaseListEvent", "{8B992FDE-E70F-4954-9D81-FEB683683210}"},
    {"TolmBaseQelPlugin.CExRateTypeListEvent", "{F4669938-C57A-4A58-9D46-3D96AA5A6242}"},
    {"TolmBaseQelPlugin.CExRateBillEdit", "{F0167C1D-8F60-4035-AAE8-1A7A87B43636}"},
    {"TolmBaseQelPlugin.CLogListEvent", "{AEEAE397-848F-4846-B00C-7E4E3209EE3D}"},
    {"TolmBaseQelPlugin.CExRateType", "{4D0C0F85-544D-48C6-8DA1-16F9ADF2E2D1}"},
};

class PluginLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        m_handle = dlopen(TOLM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << dlerror();
        m_register = Entry<tolm::DllRegisterServerFn>(tolm::DllRegisterServerName);
        m_unregister = Entry<tolm::DllUnregisterServerFn>(tolm::DllUnregisterServerName);
        m_getClassObject = Entry<tolm::DllGetClassObjectFn>(tolm::DllGetClassObjectName);
        m_canUnloadNow = Entry<tolm::DllCanUnloadNowFn>(tolm::DllCanUnloadNowName);

        m_dir = fs::temp_directory_path() / ("tolm-plugin-test-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        m_registry = m_dir / "classes.json";
        ::setenv("TOLM_REGISTRY", m_registry.c_str(), 1);
    }

    void TearDown() override {
        ::unsetenv("TOLM_REGISTRY");
        fs::remove_all(m_dir);
        // The library stays loaded: objects made by it may still be referenced by
        // the test framework's bookkeeping until the process ends.
    }

    template <class Fn>
    Fn Entry(const char* name) {
        auto* symbol = dlsym(m_handle, name);
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<Fn>(symbol);
    }

    std::shared_ptr<tolm::Object> Create(const std::string& classId) {
        std::shared_ptr<tolm::IClassFactory> factory;
        EXPECT_EQ(m_getClassObject(classId.c_str(), &factory), tolm::S_OK);
        return factory ? factory->CreateInstance() : nullptr;
    }

    void* m_handle = nullptr;
    tolm::DllRegisterServerFn m_register = nullptr;
    tolm::DllUnregisterServerFn m_unregister = nullptr;
    tolm::DllGetClassObjectFn m_getClassObject = nullptr;
    tolm::DllCanUnloadNowFn m_canUnloadNow = nullptr;
    fs::path m_dir;
    fs::path m_registry;
};

TEST_F(PluginLibrary, EachClassObjectCreatesItsRole) {
    EXPECT_TRUE(std::dynamic_pointer_cast<tolm::IBaseListEventsClass>(
        Create(kClassIds.at("TolmBaseQelPlugin.CExRateBaseListEvent"))));
    EXPECT_TRUE(std::dynamic_pointer_cast<tolm::IBaseListEventsClass>(
        Create(kClassIds.at("TolmBaseQelPlugin.CExRateTypeListEvent"))));
    EXPECT_TRUE(
        std::dynamic_pointer_cast<tolm::IBillEventClass>(Create(kClassIds.at("TolmBaseQelPlugin.CExRateBillEdit"))));
    EXPECT_TRUE(
        std::dynamic_pointer_cast<tolm::IListEventsClass>(Create(kClassIds.at("TolmBaseQelPlugin.CLogListEvent"))));
    EXPECT_TRUE(
        std::dynamic_pointer_cast<tolm::IExRateTypeClass>(Create(kClassIds.at("TolmBaseQelPlugin.CExRateType"))));
}

TEST_F(PluginLibrary, ClassIdsAreMatchedWithoutRegardToCaseAndUnknownOnesRefused) {
    std::shared_ptr<tolm::IClassFactory> factory;
    EXPECT_EQ(m_getClassObject("{4d0c0f85-544d-48c6-8da1-16f9adf2e2d1}", &factory), tolm::S_OK);
    EXPECT_TRUE(factory);

    std::shared_ptr<tolm::IClassFactory> none;
    EXPECT_EQ(m_getClassObject("{00000000-0000-0000-0000-000000000000}", &none), tolm::CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(none);
    EXPECT_EQ(m_getClassObject(nullptr, &none), tolm::E_POINTER);
}

TEST_F(PluginLibrary, CanUnloadOnlyWhenNoObjectIsAlive) {
    ASSERT_EQ(m_canUnloadNow(), tolm::S_OK);

    std::shared_ptr<tolm::IClassFactory> factory;
    ASSERT_EQ(m_getClassObject(kClassIds.at("TolmBaseQelPlugin.CExRateBillEdit").c_str(), &factory), tolm::S_OK);
    EXPECT_EQ(m_canUnloadNow(), tolm::S_FALSE) << "a class object keeps the library";

    auto first = factory->CreateInstance();
    auto second = factory->CreateInstance();
    factory.reset();
    EXPECT_EQ(m_canUnloadNow(), tolm::S_FALSE);
    first.reset();
    EXPECT_EQ(m_canUnloadNow(), tolm::S_FALSE) << "one instance is still alive";
    second.reset();
    EXPECT_EQ(m_canUnloadNow(), tolm::S_OK);
}

TEST_F(PluginLibrary, ServerLocksKeepTheLibrary) {
    std::shared_ptr<tolm::IClassFactory> factory;
    ASSERT_EQ(m_getClassObject(kClassIds.at("TolmBaseQelPlugin.CLogListEvent").c_str(), &factory), tolm::S_OK);
    factory->LockServer(true);
    factory.reset();
    EXPECT_EQ(m_canUnloadNow(), tolm::S_FALSE);

    ASSERT_EQ(m_getClassObject(kClassIds.at("TolmBaseQelPlugin.CLogListEvent").c_str(), &factory), tolm::S_OK);
    factory->LockServer(false);
    factory.reset();
    EXPECT_EQ(m_canUnloadNow(), tolm::S_OK);
}

TEST_F(PluginLibrary, RegistersItsFiveClassesOnceWithFixedIdsAndHelpStrings) {
    ASSERT_EQ(m_register(), tolm::S_OK);
    ASSERT_EQ(m_register(), tolm::S_OK) << "registering twice is harmless";

    tolm::ClassRegistryFile file(m_registry);
    const auto classes = file.Load();
    ASSERT_EQ(classes.size(), kClassIds.size());
    const auto library = fs::canonical(TOLM_PLUGIN_PATH);
    for (const auto& registration : classes) {
        ASSERT_TRUE(kClassIds.contains(registration.progId)) << registration.progId;
        EXPECT_EQ(registration.classId, kClassIds.at(registration.progId));
        EXPECT_EQ(fs::canonical(registration.library), library);
    }
    EXPECT_EQ(file.Find("tolmbaseqelplugin.cexratebaselistevent")->helpString,
              "This is BaseListEvents Interface Class, made by TOLMQELPLUGINSWIZAED");
    EXPECT_EQ(file.Find("TolmBaseQelPlugin.CExRateTypeListEvent")->helpString,
              "This is BaseListEvents Interface Class, made by TOLMQELPLUGINSWIZAED");
    EXPECT_EQ(file.Find("TolmBaseQelPlugin.CExRateBillEdit")->helpString,
              "This is BillEvent Interface Class, made by TOLMQELPLUGINSWIZAED");
    EXPECT_EQ(file.Find("TolmBaseQelPlugin.CLogListEvent")->helpString,
              "This is ListEvents Interface Class, made by TOLMQELPLUGINSWIZAED");

    ASSERT_EQ(m_unregister(), tolm::S_OK);
    EXPECT_TRUE(file.Load().empty());
}

TEST_F(PluginLibrary, RegistrationIntoADamagedRegistryFailsWithoutTouchingIt) {
    {
        std::ofstream out(m_registry);
        out << "{ this is not a registry";
    }
    EXPECT_EQ(m_register(), tolm::SELFREG_E_CLASS);
    std::ifstream in(m_registry);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "{ this is not a registry");
}

}  // namespace
