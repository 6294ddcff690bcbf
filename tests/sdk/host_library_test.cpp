// The host library's dictionaries, collections, records and template filling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tolm/host_library.h"

namespace tolm {
namespace {

template <class F>
int32_t ErrorOf(F&& call) {
    try {
        call();
    } catch (const HostError& error) {
        return error.Number();
    }
    return 0;
}

std::vector<std::string> Keys(const Dictionary& dictionary) {
    std::vector<std::string> keys;
    for (int32_t i = 1; i <= dictionary.Count(); ++i) keys.push_back(dictionary.Key(i));
    return keys;
}

TEST(Dictionary, KeepsInsertionOrderAndReplacesInPlace) {
    Dictionary digits;
    digits.SetItem("3", 4);
    digits.SetItem("1", 2);
    digits.SetItem("10", 6);
    digits.SetItem("1", 8);  // an existing key keeps its place
    EXPECT_EQ(Keys(digits), (std::vector<std::string>{"3", "1", "10"}));
    EXPECT_EQ(digits.Item("1"), Variant(8));
    EXPECT_EQ(digits.GetValue("10", 0), Variant(6));
    EXPECT_EQ(digits.GetValue("99", 6), Variant(6));
    EXPECT_FALSE(digits.Exists("a1"));

    std::vector<std::string> walked;
    for (const auto& [key, value] : digits) walked.push_back(key + "=" + value.ToText());
    EXPECT_EQ(walked, (std::vector<std::string>{"3=4", "1=8", "10=6"}));
}

TEST(Dictionary, ReadingAMissingKeyAddsNothing) {
    Dictionary record;
    record.SetItem("FID", 7);
    EXPECT_TRUE(record.Item("fid").IsEmpty());  // keys are compared exactly
    EXPECT_TRUE(record.Item("Page1").IsEmpty());
    EXPECT_EQ(record.Count(), 1);
    EXPECT_FALSE(record.Exists("Page1"));
    EXPECT_EQ(ErrorOf([&] { record.Key(0); }), err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { record.Key(2); }), err::SubscriptOutOfRange);
}

TEST(Dictionary, RemoveReindexesTheLaterKeys) {
    Dictionary dictionary;
    for (const char* key : {"a", "b", "c", "d"}) dictionary.SetItem(key, key);
    dictionary.Remove("b");
    EXPECT_EQ(Keys(dictionary), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(dictionary.Item("d"), Variant("d"));
    // Replacing a key that moved up must still replace in its new place.
    dictionary.SetItem("d", "D");
    dictionary.SetItem("c", "C");
    EXPECT_EQ(Keys(dictionary), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(dictionary.Item("c"), Variant("C"));
    EXPECT_EQ(dictionary.Item("d"), Variant("D"));
    EXPECT_EQ(ErrorOf([&] { dictionary.Remove("b"); }), err::ObjectNotFound);
    dictionary.RemoveAll();
    EXPECT_EQ(dictionary.Count(), 0);
    EXPECT_FALSE(dictionary.Exists("a"));
}

// A dictionary that grows past a handful of keys, and shrinks again, finds, replaces
// and removes the same way throughout.
TEST(Dictionary, KeepsItsKeysAsItGrowsAndShrinks) {
    Dictionary dictionary;
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        dictionary.SetItem("k" + std::to_string(i), i);
        expected.push_back("k" + std::to_string(i));
    }
    dictionary.SetItem("k3", -3);
    for (int i = 39; i >= 10; i -= 2) {
        dictionary.Remove("k" + std::to_string(i));
        std::erase(expected, "k" + std::to_string(i));
    }
    dictionary.SetItem("k39", 39);  // removed, so added again at the end
    expected.push_back("k39");
    EXPECT_EQ(Keys(dictionary), expected);
    for (int32_t i = 1; i <= dictionary.Count(); ++i) {
        const std::string& key = dictionary.Key(i);
        EXPECT_TRUE(dictionary.Exists(key));
        EXPECT_EQ(dictionary.Item(key), key == "k3" ? Variant(-3) : Variant(std::stoi(key.substr(1))));
    }
    EXPECT_FALSE(dictionary.Exists("k37"));
    dictionary.RemoveAll();
    dictionary.SetItem("k1", 1);
    EXPECT_EQ(Keys(dictionary), (std::vector<std::string>{"k1"}));
}

TEST(Collection, IsOneBasedAndBoundsChecked) {
    Collection ids;
    ids.Add("12");
    ids.Add("15");
    ids.Add("19");
    EXPECT_EQ(ids.Item(1), Variant("12"));
    EXPECT_EQ(ids.Item(3), Variant("19"));
    EXPECT_EQ(ErrorOf([&] { ids.Item(0); }), err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { ids.Item(4); }), err::SubscriptOutOfRange);
    ids.Remove(2);
    EXPECT_EQ(ids.Item(2), Variant("19"));
    EXPECT_EQ(ErrorOf([&] { ids.Remove(3); }), err::SubscriptOutOfRange);
    ids.Clear();
    EXPECT_EQ(ids.Count(), 0);
    EXPECT_EQ(ErrorOf([&] { ids.Item(1); }), err::SubscriptOutOfRange);
}

TEST(NameValueRecord, MatchesNamesWithoutRegardToCase) {
    NameValueRecord record;
    record.SetValue("FNumber", "USD");
    record.SetValue("FDigits", 4);
    record.SetValue("fnumber", "EUR");
    EXPECT_EQ(record.Count(), 2);
    EXPECT_EQ(record.Name(1), "FNumber");
    EXPECT_EQ(record.GetValue("FNUMBER"), Variant("EUR"));
    EXPECT_TRUE(record.Exists("fdigits"));
    EXPECT_EQ(record.GetValue("FRemark", "none"), Variant("none"));
    EXPECT_EQ(ErrorOf([&] { record.Name(3); }), err::SubscriptOutOfRange);
}

TEST(MemoryRecordset, ReadsForwardAndRaisesAtTheEnd) {
    MemoryRecordset rows({"FID", "FDigits"}, {{1, 4}, {2, Variant::Null()}});
    EXPECT_EQ(rows.RecordCount(), 2);
    EXPECT_EQ(rows.Field("fid"), Variant(1));
    rows.MoveNext();
    EXPECT_TRUE(rows.Field("FDIGITS").IsNull());
    EXPECT_EQ(ErrorOf([&] { rows.Field("FName"); }), err::FieldNotFound);
    rows.MoveNext();
    EXPECT_TRUE(rows.IsEOF());
    EXPECT_EQ(ErrorOf([&] { rows.Field("FID"); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    rows.MoveFirst();
    EXPECT_EQ(rows.Field("FID"), Variant(1));

    MemoryRecordset empty({"FID"}, {});
    EXPECT_TRUE(empty.IsEOF());
    EXPECT_EQ(empty.RecordCount(), 0);
    EXPECT_EQ(ErrorOf([] { MemoryRecordset({"A", "B"}, {{1}}); }), err::InvalidProcedureCall);
}

TEST(TemplateFiller, FillsNumberedPlaceholdersFromPositionZero) {
    TemplateFiller filler;
    EXPECT_EQ(filler.FillTemplate("select 1 from t where FID<>%1 and FCyTo=%2", {12, "3"}),
              "select 1 from t where FID<>12 and FCyTo=3");
    EXPECT_EQ(filler.FillTemplate("%1.%2.%3", {"", "USD", "20240301"}), ".USD.20240301");
    EXPECT_EQ(filler.FillMessage("[%2] before [%1]", {"a", "b"}), "[b] before [a]");
    EXPECT_EQ(filler.FillTemplate("%1|%2", {Variant::Null(), 2.5}), "|2.5");
    // A filled value is not filled again.
    EXPECT_EQ(filler.FillTemplate("%1 %2", {"%2", "x"}), "%2 x");
}

TEST(TemplateFiller, ReadsTwoDigitPlaceholdersAndLeavesTheUnfilledOnesAsWritten) {
    TemplateFiller filler;
    VariantArray twelve;
    for (int i = 1; i <= 12; ++i) twelve.emplace_back("v" + std::to_string(i));
    EXPECT_EQ(filler.FillTemplate("%1,%9,%10,%11,%12", twelve), "v1,v9,v10,v11,v12");
    EXPECT_EQ(filler.FillTemplate("%10", {"only"}), "%10");
    EXPECT_EQ(filler.FillTemplate("%1 and %3", {"one", "two"}), "one and %3");
    EXPECT_EQ(filler.FillTemplate("%0 100% %", {"x"}), "%0 100% %");
    EXPECT_EQ(filler.FillTemplate("rate %", {}), "rate %");
    EXPECT_EQ(filler.FillTemplate("%1%2", {"a", "b"}), "ab");
}

}  // namespace
}  // namespace tolm
