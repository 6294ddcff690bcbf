// The network part of a feed's download (rate_feed.h, FetchFeed). It lives in a module
// of its own (libtolm_download.so) with the network library it needs, loaded by
// FetchFeed when a feed is first fetched, so that no other command loads either.
// The module only transfers; FetchFeed tells the person what went wrong.
#pragma once

#include <cstddef>
#include <string>

namespace hub {

struct FeedTransfer {
    // What the transfer asks for.
    std::string url;
    long maxRedirects = 0;
    long timeLimitSeconds = 0;
    size_t maxSize = 0;
    // What it gave: the network library's result code (0: done), the server's answer
    // code, whether the body outgrew maxSize, and the body.
    int code = 0;
    long status = 0;
    bool tooLarge = false;
    std::string body;
};

// What the module exports, with its version, checked so that a module of another
// build is refused, not called.
struct FeedDownloader {
    int version;
    // Runs the transfer; false when the network library could not even start.
    bool (*transfer)(FeedTransfer& transfer);
};
inline constexpr int FeedDownloaderVersion = 1;

}  // namespace hub

#define TOLM_DOWNLOAD_MODULE "libtolm_download.so"
#define TOLM_DOWNLOAD_ENTRY "tolm_feed_downloader"
extern "C" const hub::FeedDownloader* tolm_feed_downloader();
