#include "framework/win32/dialog_template.h"

#include <string>

#include "framework/win32/windows_api.h"

namespace afx {
namespace {

// The predefined window classes, by atom.
constexpr std::uint16_t kButton = 0x0080;
constexpr std::uint16_t kEdit = 0x0081;
constexpr std::uint16_t kStatic = 0x0082;

class TemplateWriter {
 public:
  void Word(std::uint16_t value) { words_.push_back(value); }
  void Dword(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value & 0xFFFF));
    Word(static_cast<std::uint16_t>(value >> 16));
  }
  void Text(const char* text) {
    for (const wchar_t c : Wide(text != nullptr ? text : ""))
      Word(static_cast<std::uint16_t>(c));
    Word(0);
  }
  void Ordinal(std::uint16_t value) {
    Word(0xFFFF);
    Word(value);
  }
  // Each control starts on a four-byte boundary.
  void AlignToDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<std::uint16_t> Take() { return std::move(words_); }

 private:
  std::vector<std::uint16_t> words_;
};

struct SystemControl {
  std::uint16_t windowClass;
  DWORD style;
};

SystemControl SystemControlOf(const ControlTemplate& control) {
  const DWORD common = WS_CHILD | WS_VISIBLE | static_cast<DWORD>(control.style);
  switch (control.kind) {
    case ControlKind::PushButton:
      return {kButton, common | BS_PUSHBUTTON};
    case ControlKind::DefPushButton:
      return {kButton, common | BS_DEFPUSHBUTTON};
    case ControlKind::GroupBox:
      return {kButton, common | BS_GROUPBOX};
    case ControlKind::Edit:
      return {kEdit, common | ES_LEFT};
    case ControlKind::Text:
      return {kStatic, common | SS_LEFT | WS_GROUP};
    case ControlKind::Icon:
      return {kStatic, common | SS_ICON};
  }
  return {kStatic, common};
}

}  // namespace

std::vector<std::uint16_t> SystemDialogTemplate(const DialogTemplate& dialog) {
  TemplateWriter out;
  out.Word(1);       // version
  out.Word(0xFFFF);  // an extended template
  out.Dword(0);      // help id
  out.Dword(static_cast<DWORD>(dialog.exStyle));
  out.Dword(static_cast<DWORD>(dialog.style) | DS_SETFONT);
  out.Word(static_cast<std::uint16_t>(dialog.controls.size()));
  out.Word(0);  // placed by the framework, in the middle of the screen or of the owner
  out.Word(0);
  out.Word(static_cast<std::uint16_t>(dialog.cx));
  out.Word(static_cast<std::uint16_t>(dialog.cy));
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.Text(dialog.caption);
  out.Word(static_cast<std::uint16_t>(dialog.fontPointSize));
  out.Word(FW_NORMAL);
  out.Word(static_cast<std::uint16_t>(DEFAULT_CHARSET << 8));  // not italic; the character set
  out.Text(dialog.fontName);

  for (const ControlTemplate& control : dialog.controls) {
    out.AlignToDword();
    const SystemControl system = SystemControlOf(control);
    out.Dword(0);  // help id
    out.Dword(0);  // extended style
    out.Dword(system.style);
    out.Word(static_cast<std::uint16_t>(control.x));
    out.Word(static_cast<std::uint16_t>(control.y));
    out.Word(static_cast<std::uint16_t>(control.cx));
    out.Word(static_cast<std::uint16_t>(control.cy));
    out.Dword(static_cast<std::uint32_t>(control.id));  // -1, for no id, as 0xFFFFFFFF
    out.Ordinal(system.windowClass);
    if (control.kind == ControlKind::Icon) {
      out.Ordinal(static_cast<std::uint16_t>(control.iconId));
    } else {
      out.Text(control.text);
    }
    out.Word(0);  // no creation data
  }
  return out.Take();
}

}  // namespace afx
