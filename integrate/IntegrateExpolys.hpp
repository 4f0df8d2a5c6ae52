#pragma once
// The nested integral described by two arrays of ExpolyIntegral objects, evaluated exactly.
//
// With proper integrals P1..Pm and improper integrals Q1..Qk (element 1 first) the value is
//
//   integral from A(P1) to B(P1) of f1(Vars(P1)) * ( ... integral from A(Pm) to B(Pm) of
//   fm(Vars(Pm)) * G d Var(Pm) ... ) d Var(P1)
//
// where fi is the density of Pi's distribution and G is Q1's integral to infinity applied to
// (Q2's applied to ( ... Qk's applied to the constant one)). So the improper objects are taken
// from the last to the first, then the proper ones from the last to the first; each step
// replaces the accumulator by its result. Variables that no step eliminates stay free.

#include "algebra/Expolynomial.hpp"
#include "host/MatlabData.hpp"
#include "integrate/ExpolyIntegralReader.hpp"

// Each object is read in the order Distribution, Vars, Var, A, B (all five properties first,
// then the values built from them). For an improper object the upper limit B is built first and
// must be the zero form, else std::invalid_argument "Improper integral must not have an upper
// bound" before its distribution is read. Every other failure of the readers, the distributions
// and the algebra passes through unchanged; the first one ends the work.
Expolynomial integrateExpolys(const matlab::data::ObjectArray& proper, const matlab::data::ObjectArray& improper,
                              const ExpolyIntegralReader& reader);
