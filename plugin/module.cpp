// The library's entry points: self-registration, class objects and the unload test.
// Nothing runs at load time; classes are created only through their class objects.
#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "exrate_editor/ex_rate_bill_edit.h"
#include "exrate_list/ex_rate_base_list_event.h"
#include "exrate_types/ex_rate_type.h"
#include "exrate_types/ex_rate_type_list_event.h"
#include "frame/live_objects.h"
#include "oplog_viewer/log_list_event.h"
#include "tolm/plugin_abi.h"
#include "tolm/registry.h"
#include "tolm/text.h"

#define QEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace qel {
namespace {

constexpr const char* LibraryName = "TolmBaseQelPlugin";
constexpr const char* BaseListEventsHelp = "This is BaseListEvents Interface Class, made by TOLMQELPLUGINSWIZAED";
constexpr const char* BillEventHelp = "This is BillEvent Interface Class, made by TOLMQELPLUGINSWIZAED";
constexpr const char* ListEventsHelp = "This is ListEvents Interface Class, made by TOLMQELPLUGINSWIZAED";

template <class T>
class ClassFactory final : public tolm::IClassFactory {
public:
    std::shared_ptr<tolm::Object> CreateInstance() override { return std::make_shared<T>(); }
    void LockServer(bool lock) override { AddServerLock(lock); }

private:
    LiveObject m_oLive;
};

struct PublicClass {
    const char* className;
    const char* classId;
    const char* helpString;
    std::shared_ptr<tolm::IClassFactory> (*makeFactory)();
};

template <class T>
std::shared_ptr<tolm::IClassFactory> MakeFactory() {
    return std::make_shared<ClassFactory<T>>();
}

// Class ids are fixed for good: hosts may have stored them.
constexpr std::array<PublicClass, 5> PublicClasses{{
    {"CExRateBaseListEvent", "{8B992FDE-E70F-4954-9D81-FEB683683210}", BaseListEventsHelp,
     &MakeFactory<CExRateBaseListEvent>},
    {"CExRateTypeListEvent", "{F4669938-C57A-4A58-9D46-3D96AA5A6242}", BaseListEventsHelp,
     &MakeFactory<CExRateTypeListEvent>},
    {"CExRateBillEdit", "{F0167C1D-8F60-4035-AAE8-1A7A87B43636}", BillEventHelp, &MakeFactory<CExRateBillEdit>},
    {"CLogListEvent", "{AEEAE397-848F-4846-B00C-7E4E3209EE3D}", ListEventsHelp, &MakeFactory<CLogListEvent>},
    {"CExRateType", "{4D0C0F85-544D-48C6-8DA1-16F9ADF2E2D1}", "", &MakeFactory<CExRateType>},
}};

std::string ProgId(const PublicClass& oClass) { return std::string(LibraryName) + "." + oClass.className; }

// The absolute path of this library, as the host must find it again.
std::string OwnLibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnLibraryPath), &info) == 0 || info.dli_fname == nullptr) {
        throw tolm::HostError(tolm::err::FileNotFound, "Cannot find the path of the plug-in library");
    }
    return std::filesystem::absolute(info.dli_fname).lexically_normal().string();
}

bool SameClassId(const std::string& sLeft, const std::string& sRight) {
    return tolm::text::EqualsNoCase(sLeft, sRight);
}

}  // namespace
}  // namespace qel

QEL_EXPORT tolm::HRESULT DllRegisterServer() {
    try {
        const std::string sLibrary = qel::OwnLibraryPath();
        std::vector<tolm::ClassRegistration> classes;
        for (const auto& oClass : qel::PublicClasses) {
            classes.push_back({qel::ProgId(oClass), oClass.classId, oClass.helpString, sLibrary});
        }
        tolm::ClassRegistryFile(tolm::ClassRegistryFile::DefaultPath()).Register(classes);
        return tolm::S_OK;
    } catch (...) {
        return tolm::SELFREG_E_CLASS;
    }
}

QEL_EXPORT tolm::HRESULT DllUnregisterServer() {
    try {
        std::vector<std::string> progIds;
        for (const auto& oClass : qel::PublicClasses) progIds.push_back(qel::ProgId(oClass));
        tolm::ClassRegistryFile(tolm::ClassRegistryFile::DefaultPath()).Unregister(progIds);
        return tolm::S_OK;
    } catch (...) {
        return tolm::SELFREG_E_CLASS;
    }
}

QEL_EXPORT tolm::HRESULT DllGetClassObject(const char* classId, std::shared_ptr<tolm::IClassFactory>* factory) {
    if (classId == nullptr || factory == nullptr) return tolm::E_POINTER;
    try {
        for (const auto& oClass : qel::PublicClasses) {
            if (qel::SameClassId(classId, oClass.classId)) {
                *factory = oClass.makeFactory();
                return tolm::S_OK;
            }
        }
        factory->reset();
        return tolm::CLASS_E_CLASSNOTAVAILABLE;
    } catch (...) {
        return tolm::E_FAIL;
    }
}

QEL_EXPORT tolm::HRESULT DllCanUnloadNow() { return qel::LiveObjectCount() == 0 ? tolm::S_OK : tolm::S_FALSE; }
