#pragma once
// A family of GSMS models of growing size: n redundant units that fail independently after
// exponential times, and one repair crew that mends one failed unit at a time with a
// deterministic or uniform repair time.
//
// States: "Up" (no unit down), and for k = 1..n failed units "Fresh<k>" (a repair has just
// started, so every timer age is known: a state of the SMS) and, for k >= 2, "Busy<k>" (a unit
// failed while a repair was running: the repair's age is unknown, so not a state of the SMS).
// Timer k < n is the next failure among the n - k working units, Exp((n - k) * rate), restarted
// whenever the number of failed units changes; timer n is the repair. A walk from Fresh<k> passes
// through Busy<k+1>, Busy<k+2>, ... until a repair completes.

#include <sstream>
#include <string>

struct RedundantUnits {
    int units = 2;
    std::string failureRate = "1 10";  // numerator and denominator of one unit's rate
    // "Deg d 1" or "Uni a 1 b 1": the repair time's kind and its parameter pairs.
    std::string repair = "Deg 1 1";
};

inline std::string redundantUnitsModel(const RedundantUnits& family) {
    const int n = family.units;
    std::istringstream rate(family.failureRate);
    long rateNumerator = 1, rateDenominator = 1;
    rate >> rateNumerator >> rateDenominator;

    // State indices: Up = 0, Fresh<k> = k, Busy<k> = n + k - 1 (k >= 2).
    auto fresh = [](int k) { return k; };
    auto busy = [n](int k) { return n + k - 1; };
    const int repairTimer = n;

    std::ostringstream out;
    out << "redundant" << n << "\n" << (2 * n) << "\n";
    out << "Up 0\n0\n0 1\n";
    auto activeTimers = [&](int k, bool repairAgeKnown) {
        if (k < n)
            out << k << ' ' << repairTimer << '\n' << "0 1 " << (repairAgeKnown ? "0 1" : "-1 1") << '\n';
        else
            out << repairTimer << '\n' << (repairAgeKnown ? "0 1" : "-1 1") << '\n';
    };
    for (int k = 1; k <= n; ++k) {
        out << "Fresh" << k << ' ' << (k == n ? 1 : 0) << '\n';
        activeTimers(k, true);
    }
    for (int k = 2; k <= n; ++k) {
        out << "Busy" << k << ' ' << (k == n ? 1 : 0) << '\n';
        activeTimers(k, false);
    }
    out << "0\n" << (n + 1) << '\n';
    for (int k = 0; k < n; ++k) out << "Exp " << (n - k) * rateNumerator << ' ' << rateDenominator << '\n';
    out << family.repair << '\n';

    std::ostringstream transitions;
    int count = 0;
    auto failure = [&](int from, int k) {
        // One more unit down: the repair keeps running.
        transitions << from << ' ' << k << "\n1\n" << busy(k + 1) << " 1 1\n";
        if (k + 1 < n) transitions << k + 1;
        transitions << '\n';
        ++count;
    };
    auto repaired = [&](int from, int k) {
        // One unit back: the next repair starts at once when units are still down.
        transitions << from << ' ' << repairTimer << "\n1\n";
        if (k == 1)
            transitions << "0 1 1\n0\n";
        else
            transitions << fresh(k - 1) << " 1 1\n" << k - 1 << ' ' << repairTimer << '\n';
        ++count;
    };
    transitions << "0 0\n1\n" << fresh(1) << " 1 1\n";
    if (n > 1) transitions << "1 ";
    transitions << repairTimer << '\n';
    ++count;
    for (int k = 1; k <= n; ++k) {
        if (k < n) failure(fresh(k), k);
        repaired(fresh(k), k);
    }
    for (int k = 2; k <= n; ++k) {
        if (k < n) failure(busy(k), k);
        repaired(busy(k), k);
    }
    out << count << '\n' << transitions.str();
    return out.str();
}
