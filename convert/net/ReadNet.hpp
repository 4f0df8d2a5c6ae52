#pragma once
// Reads a net file (TOML) into a PetriNet:
//
//     name = "pumps"                      # optional; default: the caller's name for the file
//     [parameters]                        # exact numbers or expressions over earlier parameters
//     lambda = "1/2000"
//     [places]                            # initial tokens
//     working = 3
//     [transitions.fail]
//     distribution = "Exp(lambda)"        # Exp(rate), Deg(delay), Uni(low, high), Imm
//     servers = "infinite"                # Exp only; default "single"
//     inputs = { working = 1 }            # also outputs, inhibitors; guard, priority, weight
//     [measures]
//     down = "working < 2"
//
// Every mistake is a NetReadError naming the key, the line and the column.

#include "convert/net/PetriNet.hpp"

#include <stdexcept>
#include <string>
#include <string_view>

namespace drova::net {

class NetReadError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

PetriNet readNet(std::string_view text, const std::string& defaultName);

}  // namespace drova::net
