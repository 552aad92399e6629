// Image files: the whole contact image (CONTACT_IMAGE_SIZE bytes) or its
// short form, the header and the records of the count that header gives.
#pragma once

#include <string>

#include "contacts/ContactImage.h"

namespace pendrak {

// Bytes of the short form for a count: the header alone when it is 0.
constexpr int ContactImageShortLength(int count) {
    return count <= 0 ? CONTACT_HEADER_SIZE : ContactImageUsedLength(count);
}

struct ImageFileResult {
    // BadCount: the header counts more contacts than a radio holds (and is
    // not the erased FF FF FF); strReason says so.
    enum Outcome { Done, OpenFailed, ReadFailed, WriteFailed, NotAnImage, BadCount };
    Outcome outcome = Done;
    std::string strReason;  // English words: the system's reason, or what the file is not
    bool bShortForm = false;
};

// The count a header's first three bytes hold; above MAX_CONTACTS it reads
// 0, as CContactImage::GetContactCount does.
int ContactImageHeaderCount(const unsigned char* header);

// Why a file of `size` bytes whose first bytes are `header` (at least
// CONTACT_HEADER_SIZE of them when size allows) is no image file; empty
// when it is one.
std::string ImageFileSizeProblem(long long size, const unsigned char* header);

// "not a contact image: count N" when a header's count is above
// MAX_CONTACTS and not the erased FF FF FF; empty otherwise.
std::string ImageCountProblem(const unsigned char* header);

// The first used record whose radio ID is 0, which no radio stores: the
// file is damaged. -1 when there is none.
int FirstZeroIdRecord(const CContactImage& image);

// Loads either form; a short one into a cleared image. On any failure the
// image is left as it was.
ImageFileResult LoadContactImageFile(const std::string& path, CContactImage& image);

// Writes the whole image, or its short form, to path (no temporary name).
ImageFileResult WriteContactImageFile(const std::string& path, const CContactImage& image,
                                      bool shortForm);

// Where an image byte lies, for naming what differs.
struct ImageOffsetPlace {
    enum Kind { Header, Record, SectorTail };
    Kind kind = Header;
    int nRecord = -1;  // the record (Record), or the one before the tail (SectorTail)
    int nByte = 0;     // offset within the record
};
ImageOffsetPlace LocateImageOffset(int offset);

// "contact 124 (radio ID 3101234)", "the header (contact count)", "the
// unused bytes after contact 37": numbers as the list shows them, from 1.
std::string DescribeImageOffset(const CContactImage& image, int offset);

}  // namespace pendrak
