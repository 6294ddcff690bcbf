// The session property string, the operation log and the wait cursor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tolm/variant.h"

namespace qel {

// The value of one shared property of this process's login, asked of the host's
// session component each time. "PropsString" comes back with ";Language=<code>" at
// its end when it holds no "Language" in any letter case. Raises the host's error
// when the component cannot be created or read.
tolm::Variant GetSharedProperty(const std::string& sName);

// The session property string: entries key=value separated by ";".
std::string GetPropsString();

// The value of the entry `sKey` in `sText`: the key matches a whole entry key (at the
// start of the text or right after a separator), without regard to letter case, and
// the value runs to the next separator (one is supplied after the last entry).
// Absent keys give the empty text. Never raises.
std::string GetPropsValue(const std::string& sText, const std::string& sKey, const std::string& sSeparator);

// Writes one operation-log record through the host's log server. An empty machine
// name or address makes both come from the session. True when the server accepted
// the record; never raises: any failure gives false and nothing is shown.
bool WriteOperationLog(const std::string& sOperationKey, int32_t lOperationKind, const std::string& sDescription,
                       const std::string& sMachineName, const std::string& sAddress);

struct ModuleState;

// Shows the hourglass for its life. Nested instances keep it until the outermost one
// ends; the count is the library's, kept in its shared state (module_state.h). Each
// instance holds the state it counted itself in, so it ends in the count it began in.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // The live WaitCursors of the library.
    static int32_t Count();

private:
    std::shared_ptr<ModuleState> m_state;
};

}  // namespace qel
