// Our Windows layer's window-system messages: only the broadcast that tells running
// programs of a changed setting. There are no windows here to tell, so the notice is
// written down instead, where a test or a person can see it. Included only through
// platform/PLATwindows.h.
#pragma once

#include "platform/posix/POSIXbase.h"

#define WM_WININICHANGE  0x001A
#define WM_SETTINGCHANGE 0x001A

#define BSF_QUERY              0x00000001
#define BSF_IGNORECURRENTTASK  0x00000002
#define BSF_FLUSHDISK          0x00000004
#define BSF_NOHANG             0x00000008
#define BSF_POSTMESSAGE        0x00000010
#define BSF_FORCEIFHUNG        0x00000020
#define BSF_NOTIMEOUTIFNOTHUNG 0x00000040
#define BSF_ALLOWSFW           0x00000080
#define BSF_SENDNOTIFYMESSAGE  0x00000100
#define BSF_RETURNHDESK        0x00000200
#define BSF_LUID               0x00000400

#define BSM_ALLCOMPONENTS      0x00000000
#define BSM_VXDS               0x00000001
#define BSM_NETDRIVER          0x00000002
#define BSM_INSTALLABLEDRIVERS 0x00000004
#define BSM_APPLICATIONS       0x00000008
#define BSM_ALLDESKTOPS        0x00000010

// When PLAT_BROADCAST_LOG names a file, appends one line to it (in one write, so that
// notices of several processes do not mix):
//   BroadcastSystemMessageA flags=0x00000030 recipients=all message=0x001A wParam=0 lParam="Environment"
// recipients is "all" for a null pointer, else the value it points to in hex. For
// WM_SETTINGCHANGE a non-zero lParam is the text it points to, in quotes, a backslash
// or quote in it preceded by a backslash and any byte outside printable ASCII written
// as \xHH; other messages show lParam as a number. Returns 1 (a positive value:
// delivered); -1 with the last error set when a flag is unknown or the line cannot be
// written.
LONG BroadcastSystemMessageA(DWORD flags, LPDWORD recipients, UINT message, WPARAM wParam,
                             LPARAM lParam);
