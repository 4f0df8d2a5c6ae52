#pragma once
// Writes a Gsms as a GSMS text file that readGsms reads back into an equal model: one item or
// list per line, each state's active timers and ages on lines of their own, every number as a
// numerator and a denominator.

#include "gsms/Gsms.hpp"

#include <ostream>

namespace drova {

void writeGsms(const Gsms& model, std::ostream& out);

}  // namespace drova
