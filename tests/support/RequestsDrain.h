#pragma once

// The end of a test that talked to a server through the real transport: what
// is still in flight must not reach the next test or outlive the server.

// Cancels every request of the network model and runs the main run loop until
// the transport's message, download and current-download queues are empty;
// false when they were not within `timeoutSeconds`.
bool cancelAllRequestsAndDrainTransport(double timeoutSeconds = 10);
