// The file dialog's filter as Qt takes it. Internal to the Qt implementation and its tests.
#pragma once

#include <string>
#include <vector>

#include "framework/types.h"

namespace afx {

/// "Description|patterns|...||" as name filters of the form "Description (patterns)".
std::vector<std::string> ConvertFileFilter(LPCTSTR filter);

}  // namespace afx
