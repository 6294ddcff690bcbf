// A company database of its own for one test, on either backend: a file in a
// temporary folder, or a database in the throwaway PostgreSQL cluster that the test
// run starts (scripts/pg-test-cluster.sh, a CTest fixture).
#pragma once

#include <memory>
#include <string>

#include "db/database.h"
#include "support/temp_dir.h"

namespace hub::test {

enum class Backend { Sqlite, Postgres };

// "SQLite" or "PostgreSQL", for the names of parameterised tests.
std::string BackendName(Backend backend);

// The throwaway cluster's connection string (without a database name). Raises
// std::runtime_error saying why when there is none, so that the case fails with
// the reason instead of passing unseen.
std::string TestClusterConnection();

class ScratchDatabase {
public:
    // Creates an empty database (no schema) on the backend.
    explicit ScratchDatabase(Backend backend);
    // Drops it, with every connection still open to it.
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    // What OpenDatabase and `tolm --db` take.
    const std::string& Location() const { return m_location; }
    // A new connection of its own.
    std::shared_ptr<Database> Open() const;

private:
    Backend m_backend;
    TempDir m_dir;
    std::string m_name;
    std::string m_location;
};

}  // namespace hub::test
