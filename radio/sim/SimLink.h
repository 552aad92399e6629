// The in-process emulator behind "sim:PATH" links, and a link over any
// emulator object (tests).
#pragma once

#include <memory>
#include <string>

#include "radio/RadioLink.h"
#include "radio/sim/RadioEmulator.h"

namespace pendrak {

// The radio that "sim:" links emulate (sizes, block format digit, faults).
// Taken at each RadioOpen; the memory itself comes from the file.
void SetSimOptions(const EmulatorOptions& options);
const EmulatorOptions& GetSimOptions();

// A link that hands each written packet to the emulator and reads its
// replies. With a non-empty savePath the memory is saved there when the
// link is destroyed (closed). A read that finds nothing waits its time-out,
// as a silent radio would cost, once the host has sent anything.
std::unique_ptr<IRadioLink> CreateEmulatorLink(std::shared_ptr<CRadioEmulator> radio,
                                               const std::string& savePath = std::string());

// The emulator behind the latest "sim:" link, kept after the link closes
// (its exchange counts tell what a job did); null before the first.
std::shared_ptr<CRadioEmulator> LastSimEmulator();

}  // namespace pendrak
