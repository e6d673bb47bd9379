#include "engine/key_monitor.h"

KeyMonitor key_monitor;
