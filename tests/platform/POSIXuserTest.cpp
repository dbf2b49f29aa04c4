// The broadcast of a changed setting: delivered on both builds, and written down in the
// broadcast log by our layer, which has no windows to tell.
#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

LONG broadcastEnvironmentChange(LPDWORD recipients, DWORD flags = BSF_FORCEIFHUNG) {
  return BroadcastSystemMessageA(flags, recipients, WM_SETTINGCHANGE, 0,
                                 reinterpret_cast<LPARAM>("Environment"));
}

TEST(POSIXuser, TheEnvironmentChangeIsDelivered) {
  EXPECT_GT(broadcastEnvironmentChange(nullptr), 0);
  DWORD recipients = BSM_APPLICATIONS;
  EXPECT_GT(broadcastEnvironmentChange(&recipients), 0);
}

TEST(POSIXuser, APostedNoticeWithAPointerIsRefused) {
  // Wine answers 1 here and tells no window; our layer says plainly that it is refused.
  if (TESTwindowsBuild) GTEST_SKIP() << "Wine reports success for a notice it does not deliver";
  TESTtemporaryDirectory directory;
  std::string log = directory.path() + "/broadcast.log";
  TESTsetEnvironment("PLAT_BROADCAST_LOG", log.c_str());
  SetLastError(0);
  EXPECT_EQ(broadcastEnvironmentChange(nullptr, BSF_POSTMESSAGE | BSF_FORCEIFHUNG), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));
  EXPECT_EQ(BroadcastSystemMessageA(BSF_POSTMESSAGE, nullptr, WM_SETTINGCHANGE, 0, 0), 1);
  EXPECT_EQ(TESTfileText(log), "BroadcastSystemMessageA flags=0x00000010 recipients=all message=0x001A wParam=0 lParam=0\n");
  TESTsetEnvironment("PLAT_BROADCAST_LOG", nullptr);
}

TEST(POSIXuser, EachBroadcastIsOneLineOfTheLog) {
  if (TESTwindowsBuild) GTEST_SKIP() << "the broadcast log is our layer's; Windows tells its windows";
  TESTtemporaryDirectory directory;
  std::string log = directory.path() + "/broadcast.log";
  TESTsetEnvironment("PLAT_BROADCAST_LOG", log.c_str());
  DWORD recipients = BSM_APPLICATIONS | BSM_ALLDESKTOPS;
  EXPECT_EQ(broadcastEnvironmentChange(nullptr), 1);
  EXPECT_EQ(broadcastEnvironmentChange(&recipients), 1);
  EXPECT_EQ(BroadcastSystemMessageA(BSF_QUERY, nullptr, WM_SETTINGCHANGE, 7,
                                    reinterpret_cast<LPARAM>("say \"\\\"\n\xe9")), 1);
  EXPECT_EQ(BroadcastSystemMessageA(0, nullptr, WM_SETTINGCHANGE, 0, 0), 1);
  EXPECT_EQ(BroadcastSystemMessageA(0, nullptr, 0x0400, 1, -2), 1);
  EXPECT_EQ(TESTfileText(log),
            "BroadcastSystemMessageA flags=0x00000020 recipients=all message=0x001A wParam=0 lParam=\"Environment\"\n"
            "BroadcastSystemMessageA flags=0x00000020 recipients=0x00000018 message=0x001A wParam=0 lParam=\"Environment\"\n"
            "BroadcastSystemMessageA flags=0x00000001 recipients=all message=0x001A wParam=7 lParam=\"say \\\"\\\\\\\"\\x0A\\xE9\"\n"
            "BroadcastSystemMessageA flags=0x00000000 recipients=all message=0x001A wParam=0 lParam=0\n"
            "BroadcastSystemMessageA flags=0x00000000 recipients=all message=0x0400 wParam=1 lParam=-2\n");

  // A notice that cannot be written is a failed broadcast, not a silent one.
  TESTsetEnvironment("PLAT_BROADCAST_LOG", (directory.path() + "/missing/broadcast.log").c_str());
  SetLastError(0);
  EXPECT_EQ(broadcastEnvironmentChange(nullptr), -1);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(BroadcastSystemMessageA(0x80000000, nullptr, WM_SETTINGCHANGE, 0, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // Without a log the notice goes nowhere and is still delivered.
  TESTsetEnvironment("PLAT_BROADCAST_LOG", nullptr);
  EXPECT_EQ(broadcastEnvironmentChange(nullptr), 1);
}

}  // namespace
