#include "engine/state.h"

Engine engine;

void reset_engine() {
    const bool netbook = engine.file.table.netbook;
    engine = Engine{};
    engine.file.table.netbook = netbook;
}

void forget_typed() {
    engine.keys.history.fill(0);
    engine.keys.typed.count = 0;
}
