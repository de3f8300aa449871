#pragma once
// The services the stand-alone simulator offers for offline demonstrations. Each
// service adds its routes here.

#include "sim/ServiceSimulator.h"

namespace pw::sim {

void AddDemoServices(ServiceSimulator& simulator);

}  // namespace pw::sim
