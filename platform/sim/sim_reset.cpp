#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

void sim_reset() {
    sim_reset_desktop();
    sim_reset_ui();
}
