//===- platform/last_chance_filter.h - The platform's say on a failure ---===//
//
// Before the frame reports a failure that left the main block, the platform
// may take it over: on Windows its last-chance filter for unhandled
// exceptions decides, and answers that the search for a handler is to go on
// when a debugger is to have the failure instead. Other platforms have no
// such filter, and the frame always reports.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_LAST_CHANCE_FILTER_H
#define VEXMOR_PLATFORM_LAST_CHANCE_FILTER_H

#include "platform/processor_fault.h"

#include <cstdint>

namespace vexmor {

/// Offers a failure to the platform's last-chance filter. Fault is the
/// platform's record of a processor fault, or null for a failure the
/// program raised itself at Address. Returns when the program is to handle
/// the failure. Otherwise the failure goes on to the platform as unhandled,
/// and the platform ends the process its own way: the call does not return.
void OfferToLastChanceFilter(const ProcessorFault *Fault,
                             std::uintptr_t Address);

} // namespace vexmor

#endif // VEXMOR_PLATFORM_LAST_CHANCE_FILTER_H
