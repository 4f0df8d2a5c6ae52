#pragma once
// Drawing timer values from the host's random numbers.
//
// Per record: Deg [d] gives d and draws nothing; Exp [lambda] draws one
// uniform u and gives -(1/lambda) ln u (NaN when 1/lambda < 0); Uni [a, b]
// draws one uniform u and gives (b - a) u + a; Lognormal [mu, sigma] draws one
// normal z and gives exp(sigma z + mu) (exp(NaN) when sigma < 0). A record's
// parameter count is checked before its draw, so a failing record consumes no
// random number. The host's interrupt request is polled after every record.

#include "simulate/SimModel.hpp"

#include "host/classic/ClassicRandom.hpp"

#include <atomic>
#include <span>
#include <vector>

// One value for the record, from the host's current generator.
double sampleDistribution(const SimDistribution& dist);
// The same, drawing from random and polling interrupt: the simulation fetches
// the host's generator and interrupt flag once per call.
double sampleDistribution(const SimDistribution& dist, ClassicRandomSource& random,
                          const std::atomic<bool>& interrupt);

// One value per record, in order.
std::vector<double> sampleDistStruct(std::span<const SimDistribution> dists);
