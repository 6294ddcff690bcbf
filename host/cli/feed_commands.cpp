// feed import, feed fetch: a central bank's published reference rates taken into a
// rate type, from a file or downloaded, as rates not audited yet. The rate feed
// service decides and stores; this shows its report. Exit status 1 when anything
// was refused or nothing could be stored.
#include <memory>
#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/command_registry.h"
#include "cli/record_output.h"
#include "i18n/catalogue.h"
#include "services/rate_feed.h"

namespace hub::cli {
namespace {

struct FeedOptions {
    std::string source;
    int32_t typeId = 0;
    std::string format;
};

nlohmann::ordered_json RateJson(const FeedRate& rate) {
    nlohmann::ordered_json json = {{"FCurrencyNumber", rate.currency},
                                   {"FBegDate", tolm::FormatDateText(rate.begin)},
                                   {"FEndDate", tolm::FormatDateText(rate.end)},
                                   {"FExchangeRate", rate.rate}};
    if (!rate.number.empty()) json["FNumber"] = rate.number;
    if (!rate.reason.empty()) json["reason"] = rate.reason;
    return json;
}

void PrintReport(const CommandContext& context, const FeedReport& report, const std::string& source) {
    std::ostream& out = context.Out();
    if (context.Json()) {
        nlohmann::ordered_json json = {{"source", source},
                                       {"format", feed::FeedFormatName(*report.format)},
                                       {"stored", nlohmann::ordered_json::array()},
                                       {"present", report.present},
                                       {"refused", nlohmann::ordered_json::array()},
                                       {"skipped", report.skipped}};
        for (const FeedRate& rate : report.stored) json["stored"].push_back(RateJson(rate));
        for (const FeedRate& rate : report.refused) json["refused"].push_back(RateJson(rate));
        PrintJson(out, json);
        return;
    }
    out << FeedReportText(report, context.Language());
}

int ImportFeed(CommandContext& context, const FeedOptions& options, bool download) {
    const std::string& language = context.Language();
    const std::shared_ptr<Session>& session = context.OpenSession();
    FeedRequest request;
    request.typeId = options.typeId;
    if (!options.format.empty()) request.format = feed::FeedFormatNamed(options.format);
    if (download) {
        request.source = options.source;
        request.content = FetchFeed(options.source, language);
    } else {
        const std::filesystem::path file = CommandFile(context, options.source);
        request.source = file.string();
        request.content = ReadFeedFile(file, language);
    }
    const FeedReport report = RateFeed(session).Import(request);
    if (report.outcome.kind != Outcome::Kind::Done) {
        context.Err() << "tolm: " << report.outcome.reason << "\n";
        return 1;
    }
    PrintReport(context, report, request.source);
    if (!report.refused.empty()) {
        context.Err() << "tolm: "
                      << TranslateFormat(language, "有%1个汇率没有保存。", {static_cast<double>(report.refused.size())})
                      << "\n";
    }
    return report.ExitStatus();
}

void AddFeedOptions(CLI::App& command, FeedOptions& options) {
    command.add_option("--type", options.typeId, "The id of the exchange-rate type the rates go into")->required();
    command.add_option("--format", options.format, "ecb-xml, ecb-csv or csv (told from the content when not given)")
        ->check(CLI::IsMember({"ecb-xml", "ecb-csv", "csv"}));
}

}  // namespace

void AddFeedCommands(CommandSet& commands) {
    auto options = std::make_shared<FeedOptions>();
    auto fromFile = std::make_shared<bool>(false);
    CLI::App& feed = commands.Add("feed", "Take a central bank's published reference rates in, as unaudited rates",
                                  [options, fromFile](CommandContext& context) {
                                      return ImportFeed(context, *options, !*fromFile);
                                  });
    feed.require_subcommand(1);
    if (CLI::App* import =
            commands.Subcommand(feed, "import", "Read the rates from FILE (a zip holding one file is unpacked)")) {
        import->add_option("FILE", options->source, "The published file")->required();
        AddFeedOptions(*import, *options);
        import->callback([fromFile] { *fromFile = true; });
    }
    if (CLI::App* fetch =
            commands.Subcommand(feed, "fetch", "Download the rates from URL (http or https) and read them")) {
        fetch->add_option("URL", options->source, "The address of the published file")->required();
        AddFeedOptions(*fetch, *options);
    }
}

}  // namespace hub::cli
