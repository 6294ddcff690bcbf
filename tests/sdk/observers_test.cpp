// Change notification: who is called while the list changes under a Notify, and
// handles that outlive their source.
#include "tolm/observers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tolm {
namespace {

TEST(Observers, SubscriptionsMadeOrEndedDuringANotifyTakeEffectAtOnce) {
    Observers<int> source;
    std::vector<std::string> calls;
    Subscription second;
    Subscription added;
    Subscription first = source.Subscribe([&](int n) {
        calls.push_back("first " + std::to_string(n));
        first.Reset();   // itself, while it runs
        second.Reset();  // one still to come in this Notify
        added = source.Subscribe([&](int m) { calls.push_back("added " + std::to_string(m)); });
    });
    second = source.Subscribe([&](int n) { calls.push_back("second " + std::to_string(n)); });
    const Subscription third = source.Subscribe([&](int n) { calls.push_back("third " + std::to_string(n)); });

    source.Notify(1);
    source.Notify(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"first 1", "third 1", "third 2", "added 2"}));
    EXPECT_EQ(source.Count(), 2u);
    EXPECT_THROW((void)source.Subscribe(nullptr), std::invalid_argument);
}

TEST(Observers, HandlesMayOutliveTheSourceEvenOneDestroyedDuringANotify) {
    auto source = std::make_unique<Observers<>>();
    int calls = 0;
    const Subscription closing = source->Subscribe([&] {
        ++calls;
        source.reset();
    });
    Subscription later = source->Subscribe([&] { ++calls; });
    source->Notify();
    EXPECT_EQ(calls, 1) << "a destroyed source calls nobody";
    later.Reset();  // and ending the subscription now touches nothing freed
    EXPECT_FALSE(later);
}

}  // namespace
}  // namespace tolm
