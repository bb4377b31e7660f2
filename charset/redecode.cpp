#include "charset/redecode.h"
