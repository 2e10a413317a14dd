// tessary: the desktop application. The framework's entry point starts it.
#include "app/tessary_app.h"

// The one application object.
CTessaryApp theApp;
