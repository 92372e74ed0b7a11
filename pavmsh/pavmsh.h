// Umbrella header of the core library: the procedural pav_ and Ovel interfaces.
#pragma once

#include "pav_status.h"
#include "pav_types.h"
#include "pav_object.h"
#include "pav_solution.h"
#include "ovel.h"
#include "ho_lattice.h"
