// The session property string ("UserID=1;Language=en;IP=..."), read by the host
// and by the plug-in. Input: a separator length byte, the separator, the key up to
// the first line break, then the property string.
#include <algorithm>
#include <string>

#include "frame/session_context.h"
#include "fuzz_support.h"
#include "services/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t separatorLength = std::min<size_t>(data[0] % 4, input.size());
    const std::string separator = input.substr(0, separatorLength);
    // A separator holding '=' cannot tell a key from a value: not a property string.
    if (separator.find('=') != std::string::npos) return 0;
    const std::string rest = input.substr(separatorLength);
    const size_t keyEnd = std::min(rest.find('\n'), rest.size());
    const std::string key = rest.substr(0, keyEnd);
    const std::string props = keyEnd < rest.size() ? rest.substr(keyEnd + 1) : std::string();

    // A value is a piece of one entry: it never reaches into the next one.
    const std::string hostValue = hub::PropsValue(props, key);
    fuzz::Require(hostValue.find(';') == std::string::npos, "a host value stops at ';'");
    fuzz::Require(props.find(hostValue) != std::string::npos, "a host value is taken from the string");

    const std::string pluginValue = qel::GetPropsValue(props, key, separator);
    fuzz::Require(separator.empty() || pluginValue.find(separator) == std::string::npos,
                  "a plug-in value stops at the separator");
    fuzz::Require(props.find(pluginValue) != std::string::npos, "a plug-in value is taken from the string");
    return 0;
}
