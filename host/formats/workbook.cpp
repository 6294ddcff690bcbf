#include "formats/workbook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <system_error>
#include <utility>

namespace hub::workbook {

Writer::~Writer() = default;
Reader::~Reader() = default;

InputFile::InputFile(const std::filesystem::path& path) {
    using Fault = WorkbookError::Fault;
    // Without O_NONBLOCK a pipe would hold the open until someone writes to it.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) throw WorkbookError("no such file", Fault::Missing);
        if (error == EACCES || error == EPERM) throw WorkbookError("reading is not permitted", Fault::Denied);
        if (error == ELOOP) throw WorkbookError("a circle of links", Fault::NotAFile);
        throw WorkbookError("cannot be opened: " + std::generic_category().message(error));
    }
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        ::close(m_fd);
        throw WorkbookError("cannot be examined");
    }
    // Devices and pipes have no size to trust: /dev/zero would be read for ever.
    if (!S_ISREG(status.st_mode)) {
        ::close(m_fd);
        throw WorkbookError("not a regular file", Fault::NotAFile);
    }
    m_size = static_cast<uint64_t>(status.st_size);
    if (m_size > MaxFileSize) {
        ::close(m_fd);
        throw WorkbookError("larger than a workbook may be", Fault::TooLarge);
    }
}

InputFile::~InputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string InputFile::ReadAll() {
    std::string bytes(m_size, '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(m_fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw WorkbookError("cannot be read: " + std::generic_category().message(errno));
        if (got == 0) break;  // shorter than it was: what is there
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

int InputFile::Release() { return std::exchange(m_fd, -1); }

void TextTable::Add(std::string_view text) {
    if (text.size() > std::numeric_limits<uint32_t>::max() - m_text.size()) {
        throw WorkbookError("shared strings past what a workbook holds", WorkbookError::Fault::Inflates);
    }
    m_text.append(text);
    m_ends.push_back(static_cast<uint32_t>(m_text.size()));
}

std::string_view TextTable::At(size_t index) const {
    const size_t begin = index == 0 ? 0 : m_ends[index - 1];
    return std::string_view(m_text).substr(begin, m_ends[index] - begin);
}

bool Cell::IsBlank() const {
    if (kind == Kind::Empty) return true;
    if (kind != Kind::Text) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

std::optional<Format> FormatOfPath(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (ext == ".xls") return Format::Xls;
    if (ext == ".xlsx") return Format::Xlsx;
    return std::nullopt;
}

bool IsDateFormat(int id, const std::string& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58)) {
        return true;
    }
    bool quoted = false;
    int bracket = 0;
    for (char c : code) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '[') ++bracket;
        if (c == ']' && bracket > 0) --bracket;
        if (bracket > 0) continue;
        if (c == 'y' || c == 'Y' || c == 'd' || c == 'D') return true;
    }
    return false;
}

std::unique_ptr<Writer> CreateWriter(const std::filesystem::path& path, Format format) {
    return format == Format::Xls ? CreateXlsWriter(path) : CreateXlsxWriter(path);
}

std::unique_ptr<Reader> OpenReader(const std::filesystem::path& path, Format format) {
    return format == Format::Xls ? OpenXlsReader(path) : OpenXlsxReader(path);
}

}  // namespace hub::workbook
