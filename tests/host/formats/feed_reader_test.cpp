// Reading published rate files: the shapes told apart, the faults found before
// anything is taken from a file, and rates worked out on their decimal values.
#include <gtest/gtest.h>

#include "formats/feed_reader.h"

namespace {

using hub::feed::FeedError;
using hub::feed::FeedFormat;

TEST(FeedReader, CrossRatesRoundHalfAwayFromZeroOnTheDecimalValue) {
    struct Case {
        const char* numerator;
        const char* denominator;
        int places;
        const char* expected;
    };
    const Case cases[] = {
        {"7.953055", "1.1", 4, "7.2301"},  // exactly 7.23005; the nearest double is below it
        {"7.8561", "1.0923", 4, "7.1923"},
        {"1", "160.88", 4, "0.0062"},
        {"9.99995", "1", 4, "10.0000"},    // the carry runs into the whole number
        {"160.88", "1", 0, "161"},
        {"0.00004", "1", 4, "0.0000"},
        {"123456789012345678", "0.000000000000000001", 2, "123456789012345678000000000000000000.00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hub::feed::RoundedQuotient(*hub::feed::ParseDecimal(c.numerator),
                                             *hub::feed::ParseDecimal(c.denominator), c.places),
                  c.expected)
            << c.numerator << " / " << c.denominator;
    }
    EXPECT_FALSE(hub::feed::RoundedQuotient({1, 0}, {0, 0}, 4));
    for (const char* text : {"", ".", "1.2.3", "-1", "1e5", " 1", "1234567890123456789"}) {
        EXPECT_FALSE(hub::feed::ParseDecimal(text)) << text;
    }
}

TEST(FeedReader, TellsTheShapesApartAndReadsWhatEachPublishes) {
    struct Case {
        const char* content;
        std::optional<FeedFormat> format;
        size_t rates;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"x\"><Cube><Cube time=\"2024-03-08\">"
         "<Cube currency=\"USD\" rate=\"1.1\"/><Cube currency=\"JPY\" rate=\"161.5\"/></Cube></Cube></e:Envelope>",
         FeedFormat::EcbXml, 2},
        {"Date, USD, JPY,\r\n2024-03-11, 1.0923, N/A,\r\n2024-03-08, 1.1, 161.5,\r\n", FeedFormat::EcbCsv, 3},
        {"date,currency,rate\n2024-03-08,USD,7.2\n\n2024-03-11,USD,7.3\n", FeedFormat::Csv, 2},
        {"2024-03-08,USD,7.2\n", FeedFormat::Csv, 1},
        {"Currency;Rate\n", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hub::feed::SniffFeedFormat(c.content), c.format) << c.content;
        if (c.format) {
            EXPECT_EQ(hub::feed::ReadFeed(c.content, *c.format).size(), c.rates) << c.content;
        }
    }
}

TEST(FeedReader, AFileThatCannotBeReadWholeIsRefusedWithItsPlace) {
    struct Case {
        const char* content;
        FeedFormat format;
        FeedError::Fault fault;
        int64_t line;
    };
    const Case cases[] = {
        {"<Envelope><Cube>\n<Cube time=\"2024-03-08\"><Cube currency=\"USD\" rate=\"1.1\"/>\n<Cube curr",
         FeedFormat::EcbXml, FeedError::Fault::Malformed, 3},
        {"<!DOCTYPE x [<!ENTITY a \"aaaa\">]><Envelope/>", FeedFormat::EcbXml, FeedError::Fault::NotThisFormat, 1},
        {"<html><body>Not found</body></html>", FeedFormat::EcbXml, FeedError::Fault::NotThisFormat, 1},
        {"<Envelope><Cube time=\"2024-02-30\"/></Envelope>", FeedFormat::EcbXml, FeedError::Fault::BadDate, 1},
        {"<Envelope><Cube/></Envelope>", FeedFormat::EcbXml, FeedError::Fault::NoRates, 0},
        {"Date,USD\n2024-03-08,1,2\n", FeedFormat::EcbCsv, FeedError::Fault::BadLine, 2},
        {"Date,USD\n2024-03-08,-1\n", FeedFormat::EcbCsv, FeedError::Fault::BadRate, 2},
        {"date,currency,rate\n2024-03-08,USD,0\n", FeedFormat::Csv, FeedError::Fault::BadRate, 2},
        {"2024-03-08,USD,7\n8.3.2024,USD,7\n", FeedFormat::Csv, FeedError::Fault::BadDate, 2},
    };
    for (const Case& c : cases) {
        try {
            hub::feed::ReadFeed(c.content, c.format);
            ADD_FAILURE() << c.content << " was read";
        } catch (const FeedError& error) {
            EXPECT_EQ(error.Kind(), c.fault) << c.content;
            EXPECT_EQ(error.Line(), c.line) << c.content;
        }
    }
}

}  // namespace
