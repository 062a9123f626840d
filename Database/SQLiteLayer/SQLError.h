#pragma once

#include <string>

// An error as the layer reports it: a domain, a code and a description.
struct SQLError {
    std::string domain;
    int code = 0;
    std::string description;
};
