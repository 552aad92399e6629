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
// replies. A store given here takes every block the radio stores while the
// link is open (the memory file of a "sim:" radio); closing the link saves
// and detaches it, and reports its first failure. A read that finds nothing
// waits its time-out, as a silent radio would cost, once the host has sent
// anything.
std::unique_ptr<IRadioLink> CreateEmulatorLink(std::shared_ptr<CRadioEmulator> radio,
                                               std::shared_ptr<IMemoryStore> store = nullptr);

// The emulator behind the latest "sim:" link, kept after the link closes
// (its exchange counts tell what a job did); null before the first.
std::shared_ptr<CRadioEmulator> LastSimEmulator();

}  // namespace pendrak
