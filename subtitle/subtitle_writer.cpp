#include "subtitle/subtitle_writer.h"
