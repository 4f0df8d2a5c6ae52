// Fuzz target: the models of drova sim. A text that starts with "{" is read as the JSON document,
// any other as a .gsms file mapped to the simulator's records; the model is then built as the
// MATLAB structure and simulated by the Drovasim entry in this process, with two runs and a short
// horizon. Every input either gives times or fails with an error; a crash, a hang or a leak is a
// fault.

#include "formats/SimModelJson.hpp"
#include "gsms/ReadGsms.hpp"
#include "host/MatlabData.hpp"
#include "host/classic/ClassicModule.hpp"
#include "host/classic/ClassicRandom.hpp"
#include "modules/sim/Drovasim.hpp"
#include "modules/sim/GsmsStructure.hpp"
#include "simulate/GsmsToSim.hpp"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        std::istringstream in(text);
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        const drova::SimModel model = start != std::string::npos && text[start] == '{'
                                          ? drova::readSimModelJson(in)
                                          : drova::simModelOf(drova::readGsms(in));
        const matlab::data::ArrayFactory factory;
        drova::classicSeedGenerator(1);
        drova::classicCallMexFunction(&mexFunction, 1,
                                      {factory.createScalar(std::int64_t{2}), factory.createScalar(10.0),
                                       drova::sim::hostValueOf(model)},
                                      "Drovasim");
    } catch (const std::exception&) {
        // The model or the module refused the input: the message is the user's answer.
    }
    return 0;
}
