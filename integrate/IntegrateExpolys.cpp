#include "integrate/IntegrateExpolys.hpp"

#include <stdexcept>
#include <string>

namespace drova {

namespace {

bool isZeroForm(const LinearForm& form) { return form.variables.empty() && form.constant == 0; }

// One step each: the object's distribution and forms live only inside the step.
Expolynomial improperStep(const IntegralObject& integral, const Expolynomial& accumulator) {
    if (!isZeroForm(integral.upper())) throw std::invalid_argument("Improper integral must not have an upper bound");
    const std::unique_ptr<Distribution> distribution = integral.distribution();
    const LinearForm argument = integral.argument();
    const std::string variable = integral.variable();
    const LinearForm lower = integral.lower();
    return distribution->integrateToInfinity(argument, variable, lower, accumulator);
}

Expolynomial properStep(const IntegralObject& integral, const Expolynomial& accumulator) {
    const std::unique_ptr<Distribution> distribution = integral.distribution();
    const LinearForm argument = integral.argument();
    const std::string variable = integral.variable();
    const LinearForm lower = integral.lower();
    const LinearForm upper = integral.upper();
    return distribution->integrate(argument, variable, lower, upper, accumulator);
}

}  // namespace

Expolynomial integrateExpolys(const IntegralNest& nest, std::size_t maxTerms) {
    const TermLimitScope budget(maxTerms);
    try {
        Expolynomial accumulator = UnitExpolynomial;
        // Each step's fresh result is moved into the accumulator, which releases the previous value.
        for (std::size_t j = nest.improperCount(); j-- > 0;)
            accumulator = improperStep(*nest.improper(j), accumulator);
        for (std::size_t i = nest.properCount(); i-- > 0;) accumulator = properStep(*nest.proper(i), accumulator);
        return accumulator;
    } catch (const TermLimitExceeded& e) {
        throw std::invalid_argument(std::string(e.what()) +
                                    "; give fewer integrals, or integrals over fewer variables, or a higher term limit");
    }
}

}  // namespace drova
