// The event source every window raises its events through.
#include "windows/event_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Sink {
    std::string name;
    std::vector<std::string>* heard;
    std::function<void()> onEvent;
    void Ping() {
        heard->push_back(name);
        if (onEvent) onEvent();
    }
};

class EventSourceTest : public ::testing::Test {
protected:
    std::shared_ptr<Sink> MakeSink(const std::string& name) { return std::make_shared<Sink>(Sink{name, &heard, {}}); }
    bool Ping() { return source.Raise("Ping", [](Sink& sink) { sink.Ping(); }); }

    std::vector<std::string> heard;
    std::vector<std::string> reported;
    hub::EventSource<Sink> source{[this](const tolm::HostError& error) { reported.push_back(error.Description()); }};
};

TEST_F(EventSourceTest, AnEventGoesToTheSinksConnectedWhenItWasRaised) {
    auto first = MakeSink("first");
    auto second = MakeSink("second");
    auto late = MakeSink("late");
    source.Advise(first);
    const int32_t secondCookie = source.Advise(second);
    // The first sink disconnects the second, connects another and releases the
    // second's last reference: this event still reaches the second, the next does not.
    first->onEvent = [&] {
        source.Unadvise(secondCookie);
        source.Advise(late);
        second.reset();
        first->onEvent = nullptr;
    };
    EXPECT_TRUE(Ping());
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "second"}));

    heard.clear();
    EXPECT_TRUE(Ping());
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "late"}));

    late.reset();  // held weakly: a released sink hears nothing more
    heard.clear();
    Ping();
    EXPECT_EQ(heard, (std::vector<std::string>{"first"}));
    EXPECT_THROW(source.Unadvise(secondCookie), tolm::HostError);
    EXPECT_THROW(source.Advise(nullptr), tolm::HostError);
}

TEST_F(EventSourceTest, AFailingSinkIsRecordedAndReportedAndTheNextStillHears) {
    auto failing = MakeSink("failing");
    failing->onEvent = [] { throw tolm::HostError(tolm::err::TypeMismatch, "Type mismatch"); };
    auto next = MakeSink("next");
    source.Advise(failing);
    source.Advise(next);

    EXPECT_FALSE(Ping());
    EXPECT_EQ(heard, (std::vector<std::string>{"failing", "next"}));
    ASSERT_EQ(source.Failures().size(), 1u);
    EXPECT_EQ(source.Failures()[0].eventName, "Ping");
    EXPECT_EQ(source.Failures()[0].error.Number(), tolm::err::TypeMismatch);
    EXPECT_EQ(reported, std::vector<std::string>{"Type mismatch"});
}

TEST_F(EventSourceTest, OnlySinksConnectedWhileAClassAttachesCountAsItsOwn) {
    auto outsider = MakeSink("outsider");
    source.Advise(outsider);
    EXPECT_FALSE(source.AttachedSinkConnected());

    auto own = MakeSink("own");
    source.Attach("Show", [&] {
        source.Advise(own);
        throw tolm::HostError(tolm::err::ObjectNotFound, "half attached");
    });
    EXPECT_TRUE(source.AttachedSinkConnected()) << "a sink connected before the failure stays";
    EXPECT_EQ(source.Failures().at(0).eventName, "Show");
    own.reset();
    EXPECT_FALSE(source.AttachedSinkConnected());
}

}  // namespace
