#include "crash/CrashReport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sweeplet {
namespace {

TEST(CrashFolderName, SortsByTimeAndReadsBack) {
  EXPECT_EQ(CrashFolderName({2026, 12, 1, 9, 5, 7}, 4242), "20261201T090507Z-4242");
  EXPECT_TRUE(IsCrashFolderName("20261201T090507Z-4242"));
  for (const char* other : {"", "20261201T090507Z-", "20261201T090507-4242", "2026120AT090507Z-1", "..",
                            "20261201T090507Z-12345678901", "20261201T090507Z-12a", "desktop.ini"}) {
    EXPECT_FALSE(IsCrashFolderName(other)) << other;
  }
}

TEST(CrashFoldersToDelete, KeepsTheNewestTenOfTwelveAndNothingElse) {
  std::vector<std::string> names;
  for (int i = 0; i < 12; ++i) names.push_back(CrashFolderName({2026, 1, 1 + i, 0, 0, 0}, 100 - i));
  names.push_back("notes");
  names.push_back("20260101T000000Z-x");
  std::reverse(names.begin(), names.end());
  const auto gone = CrashFoldersToDelete(names);
  EXPECT_EQ(gone, (std::vector<std::string>{"20260102T000000Z-99", "20260101T000000Z-100"}));
  EXPECT_TRUE(CrashFoldersToDelete({"20260101T000000Z-1"}).empty());
}

TEST(CrashFoldersToDelete, SameSecondOrdersByProcessIdAsANumber) {
  EXPECT_EQ(CrashFoldersToDelete({"20260101T000000Z-9", "20260101T000000Z-10"}, 1),
            std::vector<std::string>{"20260101T000000Z-9"});
}

TEST(ModuleOffset, NamesModuleAndOffset) {
  EXPECT_EQ(ModuleOffset("Sweeplet.exe", 0x1a2b), "Sweeplet.exe+0x1a2b");
  EXPECT_EQ(ModuleOffset("", 0x7ff6), "0x7ff6");
  EXPECT_EQ(Hex(0xC0000005, 8), "0xc0000005");
  EXPECT_EQ(Hex(0, 4), "0x0000");
}

TEST(MultipartBody, FieldsAndFileInTheFormCrashServersRead) {
  const std::string body = MultipartBody(
      {{"prod", "Sweeplet", ""}, {"upload_file_minidump", std::string("MDMP\0\r\n", 7), "crash.dmp"}, {"a\"b\r\n", "v", ""}},
      "XyZ");
  EXPECT_EQ(body,
            "--XyZ\r\nContent-Disposition: form-data; name=\"prod\"\r\n\r\nSweeplet\r\n"
            "--XyZ\r\nContent-Disposition: form-data; name=\"upload_file_minidump\"; filename=\"crash.dmp\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n" +
                std::string("MDMP\0\r\n", 7) +
                "\r\n"
                "--XyZ\r\nContent-Disposition: form-data; name=\"ab\"\r\n\r\nv\r\n"
                "--XyZ--\r\n");
}

}  // namespace
}  // namespace sweeplet
