// Published reference rates taken into a rate type: a central bank's file, read
// from disk or downloaded, becomes rates that are not audited yet, each checked and
// stored by the rate book as the editor would store it. A day that already holds a
// rate is never overwritten, and a day the file publishes nothing for stays
// without a rate, for the coverage report to show.
//
// A published day's rate is valid from that day to the day before the next day
// the file publishes the same currency (weekends and holidays keep the last
// published rate); the currency's last published day is valid for that day alone.
// Rates quoted per euro are crossed into the home currency (home per euro divided by
// the currency per euro) on the decimal values, and rounded half away from zero to
// the type's places before they are stored, so the list shows what is stored.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/feed_reader.h"
#include "services/service_component.h"
#include "services/unit_of_work.h"

namespace hub {

// The largest feed read or downloaded (the whole history file is a few MB).
inline constexpr size_t MaxFeedSize = size_t{64} << 20;

struct FeedRequest {
    std::string source;   // the file or address, as the report and the log name it
    std::string content;  // what it holds; a zip archive holding one file (as the history CSV is published) is unpacked
    std::optional<feed::FeedFormat> format;  // told from the content when not given
    int32_t typeId = 0;
};

struct FeedRate {
    std::string currency;  // the company's code
    tolm::DateTime begin{};
    tolm::DateTime end{};
    std::string rate;      // as stored, with the type's places
    std::string number;    // the code given to a stored rate
    std::string reason;    // why a refused one was not stored
};

struct FeedReport {
    // told: false. Refused or Failed means nothing was stored (the file could not
    // be read, the right or the type is missing, the work could not be finished).
    Outcome outcome;
    std::optional<feed::FeedFormat> format;
    std::vector<FeedRate> stored;
    int64_t present = 0;              // periods the company holds already, same day and rate
    std::vector<FeedRate> refused;    // each with its reason; the others are stored all the same
    std::vector<std::string> skipped; // codes of currencies the company does not have

    // The command line's exit status: 0 when done without a refusal.
    int ExitStatus() const { return outcome.kind == Outcome::Kind::Done && refused.empty() ? 0 : 1; }
};

class RateFeed : private ServiceComponent {
public:
    explicit RateFeed(std::shared_ptr<Session> session);

    // Stores the new rates of the feed into the type, as one unit of work with one
    // operation-log record naming the source and the counts (none when nothing was
    // stored). Needs the right to add rates. Never raises.
    FeedReport Import(const FeedRequest& request) const;
};

// The report as a person reads it, one line each: the currencies skipped, the rates
// not stored with their reasons, the counts; only the reason when nothing could be
// stored.
std::string FeedReportText(const FeedReport& report, const std::string& language);

// The content of a feed file. Raises HostError saying why, in `language`, when it does not
// exist, cannot be read or is larger than MaxFeedSize.
std::string ReadFeedFile(const std::filesystem::path& path, const std::string& language);

struct FetchLimits {
    long maxRedirects = 5;
    std::chrono::seconds timeLimit{120};
    size_t maxSize = MaxFeedSize;
};

// The body at an http or https address (certificates verified). Raises HostError saying why, in `language`, when the
// download fails, is answered with anything but success, breaks off, takes longer
// than the time limit or is larger than the size limit.
std::string FetchFeed(const std::string& url, const std::string& language, const FetchLimits& limits = {});

}  // namespace hub
