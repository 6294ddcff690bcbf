// The module that downloads a feed (feed_download.h): libcurl, certificates verified,
// http and https only (redirects included), a bounded number of redirects, a time
// limit and a size limit. The body is kept in memory.
#include "feed_download.h"

#include <memory>
#include <mutex>

#include <curl/curl.h>

namespace hub {

namespace {

size_t Keep(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<FeedTransfer*>(user);
    const size_t length = size * count;
    if (transfer.body.size() + length > transfer.maxSize) {
        transfer.tooLarge = true;
        return 0;  // libcurl ends the transfer
    }
    transfer.body.append(data, length);
    return length;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

bool Transfer(FeedTransfer& transfer) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle) return false;
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, transfer.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, transfer.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, transfer.timeLimitSeconds);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.maxSize));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "tolm");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    transfer.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &transfer.status);
    return true;
}

}  // namespace

}  // namespace hub

extern "C" __attribute__((visibility("default"))) const hub::FeedDownloader* tolm_feed_downloader() {
    static const hub::FeedDownloader downloader{hub::FeedDownloaderVersion, &hub::Transfer};
    return &downloader;
}
