#pragma once
// The nested integral described by two lists of integral objects, evaluated exactly.
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
//
// The objects are read as the driver reaches them, through IntegralNest; the reader of the
// module's MATLAB objects is modules/int/ObjectNest.hpp.

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "algebra/TermLimit.hpp"
#include "distributions/Distribution.hpp"

#include <cstddef>
#include <memory>
#include <string>

namespace drova {

// One integral object; each value is built when the driver asks for it, so that a failure to
// build one is reported in the driver's order.
class IntegralObject {
public:
    virtual ~IntegralObject() = default;
    virtual std::unique_ptr<Distribution> distribution() const = 0;
    virtual LinearForm argument() const = 0;  // Vars: where the density is evaluated
    virtual std::string variable() const = 0; // Var: the integration variable
    virtual LinearForm lower() const = 0;     // A
    virtual LinearForm upper() const = 0;     // B
};

// The two lists of a nest of integrals.
class IntegralNest {
public:
    virtual ~IntegralNest() = default;
    virtual std::size_t properCount() const = 0;
    virtual std::size_t improperCount() const = 0;
    // Element `index` (from 0) of a list, read as the driver reaches it.
    virtual std::unique_ptr<IntegralObject> proper(std::size_t index) const = 0;
    virtual std::unique_ptr<IntegralObject> improper(std::size_t index) const = 0;
};

// Each object's values are built in the order distribution, argument, variable, lower limit,
// upper limit. For an improper object the upper limit is built first and must be the zero form,
// else std::invalid_argument "Improper integral must not have an upper bound" before its
// distribution is built. Every other failure of the nest, the distributions and the algebra
// passes through unchanged; the first one ends the work.
//
// No expression of the work may hold more than `maxTerms` terms, nor may the work produce more
// than ProducedTermsPerLimitTerm times as many (algebra/TermLimit.hpp); past that budget the work
// fails with std::invalid_argument, which says what the caller can change.
Expolynomial integrateExpolys(const IntegralNest& nest, std::size_t maxTerms = DefaultTermLimit);

}  // namespace drova
