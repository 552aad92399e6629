#include "contacts/ContactImageFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace pendrak {

namespace {

ImageFileResult Failure(ImageFileResult::Outcome outcome, std::string reason) {
    ImageFileResult result;
    result.outcome = outcome;
    result.strReason = std::move(reason);
    return result;
}

// Closes on every way out.
struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, CFileCloser>;

}  // namespace

int ContactImageHeaderCount(const unsigned char* header) {
    const int count = header[0] | header[1] << 8 | header[2] << 16;
    return count > MAX_CONTACTS ? 0 : count;
}

std::string ImageCountProblem(const unsigned char* header) {
    const int count = header[0] | header[1] << 8 | header[2] << 16;
    if (count <= MAX_CONTACTS || count == 0xFFFFFF) return {};
    return "not a contact image: count " + std::to_string(count) + " (a radio holds at most " +
           std::to_string(MAX_CONTACTS) + ")";
}

int FirstZeroIdRecord(const CContactImage& image) {
    const int count = image.GetContactCount();
    for (int n = 0; n < count; ++n)
        if (image.GetContactRadioId(n) == 0) return n;
    return -1;
}

std::string ImageFileSizeProblem(long long size, const unsigned char* header) {
    if (size == CONTACT_IMAGE_SIZE) return {};
    const std::string whole = "an image file has " + std::to_string(CONTACT_IMAGE_SIZE) + " bytes";
    if (size < CONTACT_HEADER_SIZE || size > CONTACT_IMAGE_SIZE)
        return "it has " + std::to_string(size) + " bytes; " + whole +
               ", or the header and records of its count";
    const int count = ContactImageHeaderCount(header);
    const int expected = ContactImageShortLength(count);
    if (size == expected) return {};
    return "it has " + std::to_string(size) + " bytes; " + whole + ", or " +
           std::to_string(expected) + " for the " + std::to_string(count) +
           " contacts its header counts";
}

ImageFileResult LoadContactImageFile(const std::string& path, CContactImage& image) {
    // Asked before opening: opening a FIFO would wait for a writer.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::is_directory(status))
        return Failure(ImageFileResult::NotAnImage, "it is a folder");
    if (!ec && !std::filesystem::is_regular_file(status))
        return Failure(ImageFileResult::NotAnImage, "it is not a regular file");
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return Failure(ImageFileResult::OpenFailed, std::strerror(errno));
    const auto size = static_cast<long long>(std::filesystem::file_size(path, ec));
    if (ec) return Failure(ImageFileResult::ReadFailed, ec.message());

    unsigned char header[CONTACT_HEADER_SIZE] = {};
    const size_t headerLength = size < CONTACT_HEADER_SIZE ? 0 : sizeof header;
    if (std::fread(header, 1, headerLength, file.get()) != headerLength)
        return Failure(ImageFileResult::ReadFailed, std::strerror(errno));
    if (headerLength > 0) {
        const std::string count = ImageCountProblem(header);
        if (!count.empty()) return Failure(ImageFileResult::BadCount, count);
    }
    const std::string problem = ImageFileSizeProblem(size, header);
    if (!problem.empty()) return Failure(ImageFileResult::NotAnImage, problem);

    // Read aside first: a file that fails half-way must not leave half an image.
    const size_t length = static_cast<size_t>(size);
    auto bytes = std::make_unique<unsigned char[]>(length);
    std::memcpy(bytes.get(), header, sizeof header);
    const size_t rest = length - sizeof header;
    const size_t got = std::fread(bytes.get() + sizeof header, 1, rest, file.get());
    if (std::ferror(file.get())) return Failure(ImageFileResult::ReadFailed, std::strerror(errno));
    if (got != rest || std::fgetc(file.get()) != EOF)
        return Failure(ImageFileResult::ReadFailed, "the file changed while it was read");

    ImageFileResult result;
    result.bShortForm = length != static_cast<size_t>(CONTACT_IMAGE_SIZE);
    if (result.bShortForm) image.ClearContactImage();
    std::memcpy(image.Bytes(), bytes.get(), length);
    return result;
}

ImageFileResult WriteContactImageFile(const std::string& path, const CContactImage& image,
                                      bool shortForm) {
    const size_t length = static_cast<size_t>(
        shortForm ? ContactImageShortLength(image.GetContactCount()) : CONTACT_IMAGE_SIZE);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return Failure(ImageFileResult::OpenFailed, std::strerror(errno));
    const size_t put = std::fwrite(image.Bytes(), 1, length, file);
    int err = put != length ? errno : 0;
    if (std::fflush(file) != 0 && err == 0) err = errno;
    if (std::fclose(file) != 0 && err == 0) err = errno;
    if (err != 0 || put != length)
        return Failure(ImageFileResult::WriteFailed, err ? std::strerror(err) : "write failed");
    ImageFileResult result;
    result.bShortForm = shortForm;
    return result;
}

ImageOffsetPlace LocateImageOffset(int offset) {
    ImageOffsetPlace place;
    if (offset < CONTACT_HEADER_SIZE) return place;
    const int sector = offset / CONTACT_SECTOR_SIZE;
    const int inSector = offset % CONTACT_SECTOR_SIZE - (sector == 0 ? CONTACT_HEADER_SIZE : 0);
    const int slot = inSector / CONTACT_RECORD_SIZE;
    if (slot >= CONTACTS_PER_SECTOR) {
        place.kind = ImageOffsetPlace::SectorTail;
        place.nRecord = sector * CONTACTS_PER_SECTOR + CONTACTS_PER_SECTOR - 1;
        place.nByte = inSector - CONTACTS_PER_SECTOR * CONTACT_RECORD_SIZE;
        return place;
    }
    place.kind = ImageOffsetPlace::Record;
    place.nRecord = sector * CONTACTS_PER_SECTOR + slot;
    place.nByte = inSector % CONTACT_RECORD_SIZE;
    return place;
}

std::string DescribeImageOffset(const CContactImage& image, int offset) {
    const ImageOffsetPlace place = LocateImageOffset(offset);
    switch (place.kind) {
        case ImageOffsetPlace::Header:
            return "the header (contact count)";
        case ImageOffsetPlace::SectorTail:
            return "the unused bytes after contact " + std::to_string(place.nRecord + 1);
        case ImageOffsetPlace::Record:
            break;
    }
    return "contact " + std::to_string(place.nRecord + 1) + " (radio ID " +
           std::to_string(image.GetContactRadioId(place.nRecord)) + ")";
}

}  // namespace pendrak
