#pragma once
// The nest of integrals of a Drovaint call: its two arrays of ExpolyIntegral objects, each
// element read as the driver (integrate/IntegrateExpolys.hpp) reaches it. An element becomes a
// 1-by-1 array of its own and its five properties are read, in the order Distribution, Vars,
// Var, A, B, before any value is built from them.

#include "integrate/IntegrateExpolys.hpp"
#include "modules/int/ExpolyIntegralReader.hpp"

#include "host/MatlabData.hpp"

namespace drova::integrate {

class ObjectNest final : public IntegralNest {
public:
    ObjectNest(matlab::data::ObjectArray proper, matlab::data::ObjectArray improper,
               const ExpolyIntegralReader& reader)
        : proper_(std::move(proper)), improper_(std::move(improper)), reader_(reader) {}

    std::size_t properCount() const override { return proper_.getNumberOfElements(); }
    std::size_t improperCount() const override { return improper_.getNumberOfElements(); }
    std::unique_ptr<IntegralObject> proper(std::size_t index) const override;
    std::unique_ptr<IntegralObject> improper(std::size_t index) const override;

private:
    matlab::data::ObjectArray proper_;
    matlab::data::ObjectArray improper_;
    const ExpolyIntegralReader& reader_;
};

}  // namespace drova::integrate
