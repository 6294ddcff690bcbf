// Components by class name, the platform seam and how errors are carried.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

#include "tolm/components.h"
#include "tolm/platform.h"
#include "tolm/registry.h"

namespace tolm {
namespace {

class FakeLogServer : public ILogServer {
public:
    Variant WriteLog(const std::string&, const std::string&, int32_t&, const std::string&, const std::string&,
                     const std::string&) override {
        return true;
    }
    Variant DelLogByFilter(const std::string&, std::string&) override { return false; }
};

class FakeLangInfo : public ILangInfo {
public:
    Variant CurrentLanguage() override { return "en"; }
};

HostError CaughtFrom(const std::function<void()>& call) {
    try {
        call();
    } catch (const HostError& error) {
        return error;
    }
    return HostError(0, "no error");
}

class ComponentRegistryTest : public ::testing::Test {
protected:
    void TearDown() override {
        Registry().Unregister("HubBase.LogServer");
        Registry().Unregister("HubTest.Broken");
        Registry().SetResolver(nullptr);
    }
    static ComponentRegistry& Registry() { return ComponentRegistry::Instance(); }
};

TEST_F(ComponentRegistryTest, FindsClassesWithoutRegardToLetterCase) {
    Registry().Register("HubBase.LogServer", [] { return std::make_shared<FakeLogServer>(); });
    EXPECT_TRUE(Registry().IsRegistered("HUBBASE.LOGSERVER"));
    auto server = CreateObject<ILogServer>("hubbase.LogServer");
    ASSERT_NE(server, nullptr);
    EXPECT_NE(server, CreateObject<ILogServer>("HubBase.LogServer"));  // a new instance per call
    Registry().Unregister("HUBBASE.logserver");
    EXPECT_FALSE(Registry().IsRegistered("HubBase.LogServer"));
}

TEST_F(ComponentRegistryTest, ClassesThatCannotBeCreatedRaise429NamingTheClass) {
    HostError unknown = CaughtFrom([] { ComponentRegistry::Instance().Create("HubTest.Missing"); });
    EXPECT_EQ(unknown.Number(), err::CannotCreateComponent);
    EXPECT_NE(unknown.Description().find("HubTest.Missing"), std::string::npos);
    EXPECT_EQ(unknown.Source(), "HubTest.Missing");

    Registry().Register("HubTest.Broken", [] { return std::shared_ptr<Object>(); });
    EXPECT_EQ(CaughtFrom([] { ComponentRegistry::Instance().Create("HubTest.Broken"); }).Number(),
              err::CannotCreateComponent);

    Registry().Register("HubTest.Broken", []() -> std::shared_ptr<Object> {
        throw HostError(err::Database, "the log table is missing");
    });
    HostError failed = CaughtFrom([] { ComponentRegistry::Instance().Create("HubTest.Broken"); });
    EXPECT_EQ(failed.Number(), err::CannotCreateComponent);
    EXPECT_NE(failed.Description().find("the log table is missing"), std::string::npos);

    Registry().Register("HubBase.LogServer", [] { return std::make_shared<FakeLangInfo>(); });
    EXPECT_EQ(CaughtFrom([] { CreateObject<ILogServer>("HubBase.LogServer"); }).Number(), err::CannotCreateComponent);
}

TEST_F(ComponentRegistryTest, TheResolverAnswersForClassesNotRegisteredInProcess) {
    std::vector<std::string> asked;
    Registry().SetResolver([&](const std::string& name) -> std::shared_ptr<Object> {
        asked.push_back(name);
        if (name == "TolmBaseQelPlugin.CExRateType") return std::make_shared<FakeLangInfo>();
        return nullptr;
    });
    Registry().Register("HubBase.LogServer", [] { return std::make_shared<FakeLogServer>(); });
    EXPECT_NE(Registry().Create("TolmBaseQelPlugin.CExRateType"), nullptr);
    EXPECT_NE(Registry().Create("HubBase.LogServer"), nullptr);
    EXPECT_EQ(CaughtFrom([] { ComponentRegistry::Instance().Create("Nowhere.Class"); }).Number(),
              err::CannotCreateComponent);
    EXPECT_EQ(asked, (std::vector<std::string>{"TolmBaseQelPlugin.CExRateType", "Nowhere.Class"}));
}

TEST_F(ComponentRegistryTest, ScopedComponentPutsBackWhatItReplaced) {
    Registry().Register("HubBase.LogServer", [] { return std::make_shared<FakeLogServer>(); });
    {
        ScopedComponent failing("HUBBASE.LOGSERVER", []() -> std::shared_ptr<Object> {
            throw HostError(err::AccessDenied, "denied");
        });
        EXPECT_EQ(CaughtFrom([] { CreateObject<ILogServer>("HubBase.LogServer"); }).Number(),
                  err::CannotCreateComponent);
    }
    EXPECT_NE(CreateObject<ILogServer>("HubBase.LogServer"), nullptr);
    {
        ScopedComponent added("HubTest.Broken", [] { return std::make_shared<FakeLangInfo>(); });
        EXPECT_TRUE(Registry().IsRegistered("HubTest.Broken"));
    }
    EXPECT_FALSE(Registry().IsRegistered("HubTest.Broken"));
}

TEST_F(ComponentRegistryTest, FactoriesMayCreateOtherComponentsAndRunOnAnyThread) {
    // A factory that creates a component while being built must not deadlock.
    Registry().Register("HubBase.LogServer", [] {
        CreateObject<ILogServer>("HubTest.Broken");
        return std::make_shared<FakeLogServer>();
    });
    Registry().Register("HubTest.Broken", [] { return std::make_shared<FakeLogServer>(); });
    std::atomic<int> created{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if (CreateObject<ILogServer>("hubbase.logserver")) ++created;
                const std::string name = "HubTest.Thread" + std::to_string(t);
                ComponentRegistry::Instance().Register(name, [] { return std::make_shared<FakeLangInfo>(); });
                ComponentRegistry::Instance().Unregister(name);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(created.load(), 800);
}

TEST(CurrentError, TurnsForeignExceptionsIntoHostErrors) {
    auto convert = [](const std::function<void()>& thrower) {
        try {
            thrower();
        } catch (...) {
            return CurrentError();
        }
        return HostError(0, "no error");
    };
    HostError own = convert([] { throw HostError(err::Refused, "refused", "HubBaseData", "help.html", 12); });
    EXPECT_EQ(own.Number(), err::Refused);
    EXPECT_EQ(own.HelpContext(), 12);
    EXPECT_EQ(convert([] { throw std::bad_alloc(); }).Number(), err::OutOfMemory);
    HostError foreign = convert([] { throw std::runtime_error("disk full"); });
    EXPECT_EQ(foreign.Number(), err::InternalError);
    EXPECT_EQ(foreign.Description(), "disk full");
    EXPECT_EQ(convert([] { throw 42; }).Description(), "Unknown error");
    EXPECT_EQ(CurrentError().Number(), err::InternalError);  // outside a handler
}

TEST(CurrentError, AHandlerThatTrapsItsOwnErrorKeepsTheCallersError) {
    std::vector<int32_t> reported;
    try {
        throw HostError(err::Database, "outer");
    } catch (...) {
        EXPECT_FALSE(OnErrorSilent([] { throw HostError(err::TypeMismatch, "inner"); }));
        EXPECT_FALSE(OnErrorReport([&](const HostError& e) { reported.push_back(e.Number()); },
                                   [] { throw std::runtime_error("inner too"); }));
        EXPECT_EQ(CurrentError().Description(), "outer");
    }
    EXPECT_EQ(reported, std::vector<int32_t>{err::InternalError});
}

// ---- platform seam -----------------------------------------------------------------------

class ScriptedFilePlatform : public IPlatform {
public:
    std::optional<std::string> answer;
    FileDialogKind lastKind = FileDialogKind::Open;
    std::string lastFilter;

    int32_t CurrentProcessId() const override { return 1; }
    int32_t MousePointer() const override { return PointerDefault; }
    void SetMousePointer(int32_t) override {}
    int32_t MessageBox(const std::string&, int32_t, const std::string&) override { return mb::IdOK; }
    void SetClipboardBitmap(const Bitmap&) override {}
    std::optional<Bitmap> ClipboardBitmap() const override { return std::nullopt; }
    std::optional<std::string> PickFile(FileDialogKind kind, const FileDialogOptions& options) override {
        lastKind = kind;
        lastFilter = options.filter;
        return answer;
    }
    void ShowModal(Form&) override {}
};

TEST(Platform, FileDialogAnswersThePathOrTheCancellation) {
    InstallPlatform(nullptr);
    EXPECT_EQ(CaughtFrom([] { Platform(); }).Number(), err::CannotCreateComponent);

    auto platform = std::make_shared<ScriptedFilePlatform>();
    InstallPlatform(platform);
    EXPECT_EQ(Platform(), platform);

    FileDialogOptions options;
    options.filter = "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*";
    platform->answer = "/tmp/rates.xls";
    EXPECT_EQ(ShowFileDialog(FileDialogKind::Save, options), "/tmp/rates.xls");
    EXPECT_EQ(platform->lastKind, FileDialogKind::Save);
    EXPECT_EQ(platform->lastFilter, options.filter);

    platform->answer.reset();
    EXPECT_EQ(ShowFileDialog(FileDialogKind::Open, options), "");
    options.cancelError = true;
    HostError cancelled = CaughtFrom([&] { ShowFileDialog(FileDialogKind::Open, options); });
    EXPECT_EQ(cancelled.Number(), err::DialogCancelled);
    EXPECT_EQ(cancelled.Description(), "Cancel was selected.");
    InstallPlatform(nullptr);
    EXPECT_EQ(InstalledPlatform(), nullptr);
}

}  // namespace
}  // namespace tolm

namespace {

// A platform whose message box installs another platform, as a front end that
// switches platforms while a box is open would.
class SelfReplacingPlatform : public tolm::IPlatform {
public:
    int32_t CurrentProcessId() const override { return 1; }
    int32_t MousePointer() const override { return tolm::PointerDefault; }
    void SetMousePointer(int32_t) override {}
    int32_t MessageBox(const std::string& prompt, int32_t, const std::string&) override {
        tolm::InstallPlatform(nullptr);
        m_lastPrompt = prompt;  // touches this object after it was replaced
        return tolm::mb::IdYes;
    }
    void SetClipboardBitmap(const tolm::Bitmap&) override {}
    std::optional<tolm::Bitmap> ClipboardBitmap() const override { return std::nullopt; }
    std::optional<std::string> PickFile(tolm::FileDialogKind, const tolm::FileDialogOptions&) override {
        return std::nullopt;
    }
    void ShowModal(tolm::Form&) override {}

private:
    std::string m_lastPrompt;
};

TEST(Platform, APlatformReplacedDuringACallLivesUntilTheCallReturns) {
    std::weak_ptr<tolm::IPlatform> watch;
    {
        auto platform = std::make_shared<SelfReplacingPlatform>();
        watch = platform;
        tolm::InstallPlatform(platform);
    }
    EXPECT_EQ(tolm::Platform()->MessageBox("still here?", tolm::mb::YesNo, "t"), tolm::mb::IdYes);
    EXPECT_TRUE(watch.expired()) << "released once the call returned";
    EXPECT_EQ(tolm::InstalledPlatform(), nullptr);
}

}  // namespace
