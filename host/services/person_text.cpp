#include "services/person_text.h"

#include <string_view>

#include "base/debug_log.h"
#include "base/host_module.h"
#include "base/text_util.h"
#include "db/database.h"
#include "i18n/catalogue.h"

namespace hub {

namespace {

// Where the embedded database's text quotes the statement that failed.
constexpr std::string_view StatementMark = " [in: ";

// The rule a refusal of the schema stands for, told apart by the names its reason
// carries: the embedded database names the column, the server the constraint, and
// both carry the column's name once folded to lower case.
const char* RuleBroken(DatabaseFault fault, const std::string& description) {
    const size_t statement = description.find(StatementMark);
    const std::string text = AsciiLower(description.substr(0, statement));
    auto has = [&](std::string_view word) { return text.find(word) != std::string::npos; };
    switch (fault) {
        case DatabaseFault::Overlap:
            return "已存在同一汇率类型、同一币别、同一日期的汇率数据。";
        case DatabaseFault::Rule:
            if (has("preset")) {
                return has("cannot change") ? "系统预设汇率类型的代码和名称不允许修改。" : "系统预设汇率类型不允许删除。";
            }
            if (has("fexchangerate")) return "汇率值无效，请输入大于0的数值！";
            if (has("fcyto")) return "不允许录入本位币汇率，请选择其它币别。";
            if (has("fdigits")) return "汇率精度应为0到10之间的整数。";
            if (has("fbegdate") || has("fenddate")) return "生效日期不能晚于失效日期，日期应在0100-01-01之后。";
            return "数据不符合公司数据库的规则，未保存；请检查输入的内容。";
        case DatabaseFault::Duplicate:
            if (has("number")) return "汇率类型代码已存在，请换一个代码。";
            if (has("name")) return "汇率类型名称已存在，请换一个名称。";
            return "相同的数据已存在，未保存。";
        case DatabaseFault::Reference:
            return "数据仍被其他记录使用，或所用的记录已不存在，未保存。";
        case DatabaseFault::ReadOnly:
            return "公司数据库只能读取，修改未保存；请检查数据库文件及其所在文件夹的写入权限。";
        case DatabaseFault::Full:
            return "磁盘空间不足，修改未保存；请释放磁盘空间后重试。";
        case DatabaseFault::Busy:
            return "其他用户正在修改公司数据，修改未保存；请稍后重试。";
        case DatabaseFault::Retryable:
            return "与其他用户同时所做的修改冲突，修改未保存；请重试。";
        case DatabaseFault::ConnectionLost:
            return "与数据库服务器的连接已断开，修改未保存；请检查网络后重试。";
        case DatabaseFault::Damaged:
            return "公司数据库已损坏，操作未完成；请运行 tolm db check 了解详情。";
        case DatabaseFault::NotADatabase:
            return "所给的文件不是公司数据库，也可能已损坏到无法辨认；请运行 tolm db check 了解详情。";
        case DatabaseFault::Login:
            return "数据库服务器拒绝了登录：用户不存在、密码不正确，或该用户不能连接这个数据库；请检查用户名和密码，或请系统管理员为你设置。";
        case DatabaseFault::Permission:
            return "数据库服务器不允许你的用户做这项操作，未保存任何修改；请系统管理员授予相应的权限。";
        case DatabaseFault::Other:
            break;
    }
    // A statement the database could not run; what failed to open keeps its sentence
    // about the file.
    return statement != std::string::npos ? "数据库未能完成这次操作，修改未保存。" : nullptr;
}

// What a broken installation lacks, told by the source of the loader's error.
const char* MissingModule(const std::string& source) {
    const std::string_view prefix = MissingModuleSource;
    if (!source.starts_with(prefix)) return nullptr;
    const std::string_view part = std::string_view(source).substr(prefix.size());
    if (part == ".Server") {
        return "本程序的安装缺少数据库服务器支持（或其所需的PostgreSQL客户端库），无法打开服务器上的公司；请安装PostgreSQL客户端库，或重新安装本程序。";
    }
    if (part == ".Passwords") return "本程序的安装缺少密码支持，无法设置或核对密码；请重新安装本程序。";
    if (part == ".Formats") {
        return "本程序的安装缺少文件格式支持，无法读写工作簿、PDF、zip或汇率文件；请重新安装本程序。";
    }
    return nullptr;
}

}  // namespace

std::string PersonText(const tolm::HostError& error, const std::string& language) {
    if (const char* missing = MissingModule(error.Source())) {
        DebugLog(error.Description());
        return Translate(language, missing);
    }
    const std::optional<DatabaseFault> fault = FaultOf(error);
    if (!fault) return error.Description();
    const char* rule = RuleBroken(*fault, error.Description());
    if (rule == nullptr) return error.Description();
    DebugLog(error.Description());
    return Translate(language, rule);
}

}  // namespace hub
