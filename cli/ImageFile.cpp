#include "cli/ImageFile.h"

#include "cli/CliCommon.h"
#include "contacts/ContactImageFile.h"
#include "csv/ContactCsv.h"
#include "platform/CodePage.h"

namespace pendrak::cli {

void LoadImageFile(const std::string& path, CContactImage& image) {
    const ImageFileResult result = LoadContactImageFile(path, image);
    switch (result.outcome) {
    case ImageFileResult::Done: break;
    case ImageFileResult::BadCount: Fail(path + ": " + result.strReason);
    case ImageFileResult::OpenFailed:
        Fail("cannot open image file " + path + ": " + result.strReason);
    case ImageFileResult::NotAnImage:
        Fail(path + " is not an image file: " + result.strReason);
    default: Fail("cannot read image file " + path + ": " + result.strReason);
    }
    if (const int record = FirstZeroIdRecord(image); record >= 0)
        PrintError("warning: " + path + " is damaged: contact " + std::to_string(record + 1) +
                   " of " + std::to_string(image.GetContactCount()) + " has radio ID 0");
}

void SaveImageFile(const CContactImage& image, CPendingOutput& output) {
    output.Reserve();
    const std::string_view bytes(reinterpret_cast<const char*>(image.Bytes()), CONTACT_IMAGE_SIZE);
    if (!output.Write(bytes))
        Fail("cannot write image file " + output.FinalPath() + ": " + CauseText(output.Cause()));
}

void ExportCsv(const CContactImage& image, CPendingOutput& output, bool utf8, int codePage) {
    output.Reserve();
    bool written = false;
    if (utf8) {
        CCsvBufferedSink buffered(output);
        const int textCodePage = codePage > 0 ? codePage : GetProgramCodePage();
        long long replaced = 0;
        written = WriteContactsCsvUtf8(image, buffered, textCodePage, &replaced) && buffered.Flush();
        // Bytes that are no text of the code page cannot be kept in UTF-8.
        if (written && replaced > 0)
            PrintError("warning: " + std::to_string(replaced) + (replaced == 1 ? " byte" : " bytes") +
                       " of the texts are no text of code page " + std::to_string(textCodePage) +
                       " and were written as U+FFFD");
    } else {
        CCsvTextSink text(output);
        written = WriteContactsCsv(image, text) && text.Flush();
    }
    if (!written)
        Fail("cannot write CSV file " + output.FinalPath() + ": " + CauseText(output.Cause()));
}

}  // namespace pendrak::cli
