// Cost of definite integration as the number k of heaviside factors in the integration variable
// grows (each factor doubles the number of base-case integrals), and of a converter-like step: a
// uniform density times a factor with two steps, integrated from 0 to t.

#include "algebra/DefiniteIntegral.hpp"
#include "distributions/Uniform.hpp"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace drova;

namespace {

// exp(-v)*v^2 times k factors, alternately heaviside(v - a_i) and heaviside(-v + b_i) with the
// switching points a_i, b_i symbols of their own.
Term steppedTerm(int k) {
    std::vector<LinearForm> heavisides;
    for (int i = 0; i < k; ++i) {
        // Appended rather than "s" + std::to_string(i), which g++ 12 warns about (-Wrestrict)
        // inside its own string code.
        std::string name = "s";
        name += std::to_string(i);
        heavisides.push_back(i % 2 == 0 ? LinearForm({{"v", 1}, {name, -1}}, 0) : LinearForm({{"v", -1}, {name, 1}}, 0));
    }
    return Term(Rational(1), 0, {{"v", Rational(-1)}}, {{"v", 2u}}, heavisides);
}

void BM_DefiniteIntegralWithSteps(benchmark::State& state) {
    const Expolynomial integrand(steppedTerm(static_cast<int>(state.range(0))));
    const LinearForm lower;
    const LinearForm upper("t");
    std::size_t terms = 0;
    for (auto _ : state) {
        const Expolynomial result = definiteIntegral(integrand, "v", lower, upper);
        terms = result.terms.size();
        benchmark::DoNotOptimize(terms);
    }
    state.counters["terms"] = static_cast<double>(terms);
}
BENCHMARK(BM_DefiniteIntegralWithSteps)->DenseRange(0, 6);

void BM_UniformStep(benchmark::State& state) {
    const Uniform uniform(Rational(1), Rational(3));
    const Expolynomial factor({Term(Rational(1), 0, {{"t1", Rational(-2)}}, {}, {LinearForm({{"t1", -1}}, 4)}),
                               Term(Rational(1, 2), 0, {}, {{"t1", 1u}}, {LinearForm({{"t1", 1}, {"x", -1}}, 0)})});
    const LinearForm argument({{"t0", 1}, {"t1", 1}}, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(uniform.integrate(argument, "t1", LinearForm(), LinearForm("t"), factor));
}
BENCHMARK(BM_UniformStep);

}  // namespace
