// The migration scripts, compiled into the program from migrations/NNNN_*.sql by the
// build, so that the program needs no files beside it to create a database.
#pragma once

#include <span>

namespace hub {

struct EmbeddedMigration {
    int version;       // NNNN of the file name
    const char* name;  // the file name
    const char* sql;   // the script
};

// In ascending version order, numbered 1, 2, 3, ... without gaps (the build checks).
std::span<const EmbeddedMigration> EmbeddedMigrations();

}  // namespace hub
