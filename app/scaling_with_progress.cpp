#include "app/scaling_with_progress.h"

#include "res/resource.h"

using namespace afx;

tessary::ScaleResult ScaleModelFileWithProgress(CWnd* pOwner, const CString& model,
                                                const CString& output, const CString& scaleX,
                                                const CString& scaleY, const CString& scaleZ,
                                                std::vector<std::string>& notes) {
  const CString text = LoadString(IDS_SCALING);
  return AfxRunLongOperation(pOwner, text.c_str(), [&](CLongOperation& operation) {
    tessary::PassControl control;
    control.progress = [&operation](std::uint64_t done, std::uint64_t total) {
      operation.SetProgress(done, total);
    };
    control.cancel = &operation.CancelRequested();
    try {
      return tessary::ScaleModelFile(model, output, scaleX, scaleY, scaleZ, control, &notes);
    } catch (const tessary::PassCancelled&) {
      AfxThrowUserException();
    }
  });
}
