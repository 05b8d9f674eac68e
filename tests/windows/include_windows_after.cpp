// <windows.h> after our headers, which include it themselves where they need it.
#include "link/Link.h"
#include "link/Messages.h"
#include "link/platform/DeviceNames.h"
#include "link/platform/SysError.h"
#include "link/platform/Win32Serial.h"
#include "panel/LinkBinding.h"
#include "panel/Unit1.h"
#include "protocol/LightFrame.h"
#include "text/Text.h"
#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/Toolkit.h"
#include "toolkit/win32/Controls_win32.h"

#include <windows.h>
