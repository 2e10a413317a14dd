// The application object: runs the main dialog once and ends.
#pragma once

#include "framework/afxwin.h"

class CTessaryApp : public afx::CWinApp {
 public:
  CTessaryApp();
  ~CTessaryApp() override;

  afx::BOOL InitInstance() override;

 protected:
  const afx::MessageMap* GetMessageMap() const override;
};
