// A dialog template of the program's resources as the system's own: the bytes of a
// DLGTEMPLATEEX, which the dialog manager lays out in dialog units of the template's font.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/resources.h"

namespace afx {

/// The template, in memory, for DialogBoxIndirectParamW and CreateDialogIndirectParamW: the
/// dialog's style, caption, size and font, and each control with its window class, style,
/// position and text, in template order (which is also the tab order). An icon control names
/// its icon resource by number.
std::vector<std::uint16_t> SystemDialogTemplate(const DialogTemplate& dialog);

}  // namespace afx
