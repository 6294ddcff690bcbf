// The download of a feed (rate_feed.h): the download module (feed_download.h) does
// the transfer; here its outcome becomes the body, handed over whole, or a sentence
// saying why there is none.
#include <utility>

// Only the names of libcurl's result codes: the library is the module's.
#include <curl/curl.h>

#include "base/debug_log.h"
#include "base/host_module.h"
#include "i18n/catalogue.h"
#include "services/feed_download.h"
#include "services/rate_feed.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubBaseData.RateFeed";

[[noreturn]] void Fail(const std::string& language, const char* chineseTemplate, const tolm::VariantArray& values) {
    throw tolm::HostError(tolm::err::PathFileAccess, TranslateFormat(language, chineseTemplate, values), Source);
}

// The download module, loaded at the first fetch; nothing when it cannot be loaded.
const FeedDownloader* Downloader() {
    static const FeedDownloader* const downloader = []() -> const FeedDownloader* {
        std::string reason;
        const FeedDownloader* found =
            LoadModuleTable<FeedDownloader>(TOLM_DOWNLOAD_MODULE, TOLM_DOWNLOAD_ENTRY, FeedDownloaderVersion, reason);
        if (found == nullptr) DebugLog("The download module cannot be loaded: " + reason);
        return found;
    }();
    return downloader;
}

}  // namespace

std::string FetchFeed(const std::string& url, const std::string& language, const FetchLimits& limits) {
    const tolm::Variant address(url);
    const FeedDownloader* downloader = Downloader();
    FeedTransfer download;
    download.url = url;
    download.maxRedirects = limits.maxRedirects;
    download.timeLimitSeconds = static_cast<long>(limits.timeLimit.count());
    download.maxSize = limits.maxSize;
    if (downloader == nullptr || !downloader->transfer(download)) {
        Fail(language, "无法下载[%1]：网络功能无法启动。", {address});
    }
    const CURLcode code = static_cast<CURLcode>(download.code);
    const tolm::Variant megabytes(static_cast<int32_t>(limits.maxSize >> 20));
    switch (code) {
        case CURLE_OK:
            break;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            Fail(language, "[%1]不是http或https地址，没有下载。", {address});
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            Fail(language, "找不到[%1]的服务器：请检查地址和网络连接。", {address});
        case CURLE_COULDNT_CONNECT:
            Fail(language, "无法连接[%1]的服务器：请检查地址和网络连接。", {address});
        case CURLE_OPERATION_TIMEDOUT:
            Fail(language, "下载[%1]超过%2秒还没有完成，已放弃。", {address, static_cast<int32_t>(limits.timeLimit.count())});
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
            Fail(language, "[%1]的服务器证书无法验证，为安全起见没有下载。", {address});
        case CURLE_TOO_MANY_REDIRECTS:
            Fail(language, "[%1]转向其他地址的次数过多，已放弃。", {address});
        case CURLE_FILESIZE_EXCEEDED:
            Fail(language, "[%1]的内容大于%2 MB，没有下载。", {address, megabytes});
        case CURLE_WRITE_ERROR:
            if (download.tooLarge) Fail(language, "[%1]的内容大于%2 MB，没有下载。", {address, megabytes});
            [[fallthrough]];
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
            Fail(language, "下载[%1]没有完成：连接在内容传完之前断开了，没有导入任何汇率。", {address});
        default:
            Fail(language, "下载[%1]失败：网络出错，没有导入任何汇率。", {address});
    }
    const long status = download.status;
    if (status != 200) {
        Fail(language, "服务器没有提供[%1]（回答代码%2），没有导入任何汇率。", {address, static_cast<int32_t>(status)});
    }
    return std::move(download.body);
}

}  // namespace hub
