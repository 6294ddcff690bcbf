// Base of every object that crosses the host/plug-in boundary.
#pragma once

#include <memory>

#include "tolm/export.h"
#include "tolm/host_error.h"

namespace tolm {

// Every host object, component and plug-in class derives from Object. Objects are
// shared: whoever holds a std::shared_ptr keeps the object alive, and dropping the
// last reference releases it. The key function (the destructor) lives in the sdk
// library, so the type information is the same on both sides of the boundary and
// dynamic casts work across it.
class TOLM_SDK_API Object {
public:
    virtual ~Object();

    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

template <class T>
using Ref = std::shared_ptr<T>;

// The object a reference points to; raises ObjectNotSet for an empty reference, as a
// call on an object variable that holds nothing does.
template <class T>
T& Deref(const std::shared_ptr<T>& object) {
    if (!object) throw HostError(err::ObjectNotSet, "Object variable or With block variable not set");
    return *object;
}

}  // namespace tolm
