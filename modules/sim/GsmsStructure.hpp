#pragma once
// The caller's side of Drovasim: the structure gsms as a MATLAB program holds it, built from the
// simulator's records (simulate/SimModel.hpp), with the enumeration class DistType.

#include "simulate/SimModel.hpp"

#include "host/MatlabData.hpp"

namespace drova::sim {

// The enumeration class DistType with its members Deg, Exp, Uni and Lognormal (values 1 to 4).
const matlab::data::EnumerationClass& distTypeClass();

// The scalar structure with the fields Name, States, Initial, Distributions and Transitions,
// each list a 1-by-n structure row, every index an int64 and every type a DistType member.
matlab::data::StructArray hostValueOf(const SimModel& model);

}  // namespace drova::sim
