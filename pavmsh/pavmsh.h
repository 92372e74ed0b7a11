// Umbrella header of the core library: the procedural pav_ and Ovel interfaces.
#pragma once

#include "pav_status.h"

// Mesh object, entity types, attached solutions.
#include "pav_object.h"
#include "pav_solution.h"
#include "pav_types.h"

// Mesh files: the keyword library and the loading and writing of the object.
#include "ovel.h"
#include "pav_io.h"
#include "pav_safe_write.h"

// Topology, cuts, modifications, locator, parallel loops.
#include "pav_cut.h"
#include "pav_hash.h"
#include "pav_list.h"
#include "pav_modify.h"
#include "pav_octree.h"
#include "pav_parallel.h"
#include "pav_quality.h"
#include "pav_reference_index.h"
#include "pav_split_reference.h"
#include "pav_tessellate_polygon.h"
#include "pav_topology.h"

// High-order numerics.
#include "ho_bezier.h"
#include "ho_eigen.h"
#include "ho_jacobian.h"
#include "ho_lattice.h"
#include "ho_split.h"
#include "pav_lapack.h"
