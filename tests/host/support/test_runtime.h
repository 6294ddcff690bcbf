// The options of a runtime for a test: the given platform, and a class registry of
// the test's own that holds nothing, so what a developer registered on this machine
// never answers for a class a test expects to be missing.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/runtime.h"
#include "tolm/platform.h"

namespace hub {

inline RuntimeOptions TestRuntimeOptions(std::shared_ptr<tolm::IPlatform> platform) {
    RuntimeOptions options;
    options.database = ":memory:";
    options.registry = std::filesystem::temp_directory_path() /
                       ("tolm-test-registry-" + std::to_string(::getpid()) + "-unused.json");
    options.platform = std::move(platform);
    return options;
}

}  // namespace hub
