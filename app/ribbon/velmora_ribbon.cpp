#include "app/ribbon/velmora_ribbon.h"
