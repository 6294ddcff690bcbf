#include "tolm/host_error.h"

#include <new>
#include <utility>

namespace tolm {

HostError::HostError(int32_t number, const std::string& description, std::string source, std::string helpFile,
                     int32_t helpContext)
    : std::runtime_error(description),
      m_number(number),
      m_description(description),
      m_source(std::move(source)),
      m_helpFile(std::move(helpFile)),
      m_helpContext(helpContext) {}

HostError::~HostError() = default;

HostError CurrentError() {
    std::exception_ptr current = std::current_exception();
    if (!current) {
        // Called outside a handler: there is nothing to rethrow, and rethrowing a
        // null pointer would be undefined.
        return HostError(err::InternalError, "No error is being handled");
    }
    try {
        std::rethrow_exception(current);
    } catch (const HostError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return HostError(err::OutOfMemory, "Out of memory");
    } catch (const std::exception& error) {
        return HostError(err::InternalError, error.what());
    } catch (...) {
        return HostError(err::InternalError, "Unknown error");
    }
}

}  // namespace tolm
