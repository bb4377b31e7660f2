#include "app/ribbon/ribbon_bar.h"
