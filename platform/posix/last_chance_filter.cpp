//===- platform/posix/last_chance_filter.cpp - No last-chance filter -----===//

#include "platform/last_chance_filter.h"

namespace vexmor {

// POSIX has no filter that could take a failure over: the program reports.
void OfferToLastChanceFilter(const ProcessorFault *, std::uintptr_t) {}

} // namespace vexmor
