// The template filler (%1..%n). Input: a count byte, then for each value a kind
// byte and eight bytes of payload, then the template.
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "tolm/host_error.h"
#include "tolm/host_library.h"

namespace {

tolm::Variant ValueOf(uint8_t kind, const uint8_t* payload) {
    int64_t bits;
    std::memcpy(&bits, payload, sizeof bits);
    double real;
    std::memcpy(&real, payload, sizeof real);
    switch (kind % 8) {
        case 0: return tolm::Variant();
        case 1: return tolm::Variant::Null();
        case 2: return tolm::Variant(static_cast<int16_t>(bits));
        case 3: return tolm::Variant(static_cast<int32_t>(bits));
        case 4: return tolm::Variant(real);  // NaN, infinities and denormals included
        case 5: return tolm::Variant(tolm::DateTime(std::chrono::seconds(bits % 400'000'000'000)));
        case 6: return tolm::Variant((bits & 1) != 0);
        default: return tolm::Variant(std::string(reinterpret_cast<const char*>(payload), 8));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t count = data[0] % 16;
    size_t pos = 1;
    tolm::VariantArray values;
    while (count-- > 0 && pos + 9 <= size) {
        values.push_back(ValueOf(data[pos], data + pos + 1));
        pos += 9;
    }
    const std::string text(reinterpret_cast<const char*>(data) + pos, size - pos);

    tolm::TemplateFiller filler;
    std::string filled;
    try {
        filled = filler.FillTemplate(text, values);
    } catch (const tolm::HostError&) {
        return 0;  // a value that cannot be shown as text is refused, not mangled
    }
    // Without values nothing is a placeholder with a value: the text stays as written.
    fuzz::Require(filler.FillTemplate(text, {}) == text, "no values leave the template as written");
    if (values.empty()) fuzz::Require(filled == text, "no values leave the template as written");
    return 0;
}
