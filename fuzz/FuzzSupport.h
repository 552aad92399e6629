// What the fuzz targets share.
#pragma once

#include <memory>

#include "contacts/ContactImage.h"

namespace pendrak::fuzz {

// A broken expectation: libFuzzer keeps the input that led here.
inline void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// Images are large: each is made and cleared once, then kept between
// inputs, so a target compares only the records an input stores.
inline CContactImage& KeptImage(int which) {
    static std::unique_ptr<CContactImage> images[2];
    if (!images[which]) {
        images[which] = std::make_unique<CContactImage>();
        images[which]->ClearContactImage();
    }
    return *images[which];
}

}  // namespace pendrak::fuzz
