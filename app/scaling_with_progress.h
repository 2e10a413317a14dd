// The scaling pass as a long operation of the window: the model's pass on a worker thread,
// its progress and its Cancel in the framework's progress dialog.
#pragma once

#include <string>
#include <vector>

#include "framework/afxwin.h"
#include "model/job/run.h"

/// Runs ScaleModelFile for the form's texts while `pOwner` keeps painting, and returns its
/// result once the pass has ended; `notes` gets what is said besides it (see ScaleModelFile),
/// also when it throws. A file error is thrown as ScaleModelFile throws it; when the user
/// cancels, the pass stops and CUserException ends the caller's handler silently.
tessary::ScaleResult ScaleModelFileWithProgress(afx::CWnd* pOwner, const afx::CString& model,
                                                const afx::CString& output,
                                                const afx::CString& scaleX,
                                                const afx::CString& scaleY,
                                                const afx::CString& scaleZ,
                                                std::vector<std::string>& notes);
