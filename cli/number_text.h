// Numbers in reports: the shortest text that reads back as the same double, as
// model/numbers/shortest_text.h writes it for tessary-scale and the browser's page alike.
#pragma once

#include "model/numbers/shortest_text.h"

namespace tessary::cli {

using tessary::ShortestText;

}  // namespace tessary::cli
