// The application framework as the app uses it: one header for the app's sources.
#pragma once

#include "framework/app.h"
#include "framework/cmd_target.h"
#include "framework/command_line.h"
#include "framework/dialog.h"
#include "framework/drop_files.h"
#include "framework/file_dialog.h"
#include "framework/icon.h"
#include "framework/long_operation.h"
#include "framework/resources.h"
#include "framework/types.h"
#include "framework/user_exception.h"
#include "framework/wnd.h"
