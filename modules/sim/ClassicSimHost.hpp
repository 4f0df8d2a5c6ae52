#pragma once
// The simulation's host services from the classic extension run time: the host's current
// generator and interrupt flag, fetched when the object is made, and every failure reported as
// the error the generated code of Drovasim raises, with its identifier.

#include "simulate/SimHost.hpp"

#include "host/classic/ClassicRandom.hpp"

namespace drova::sim {

class ClassicSimHost final : public SimHost {
public:
    ClassicSimHost();

    double uniform() override { return random_.uniform(); }
    double normal() override { return random_.normal(); }
    const std::atomic<bool>& interruptRequest() const override { return interrupt_; }

protected:
    void reportInterrupted() override;
    void reportIndexOutOfBounds(std::int64_t index, std::int64_t low, std::int64_t high,
                                std::string_view list) override;
    void reportNegativeRunCount(std::int64_t runs) override;
    void reportOutOfMemory() override;
    void reportTransitionWithoutTimers() override;
    void reportNoDestinationChosen(std::size_t destinations) override;
    void reportParameterCount(DistType type, std::int64_t count) override;

private:
    ClassicRandomSource& random_;
    const std::atomic<bool>& interrupt_;
};

}  // namespace drova::sim
