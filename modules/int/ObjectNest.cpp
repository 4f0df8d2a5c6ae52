#include "modules/int/ObjectNest.hpp"

namespace drova::integrate {

using namespace matlab::data;

namespace {

// The five property values of one ExpolyIntegral object, built into values on demand.
class PropertiesObject final : public IntegralObject {
public:
    PropertiesObject(const Object& integral, const ExpolyIntegralReader& reader) : reader_(reader) {
        // The element becomes a 1-by-1 array of its own before its properties are read.
        const ObjectArray holder = ArrayFactory().createScalar(integral);
        distribution_ = reader.property(holder, "Distribution");
        argument_ = reader.property(holder, "Vars");
        variable_ = reader.property(holder, "Var");
        lower_ = reader.property(holder, "A");
        upper_ = reader.property(holder, "B");
    }

    std::unique_ptr<Distribution> distribution() const override { return reader_.readDistribution(distribution_); }
    LinearForm argument() const override { return reader_.readLinearForm(argument_); }
    std::string variable() const override { return ExpolyIntegralReader::readText(variable_); }
    LinearForm lower() const override { return reader_.readLinearForm(lower_); }
    LinearForm upper() const override { return reader_.readLinearForm(upper_); }

private:
    const ExpolyIntegralReader& reader_;
    Array distribution_;
    Array argument_;  // Vars
    Array variable_;  // Var
    Array lower_;     // A
    Array upper_;     // B
};

}  // namespace

std::unique_ptr<IntegralObject> ObjectNest::proper(std::size_t index) const {
    return std::make_unique<PropertiesObject>(proper_[index], reader_);
}

std::unique_ptr<IntegralObject> ObjectNest::improper(std::size_t index) const {
    return std::make_unique<PropertiesObject>(improper_[index], reader_);
}

}  // namespace drova::integrate
