// Fuzz target: the JSON front of drova int and the Drovaint entry behind it. A document is read as
// drova int reads it, its objects are built as a MATLAB caller holds them, and the module's entry
// evaluates them in this process with a small term budget, so that every input ends quickly.
// Every input either gives a text or fails with an exception; a crash, a hang or a leak is a fault.

#include "formats/IntegralJson.hpp"
#include "host/MatlabData.hpp"
#include "modules/int/IntegralCallObjects.hpp"
#include "modules/int/MexFunction.hpp"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace drova;
using namespace drova::integrate;
using namespace matlab::data;

// Enough for the small nests that the seeds hold; a costly input fails at the budget.
constexpr std::int64_t FuzzTermLimit = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const IntegralCallDescription call =
            readIntegralJson(std::string_view(reinterpret_cast<const char*>(data), size));
        const ArrayFactory factory;
        std::vector<Array> inputs = integralCallInputs(call);
        inputs.push_back(factory.createScalar("MaxTerms"));
        inputs.push_back(factory.createScalar(FuzzTermLimit));
        std::vector<Array> outputs(1);
        MexFunction entry;
        entry(matlab::mex::ArgumentList(outputs), matlab::mex::ArgumentList(inputs));
    } catch (const std::exception&) {
        // The document or the module refused the input: the message is the user's answer.
    }
    return 0;
}
