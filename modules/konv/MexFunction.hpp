#pragma once
// The entry of the Drovakonv module. MATLAB calls it as
//
//     Drovakonv(path, transitions, destinations)              % the expression of one path
//     Drovakonv(path, timeBound, threshold, collectTruncated) % the SMS kernel matrix
//
// each optionally followed by "MaxTerms", N (modules/TermLimitOption.hpp): the most terms any
// expression of the computation may hold (by default DefaultTermLimit).
//
// with a string path to a GSMS file, 1-based int64 rows of transition and destination numbers,
// a sym time bound, a double threshold and a logical flag. The result is one string scalar of
// symbolic-math text.

#include "gsms/Gsms.hpp"
#include "host/MexFunction.hpp"

#include <cstddef>
#include <memory>
#include <string>

namespace drova::konv {

class MexFunction : public matlab::mex::Function {
public:
    MexFunction();
    void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override;

    // The model read by the latest call whose file was parsed completely; empty at first.
    const Gsms& model() const { return model_; }

private:
    void checkInputs(const matlab::mex::ArgumentList& inputs);
    void requireClass(const matlab::data::Array& input, const std::string& ordinal, const std::string& className,
                      const std::string& noun);
    void requireScalar(const matlab::data::Array& input, const std::string& ordinal);
    void requireRow(const matlab::data::Array& input, const std::string& ordinal);
    // Ends the call with a MATLAB error carrying the message.
    [[noreturn]] void raise(const std::string& message);
    void readModel(const std::string& path);
    // The term budget: the optional pair after the required inputs.
    std::size_t termLimit(const matlab::mex::ArgumentList& inputs);
    std::string pathText(const matlab::mex::ArgumentList& inputs, std::size_t maxTerms);
    std::string matrixText(const matlab::mex::ArgumentList& inputs, std::size_t maxTerms);

    std::shared_ptr<matlab::engine::MATLABEngine> engine_;
    matlab::data::ArrayFactory factory_;
    Gsms model_;
};

}  // namespace drova::konv
