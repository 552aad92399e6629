#include "cli/ImageFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/CliCommon.h"
#include "csv/ContactCsv.h"

namespace pendrak::cli {

namespace {

std::string SystemError() { return std::strerror(errno); }

}  // namespace

void LoadImageFile(const std::string& path, CContactImage& image) {
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) Fail("image file " + path + " is a folder");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        Fail("image file " + path + " is not a regular file");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) Fail("cannot open image file " + path + ": " + SystemError());
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size != static_cast<std::uintmax_t>(CONTACT_IMAGE_SIZE)) {
        std::fclose(file);
        if (ec) Fail("cannot read image file " + path + ": " + ec.message());
        Fail("image file " + path + " has " + std::to_string(size) +
             " bytes; an image file has exactly " + std::to_string(CONTACT_IMAGE_SIZE));
    }
    const size_t got = std::fread(image.Bytes(), 1, CONTACT_IMAGE_SIZE, file);
    const bool bad = std::ferror(file) != 0;
    std::fclose(file);
    if (bad || got != static_cast<size_t>(CONTACT_IMAGE_SIZE))
        Fail("cannot read image file " + path +
             (bad ? ": " + SystemError() : ": file shrank while read"));
}

void SaveImageFile(const CContactImage& image, CPendingOutput& output) {
    output.Reserve();
    const std::string_view bytes(reinterpret_cast<const char*>(image.Bytes()), CONTACT_IMAGE_SIZE);
    if (!output.Write(bytes))
        Fail("cannot write image file " + output.FinalPath() + ": " + CauseText(output.Cause()));
}

void ExportCsv(const CContactImage& image, CPendingOutput& output) {
    output.Reserve();
    CCsvTextSink text(output);
    if (!WriteContactsCsv(image, text) || !text.Flush())
        Fail("cannot write CSV file " + output.FinalPath() + ": " + CauseText(output.Cause()));
}

}  // namespace pendrak::cli
