// The server's client library, the network library, the libraries of the file
// formats and the cryptography library are loaded only by what uses them: a
// program working on an embedded company, reading or writing none of those files
// and checking no password maps none of them.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "base/host_module.h"
#include "db/database.h"
#include "formats/zip_single.h"
#include "services/password_hash.h"
#include "services/feed_download.h"

namespace {

bool Loaded(const char* library) {
    void* handle = ::dlopen(library, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) ::dlclose(handle);
    return handle != nullptr;
}

TEST(LazyBackend, AnEmbeddedCompanyLoadsNoServerLibraryUntilAServerLocationIsUsed) {
    auto db = hub::OpenDatabase(":memory:");
    db->Query("SELECT 1 AS one");
    EXPECT_EQ(hub::DatabaseDisplayName("company.db").ends_with("company.db"), true);
    EXPECT_FALSE(Loaded("libpq.so.5"));
    EXPECT_FALSE(Loaded("libcurl.so.4"));
    EXPECT_FALSE(Loaded("libzip.so.4"));
    EXPECT_FALSE(Loaded("libxlsxwriter.so.4"));
    EXPECT_FALSE(Loaded("libhpdf-2.3.0.so"));
    EXPECT_FALSE(Loaded("libsodium.so.23"));

    // The first function of the formats module loads it, and its libraries.
    EXPECT_FALSE(hub::formats::IsZip("not an archive"));
    EXPECT_TRUE(Loaded("libzip.so.4"));

    // The first password checked loads the passwords module, and its library.
    EXPECT_FALSE(hub::PasswordMatches("", "secret"));
    EXPECT_TRUE(Loaded("libsodium.so.23"));

    // Naming a server location needs the backend, and loads it.
    EXPECT_EQ(hub::DatabaseDisplayName("postgresql://clerk@db1:5433/books"), "books on db1:5433");
    EXPECT_TRUE(hub::LocationNamesRole("postgresql://clerk@db1/books"));
    EXPECT_TRUE(Loaded("libpq.so.5"));
    // A server that is not there is told as such, through the loaded backend.
    try {
        hub::OpenDatabase("host=/nonexistent-socket-folder dbname=books", hub::OpenMode::Existing);
        ADD_FAILURE() << "a server that is not there was opened";
    } catch (const hub::DatabaseError& error) {
        EXPECT_EQ(error.Fault(), hub::DatabaseFault::ConnectionLost) << error.Description();
    }
}

TEST(LazyBackend, ModulesAreFoundBesideTheHostLibraryAndRefusedWhenTheyAreNotOurs) {
    const hub::HostModule download = hub::LoadHostModule(TOLM_DOWNLOAD_MODULE, TOLM_DOWNLOAD_ENTRY);
    ASSERT_NE(download.entry, nullptr) << download.reason;
    const auto* downloader = reinterpret_cast<const hub::FeedDownloader* (*)()>(download.entry)();
    EXPECT_EQ(downloader->version, hub::FeedDownloaderVersion);

    const hub::HostModule missing = hub::LoadHostModule("libtolm_no_such_module.so", "entry");
    EXPECT_EQ(missing.entry, nullptr);
    EXPECT_NE(missing.reason.find("libtolm_no_such_module.so"), std::string::npos) << missing.reason;

    const hub::HostModule foreign = hub::LoadHostModule(TOLM_DOWNLOAD_MODULE, "tolm_no_such_entry");
    EXPECT_EQ(foreign.entry, nullptr);
    EXPECT_NE(foreign.reason.find("not a module of this program"), std::string::npos) << foreign.reason;
}

}  // namespace
