// Cost of the two hot operations of the algebra: normalising an expolynomial of n terms and
// multiplying two expolynomials, for n = 10, 100 and 1000. The terms look like the converter's:
// exponentials and powers of t, some with a heaviside factor in t.

#include "algebra/Expolynomial.hpp"

#include <benchmark/benchmark.h>

#include <vector>

using namespace drova;

namespace {

// Term number `shape` of a family: the rate -(shape+1)/3 differs for every number, powers and
// switching points repeat.
Term sampleTerm(int shape, int coefficient) {
    Term::Exponentials exponentials{{"t", Rational(-(shape + 1), 3)}};
    Term::Powers powers;
    if (shape % 4 != 0) powers.push_back({"t", static_cast<unsigned>(shape % 4)});
    std::vector<LinearForm> heavisides;
    if (shape % 5 == 0) heavisides.push_back(LinearForm({{"t", 1}}, Rational(-(shape / 5 % 7 + 1))));
    return Term(Rational(coefficient, shape % 5 + 1), 0, exponentials, powers, heavisides);
}

// n terms over n/2 shapes, with a few constants, so that about half the terms merge.
std::vector<Term> unnormalisedTerms(int n) {
    std::vector<Term> terms;
    const int shapes = n / 2 > 0 ? n / 2 : 1;
    for (int i = 0; i < n; ++i) {
        if (i % 10 == 9)
            terms.emplace_back(Rational(i % 3 + 1));
        else
            terms.push_back(sampleTerm(i % shapes, i % 7 - 3));
    }
    return terms;
}

// A normalised expolynomial of exactly n terms of distinct shapes.
Expolynomial distinctTerms(int n, int offset) {
    std::vector<Term> terms;
    for (int i = 0; i < n; ++i) terms.push_back(sampleTerm(i + offset, i % 7 + 1));
    Expolynomial e(std::move(terms));
    normalise(e);
    return e;
}

void BM_Normalise(benchmark::State& state) {
    const std::vector<Term> terms = unnormalisedTerms(static_cast<int>(state.range(0)));
    // Copies are made outside the timing, a batch at a time, so that pausing the clock costs
    // little next to the normalisations themselves.
    constexpr std::size_t batchSize = 64;
    std::vector<Expolynomial> batch;
    std::size_t next = batchSize;
    for (auto _ : state) {
        if (next == batchSize) {
            state.PauseTiming();
            batch.assign(batchSize, Expolynomial(terms));
            next = 0;
            state.ResumeTiming();
        }
        Expolynomial& e = batch[next++];
        normalise(e);
        benchmark::DoNotOptimize(e.terms.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Normalise)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// n terms times n terms: n^2 term products, normalised block by block and as a whole.
void BM_MultiplySquare(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Expolynomial a = distinctTerms(n, 0), b = distinctTerms(n, 3);
    for (auto _ : state) {
        Expolynomial product = multiply(a, b);
        benchmark::DoNotOptimize(product.terms.data());
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_MultiplySquare)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// n terms times 10 terms: the cost per term product as n grows.
void BM_MultiplyByTen(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Expolynomial a = distinctTerms(n, 0), b = distinctTerms(10, 3);
    for (auto _ : state) {
        Expolynomial product = multiply(a, b);
        benchmark::DoNotOptimize(product.terms.data());
    }
    state.SetItemsProcessed(state.iterations() * n * 10);
}
BENCHMARK(BM_MultiplyByTen)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
