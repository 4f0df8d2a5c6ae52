#pragma once
// The JSON document that drova sim reads as a model: the MATLAB structure gsms, written as JSON
// with indices counting from 1.
//
//   {"Name": "machine",
//    "States": [{"Name": "Up", "DownState": false, "Transitions": [1]}, ...],
//    "Initial": {"InitialState": 1, "InitialTimers": [1]},
//    "Distributions": [{"type": "Exp", "parameters": [0.01]}, ...],
//    "Transitions": [{"Source": 1, "Distributions": [1],
//                     "Destinations": [{"Target": 2, "Probability": 1, "New": [2]}]}, ...]}
//
// Every object has exactly the keys shown; a type is a member of DistType by name or by value.

#include "simulate/SimModel.hpp"

#include <istream>

namespace drova {

// Reads the document into the simulator's records. Text that is not JSON fails with
// std::runtime_error "Could not read the JSON model: ..."; a document that does not fit with
// std::runtime_error naming the path of the value, such as gsms.States(2).DownState (lists
// counted from 1), and what was expected there.
SimModel readSimModelJson(std::istream& in);

}  // namespace drova
