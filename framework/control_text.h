// What a control of a dialog template says: the text it shows, and what assistive technology
// and its tooltip call it.
#pragma once

#include <span>
#include <string>

#include "framework/resources.h"

namespace afx {

/// `text` without its mnemonic marks: "&x" shows as x, and "&&" as &.
std::string WithoutMnemonics(const char* text);

/// How a control is presented to assistive technology and in its tooltip.
struct ControlDescription {
  std::string name;         ///< the accessible name
  std::string description;  ///< the accessible description; may be empty
  std::string toolTip;      ///< may be empty
};

/// Control `index` of `controls` described as assistive technology on the original platform
/// derives it from the template. The name is, in this order:
/// - the tip of a string resource with the control's id: "prompt\ntip" (the prompt becomes
///   the description, the tip also the tooltip), or the whole string when it has no '\n';
/// - for an icon, the first line of the string resource with the icon's id;
/// - the control's own text (push buttons, group boxes, static text), without mnemonic marks;
/// - the title of the smallest group box around the control (edit controls);
/// - the text of the nearest static text before it in template order.
ControlDescription DescribeControl(std::span<const ControlTemplate> controls, std::size_t index);

}  // namespace afx
