// The gateway drova_model_structure, behind drova_load_model.m:
//
//     gsms = drova_model_structure(path)
//
// reads a GSMS text file, a net (.toml, whose GSMS is built) or a JSON document of the structure
// (any other name) as drova sim reads them, and returns the structure gsms that Drovasim takes:
// every list a 1-by-n row (structure rows, int64 index rows, double parameter rows), each
// distribution's type the name of its DistType member (drova_load_model turns it into the
// member where the host has enumerations).

#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "formats/SimModelJson.hpp"
#include "simulate/GsmsToSim.hpp"

#include "mex.h"

#include <cstring>
#include <exception>
#include <stdexcept>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using drova::SimModel;

mxArray* int64Row(const std::vector<std::int64_t>& values) {
    mxArray* row = mxCreateNumericMatrix(1, values.size(), mxINT64_CLASS, mxREAL);
    if (!values.empty()) std::memcpy(mxGetData(row), values.data(), values.size() * sizeof(std::int64_t));
    return row;
}

mxArray* int64Scalar(std::int64_t value) { return int64Row({value}); }

mxArray* doubleRow(const std::vector<double>& values) {
    mxArray* row = mxCreateDoubleMatrix(1, values.size(), mxREAL);
    if (!values.empty()) std::memcpy(mxGetPr(row), values.data(), values.size() * sizeof(double));
    return row;
}

// A 1-by-n structure row with the fields; fill sets the fields of element i.
template <class Item, class Fill>
mxArray* structRow(const std::vector<Item>& items, std::vector<const char*> fields, Fill fill) {
    mxArray* row = mxCreateStructMatrix(1, items.size(), static_cast<int>(fields.size()), fields.data());
    for (std::size_t i = 0; i < items.size(); ++i) fill(row, static_cast<mwIndex>(i), items[i]);
    return row;
}

const char* memberName(drova::DistType type) {
    for (const drova::DistTypeMember& member : drova::DistTypeMembers)
        if (member.type == type) return member.name;
    return "Lognormal";
}

mxArray* structureOf(const SimModel& model) {
    const char* top[] = {"Name", "States", "Initial", "Distributions", "Transitions"};
    mxArray* gsms = mxCreateStructMatrix(1, 1, 5, top);
    mxSetField(gsms, 0, "Name", mxCreateString(model.Name.c_str()));
    mxSetField(gsms, 0, "States",
               structRow(model.States, {"Name", "DownState", "Transitions"},
                         [](mxArray* row, mwIndex i, const drova::SimState& state) {
                             mxSetField(row, i, "Name", mxCreateString(state.Name.c_str()));
                             mxSetField(row, i, "DownState", mxCreateLogicalScalar(state.DownState));
                             mxSetField(row, i, "Transitions", int64Row(state.Transitions));
                         }));
    const char* initialFields[] = {"InitialState", "InitialTimers"};
    mxArray* initial = mxCreateStructMatrix(1, 1, 2, initialFields);
    mxSetField(initial, 0, "InitialState", int64Scalar(model.Initial.InitialState));
    mxSetField(initial, 0, "InitialTimers", int64Row(model.Initial.InitialTimers));
    mxSetField(gsms, 0, "Initial", initial);
    mxSetField(gsms, 0, "Distributions",
               structRow(model.Distributions, {"type", "parameters"},
                         [](mxArray* row, mwIndex i, const drova::SimDistribution& d) {
                             mxSetField(row, i, "type", mxCreateString(memberName(d.type)));
                             mxSetField(row, i, "parameters", doubleRow(d.parameters));
                         }));
    mxSetField(gsms, 0, "Transitions",
               structRow(model.Transitions, {"Source", "Distributions", "Destinations"},
                         [](mxArray* row, mwIndex i, const drova::SimTransition& t) {
                             mxSetField(row, i, "Source", int64Scalar(t.Source));
                             mxSetField(row, i, "Distributions", int64Row(t.Distributions));
                             mxSetField(row, i, "Destinations",
                                        structRow(t.Destinations, {"Target", "Probability", "New"},
                                                  [](mxArray* to, mwIndex j, const drova::SimDestination& d) {
                                                      mxSetField(to, j, "Target", int64Scalar(d.Target));
                                                      mxSetField(to, j, "Probability", mxCreateDoubleScalar(d.Probability));
                                                      mxSetField(to, j, "New", int64Row(d.New));
                                                  }));
                         }));
    return gsms;
}

SimModel readModelFile(const std::string& path) {
    std::ifstream in = drova::openInputFile(path, std::ios::binary);
    if (!in.is_open()) throw std::runtime_error(drova::cannotOpenMessage(path));
    if (std::filesystem::path(path).extension() == ".gsms" || drova::isNetPath(path)) {
        drova::GsmsNameLines lines;
        const drova::Gsms model = drova::readModel(in, path, &lines);
        SimModel structure = drova::simModelOf(model, &lines);
        // Drovasim draws the enumeration's four kinds only: a law beyond them has no place in gsms.
        for (std::size_t k = 0; k < structure.Distributions.size(); ++k)
            if (drova::isGsmsOnlyType(structure.Distributions[k].type))
                throw std::runtime_error("Timer " + std::to_string(k) + " is " + model.timer(k).toText() +
                                         ", which the structure gsms cannot hold: Drovasim draws Deg, Exp, Uni and "
                                         "Lognormal only");
        return structure;
    }
    return drova::readSimModelJson(in);
}

// Ends the call with the message, kept exact (mexErrMsgIdAndTxt would put the function's name
// before it in Octave); error does not return.
void fail(const std::string& identifier, const std::string& message) {
    const char* fields[] = {"message", "identifier"};
    mxArray* error = mxCreateStructMatrix(1, 1, 2, fields);
    mxSetField(error, 0, "message", mxCreateString(message.c_str()));
    mxSetField(error, 0, "identifier", mxCreateString(identifier.c_str()));
    mexCallMATLAB(0, nullptr, 1, &error, "error");
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 1 || !mxIsChar(prhs[0]) || mxGetM(prhs[0]) > 1)
        return fail("drova:loadModel", "drova_load_model takes one input: the path of a model file as a character row");
    if (nlhs > 1) return fail("drova:loadModel", "drova_load_model gives one output: the structure gsms");
    char* text = mxArrayToString(prhs[0]);
    const std::string path = text ? text : "";
    mxFree(text);
    std::string message;
    try {
        plhs[0] = structureOf(readModelFile(path));
        return;
    } catch (const std::exception& e) {
        message = e.what();
    }
    fail("drova:loadModel", message);
}
