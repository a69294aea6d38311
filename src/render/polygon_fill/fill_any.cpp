// The polygon pass built for every processor: its parts in one translation unit, in order.
//
// Each part opens with the rule it keeps (RULES.md lists them). The parts are included rather than
// compiled one by one so that the helpers called per sample and per span stay internal and inline
// across parts exactly as in a single file, and so that fill_sse42.cpp can build the very same
// code a second time with other instructions. A part uses only what the header and the parts
// before it declare.
#include "render/polygon_fill/fill_parts.h"

// NOLINTBEGIN(bugprone-suspicious-include)
#include "render/polygon_fill/shade.cpp"
#include "render/polygon_fill/outline_rows.cpp"
#include "render/polygon_fill/mend_window.cpp"
#include "render/polygon_fill/corner_mend.cpp"
#include "render/polygon_fill/settle.cpp"
#include "render/polygon_fill/sweep.cpp"
#include "render/polygon_fill/outline_mend.cpp"
#include "render/polygon_fill/hidden.cpp"
#include "render/polygon_fill/hull_rows.cpp"
#include "render/polygon_fill/row_mend.cpp"
#include "render/polygon_fill/write_out.cpp"
#include "render/polygon_fill/route.cpp"
#include "render/polygon_fill/polygons.cpp"
// NOLINTEND(bugprone-suspicious-include)
