// A plug-in that stopped half-way: it can register itself but hand out nothing.
#include "tolm/plugin_abi.h"

extern "C" __attribute__((visibility("default"))) tolm::HRESULT DllRegisterServer() {
    return tolm::S_OK;
}
