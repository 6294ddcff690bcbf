// db check: the company read through, by the database's own check and by the
// company's rules, each finding told in a sentence.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "cli/command_registry.h"
#include "cli/record_output.h"
#include "db/database.h"
#include "i18n/catalogue.h"
#include "model/company_check.h"

namespace hub::cli {
namespace {

// The rule's name in the machine-readable report.
const char* RuleKey(CompanyRule rule) {
    switch (rule) {
        case CompanyRule::Storage:
            return "storage";
        case CompanyRule::MissingHeader:
            return "missingHeader";
        case CompanyRule::MissingEntry:
            return "missingEntry";
        case CompanyRule::BadReverseRate:
            return "badReverseRate";
        case CompanyRule::Overlap:
            return "overlap";
        case CompanyRule::UnknownAuditor:
            return "unknownAuditor";
    }
    return "";
}

std::string Sentence(const std::string& language, const CompanyFinding& finding) {
    const tolm::Variant code(finding.rateCode);
    const tolm::Variant id(finding.rateId);
    switch (finding.rule) {
        case CompanyRule::Storage:
            return TranslateFormat(language, "数据库自身的完整性检查发现%1处问题：公司数据库已损坏，请从备份恢复。",
                                   {static_cast<int32_t>(finding.problems.size())});
        case CompanyRule::MissingHeader:
            return TranslateFormat(language, "汇率 %1（内码%2）只有明细，缺少主记录，汇率列表中不显示。", {code, id});
        case CompanyRule::MissingEntry:
            return TranslateFormat(language, "汇率 %1（内码%2）只有主记录，缺少明细。", {code, id});
        case CompanyRule::BadReverseRate:
            return TranslateFormat(language, "汇率 %1（内码%2）的反向汇率无效：应为大于0的有限数值。", {code, id});
        case CompanyRule::Overlap:
            return TranslateFormat(language, "汇率 %1（内码%2）与汇率 %3（内码%4）的汇率类型和币别相同，有效期重叠。",
                                   {code, id, finding.otherCode, finding.otherId});
        case CompanyRule::UnknownAuditor:
            return TranslateFormat(language, "汇率 %1（内码%2）的审核人（用户内码%3）不存在。",
                                   {code, id, finding.userId});
    }
    return {};
}

nlohmann::ordered_json FindingJson(const CompanyFinding& finding) {
    nlohmann::ordered_json json = {{"rule", RuleKey(finding.rule)}};
    if (finding.rule == CompanyRule::Storage) {
        json["problems"] = finding.problems.size();
        return json;
    }
    json["rate"] = {{"id", finding.rateId}, {"code", finding.rateCode}};
    if (finding.rule == CompanyRule::Overlap)
        json["otherRate"] = {{"id", finding.otherId}, {"code", finding.otherCode}};
    if (finding.rule == CompanyRule::UnknownAuditor) json["userId"] = finding.userId;
    return json;
}

int Check(CommandContext& context) {
    const std::string& language = context.Language();
    std::vector<CompanyFinding> findings;
    try {
        findings = CheckCompany(*context.OpenSession()->Db());
    } catch (const tolm::HostError& error) {
        const std::optional<DatabaseFault> fault = FaultOf(error);
        if (fault != DatabaseFault::Damaged && fault != DatabaseFault::NotADatabase) throw;
        DebugLog(error.Description());
        context.Err() << "tolm: "
                      << Translate(language, "公司数据库已损坏，无法读取，不能检查；请从备份恢复公司数据库。") << "\n";
        return 1;
    }
    for (const CompanyFinding& finding : findings) {
        for (const std::string& problem : finding.problems) DebugLog(problem);
    }

    if (context.Json()) {
        nlohmann::ordered_json report = {{"database", context.Host().DatabaseName()},
                                         {"findings", nlohmann::ordered_json::array()}};
        for (const CompanyFinding& finding : findings) report["findings"].push_back(FindingJson(finding));
        PrintJson(context.Out(), report);
    } else if (findings.empty()) {
        context.Out() << TranslateFormat(language, "公司数据库 %1 检查完毕，没有发现问题。",
                                         {context.Host().DatabaseName()})
                      << "\n";
    } else {
        for (const CompanyFinding& finding : findings) context.Out() << Sentence(language, finding) << "\n";
    }
    return findings.empty() ? 0 : 1;
}

}  // namespace

void AddDatabaseCheckCommand(CommandSet& commands) {
    if (CLI::App* check = commands.AddUnder(
            "db", "check",
            "Check the company: the database's own integrity check, then the company's rules for its rates "
            "(header and entry, reverse rate, no overlapping validity, an existing auditor); exit 1 on any finding",
            &Check)) {
        commands.OnlyReads(*check);
    }
}

}  // namespace hub::cli
