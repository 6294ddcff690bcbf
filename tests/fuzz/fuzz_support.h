// What every fuzz target shares: failing loudly on a broken invariant, and a
// scratch file for the readers that only take a path.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fuzz {

// A broken invariant is a finding like a crash: libFuzzer keeps the input.
inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// One file per process in the temporary folder, rewritten for every input and
// removed when the process ends, so parallel fuzzers never share one.
class ScratchFile {
public:
    explicit ScratchFile(std::string_view extension)
        : m_path(std::filesystem::temp_directory_path() /
                 ("tolm-fuzz-" + std::to_string(::getpid()) + std::string(extension))) {}
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }

    const std::filesystem::path& Write(const uint8_t* data, size_t size) {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        Require(out.good(), "the scratch file can be written");
        return m_path;
    }

private:
    std::filesystem::path m_path;
};

}  // namespace fuzz
