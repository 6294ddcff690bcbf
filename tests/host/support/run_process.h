// Runs a program as a person would from a shell without a terminal, and collects
// what it printed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hub::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Standard input is /dev/null, so nothing the program asks can be answered.
ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& scratch);

}  // namespace hub::test
