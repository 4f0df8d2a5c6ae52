#pragma once
// A GSMS model (gsms/Gsms.hpp) in the simulator's terms (simulate/SimModel.hpp). Not part of
// the module Drovasim, which knows only its own records: the drova command maps a .gsms file
// with it.

#include "algebra/Rational.hpp"
#include "gsms/Gsms.hpp"
#include "gsms/ReadGsms.hpp"
#include "simulate/SimModel.hpp"

namespace drova {

// The nearest double to an exact rational (round half to even).
double nearestDouble(const Rational& value);

// The model as the simulator's records: a state's transitions are the ones leaving it in file
// order, the initial timers are the initial state's active timers, every index counts from 1,
// and rationals become their nearest doubles. A simulation starts every timer of the initial
// state fresh, so each must have age 0 there; otherwise std::invalid_argument names the timer.
// The simulator takes names of ASCII characters only: any other name fails with
// std::invalid_argument naming the state and, given `lines` (gsms/ReadGsms.hpp), its line.
SimModel simModelOf(const Gsms& gsms, const GsmsNameLines* lines = nullptr);

}  // namespace drova
