#pragma once

// One reset of everything the process keeps between tests: every singleton of
// the system (session, data access, configuration, stores, language, skin),
// the services installed into the protocol, the application object. Each
// screen test starts and ends with it, so no test picks its own subset and a
// singleton added later is reset everywhere by adding one line to the table
// in ProcessReset.cpp (or, from a test program of its own, addProcessReset).

#include <functional>
#include <string>

void resetProcessState();

// Adds a reset run after the table's, in the order added; a second reset of
// the same name replaces the first.
void addProcessReset(const std::string& name, std::function<void()> reset);
