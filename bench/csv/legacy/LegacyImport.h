// The import of the program's own files as it was: the baseline of the
// import benchmarks.
#pragma once

#include "csv/ContactCsv.h"

namespace pendrak::legacy {

CsvImportResult ImportContactsCsv(CContactImage& image, CCsvSource& source,
                                  size_t chunkSize = CSV_READ_CHUNK_SIZE);

}  // namespace pendrak::legacy
