// The catalogue (.po) reader: a catalogue or HostError, and what it finds is what
// it read.
#include <string>

#include "fuzz_support.h"
#include "i18n/catalogue.h"
#include "tolm/host_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    hub::Catalogue catalogue;
    try {
        catalogue = hub::Catalogue::Parse(text, "fuzz.po");
    } catch (const tolm::HostError&) {
        return 0;
    }
    for (const auto& entry : catalogue.Entries()) {
        fuzz::Require(entry.line >= 1, "an entry knows its line");
        const auto found = catalogue.Find(entry.msgid);
        // A usable entry is found, though a later entry of the same msgid may win.
        if (!entry.fuzzy && !entry.msgstr.empty() && !entry.msgid.empty()) {
            fuzz::Require(found.has_value(), "a usable entry is found");
        }
    }
    fuzz::Require(!catalogue.Find("").has_value(), "the header is never found");
    return 0;
}
