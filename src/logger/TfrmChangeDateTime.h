#pragma once
// Moved to the logger's window part: include "logger/ui/TfrmChangeDateTime.h"
// and link kv_logger_ui. This forward goes once the main window does so.
#include "logger/ui/TfrmChangeDateTime.h"
