// The download of a feed (rate_feed.h): libcurl, certificates verified, http and
// https only (redirects included), a bounded number of redirects, a time limit and a
// size limit. The body is kept in memory and handed over whole, or not at all.
#include <memory>
#include <mutex>

#include <curl/curl.h>

#include "i18n/catalogue.h"
#include "services/rate_feed.h"
#include "tolm/host_error.h"

namespace hub {

namespace {

constexpr const char* Source = "HubBaseData.RateFeed";

struct Download {
    std::string body;
    size_t maxSize = 0;
    bool tooLarge = false;
};

size_t Keep(char* data, size_t size, size_t count, void* user) {
    auto& download = *static_cast<Download*>(user);
    const size_t length = size * count;
    if (download.body.size() + length > download.maxSize) {
        download.tooLarge = true;
        return 0;  // libcurl ends the transfer
    }
    download.body.append(data, length);
    return length;
}

[[noreturn]] void Fail(const std::string& language, const char* chineseTemplate, const tolm::VariantArray& values) {
    throw tolm::HostError(tolm::err::PathFileAccess, TranslateFormat(language, chineseTemplate, values), Source);
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

std::string FetchFeed(const std::string& url, const std::string& language, const FetchLimits& limits) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    const tolm::Variant address(url);
    std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle) Fail(language, "无法下载[%1]：网络功能无法启动。", {address});
    Download download;
    download.maxSize = limits.maxSize;
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(limits.timeLimit.count()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxSize));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "tolm");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);

    const CURLcode code = curl_easy_perform(curl);
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
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        Fail(language, "服务器没有提供[%1]（回答代码%2），没有导入任何汇率。", {address, static_cast<int32_t>(status)});
    }
    handle.reset();
    return download.body;
}

}  // namespace hub
