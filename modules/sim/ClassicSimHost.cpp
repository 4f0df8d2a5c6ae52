#include "modules/sim/ClassicSimHost.hpp"

#include "host/classic/ClassicChecks.hpp"
#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicRuntime.hpp"

#include <string>

namespace drova::sim {

ClassicSimHost::ClassicSimHost() : random_(classicGenerator()), interrupt_(*classicInterruptFlag()) {}

void ClassicSimHost::reportInterrupted() { classicBreak(); }

void ClassicSimHost::reportIndexOutOfBounds(std::int64_t index, std::int64_t low, std::int64_t high,
                                            std::string_view list) {
    classicIndexError(index, low, high, list);
}

void ClassicSimHost::reportNegativeRunCount(std::int64_t runs) {
    classicRaise(ClassicNonNegativeErrorId, {std::to_string(runs)});
}

void ClassicSimHost::reportOutOfMemory() { classicOutOfMemory(); }

// The generated code takes the largest of a transition's timers, which fails on an empty list.
void ClassicSimHost::reportTransitionWithoutTimers() { classicRaise("Coder:toolbox:eml_min_or_max_varDimZero"); }

// The generated code finds the chosen destination in a list of candidates: a single destination
// that was not chosen is a size mismatch; of several, none chosen leaves the list empty.
void ClassicSimHost::reportNoDestinationChosen(std::size_t destinations) {
    if (destinations == 1) classicRaise("Coder:FE:PotentialVectorVector");
    if (destinations >= 2) classicWarn("Coder:toolbox:FindVectorOrientationMismatch");
    classicRaise("MATLAB:legacy_two_part:needMoreRhsOutputs");
}

// The generated code reads an Exp record's rate with a size check, and assigns a Deg record's
// parameter list to its one delay.
void ClassicSimHost::reportParameterCount(DistType type, std::int64_t count) {
    if (type == DistType::Exp) classicRaise("MATLAB:dimagree");
    classicRaise(ClassicAssignmentSizeErrorId, {"1", std::to_string(count)});
}

}  // namespace drova::sim
