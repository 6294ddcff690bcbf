// The published-rate readers: every format read to its end or FeedError, and every
// rate read is a decimal the cross-rate arithmetic takes.
#include "formats/feed_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace feed = hub::feed;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    feed::SniffFeedFormat(content);
    for (feed::FeedFormat format : {feed::FeedFormat::EcbXml, feed::FeedFormat::EcbCsv, feed::FeedFormat::Csv}) {
        try {
            for (const feed::PublishedRate& rate : feed::ReadFeed(content, format)) {
                const std::optional<feed::Decimal> value = feed::ParseDecimal(rate.rate);
                fuzz::Require(value && value->digits != 0, "a rate read is a decimal above 0");
                fuzz::Require(feed::RoundedQuotient(*value, *value, 18).has_value(), "a rate divides by itself");
            }
        } catch (const feed::FeedError&) {
        }
    }
    return 0;
}
