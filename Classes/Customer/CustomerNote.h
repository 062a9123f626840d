#pragma once

// The short self-closing note the customer screens show ("NEEDINPUTNAME",
// "NOTEUPDATECUSTOMER", "FAILED"), three quarters down the screen.

#include <string>

void showCustomerNote(const std::string& text);
