#include "tolm/object.h"

namespace tolm {

// Out of line on purpose: this is the key function that anchors Object's type
// information in the sdk library, shared by the host and every plug-in.
Object::~Object() = default;

}  // namespace tolm
