// What the progress line says while a Read, a Write or its read-back runs:
// the contacts done of the total beside the percentage.
#pragma once

#include <QString>
#include <cstdint>

namespace pendrak {

// state: JOB_READING, JOB_WRITING or JOB_VERIFYING; bytes as the worker
// posts them (total 0 until it is known).
QString JobProgressText(int32_t state, int bytesDone, int bytesTotal, int percent);

// 130000 as "130,000", whatever the language.
QString GroupedNumber(int n);

}  // namespace pendrak
