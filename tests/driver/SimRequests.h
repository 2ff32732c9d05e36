#pragma once
// What the simulated interface was asked to do, by command byte.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "SimInterface.h"

// The command of every request the interface carried out, in order.
inline std::vector<uint8_t> commandsOf(const SimInterface& sim) {
    std::vector<uint8_t> commands;
    for (const SimRequest& r : sim.requests()) commands.push_back(r.command);
    return commands;
}

inline int countCommand(const SimInterface& sim, uint8_t command) {
    const std::vector<uint8_t> commands = commandsOf(sim);
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}
