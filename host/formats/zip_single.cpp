#include "formats/zip_single.h"

#include <zip.h>

namespace hub::formats {

bool IsZip(std::string_view content) { return content.starts_with("PK\x03\x04"); }

std::string UnpackSingle(std::string_view content, size_t maxSize) {
    using Fault = ZipError::Fault;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(content.data(), content.size(), 0, &error);
    zip_t* archive = buffer == nullptr ? nullptr : zip_open_from_source(buffer, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        if (buffer != nullptr) zip_source_free(buffer);
        throw ZipError("not a zip archive", Fault::Damaged);
    }
    std::string unpacked;
    zip_stat_t stat;
    const bool single = zip_get_num_entries(archive, 0) == 1 && zip_stat_index(archive, 0, 0, &stat) == 0 &&
                        (stat.valid & ZIP_STAT_SIZE) != 0;
    const bool fits = single && stat.size <= maxSize;
    if (fits) {
        unpacked.resize(stat.size);
        zip_file_t* file = zip_fopen_index(archive, 0, 0);
        const zip_int64_t read = file == nullptr ? -1 : zip_fread(file, unpacked.data(), unpacked.size());
        if (file != nullptr) zip_fclose(file);
        if (read != static_cast<zip_int64_t>(unpacked.size())) unpacked.clear();
    }
    zip_discard(archive);
    if (!single) throw ZipError("not one file", Fault::NotSingle);
    if (!fits) throw ZipError("unpacks too large", Fault::TooLarge);
    if (unpacked.empty()) throw ZipError("its file cannot be unpacked", Fault::Damaged);
    return unpacked;
}

}  // namespace hub::formats
