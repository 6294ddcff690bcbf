#include "support/scratch_database.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace hub::test {

std::string BackendName(Backend backend) { return backend == Backend::Sqlite ? "SQLite" : "PostgreSQL"; }

std::string TestClusterConnection() {
    if (const char* given = std::getenv("TOLM_TEST_PG")) return given;
    const char* buildDir = std::getenv("TOLM_BUILD_DIR");
    if (buildDir == nullptr) {
        throw std::runtime_error(
            "No PostgreSQL test cluster: run the tests through ctest (which starts one) or set TOLM_TEST_PG");
    }
    const std::string stateFile = std::string(buildDir) + "/pg-test-cluster.state";
    std::ifstream state(stateFile);
    std::string line;
    std::string connection;
    while (std::getline(state, line)) {
        if (!line.empty() && line[0] != '#') connection = line;
    }
    if (connection.empty()) {
        throw std::runtime_error(std::string("The PostgreSQL test cluster did not start (see the ctest case "
                                             "pg_cluster.start); no connection in ") +
                                 stateFile);
    }
    return connection;
}

ScratchDatabase::ScratchDatabase(Backend backend) : m_backend(backend) {
    if (backend == Backend::Sqlite) {
        m_location = (m_dir / "company.db").string();
        return;
    }
    static std::atomic<int> counter{0};
    m_name = "tolm_t" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    const std::string cluster = TestClusterConnection();
    OpenDatabase(cluster + " dbname=postgres", OpenMode::Existing)->Execute("CREATE DATABASE " + m_name);
    m_location = cluster + " dbname=" + m_name;
}

ScratchDatabase::~ScratchDatabase() {
    if (m_backend != Backend::Postgres) return;
    try {
        OpenDatabase(TestClusterConnection() + " dbname=postgres", OpenMode::Existing)
            ->Execute("DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
    } catch (...) {
        // The cluster is removed at the end of the run with everything in it.
    }
}

std::shared_ptr<Database> ScratchDatabase::Open() const { return OpenDatabase(m_location); }

}  // namespace hub::test
