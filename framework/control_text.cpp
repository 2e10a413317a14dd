#include "framework/control_text.h"

#include "framework/app.h"

namespace afx {
namespace {

bool Contains(const ControlTemplate& outer, const ControlTemplate& inner) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
         inner.y + inner.cy <= outer.y + outer.cy;
}

bool HasOwnText(const ControlTemplate& control) {
  return control.kind != ControlKind::Edit && control.kind != ControlKind::Icon &&
         control.text != nullptr && control.text[0] != '\0';
}

// The title of the smallest group box around `control`, or empty.
std::string EnclosingGroupTitle(std::span<const ControlTemplate> controls,
                                const ControlTemplate& control) {
  const ControlTemplate* best = nullptr;
  for (const ControlTemplate& group : controls) {
    if (group.kind != ControlKind::GroupBox || &group == &control || !Contains(group, control))
      continue;
    if (best == nullptr || group.cx * group.cy < best->cx * best->cy) best = &group;
  }
  return best != nullptr ? WithoutMnemonics(best->text) : std::string();
}

}  // namespace

std::string WithoutMnemonics(const char* text) {
  std::string plain;
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    if (*p == '&') {
      if (p[1] != '&') continue;
      ++p;
    }
    plain += *p;
  }
  return plain;
}

ControlDescription DescribeControl(std::span<const ControlTemplate> controls, std::size_t index) {
  const ControlTemplate& control = controls[index];
  ControlDescription result;
  if (control.id > 0) {
    const CString help = LoadString(static_cast<UINT>(control.id));
    if (!help.empty()) {
      const auto newline = help.find('\n');
      result.name = newline == CString::npos ? help : help.substr(newline + 1);
      if (newline != CString::npos) result.description = help.substr(0, newline);
      result.toolTip = result.name;
      return result;
    }
  }
  if (control.kind == ControlKind::Icon) {
    const CString title = LoadString(control.iconId);
    result.name = title.substr(0, title.find('\n'));
  } else if (HasOwnText(control)) {
    const bool plain = control.kind == ControlKind::Text && (control.style & SS_NOPREFIX) != 0;
    result.name = plain ? control.text : WithoutMnemonics(control.text);
  } else {
    result.name = EnclosingGroupTitle(controls, control);
  }
  for (std::size_t i = index; result.name.empty() && i-- > 0;) {
    if (controls[i].kind == ControlKind::Text) result.name = WithoutMnemonics(controls[i].text);
  }
  return result;
}

}  // namespace afx
