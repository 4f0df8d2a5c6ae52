// A module for the host's tests. Its first input names what to do:
//   "count"                 output 1: how many calls this object has served
//   "feval", NAME, ARGS...  calls NAME on ARGS with as many outputs as were asked for
//   "property", OBJ, NAME   output 1: the property of element 1 of OBJ
//   "throw", TEXT           raises std::invalid_argument(TEXT)
//   "throw-int"             raises an int
//   "outputs", N            assigns outputs 1 to N

#include "host/MexFunction.hpp"

#include <stdexcept>

using namespace drova;

class MexFunction : public matlab::mex::Function {
public:
    void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override {
        ++calls_;
        std::string command = matlab::data::StringArray(inputs[0])[0];
        std::vector<matlab::data::Array> rest(inputs.begin() + 1, inputs.end());
        if (command == "count") {
            outputs[0] = factory_.createScalar(static_cast<double>(calls_));
        } else if (command == "feval") {
            std::string name = matlab::data::StringArray(rest.front())[0];
            rest.erase(rest.begin());
            auto results = engine_->feval(name, static_cast<int>(outputs.size()), rest);
            for (std::size_t i = 0; i < results.size(); ++i) outputs[i] = results[i];
        } else if (command == "property") {
            outputs[0] = engine_->getProperty(rest.at(0), 0, std::string(matlab::data::StringArray(rest.at(1))[0]));
        } else if (command == "throw") {
            throw std::invalid_argument(std::string(matlab::data::StringArray(rest.at(0))[0]));
        } else if (command == "throw-int") {
            throw 42;
        } else if (command == "outputs") {
            double count = rest.at(0)[0];
            for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) outputs[i] = factory_.createScalar(true);
        }
    }

private:
    std::shared_ptr<matlab::engine::MATLABEngine> engine_ = getEngine();
    matlab::data::ArrayFactory factory_;
    int calls_ = 0;
};

DROVA_MEX_ENTRIES(MexFunction)
