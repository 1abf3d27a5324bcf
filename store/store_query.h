// How the time query uses the machine.
#pragma once

// Whether a query may read folders on a helper thread while this one reads the next (the
// default). Output is the same either way; benchmarks and tests compare the two.
void SetQueryHelperThread(bool enabled);
