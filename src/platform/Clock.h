#pragma once

#include "common/DateUtils.h"

// The clock the program reads; tests put a fake one in its place.
class IClock {
public:
    virtual ~IClock() = default;
    virtual TDateTime Now() const = 0;
};

// The current local moment, milliseconds included, from the clock in force.
TDateTime Now();
