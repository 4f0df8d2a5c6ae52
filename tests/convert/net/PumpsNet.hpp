#pragma once
// The 2-out-of-3 pumps as a net: three pumps failing at rate 1/2000 each, one crew whose repair
// time has the given law, down while fewer than two work.

#include <string>

inline std::string pumpsNet(const std::string& repair) {
    return "[parameters]\nlambda = \"1/2000\"\n[places]\nworking = 3\nbroken = 0\n"
           "[transitions.fail]\ndistribution = \"Exp(lambda)\"\nservers = \"infinite\"\ninputs = { working = 1 }\n"
           "outputs = { broken = 1 }\n"
           "[transitions.repair]\ndistribution = \"" + repair + "\"\ninputs = { broken = 1 }\noutputs = { working = 1 }\n"
           "[measures]\ndown = \"working < 2\"\n";
}
