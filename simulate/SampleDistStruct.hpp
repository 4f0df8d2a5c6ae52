#pragma once
// Drawing timer values from the host's random numbers.
//
// Per record: Deg [d] gives d and draws nothing; Exp [lambda] draws one
// uniform u and gives -(1/lambda) ln u (NaN when 1/lambda < 0); Uni [a, b]
// draws one uniform u and gives (b - a) u + a; Lognormal [mu, sigma] draws one
// normal z and gives exp(sigma z + mu) (exp(NaN) when sigma < 0). The kinds that only GSMS files
// give (Erlang to Normal, simulate/SimModel.hpp) draw as their laws require, with records the
// mapping of the file made and that are not checked again. A record's
// parameter count is checked before its draw, so a failing record consumes no
// random number. The host's interrupt request is polled after every record.

#include "simulate/SimHost.hpp"
#include "simulate/SimModel.hpp"

#include <atomic>
#include <span>
#include <vector>

namespace drova {

// One value for the record, drawn from the host.
double sampleDistribution(const SimDistribution& dist, SimHost& host);
// The same, polling `interrupt`, the host's request flag: the simulation
// fetches it once per call.
double sampleDistribution(const SimDistribution& dist, SimHost& host, const std::atomic<bool>& interrupt);

// One value per record, in order.
std::vector<double> sampleDistStruct(std::span<const SimDistribution> dists, SimHost& host);

}  // namespace drova
