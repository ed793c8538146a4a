// The soak: many frequency values in one session of Veskor, from a host that speaks the DDE
// messages itself, watching what Veskor keeps.
#pragma once

namespace veskor::bench {

// Sends `values` frequencies (a million by default) and prints a table every 100,000 and at the
// end; the exit status (0 when every watched value showed and Veskor ended well).
int RunSoak(int values);

} // namespace veskor::bench
