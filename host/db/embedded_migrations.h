// The migration scripts, compiled into the program from migrations/<backend>/NNNN_*.sql
// by the build, so that the program needs no files beside it to create a database.
#pragma once

#include <span>
#include <string_view>

namespace hub {

struct EmbeddedMigration {
    int version;       // NNNN of the file name
    const char* name;  // the file name
    const char* sql;   // the script
};

// The migrations of one backend (its dialect's name, the folder's name), in
// ascending version order, numbered 1, 2, 3, ... without gaps; every backend has the
// same numbers (the build checks both). Empty for a backend without a folder.
std::span<const EmbeddedMigration> EmbeddedMigrations(std::string_view backend);

}  // namespace hub
