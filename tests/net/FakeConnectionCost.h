// A connection whose cost the test sets, and that counts how often it was asked.
#pragma once

#include "net/ConnectionCost.h"

namespace net_testing {

class FakeConnectionCost : public ConnectionCost {
public:
    explicit FakeConnectionCost(bool isMetered = false) : metered(isMetered) {}
    bool IsMetered() const override {
        ++asked;
        return metered;
    }

    bool metered;
    mutable int asked = 0;
};

} // namespace net_testing
