// Umbrella header of the core library: the procedural pav_ and Ovel interfaces.
#pragma once

#include "pav_status.h"
