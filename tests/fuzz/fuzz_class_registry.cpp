// The class registry file: registrations or HostError, and every registration read
// names a class and a library in UTF-8, as Register demands of what it writes.
#include "fuzz_support.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"
#include "tolm/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::ScratchFile file(".json");
    const tolm::ClassRegistryFile registry(file.Write(data, size));
    try {
        for (const auto& registration : registry.Load()) {
            fuzz::Require(!registration.progId.empty() && !registration.library.empty(),
                          "a registration names its class and library");
            fuzz::Require(tolm::text::IsValidUtf8(registration.progId) && tolm::text::IsValidUtf8(registration.library),
                          "a registration is UTF-8");
        }
    } catch (const tolm::HostError&) {
    }
    return 0;
}
