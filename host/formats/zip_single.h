// A zip archive that carries one file, as rate files are published: the file it
// holds, unpacked in memory.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace hub::formats {

class ZipError : public std::runtime_error {
public:
    enum class Fault {
        Damaged,    // not a readable zip archive, or its file cannot be unpacked
        NotSingle,  // it holds no file or more than one
        TooLarge,   // its file unpacks to more than the caller takes
    };
    ZipError(const std::string& what, Fault fault) : std::runtime_error(what), m_fault(fault) {}
    Fault Kind() const noexcept { return m_fault; }

private:
    Fault m_fault;
};

// Whether `content` starts as a zip archive does.
bool IsZip(std::string_view content);

// The one file of the archive in `content`, at most `maxSize` bytes unpacked.
// Raises ZipError with the fault; an archive whose one file is empty counts as
// damaged, since no published file is.
std::string UnpackSingle(std::string_view content, size_t maxSize);

}  // namespace hub::formats
