// velmora's log: the calls exist so that callers need not care, and they leave no trace anywhere.
#include "support/log.h"

void log_init(const char*) {}

void log_printf(const char*, ...) {}
