// What a plug-in library exposes to a host: the four entry points, its class
// objects, and the interfaces of its public classes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tolm/export.h"
#include "tolm/object.h"
#include "tolm/windows.h"

namespace tolm {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

// Creates instances of one class.
class TOLM_SDK_API IClassFactory : public Object {
public:
    ~IClassFactory() override;
    virtual std::shared_ptr<Object> CreateInstance() = 0;
    // Keeps the library loaded while locked (counted).
    virtual void LockServer(bool lock) = 0;
};

// Entry points, exported with C linkage under these names.
inline constexpr const char* DllRegisterServerName = "DllRegisterServer";
inline constexpr const char* DllUnregisterServerName = "DllUnregisterServer";
inline constexpr const char* DllGetClassObjectName = "DllGetClassObject";
inline constexpr const char* DllCanUnloadNowName = "DllCanUnloadNow";

// Writes the library's classes into ClassRegistryFile::DefaultPath().
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
// Class id text in, the class object out; CLASS_E_CLASSNOTAVAILABLE for an unknown id.
using DllGetClassObjectFn = HRESULT (*)(const char* classId, std::shared_ptr<IClassFactory>* factory);
// S_OK when no object of the library is alive, S_FALSE otherwise.
using DllCanUnloadNowFn = HRESULT (*)();

// The log rights.
enum Log_AccessType : int32_t {
    secView = 4,
    secDelete = 8,
    secExport = 16,
    secPrint = 32,
};

// Public classes, by the window role they serve.

// "BaseListEvents" classes: attach to a base list window.
class TOLM_SDK_API IBaseListEventsClass : public Object {
public:
    ~IBaseListEventsClass() override;
    virtual void Show(const std::shared_ptr<IBaseListInterface>& oBaseListInterface) = 0;
};

// "BillEvent" classes: attach to a bill window.
class TOLM_SDK_API IBillEventClass : public Object {
public:
    ~IBillEventClass() override;
    virtual void Show(const std::shared_ptr<IBillInterface>& oBillInterface) = 0;
};

// "ListEvents" classes: attach to a plain list window.
class TOLM_SDK_API IListEventsClass : public Object {
public:
    ~IListEventsClass() override;
    virtual void Show(const std::shared_ptr<IListInterface>& oListInterface) = 0;
    // Whether the session's user holds a log right.
    virtual bool CheckLogRight(Log_AccessType& AccessType) = 0;
};

// The exchange-rate type service.
class TOLM_SDK_API IExRateTypeClass : public Object {
public:
    ~IExRateTypeClass() override;
    virtual void SetListInterface(const std::shared_ptr<IBaseListInterface>& objValue) = 0;
    // 0 opens the dialog for a new type.
    virtual void EditExRateType(int32_t lTypeID = 0) = 0;
    // True only when the type was deleted.
    virtual bool DeleteExRateType(int32_t lTypeID) = 0;
};

}  // namespace tolm
