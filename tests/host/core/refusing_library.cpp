// A plug-in with all four entry points that refuses whatever it is asked.
#include <memory>
#include <string>

#include "tolm/host_error.h"
#include "tolm/plugin_abi.h"

namespace {

// Class id for which the library hands out a class object that creates nothing.
constexpr const char* EmptyFactoryClassId = "{00000000-0000-0000-0000-0000000000E0}";

class EmptyFactory final : public tolm::IClassFactory {
public:
    std::shared_ptr<tolm::Object> CreateInstance() override { return nullptr; }
    void LockServer(bool) override {}
};

}  // namespace

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

TEST_EXPORT tolm::HRESULT DllRegisterServer() {
    return tolm::E_FAIL;
}

TEST_EXPORT tolm::HRESULT DllUnregisterServer() {
    throw tolm::HostError(tolm::err::AccessDenied, "Unregistering is not allowed here", "RefusingLibrary");
}

TEST_EXPORT tolm::HRESULT DllGetClassObject(const char* classId, std::shared_ptr<tolm::IClassFactory>* factory) {
    if (std::string(classId) == EmptyFactoryClassId) {
        *factory = std::make_shared<EmptyFactory>();
        return tolm::S_OK;
    }
    return tolm::CLASS_E_CLASSNOTAVAILABLE;
}

TEST_EXPORT tolm::HRESULT DllCanUnloadNow() {
    return tolm::S_OK;
}
